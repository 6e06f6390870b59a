// Only the client the host started is served. A stranger on the host's port (here a process the
// test forks, so a descendant of the host's own process) gets no answer, a pid named by an init
// acknowledgement is never signalled unless it is the client's, the host listens on loopback
// only and the client inherits none of its descriptors.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <rpc/pmap_clnt.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "host/core/host.h"
#include "host/files.h"
#include "host/handlers/handlers.h"

namespace qvhost {
namespace {

namespace fs = std::filesystem;

xdrproc_t X(auto *fn) {
  return reinterpret_cast<xdrproc_t>(reinterpret_cast<void (*)()>(fn));
}

sockaddr_in Loopback(uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(port);
  return a;
}

// The inodes of the sockets among the descriptors of a process.
std::set<std::string> Sockets(pid_t pid) {
  std::set<std::string> out;
  std::error_code ec;
  for (const auto &e : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec)) {
    std::string link = fs::read_symlink(e.path(), ec).string();
    if (link.rfind("socket:", 0) == 0) out.insert(link);
  }
  return out;
}

// Three connections to the host's port, made before the host takes any of them; then on each
// one call: an init acknowledgement naming `decoy`, an Open of `open`, a Save of document `doc`
// as `save`. Writes a byte to `ready` once connected and the three RPC statuses to `out`.
[[noreturn]] void Stranger(uint16_t port, unsigned long prog, int decoy, Handle doc,
                           std::string open, std::string save, int ready, int out) {
  sockaddr_in a = Loopback(port);
  CLIENT *c[3];
  for (CLIENT *&ci : c) {
    int sock = RPC_ANYSOCK;
    ci = clnttcp_create(&a, prog, Host::kHostVersion, &sock, 0, 0);
  }
  if (write(ready, "r", 1) != 1) _exit(2);
  struct timeval tv = {20, 0};
  ProcTraits<1019>::Arg oa{};
  oa.fileName = open.data();
  ProcTraits<1019>::Res ores{};
  ProcTraits<1020>::Arg sa{};
  sa.fileName = save.data();
  sa.docId = doc;
  ProcTraits<1020>::Res sres{};
  int st[3] = {RPC_CANTSEND, RPC_CANTSEND, RPC_CANTSEND};
  if (c[0]) st[0] = clnt_call(c[0], 1000, X(xdr_int), &decoy, X(xdr_void), nullptr, tv);
  if (c[1])
    st[1] = clnt_call(c[1], 1019, X(ProcTraits<1019>::xdr_arg), &oa, X(ProcTraits<1019>::xdr_res),
                      &ores, tv);
  if (c[2])
    st[2] = clnt_call(c[2], 1020, X(ProcTraits<1020>::xdr_arg), &sa, X(ProcTraits<1020>::xdr_res),
                      &sres, tv);
  _exit(write(out, st, sizeof st) == sizeof st ? 0 : 2);
}

class HostPeers : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { RegisterModelHandlers(); }

  void SetUp() override {
    char tmpl[] = "/tmp/qvhost-peer-XXXXXX";
    dir_ = mkdtemp(tmpl);
    m_.Reset();
    m_.clientDir = std::string(QV_EXAMPLES_DIR) + "/clientdir";
    std::string err;
    ASSERT_TRUE(host_.Start(&err)) << err;
    // A process that only sleeps: the pid a forged init acknowledgement names.
    decoy_ = fork();
    if (decoy_ == 0) {
      for (;;) pause();
    }
  }
  void TearDown() override {
    host_.Stop();
    if (decoy_ > 0) {
      kill(decoy_, SIGKILL);
      waitpid(decoy_, nullptr, 0);
    }
    fs::remove_all(dir_);
  }

  bool Launch(const std::vector<std::string> &env = {}, int client_number = 0) {
    Host::LaunchOptions o;
    o.client_path = QV_PROBE_BIN;
    o.client_number = client_number;
    o.extra_env = {"QV_PROBE_OUT=" + (dir_ / "out").string(), "QV_PROBE_DIR=" + dir_.string()};
    o.extra_env.insert(o.extra_env.end(), env.begin(), env.end());
    std::string err;
    EXPECT_TRUE(host_.Launch(o, &err)) << err;
    return err.empty();
  }
  uint16_t Port() {
    sockaddr_in a = Loopback(0);
    return pmap_getport(&a, host_.HostProgram(), Host::kHostVersion, IPPROTO_TCP);
  }
  // The decoy was never signalled: it still sleeps.
  bool DecoyAlive() { return waitpid(decoy_, nullptr, WNOHANG) == 0; }

  Model &m_ = TheModel();
  Host host_;
  fs::path dir_;
  pid_t decoy_ = -1;
};

