// The substitute host's RPC core: the host program, the callback connection to the client, the
// client's process, and the fault hooks.
#include "host/core/host.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <rpc/pmap_clnt.h>
#include <rpc/rpcb_clnt.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <thread>

#include "host/core/peer.h"

namespace qvhost {
namespace {

Host *g_current = nullptr;

// Callback argument records in their wire form (the client decodes them with its own records).
struct MessageArg {
  char *text;
  u_int a, b;
};
struct NotifyArg {
  int code;
  u_int obj;
  char *text;
  int value;
};
struct DialogArg {
  int dlg, item, value;
};

bool_t XdrMessageArg(XDR *x, MessageArg *p) {
  return xdr_string(x, &p->text, ~0u) && xdr_u_int(x, &p->a) && xdr_u_int(x, &p->b);
}
bool_t XdrNotifyArg(XDR *x, NotifyArg *p) {
  return xdr_int(x, &p->code) && xdr_u_int(x, &p->obj) && xdr_string(x, &p->text, ~0u) &&
         xdr_int(x, &p->value);
}
bool_t XdrOldNotifyArg(XDR *x, NotifyArg *p) {
  return xdr_int(x, &p->code) && xdr_u_int(x, &p->obj) && xdr_string(x, &p->text, ~0u);
}
bool_t XdrDialogArg(XDR *x, DialogArg *p) {
  return xdr_int(x, &p->dlg) && xdr_int(x, &p->item) && xdr_int(x, &p->value);
}
// A record already in wire form (a posted callback's argument, kept until delivered).
bool_t XdrRaw(XDR *x, std::vector<char> *bytes) {
  return xdr_opaque(x, bytes->data(), static_cast<u_int>(bytes->size()));
}
// A reply body with no data at all: no result record decodes from it.
bool_t XdrNothing(XDR *, void *) {
  return TRUE;
}

xdrproc_t Proc(auto *fn) {
  return reinterpret_cast<xdrproc_t>(reinterpret_cast<void (*)()>(fn));
}

struct timeval Tv(int ms) {
  struct timeval tv;
  tv.tv_sec = ms / 1000;
  tv.tv_usec = (ms % 1000) * 1000;
  return tv;
}

using Clock = std::chrono::steady_clock;

int64_t MsLeft(Clock::time_point deadline) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
}

void HostDispatch(struct svc_req *rq, SVCXPRT *xprt) {
  if (g_current != nullptr) {
    g_current->Dispatch(rq, xprt);
  } else {
    svcerr_systemerr(xprt);
  }
}

// A free transient program number: not known to the port mapper.
unsigned long FreeProgram(unsigned long avoid) {
  static unsigned long next = 0;
  if (next == 0) {
    next = 0x40000000ul + ((static_cast<unsigned long>(getpid()) * 7919ul +
                            static_cast<unsigned long>(time(nullptr))) %
                           0x08000000ul);
  }
  for (int i = 0; i < 10000; i++) {
    unsigned long p = next++;
    if (next >= 0x5FFFFFFFul) next = 0x40000000ul;
    if (p == avoid) continue;
    if (!Host::IsRegistered(p, Host::kHostVersion) && !Host::IsRegistered(p, 1)) return p;
  }
  return 0;
}

bool RegisterTcp(SVCXPRT *xprt, unsigned long prog, unsigned long vers) {
  if (xprt->xp_ltaddr.buf == nullptr) return false;
  struct netconfig *nc = getnetconfigent("tcp");
  if (nc == nullptr) return false;
  bool ok = rpcb_set(prog, vers, nc, &xprt->xp_ltaddr);
  freenetconfigent(nc);
  return ok;
}

// A listening TCP socket on 127.0.0.1 at a free port, closed across exec and never blocking in
// accept; -1 when it cannot be made.
int LoopbackListener() {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return -1;
  struct sockaddr_in a;
  std::memset(&a, 0, sizeof a);
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(fd, reinterpret_cast<struct sockaddr *>(&a), sizeof a) != 0 ||
      listen(fd, SOMAXCONN) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

int DecodeStatus(int st) {
  if (WIFEXITED(st)) return WEXITSTATUS(st);
  if (WIFSIGNALED(st)) return 128 + WTERMSIG(st);
  return 255;
}

}  // namespace

Host::Host() {
  // Slow clients (under valgrind, say) need a longer silence allowed than the default.
  if (const char *v = getenv("QUORVEX_HOST_CALL_LIMIT_MS"); v != nullptr && atoi(v) > 0)
    limit_ms_ = atoi(v);
}

Host::~Host() {
  Stop();
}

Host *Host::Current() {
  return g_current;
}

bool Host::IsRegistered(unsigned long prog, unsigned long vers) {
  struct sockaddr_in a;
  std::memset(&a, 0, sizeof a);
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return pmap_getport(&a, prog, vers, IPPROTO_TCP) != 0;
}

bool Host::Start(std::string *err) {
  if (g_current != nullptr && g_current != this) {
    if (err) *err = "another host is already serving in this process";
    return false;
  }
  if (listener_ != nullptr) return true;
  signal(SIGPIPE, SIG_IGN);
  // Clients started with a client number of 0 or more fork, and the process we started ends at
  // once: become the reaper of its child so that the client's exit status reaches us.
  prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0);
  int fd = LoopbackListener();
  listener_ = fd >= 0 ? svctcp_create(fd, 0, 0) : nullptr;
  if (listener_ == nullptr) {
    if (fd >= 0) close(fd);
    if (err) *err = "cannot create the host's TCP service";
    return false;
  }
  for (int attempt = 0; attempt < 20; attempt++) {
    unsigned long p = FreeProgram(0);
    if (p == 0) break;
    // Registered with the port mapper first: a number someone else holds is refused there,
    // before anything is served under it.
    if (RegisterTcp(listener_, p, kHostVersion) &&
        svc_register(listener_, p, kHostVersion, HostDispatch, 0)) {
      prog_ = p;
      break;
    }
  }
  if (prog_ == 0) {
    svc_destroy(listener_);
    listener_ = nullptr;
    if (err) *err = "cannot register the host program with the port mapper (is rpcbind running?)";
    return false;
  }
  g_current = this;
  dead_ = false;
  return true;
}

