// The benchmark program. It runs every benchmark inside a real client process connected to the
// substitute host, so that a figure of an interface call includes both RPC directions.
//
// Started plainly, quorvex-bench is the host: it starts the substitute host, runs the registered
// host set-ups, and starts itself again as the client (FMAPIX set, client number -1 so that the
// client does not fork, benchmark arguments passed on). The client connects, takes control,
// runs the benchmarks, hands control back and leaves; the host serves its calls meanwhile and
// returns the client's exit status. `--no-host` runs the benchmarks in this process without a
// host (those that need one are skipped).
//
// Adding a benchmark: write bench/<owner>_<topic>.cc (every bench/*.cc is linked into this one
// program) with ordinary BENCHMARK() definitions. A benchmark that calls the host checks
// qvbench::Connected() first and skips itself otherwise. A benchmark that needs host-side state
// (documents, extra procedures) registers a set-up from bench/rpc_harness.h; it runs in the host
// process before the client starts.
#include <stdlib.h>
#include <string.h>

#include <cstdio>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include <quorvex/fapiruntime.h>

#include "bench/rpc_harness.h"
#if __has_include("host/handlers/handlers.h")
#include "host/handlers/handlers.h"
#define QVBENCH_HAVE_HANDLERS 1
#endif

// The runtime needs the entry callbacks at link time; the client's own win when it is linked.
// Benchmarks run with control held, so no callback reaches them.
extern "C" {
__attribute__((weak)) VoidT F_ApiInitialize(IntT) {}
__attribute__((weak)) VoidT F_ApiCommand(IntT) {}
__attribute__((weak)) VoidT F_ApiNotify(IntT, F_ObjHandleT, StringT, IntT) {}
}

namespace qvbench {
namespace {

std::vector<HostSetup> &Setups() {
  static std::vector<HostSetup> s;
  return s;
}
bool connected = false;
constexpr const char *kClientMark = "QUORVEX_BENCH_CLIENT";

int RunClient(int argc, char **argv) {
  ConStringT failure = F_ApiStartUp(nullptr);
  if (failure != nullptr) {
    F_ApiErr(failure);
    F_ApiShutDown();
    return 1;
  }
  connected = true;
  F_ApiTakeControl();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  F_ApiBailOut();
  F_ApiDoneCommand();
  F_ApiShutDown();
  return 0;
}

int RunLocal(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

int RunHost(int argc, char **argv) {
#ifdef QVBENCH_HAVE_HANDLERS
  qvhost::RegisterModelHandlers();
#endif
  qvhost::Host host;
  std::string err;
  if (!host.Start(&err)) {
    std::fprintf(stderr, "quorvex-bench: no substitute host (%s); running without it\n",
                 err.c_str());
    return RunLocal(argc, argv);
  }
  for (HostSetup s : Setups()) s(host);
  qvhost::Host::LaunchOptions opts;
  opts.client_path = "/proc/self/exe";
  opts.client_number = -1;
  opts.client_name = "quorvex-bench";
  opts.extra_env.push_back(std::string(kClientMark) + "=1");
  for (int i = 1; i < argc; i++) opts.args.push_back(argv[i]);
  host.SetCallTimeLimit(120000);
  if (!host.Launch(opts, &err)) {
    std::fprintf(stderr, "quorvex-bench: %s\n", err.c_str());
    return 1;
  }
  host.ServeUntilHandBack();
  int status = host.WaitExit(120000);
  host.Stop();
  return status;
}

}  // namespace

bool RegisterHostSetup(HostSetup setup) {
  Setups().push_back(setup);
  return true;
}

bool Connected() {
  return connected;
}

}  // namespace qvbench

int main(int argc, char **argv) {
  if (getenv(qvbench::kClientMark) != nullptr) return qvbench::RunClient(argc, argv);
  for (int i = 1; i < argc; i++) {
    if (strcmp(argv[i], "--no-host") == 0) {
      for (int j = i; j < argc - 1; j++) argv[j] = argv[j + 1];
      return qvbench::RunLocal(argc - 1, argv);
    }
  }
  return qvbench::RunHost(argc, argv);
}