TEST_F(HostPeers, AStrangerIsNeverServedWhileTheRunGoesOn) {
  Doc *d = m_.NewStandardDoc();
  d->path = (dir_ / "run.fm").string();
  m_.activeDoc = d->h;
  std::string open = (dir_ / "other.fm").string(), save = (dir_ / "stolen.fm").string();
  std::string err;
  ASSERT_TRUE(SaveFile(m_, d->h, open, err)) << err;
  ASSERT_TRUE(Launch());
  int ready[2], out[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(out), 0);
  pid_t stranger = fork();
  if (stranger == 0)
    Stranger(Port(), host_.HostProgram(), decoy_, d->h, open, save, ready[1], out[1]);
  char c;
  ASSERT_EQ(read(ready[0], &c, 1), 1);  // its connections wait for the host

  EXPECT_EQ(host_.Command(2), 1);  // the probe makes, saves and opens documents
  EXPECT_EQ(host_.WaitExit(10000), 0);
  int st[3];
  ASSERT_EQ(read(out[0], st, sizeof st), static_cast<ssize_t>(sizeof st));
  waitpid(stranger, nullptr, 0);
  for (int s : st) EXPECT_TRUE(s == RPC_CANTRECV || s == RPC_CANTSEND) << "status " << s;
  host_.Stop();
  EXPECT_TRUE(DecoyAlive());
  EXPECT_FALSE(fs::exists(save));
  EXPECT_EQ(host_.CallCount(1000), 1u);
  for (const LoggedCall &call : host_.CallLog()) {
    EXPECT_EQ(call.args.find(open), std::string::npos) << call.args;
    EXPECT_EQ(call.args.find(save), std::string::npos) << call.args;
  }
  // The run itself saved its document.
  Model fresh;
  Handle back = LoadFile(fresh, (dir_ / "saved.fm").string(), err);
  ASSERT_NE(back, 0u) << err;
  std::vector<Handle> walk = fresh.WalkPgfs(*fresh.DocOf(back));
  ASSERT_EQ(walk.size(), 1u);
  EXPECT_EQ(fresh.PgfOf(walk[0])->text, "Hello");
  for (int fd : {ready[0], ready[1], out[0], out[1]}) close(fd);
}

TEST_F(HostPeers, AnAcknowledgementNamingAnotherProcessSignalsNobody) {
  // The first and only one: the pid of the process that sent it is kept instead.
  ASSERT_TRUE(Launch({"QV_PROBE_ACK_ONLY=" + std::to_string(decoy_)}, -1));
  EXPECT_EQ(host_.ClientPid(), host_.LauncherPid());
  EXPECT_EQ(host_.WaitExit(10000), 0);
  // A second one, over a connection of the client's own: answered, and nothing more.
  ASSERT_TRUE(Launch({"QV_PROBE_DECOY=" + std::to_string(decoy_)}));
  pid_t client = host_.ClientPid();
  EXPECT_EQ(host_.Command(6), 1);
  std::ifstream in(dir_ / "out");
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line, "forged " + std::to_string(RPC_SUCCESS));
  EXPECT_EQ(host_.ClientPid(), client);
  EXPECT_EQ(host_.WaitExit(10000), 0);
  host_.Stop();
  EXPECT_TRUE(DecoyAlive());
}

TEST_F(HostPeers, ListensOnLoopbackOnlyAndTheClientInheritsNothing) {
  uint16_t port = Port();
  ASSERT_NE(port, 0);
  int listeners = 0;
  for (int fd = 0; fd < 1024; fd++) {
    sockaddr_in a{};
    socklen_t len = sizeof a;
    int on = 0;
    socklen_t olen = sizeof on;
    if (getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len) != 0 || a.sin_family != AF_INET ||
        ntohs(a.sin_port) != port || getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &on, &olen) != 0 ||
        !on)
      continue;
    listeners++;
    EXPECT_EQ(a.sin_addr.s_addr, htonl(INADDR_LOOPBACK));
  }
  EXPECT_EQ(listeners, 1);

  ASSERT_TRUE(Launch());
  EXPECT_EQ(host_.Initialize(0), 0);  // the callback connection and the client's are open now
  std::set<std::string> ours = Sockets(getpid());
  EXPECT_GE(ours.size(), 3u);
  for (const std::string &s : Sockets(host_.ClientPid())) EXPECT_EQ(ours.count(s), 0u) << s;
  for (int fd = 0; fd < 1024; fd++) {
    struct stat sb;
    bool socket = fstat(fd, &sb) == 0 && S_ISSOCK(sb.st_mode);
    EXPECT_TRUE(!socket || (fcntl(fd, F_GETFD) & FD_CLOEXEC)) << "descriptor " << fd;
  }
  EXPECT_EQ(host_.Quit(), 0);
  EXPECT_EQ(host_.WaitExit(10000), 0);
}

}  // namespace
}  // namespace qvhost