void Host::Reap() {
  int st;
  if (launcher_pid_ > 0 && launcher_status_ < 0 && waitpid(launcher_pid_, &st, WNOHANG) > 0) {
    launcher_status_ = DecodeStatus(st);
    if (launcher_pid_ == client_pid_) client_status_ = launcher_status_;
  }
  if (client_pid_ > 0 && client_pid_ != launcher_pid_ && client_status_ < 0) {
    pid_t r = waitpid(client_pid_, &st, WNOHANG);
    if (r > 0) {
      client_status_ = DecodeStatus(st);
    } else if (r < 0 && errno == ECHILD && kill(client_pid_, 0) < 0 && errno == ESRCH) {
      client_status_ = 255;  // gone without reaching us
    }
  }
  if (sentinel_pid_ > 0 && waitpid(sentinel_pid_, &st, WNOHANG) > 0) sentinel_pid_ = -1;
}

bool Host::ClientRunning() {
  if (linked_) return linked_running_;
  Reap();
  if (client_pid_ > 0) return client_status_ < 0;
  return launcher_pid_ > 0 && launcher_status_ < 0;
}

int Host::LauncherStatus() {
  if (linked_) return client_status_;
  Reap();
  return launcher_status_;
}

size_t Host::CallCount(unsigned proc) const {
  size_t n = 0;
  for (const LoggedCall &c : log_) n += c.proc == proc;
  return n;
}

std::string Host::Fmapix(const LaunchOptions &opts, int host_pid) const {
  if (!opts.fmapix_override.empty()) return opts.fmapix_override;
  char fmapix[512];
  std::snprintf(fmapix, sizeof fmapix, "%ld.%ld %ld.%ld %d.%d.%s", static_cast<long>(cb_prog_),
                static_cast<long>(cb_vers_), static_cast<long>(prog_ != 0 ? prog_ : kLinkedProgram),
                static_cast<long>(kHostVersion), host_pid, opts.client_number,
                opts.client_name.c_str());
  return fmapix;
}

