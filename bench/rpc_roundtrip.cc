// The cost of one interface call: through the runtime's call convention to the substitute host,
// beside a bare libtirpc TCP call of one int to a trivial server in the same run.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <quorvex/fapi.h>

#include "bench/rpc_harness.h"

namespace {

constexpr unsigned long kEchoProg = 0x4FFFFF00;
constexpr unsigned kEchoProc = 1;

xdrproc_t Xdr(auto *fn) {
  return reinterpret_cast<xdrproc_t>(reinterpret_cast<void (*)()>(fn));
}

void EchoDispatch(struct svc_req *rq, SVCXPRT *xprt) {
  if (rq->rq_proc != kEchoProc) {
    svc_sendreply(xprt, Xdr(xdr_void), nullptr);
    return;
  }
  int v = 0;
  if (!svc_getargs(xprt, Xdr(xdr_int), reinterpret_cast<char *>(&v))) {
    svcerr_decode(xprt);
    return;
  }
  svc_sendreply(xprt, Xdr(xdr_int), reinterpret_cast<char *>(&v));
}

// A trivial server in a child process, reached without the port mapper.
struct EchoServer {
  pid_t pid = -1;
  CLIENT *clnt = nullptr;
  EchoServer() {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid = fork();
    if (pid == 0) {
      close(fds[0]);
      SVCXPRT *x = svctcp_create(RPC_ANYSOCK, 0, 0);
      unsigned short port = x ? x->xp_port : 0;
      if (x == nullptr || !svc_register(x, kEchoProg, 1, EchoDispatch, 0)) port = 0;
      if (write(fds[1], &port, sizeof port) != sizeof port) _exit(1);
      close(fds[1]);
      if (port != 0) svc_run();
      _exit(0);
    }
    close(fds[1]);
    unsigned short port = 0;
    if (pid < 0 || read(fds[0], &port, sizeof port) != sizeof port || port == 0) {
      close(fds[0]);
      return;
    }
    close(fds[0]);
    struct sockaddr_in a {};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int sock = RPC_ANYSOCK;
    clnt = clnttcp_create(&a, kEchoProg, 1, &sock, 0, 0);
  }
  ~EchoServer() {
    if (clnt) clnt_destroy(clnt);
    if (pid > 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  }
};

void BM_BareTirpcCall(benchmark::State &state) {
  EchoServer server;
  if (server.clnt == nullptr) {
    state.SkipWithError("no echo server");
    return;
  }
  struct timeval tv = {25, 0};
  int v = 0, r = 0;
  for (auto _ : state) {
    v++;
    if (clnt_call(server.clnt, kEchoProc, Xdr(xdr_int), reinterpret_cast<char *>(&v), Xdr(xdr_int),
                  reinterpret_cast<char *>(&r), tv) != RPC_SUCCESS ||
        r != v) {
      state.SkipWithError("echo call failed");
      break;
    }
  }
}
BENCHMARK(BM_BareTirpcCall);

void BM_RuntimeRoundTrip(benchmark::State &state) {
  if (!qvbench::Connected()) {
    state.SkipWithError("not connected to the substitute host");
    return;
  }
  IntT v = 0;
  for (auto _ : state) {
    v++;
    FA_errno = 0;
    if (F_ApiReturnValue(v) != v || FA_errno != 0) {
      state.SkipWithError("round trip failed");
      break;
    }
  }
}
BENCHMARK(BM_RuntimeRoundTrip);

// The host answers the benchmark's procedure with its argument.
bool registered = qvbench::RegisterHostSetup([](qvhost::Host &) {
  qvhost::Serve<1375>([](const int &v, int &res, qvhost::CallCtx &) { res = v; });
});

}  // namespace
