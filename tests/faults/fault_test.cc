// What the client does when the host or the connection misbehaves: the host dying at each call,
// a connection closed under a call, late and undecodable answers, callbacks faster than the
// client finishes them, descriptors above 31, stale registrations, hostile callback peers.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <rpc/pmap_clnt.h>
#include <rpc/rpcb_clnt.h>
#include <sys/socket.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "apislib.h"
#include "harness.h"

// The runtime calls these when it serves callbacks; this test process never does.
extern "C" {
VoidT F_ApiInitialize(IntT) {}
VoidT F_ApiCommand(IntT) {}
VoidT F_ApiNotify(IntT, F_ObjHandleT, StringT, IntT) {}
}

namespace {

void EchoCalls() {
  qvhost::Serve<1375>([](const int &v, int &res, qvhost::CallCtx &) { res = v; });
}

std::string CallLine(int i, bool ok) {
  return "call " + std::to_string(i) + (ok ? " " + std::to_string(i) + " 0" : " 0 -1");
}

int CallbackPort(const ProbeHost &ph) {
  struct sockaddr_in a {};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return pmap_getport(&a, ph.host.CallbackProgram(), 1, IPPROTO_TCP);
}

int Connect(in_addr_t bind_to, in_addr_t to, int port) {
  int s = socket(AF_INET, SOCK_STREAM, 0);
  struct sockaddr_in a {};
  a.sin_family = AF_INET;
  if (bind_to != 0) {
    a.sin_addr.s_addr = bind_to;
    if (bind(s, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0) return -1;
  }
  a.sin_port = htons(static_cast<uint16_t>(port));
  a.sin_addr.s_addr = to;
  if (connect(s, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0) return -1;
  return s;
}

}  // namespace

TEST(HostDies, AtEachCallTheClientEndsWithStatusOneAndUnregisters) {
  EchoCalls();
  const int kCalls = 3;  // and the hand-back: four fault points
  for (int n = 1; n <= kCalls + 1; n++) {
    ProbeHost ph;
    ASSERT_TRUE(ph.Launch(-1, {"PROBE_WAIT_MS=100", "PROBE_CALLS=" + std::to_string(kCalls)}));
    unsigned long cb = ph.host.CallbackProgram();
    ph.host.faults().die_at_call = n;
    EXPECT_EQ(ph.host.Command(7), -1);
    EXPECT_EQ(ph.host.WaitExit(10000), 1) << "fault point " << n;
    for (int i = 1; i <= kCalls; i++) EXPECT_EQ(ph.Count(CallLine(i, i < n)), 1u) << n << " " << i;
    EXPECT_EQ(ph.Events().back(), "emergency");
    EXPECT_FALSE(qvhost::Host::IsRegistered(cb, 1));
  }
}

TEST(Connection, ClosedLateOrGarbledAnswersFailOnlyTheirCalls) {
  EchoCalls();
  {  // closed under call 2: that call and the rest fail; the client lives on and quits cleanly
    ProbeHost ph;
    ASSERT_TRUE(ph.Launch(-1, {"PROBE_CALLS=3"}));
    ph.host.faults().close_at_call = 2;
    ph.host.SetCallTimeLimit(1000);  // no hand-back can come over the closed connection
    EXPECT_EQ(ph.host.Command(7), -1);
    EXPECT_EQ(ph.Count(CallLine(1, true)), 1u);
    EXPECT_EQ(ph.Count(CallLine(2, false)), 1u);
    EXPECT_EQ(ph.Count(CallLine(3, false)), 1u);
    EXPECT_EQ(ph.host.Quit(), 0);
    EXPECT_EQ(ph.host.WaitExit(5000), 0);
  }
  {  // answered after the client's time-out: that call fails, the next gets its own answer
    ProbeHost ph;
    ASSERT_TRUE(ph.Launch(-1, {"PROBE_CALLS=3", "PROBE_TIMEOUT_MS=1000"}));
    ph.host.faults().late_at_call = 1;
    ph.host.faults().late_ms = 1500;  // answered while the client waits for call 2
    EXPECT_EQ(ph.host.Command(7), 0);
    EXPECT_EQ(ph.Count(CallLine(1, false)), 1u);
    EXPECT_EQ(ph.Count(CallLine(2, true)), 1u);
    EXPECT_EQ(ph.Count(CallLine(3, true)), 1u);
  }
  {  // an answer that does not decode
    ProbeHost ph;
    ASSERT_TRUE(ph.Launch(-1, {"PROBE_CALLS=3"}));
    ph.host.faults().garbage_at_call = 2;
    EXPECT_EQ(ph.host.Command(7), 0);
    EXPECT_EQ(ph.Count(CallLine(1, true)), 1u);
    EXPECT_EQ(ph.Count(CallLine(2, false)), 1u);
    EXPECT_EQ(ph.Count(CallLine(3, true)), 1u);
  }
}

TEST(Callbacks, FasterThanTheClientFinishesThemNoneIsLost) {
  ProbeHost ph;
  ASSERT_TRUE(ph.Launch());
  ph.host.faults().extra_callbacks = 2;
  EXPECT_EQ(ph.host.Command(1), 0);
  EXPECT_EQ(ph.host.ServeUntilHandBack(), 0);
  EXPECT_EQ(ph.host.ServeUntilHandBack(), 0);
  EXPECT_EQ(ph.Count("command 1"), 3u);
  EXPECT_EQ(ph.Stderr(), "");
}

TEST(Descriptors, RpcSocketsAboveThirtyOneAreServed) {
  EchoCalls();
  ProbeHost ph;
  ASSERT_TRUE(ph.Launch(-1, {"PROBE_LOWFDS=40", "PROBE_FDWATCH=1", "PROBE_CALLS=2"}));
  EXPECT_EQ(ph.host.Initialize(0), 0);
  EXPECT_EQ(ph.host.Command(7), 0);
  EXPECT_EQ(ph.Count(CallLine(2, true)), 1u);
  int listener = -1;
  ASSERT_EQ(std::sscanf(ph.Events().at(0).c_str(), "fd %d 1", &listener), 1);
  EXPECT_GT(listener, 31);
  EXPECT_EQ(ph.host.Quit(), 0);
  EXPECT_EQ(ph.host.WaitExit(5000), 0);
}

TEST(Registration, AStaleOneIsReplacedAtStartUp) {
  unsigned long prog = 0x5E000000ul + static_cast<unsigned long>(getpid()) % 4096;
  while (qvhost::Host::IsRegistered(prog, 1)) prog++;
  struct sockaddr_in stale {};  // left by a client that crashed: a port nobody serves
  stale.sin_family = AF_INET;
  stale.sin_port = htons(9);
  struct netbuf nb = {sizeof stale, sizeof stale, &stale};
  struct netconfig *nc = getnetconfigent("tcp");
  ASSERT_NE(nc, nullptr);
  ASSERT_TRUE(rpcb_set(prog, 1, nc, &nb));
  freenetconfigent(nc);
  ProbeHost ph;
  qvhost::Host::LaunchOptions o = ph.Options();
  o.callback_program = prog;
  std::string e;
  ASSERT_TRUE(ph.host.Launch(o, &e)) << e;
  EXPECT_EQ(ph.host.Command(1), 0);
  EXPECT_EQ(ph.host.Quit(), 0);
  EXPECT_EQ(ph.host.WaitExit(5000), 0);
  EXPECT_FALSE(qvhost::Host::IsRegistered(prog, 1));
}

TEST(CallbackPeers, HostileStreamsDoNotStallTheLoop) {
  ProbeHost ph;
  ASSERT_TRUE(ph.Launch());
  int port = CallbackPort(ph);
  ASSERT_GT(port, 0);
  in_addr_t lo = htonl(INADDR_LOOPBACK);
  // A record that announces 2 GiB, a chain of empty fragments that never ends, and a peer that
  // sends one byte and then nothing: the host's callbacks still get through.
  int huge = Connect(0, lo, port), chain = Connect(0, lo, port), slow = Connect(0, lo, port);
  ASSERT_GE(huge, 0);
  ASSERT_GE(chain, 0);
  ASSERT_GE(slow, 0);
  const unsigned char mark[] = {0x7f, 0xff, 0xff, 0xff, 0, 0, 0, 1};
  EXPECT_EQ(write(huge, mark, sizeof mark), 8);
  std::vector<unsigned char> zeros(4096, 0);
  EXPECT_EQ(write(chain, zeros.data(), zeros.size()), 4096);
  EXPECT_EQ(write(slow, "\x80", 1), 1);
  EXPECT_EQ(ph.host.Command(1), 0);
  EXPECT_EQ(ph.host.Message("still here", 0, 0), 0);
  close(huge);
  close(chain);
  close(slow);
  EXPECT_EQ(ph.host.Quit(), 0);
  EXPECT_EQ(ph.host.WaitExit(5000), 0);
}

namespace {

sockaddr_in V4(const char *dotted) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = inet_addr(dotted);
  return a;
}

const sockaddr *Sa(const sockaddr_in &a) {
  return reinterpret_cast<const sockaddr *>(&a);
}

}  // namespace

// The decision on given addresses. 192.0.2.10 stands for this machine's own network address,
// the local end of a connection a host on this machine made through it.
TEST(CallbackPeers, TheHostIsServedFromWhereverItReallyIs) {
  const sockaddr_in own = V4("192.0.2.10"), loop = V4("127.0.0.1"), loop2 = V4("127.8.9.1");
  const sockaddr_in stranger = V4("192.0.2.7"), remote = V4("198.51.100.5");
  const in_addr_t loopback = htonl(INADDR_LOOPBACK), remote_addr = remote.sin_addr.s_addr;

  // A host on this machine: from the address the connection reached, or from loopback.
  EXPECT_TRUE(FapiCallbackPeerAllowed(Sa(own), Sa(own), 1, loopback));
  EXPECT_TRUE(FapiCallbackPeerAllowed(Sa(loop), Sa(loop), 1, loopback));
  EXPECT_TRUE(FapiCallbackPeerAllowed(Sa(loop2), Sa(own), 1, loopback));
  EXPECT_TRUE(FapiCallbackPeerAllowed(Sa(loop), nullptr, 1, loopback));
  // Anyone else reaching that address is another machine.
  EXPECT_FALSE(FapiCallbackPeerAllowed(Sa(stranger), Sa(own), 1, loopback));
  EXPECT_FALSE(FapiCallbackPeerAllowed(Sa(remote), Sa(own), 1, loopback));
  EXPECT_FALSE(FapiCallbackPeerAllowed(Sa(own), nullptr, 1, loopback));
  EXPECT_FALSE(FapiCallbackPeerAllowed(Sa(own), Sa(loop), 1, loopback));

  // A host on another machine: from its resolved address only.
  EXPECT_TRUE(FapiCallbackPeerAllowed(Sa(remote), Sa(own), 0, remote_addr));
  EXPECT_FALSE(FapiCallbackPeerAllowed(Sa(own), Sa(own), 0, remote_addr));
  EXPECT_FALSE(FapiCallbackPeerAllowed(Sa(loop), Sa(loop), 0, remote_addr));
  EXPECT_FALSE(FapiCallbackPeerAllowed(Sa(stranger), Sa(own), 0, remote_addr));

  // Not an IPv4 peer, or no peer at all.
  sockaddr_in6 six{};
  six.sin6_family = AF_INET6;
  six.sin6_addr = in6addr_loopback;
  EXPECT_FALSE(FapiCallbackPeerAllowed(reinterpret_cast<sockaddr *>(&six), Sa(own), 1, loopback));
  EXPECT_FALSE(FapiCallbackPeerAllowed(nullptr, Sa(own), 1, loopback));
}

// The callback program served in this process over loopback. Taken for a host on another
// machine, the loopback caller is refused with the authentication error; taken for a host on
// this machine, the same caller is served.
TEST(CallbackPeers, ARefusedCallerGetsTheAuthenticationError) {
  SVCXPRT *xprt = svctcp_create(RPC_ANYSOCK, 0, 0);
  ASSERT_NE(xprt, nullptr);
  const u_long prog = 0x40000000u + static_cast<u_long>(getpid() % 0x10000);
  ASSERT_TRUE(svc_register(xprt, prog, 1, fm_api_prog_1, 0));  // not with the port mapper
  std::atomic<bool> stop{false};
  std::thread server([&stop] {
    while (!stop) {
      fd_set ready = svc_fdset;
      struct timeval tv = {0, 20000};
      if (select(svc_maxfd + 1, &ready, nullptr, nullptr, &tv) > 0) svc_getreqset(&ready);
    }
  });

  auto call_null = [&]() {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(xprt->xp_port);
    int sock = RPC_ANYSOCK;
    CLIENT *c = clnttcp_create(&to, prog, 1, &sock, 0, 0);
    if (c == nullptr) return RPC_CANTSEND;
    struct timeval tv = {5, 0};
    xdrproc_t xv = reinterpret_cast<xdrproc_t>(reinterpret_cast<void (*)()>(xdr_void));
    enum clnt_stat st = clnt_call(c, NULLPROC, xv, nullptr, xv, nullptr, tv);
    clnt_destroy(c);
    return st;
  };
  FapiSetCallbackHost(0, inet_addr("198.51.100.5"));
  EXPECT_EQ(call_null(), RPC_AUTHERROR);
  FapiSetCallbackHost(1, htonl(INADDR_LOOPBACK));
  EXPECT_EQ(call_null(), RPC_SUCCESS);

  stop = true;
  server.join();
  svc_unregister(prog, 1);
  svc_destroy(xprt);
}