bool Host::Launch(const LaunchOptions &opts, std::string *err) {
  if (ClientRunning()) {
    if (err) *err = "a client is still running";
    return false;
  }
  if (opts.linked != nullptr) return LaunchLinked(opts, err);
  linked_ = nullptr;
  if (listener_ == nullptr && !Start(err)) return false;
  if (cb_client_ != nullptr) {
    clnt_destroy(cb_client_);
    cb_client_ = nullptr;
  }
  got_ack_ = false;
  handbacks_.clear();
  calls_ = 0;
  posted_ = 0;
  launcher_pid_ = client_pid_ = -1;
  launcher_status_ = client_status_ = -1;
  cb_prog_ = opts.callback_program != 0 ? opts.callback_program : FreeProgram(prog_);

  // The sentinel stands for the host process: alive while its pipe is open.
  if (sentinel_pid_ <= 0) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
      if (err) *err = std::string("pipe: ") + std::strerror(errno);
      return false;
    }
    pid_t s = fork();
    if (s == 0) {
      for (int fd = 3; fd < 1024; fd++)
        if (fd != fds[0]) close(fd);
      char c;
      while (read(fds[0], &c, 1) != 0 && errno == EINTR) {
      }
      _exit(0);
    }
    close(fds[0]);
    if (s < 0) {
      close(fds[1]);
      if (err) *err = std::string("fork: ") + std::strerror(errno);
      return false;
    }
    sentinel_pid_ = s;
    sentinel_fd_ = fds[1];
  }

  std::string fmapix_value = Fmapix(opts, static_cast<int>(sentinel_pid_));

  std::vector<std::string> argv_s = opts.wrapper;
  argv_s.push_back(opts.client_path);
  argv_s.insert(argv_s.end(), opts.args.begin(), opts.args.end());
  std::vector<char *> argv;
  for (std::string &s : argv_s) argv.push_back(s.data());
  argv.push_back(nullptr);
  std::vector<std::string> env = opts.extra_env;
  std::string stderr_path = opts.stderr_path;

  fflush(nullptr);
  pid_t pid = fork();
  if (pid < 0) {
    if (err) *err = std::string("fork: ") + std::strerror(errno);
    return false;
  }
  if (pid == 0) {
    setpgid(0, 0);  // the client's own process group: how its connections are recognised
    if (opts.set_fmapix) {
      setenv("FMAPIX", fmapix_value.c_str(), 1);
    } else {
      unsetenv("FMAPIX");
    }
    for (std::string &e : env) putenv(e.data());
    if (!stderr_path.empty()) {
      int fd = open(stderr_path.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
      if (fd >= 0) {
        dup2(fd, 2);
        close(fd);
      }
    }
    signal(SIGPIPE, SIG_DFL);
    execvp(argv[0], argv.data());
    std::fprintf(stderr, "quorvex-host: cannot run %s: %s\n", argv[0], std::strerror(errno));
    _exit(127);
  }
  setpgid(pid, pid);  // also here, so that the group exists before the first connection
  launcher_pid_ = pid;
  peers_.clear();
  if (opts.client_number < 0 || !opts.set_fmapix || !opts.fmapix_override.empty()) {
    client_pid_ = pid;  // no fork expected: the started process is the client
  }
  if (!opts.wait_for_ack) return true;

  Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(limit_ms_);
  while (!got_ack_) {
    ServeOnce(20);
    Reap();
    bool ended = client_pid_ > 0 ? client_status_ >= 0 : launcher_status_ > 0;
    if (got_ack_) break;
    if (ended) {
      if (err) {
        *err = "the client exited with status " +
               std::to_string(client_pid_ > 0 ? client_status_ : launcher_status_) +
               " before its init acknowledgement";
      }
      return false;
    }
    if (MsLeft(deadline) <= 0) {
      if (err) *err = "no init acknowledgement from the client within the time limit";
      return false;
    }
  }
  return true;
}

// The linked client starts on this stack: its init acknowledgement is served before start
// returns.
bool Host::LaunchLinked(const LaunchOptions &opts, std::string *err) {
  if (g_current != nullptr && g_current != this) {
    if (err) *err = "another host is already serving in this process";
    return false;
  }
  g_current = this;
  dead_ = false;
  DropCallbackConnection();
  got_ack_ = false;
  handbacks_.clear();
  queued_.clear();
  calls_ = posted_ = linked_depth_ = 0;
  launcher_pid_ = client_pid_ = -1;
  launcher_status_ = client_status_ = -1;
  cb_prog_ = opts.callback_program != 0 ? opts.callback_program : kLinkedProgram + 1;
  std::string fmapix = Fmapix(opts, static_cast<int>(getpid()));
  linked_ = opts.linked;
  if (linked_->reset != nullptr) linked_->reset();
  const char *why = nullptr;
  cb_client_ = linked_->start(
      fmapix.c_str(), HostDispatch, [] { return g_current ? g_current->DeliverPosted() : 0; },
      &why);
  if (cb_client_ == nullptr || !got_ack_) {
    if (cb_client_ != nullptr) {
      linked_->shut_down();
      clnt_destroy(cb_client_);
      cb_client_ = nullptr;
    }
    if (err) *err = why != nullptr ? why : "no init acknowledgement from the client";
    return false;
  }
  linked_running_ = true;
  return true;
}

void Host::EndLinked() {
  if (!linked_running_ || linked_depth_ > 0) return;
  linked_running_ = false;
  linked_->shut_down();
  if (cb_client_ != nullptr) {
    clnt_destroy(cb_client_);
    cb_client_ = nullptr;
  }
  queued_.clear();
  client_status_ = 0;
}

enum clnt_stat Host::CallClient(unsigned proc, xdrproc_t xa, void *arg, int ms) {
  struct timeval tv = Tv(ms);
  if (!linked_) {
    clnt_control(cb_client_, CLSET_TIMEOUT, reinterpret_cast<char *>(&tv));
    return clnt_call(cb_client_, proc, xa, arg, Proc(xdr_void), nullptr, tv);
  }
  linked_depth_++;
  enum clnt_stat st = clnt_call(cb_client_, proc, xa, arg, Proc(xdr_void), nullptr, tv);
  linked_depth_--;
  // The client's service loop ends once a callback has left its bail-out flag set.
  if (*linked_->bailout != 0) EndLinked();
  return st;
}

int Host::DeliverPosted() {
  int n = 0;
  while (linked_running_ && !queued_.empty()) {
    Posted p = std::move(queued_.front());
    queued_.pop_front();
    CallClient(p.proc, Proc(XdrRaw), &p.arg, limit_ms_);
    n++;
  }
  return n;
}

bool Host::IsClient(pid_t pid) const {
  return launcher_pid_ > 0 && InGroupBelow(pid, launcher_pid_, getpid());
}

// Takes every waiting connection. One whose peer is the client (a process of its group below
// this one) becomes a transport of the library, served like any other; every other one is
// closed at once, before anything is read from it. So is one that select() could not watch.
void Host::Accept() {
  for (;;) {
    int fd = accept4(listener_->xp_fd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;
    pid_t peer = launcher_pid_ > 0 && fd < FD_SETSIZE
                     ? PeerProcess(fd, launcher_pid_, getpid(), {client_pid_, launcher_pid_})
                     : -1;
    int on = 1;
    // The buffers and the option the library gives the connections it accepts itself.
    if (peer < 0 || setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) != 0 ||
        svc_fd_create(fd, 64 * 1024, 64 * 1024) == nullptr) {
      close(fd);
      continue;
    }
    peers_[fd] = peer;
  }
}

void Host::ServeOnce(int wait_ms) {
  if (teardown_pending_) FinishTeardown();
  if (listener_ == nullptr) {
    if (wait_ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(wait_ms));
    return;
  }
  fd_set ready = svc_fdset;
  struct timeval tv = Tv(wait_ms < 0 ? 0 : wait_ms);
  int n = select(svc_maxfd + 1, &ready, nullptr, nullptr, &tv);
  if (n > 0 && FD_ISSET(listener_->xp_fd, &ready)) {
    FD_CLR(listener_->xp_fd, &ready);  // connections are taken here, not by the library
    Accept();
  }
  if (n > 0) {
    in_dispatch_ = true;
    svc_getreqset(&ready);
    in_dispatch_ = false;
  }
  if (teardown_pending_) FinishTeardown();
}

int Host::ServeUntilHandBack() {
  if (linked_) {  // whatever the callback was to bring has come before it returned
    if (handbacks_.empty()) return -1;
    int v = handbacks_.front();
    handbacks_.pop_front();
    return v;
  }
  int seen = calls_;
  Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(limit_ms_);
  while (handbacks_.empty()) {
    if (dead_) return -1;
    ServeOnce(static_cast<int>(std::min<int64_t>(20, std::max<int64_t>(0, MsLeft(deadline)))));
    if (!handbacks_.empty()) break;
    if (calls_ != seen) {  // the client is working: the limit counts from its last call
      seen = calls_;
      deadline = Clock::now() + std::chrono::milliseconds(limit_ms_);
      continue;  // and it is alive: whether it ended is asked only when it is quiet
    }
    if (!ClientRunning()) {
      for (int i = 0; i < 5 && handbacks_.empty(); i++) ServeOnce(0);  // what it sent before
      break;
    }
    if (MsLeft(deadline) <= 0) break;
  }
  if (handbacks_.empty()) return -1;
  int v = handbacks_.front();
  handbacks_.pop_front();
  return v;
}

int Host::ServeUntilExit(int timeout_ms) {
  return WaitExit(timeout_ms);
}

int Host::WaitExit(int timeout_ms) {
  if (linked_) return linked_running_ ? -1 : client_status_;  // nothing runs meanwhile
  Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  while (ClientRunning() && MsLeft(deadline) > 0) ServeOnce(10);
  return ClientRunning() ? -1 : client_status_;
}

bool Host::EnsureCallbackClient() {
  if (cb_client_ != nullptr) return true;
  if (linked_) return false;
  if (dead_ || cb_prog_ == 0) return false;
  struct sockaddr_in a;
  std::memset(&a, 0, sizeof a);
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int sock = RPC_ANYSOCK;
  cb_client_ = clnttcp_create(&a, cb_prog_, cb_vers_, &sock, 0, 0);
  if (cb_client_ == nullptr) return false;
  fcntl(sock, F_SETFD, FD_CLOEXEC);  // no client started later inherits it
  struct timeval tv = Tv(limit_ms_);
  clnt_control(cb_client_, CLSET_TIMEOUT, reinterpret_cast<char *>(&tv));
  int on = 1;
  clnt_control(cb_client_, CLSET_FD_CLOSE, reinterpret_cast<char *>(&on));
  return true;
}

int Host::RawCallback(unsigned proc) {
  if (!EnsureCallbackClient()) return RPC_CANTSEND;
  enum clnt_stat st = CallClient(proc, Proc(xdr_void), nullptr, limit_ms_);
  if (!linked_ && (st == RPC_CANTSEND || st == RPC_CANTRECV)) {
    clnt_destroy(cb_client_);
    cb_client_ = nullptr;
  }
  return st;
}

int Host::Deliver(unsigned proc, xdrproc_t xa, void *arg, bool want_handback) {
  if (dead_ || !EnsureCallbackClient()) return -1;
  handbacks_.clear();
  enum clnt_stat st = CallClient(proc, xa, arg, limit_ms_);
  if (st != RPC_SUCCESS) {
    if (!linked_ && (st == RPC_CANTSEND || st == RPC_CANTRECV)) {
      clnt_destroy(cb_client_);
      cb_client_ = nullptr;
    }
    return -1;
  }
  if (faults_.extra_callbacks > 0) {
    // Sent one-way (a zero time-out returns once the request is written); the client finds
    // them while its entry callback still runs, or after it.
    for (int i = 0; i < faults_.extra_callbacks && cb_client_ != nullptr; i++)
      CallClient(proc, xa, arg, 0);
    faults_.extra_callbacks = 0;
  }
  if (!want_handback) return 0;
  return ServeUntilHandBack();
}

int Host::Initialize(int code) {
  return Deliver(2, Proc(xdr_int), &code, true);
}
int Host::Command(int id) {
  return Deliver(3, Proc(xdr_int), &id, true);
}

int Host::Message(const std::string &text, uint32_t a, uint32_t b) {
  std::string t = text;
  MessageArg m{t.data(), a, b};
  return Deliver(4, Proc(XdrMessageArg), &m, true);
}

int Host::Notify(int code, uint32_t obj, const std::string &text, int value) {
  std::string t = text;
  NotifyArg n{code, obj, t.data(), value};
  return Deliver(7, Proc(XdrNotifyArg), &n, true);
}

int Host::DialogEvent(int dlg, int item, int value) {
  DialogArg d{dlg, item, value};
  return Deliver(6, Proc(XdrDialogArg), &d, true);
}

int Host::Quit() {
  return Deliver(1, Proc(xdr_void), nullptr, false);
}

bool Host::Post(unsigned proc, xdrproc_t xa, void *arg) {
  if (dead_ || !EnsureCallbackClient()) return false;
  if (linked_) {  // kept in wire form until the client's service loop asks for it
    Posted p{proc, std::vector<char>(xdr_sizeof(xa, arg))};
    XDR x;
    xdrmem_create(&x, p.arg.data(), static_cast<u_int>(p.arg.size()), XDR_ENCODE);
    bool ok = xa(&x, arg);
    xdr_destroy(&x);
    if (ok) queued_.push_back(std::move(p));
    return ok;
  }
  enum clnt_stat st = CallClient(proc, xa, arg, 0);
  return st == RPC_TIMEDOUT || st == RPC_SUCCESS;
}

bool Host::PostDialogEvent(int dlg, int item, int value) {
  DialogArg d{dlg, item, value};
  if (!Post(6, Proc(XdrDialogArg), &d)) return false;
  posted_++;
  return true;
}

bool Host::PostCommand(int id) {
  if (!Post(3, Proc(xdr_int), &id)) return false;
  posted_++;
  return true;
}

void Host::DropCallbackConnection() {
  if (cb_client_ != nullptr && !linked_running_) {  // a link is no connection
    clnt_destroy(cb_client_);
    cb_client_ = nullptr;
  }
}

bool Host::OldNotify(int code, uint32_t obj, const std::string &text) {
  std::string t = text;
  NotifyArg n{code, obj, t.data(), 0};
  return Post(5, Proc(XdrOldNotifyArg), &n);
}

namespace {

// Storage for one decoded record, aligned for any member and cleared byte by byte (value-
// initialising an array of max_align_t is not guaranteed to clear its padding).
std::unique_ptr<max_align_t[]> ZeroedRecord(size_t size) {
  size_t n = size / sizeof(max_align_t) + 1;
  std::unique_ptr<max_align_t[]> p(new max_align_t[n]);
  memset(p.get(), 0, n * sizeof(max_align_t));
  return p;
}

}  // namespace

void Host::Dispatch(struct svc_req *rq, SVCXPRT *xprt) {
  if (dead_) return;  // a dead host answers nothing
  unsigned proc = static_cast<unsigned>(rq->rq_proc);
  if (proc == NULLPROC) {
    svc_sendreply(xprt, Proc(xdr_void), nullptr);
    return;
  }
  const ProcEntry *e = FindProc(proc);
  if (e == nullptr) {
    if (!keep_log_) log_.clear();
    log_.push_back({proc, "<no such procedure>"});
    svcerr_noproc(xprt);
    return;
  }
  // Records are decoded into zeroed storage, aligned for any member.
  std::unique_ptr<max_align_t[]> arg = ZeroedRecord(e->arg_size);
  std::unique_ptr<max_align_t[]> res = ZeroedRecord(e->res_size);
  if (!svc_getargs(xprt, Proc(e->xdr_arg), reinterpret_cast<char *>(arg.get()))) {
    if (!keep_log_) log_.clear();
    log_.push_back({proc, "<undecodable>"});
    svcerr_decode(xprt);
    svc_freeargs(xprt, Proc(e->xdr_arg), reinterpret_cast<char *>(arg.get()));
    return;
  }
  if (!keep_log_) log_.clear();
  log_.push_back({proc, XdrText(e->xdr_arg, arg.get())});
  if (proc != 1000 && got_ack_) calls_++;
  if (faults_.silent) {
    svc_freeargs(xprt, Proc(e->xdr_arg), reinterpret_cast<char *>(arg.get()));
    return;
  }
  bool answer = true, garbage = false;
  if (proc != 1000 && got_ack_) {
    if (faults_.die_at_call == calls_) {
      faults_.die_at_call = 0;
      svc_freeargs(xprt, Proc(e->xdr_arg), reinterpret_cast<char *>(arg.get()));
      Die();
      return;
    }
    if (faults_.close_at_call == calls_) {
      faults_.close_at_call = 0;
      shutdown(xprt->xp_fd, SHUT_RDWR);
      answer = false;
    }
    if (faults_.late_at_call == calls_) {
      faults_.late_at_call = 0;
      std::this_thread::sleep_for(std::chrono::milliseconds(faults_.late_ms));
    }
    if (faults_.garbage_at_call == calls_) {
      faults_.garbage_at_call = 0;
      garbage = true;
    }
  }
  CallCtx ctx{proc, this, &log_.back()};
  if (proc == 1000) {
    if (!got_ack_) {  // the first one only; the pid it names only when it is the client's
      got_ack_ = true;
      pid_t named = *reinterpret_cast<int *>(arg.get());
      auto peer = peers_.find(xprt->xp_fd);
      client_pid_ = IsClient(named) ? named : peer != peers_.end() ? peer->second : -1;
    }
  } else if (proc == 1002) {
    if (posted_ > 0) {
      posted_--;  // the hand-back of a posted callback
    } else {
      handbacks_.push_back(*reinterpret_cast<int *>(arg.get()));
    }
  } else if (e->thunk != nullptr) {
    // Nothing may unwind through the RPC library's C frames: a handler that throws (out of
    // memory, say) answers the call as not served.
    try {
      e->thunk(arg.get(), res.get(), ctx, e->fn);
    } catch (const std::exception &) {
      e->set_status(res.get(), kNotServed);
    }
  } else if (proc == 1376 || proc == 1343) {
    // Leaving a session and taking control need nothing of the model: a zero result.
  } else {
    e->set_status(res.get(), kNotServed);
  }
  if (answer) {
    bool sent = garbage
                    ? svc_sendreply(xprt, Proc(XdrNothing), nullptr)
                    : svc_sendreply(xprt, Proc(e->xdr_res), reinterpret_cast<char *>(res.get()));
    if (!sent) svcerr_systemerr(xprt);
  }
  xdr_free(Proc(e->xdr_res), reinterpret_cast<char *>(res.get()));
  svc_freeargs(xprt, Proc(e->xdr_arg), reinterpret_cast<char *>(arg.get()));
}

// Ends every connection at once (the client sees the end on its next read); the library
// releases the transports when it next reads them, which must not happen inside a dispatch.
void Host::CloseConnections() {
  if (cb_client_ != nullptr) {
    clnt_destroy(cb_client_);
    cb_client_ = nullptr;
  }
  int listen_fd = listener_ != nullptr ? listener_->xp_fd : -1;
  for (int fd = 0; fd <= svc_maxfd && fd < FD_SETSIZE; fd++)
    if (fd != listen_fd && FD_ISSET(fd, &svc_fdset)) shutdown(fd, SHUT_RDWR);
  teardown_pending_ = true;
  if (!in_dispatch_) FinishTeardown();
}

void Host::FinishTeardown() {
  teardown_pending_ = false;
  int listen_fd = listener_ != nullptr ? listener_->xp_fd : -1;
  fd_set dying;
  FD_ZERO(&dying);
  bool any = false;
  for (int fd = 0; fd <= svc_maxfd && fd < FD_SETSIZE; fd++) {
    if (fd != listen_fd && FD_ISSET(fd, &svc_fdset)) {
      FD_SET(fd, &dying);
      any = true;
    }
  }
  if (any) svc_getreqset(&dying);  // each read meets the end and the transport is released
  if (listener_ != nullptr) {
    svc_destroy(listener_);
    listener_ = nullptr;
  }
}

void Host::Die() {
  if (dead_) return;
  dead_ = true;
  if (sentinel_pid_ > 0) {
    kill(sentinel_pid_, SIGKILL);
    waitpid(sentinel_pid_, nullptr, 0);
    sentinel_pid_ = -1;
  }
  if (sentinel_fd_ >= 0) {
    close(sentinel_fd_);
    sentinel_fd_ = -1;
  }
  if (prog_ != 0) svc_unregister(prog_, kHostVersion);
  CloseConnections();
}

void Host::Stop() {
  if (linked_) {
    EndLinked();
    linked_ = nullptr;
  }
  if (g_current != this && listener_ == nullptr && sentinel_pid_ <= 0) return;
  bool killed = false;
  // The started process is this one's own child, not reaped yet, so its pid is still its own;
  // any other is signalled only when it is a process of the client's group below this one.
  if (ClientRunning()) {
    if (IsClient(client_pid_)) kill(client_pid_, SIGKILL);
    if (launcher_pid_ > 0 && launcher_status_ < 0) kill(launcher_pid_, SIGKILL);
    for (int i = 0; i < 200 && ClientRunning(); i++)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    killed = true;
  }
  if (launcher_pid_ > 0 && launcher_status_ < 0) {
    kill(launcher_pid_, SIGKILL);
    int st;
    if (waitpid(launcher_pid_, &st, 0) > 0) launcher_status_ = DecodeStatus(st);
  }
  // A killed client cannot remove its own registration.
  if (killed && cb_prog_ != 0) pmap_unset(cb_prog_, cb_vers_);
  if (!dead_) {
    Die();
  }
  prog_ = 0;
  if (g_current == this) g_current = nullptr;
}

}  // namespace qvhost
