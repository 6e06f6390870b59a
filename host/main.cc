// quorvex-host: the substitute host's command line.
//   quorvex-host demo [--client PATH]   start the client, initialise it, run one command and
//                                        show every call that crossed the connection
//   quorvex-host run ...                 run a command of the client on a document or book
//   quorvex-host menus ...               show the menus the client defines
//   quorvex-host explain | check ...     the host's own tools on documents (host/tools/tools.h)
//   quorvex-host suggest-merges ...      a conversion table merging clones of styles
//   quorvex-host --version               the version of this build
#include <malloc.h>

#include <cstdio>
#include <cstring>
#include <string>

#include <quorvex/fapilink.h>
#include <quorvex/fapiruntime.h>

#include "client/quorvex.h"
#include "host/core/host.h"
#include "host/version.h"
#if __has_include("host/cli.h")
#include "host/cli.h"
#define QVHOST_HAVE_CLI 1
#endif
#if __has_include("host/tools/tools.h")
#include "host/tools/tools.h"
#define QVHOST_HAVE_TOOLS 1
#endif
#if __has_include("host/handlers/handlers.h")
#include "host/handlers/handlers.h"
#define QVHOST_HAVE_HANDLERS 1
#endif

namespace {

// The client, linked into this program: `run` and `menus` run it in this process.
const qvhost::LinkedClient kLinkedClient = {FapiStartLinked, F_ApiShutDown, &FA_bailout,
                                            QvResetClient};

void Usage() {
  std::fprintf(stderr,
               "usage: quorvex-host demo [--client PATH]\n"
               "       quorvex-host run (--doc FILE | --book FILE) --command NAME [options]\n"
               "       quorvex-host menus [options]\n"
               "       quorvex-host explain (--doc FILE | --book FILE) STYLE...\n"
               "       quorvex-host check (--doc FILE | --book FILE) [--keep LIST] [options]\n"
               "       quorvex-host suggest-merges (--doc FILE | --book FILE) --output FILE\n"
               "       quorvex-host --help | --version\n");
}

void PrintNew(const qvhost::Host &h, size_t &shown) {
  const auto &log = h.CallLog();
  for (; shown < log.size(); shown++) {
    const qvhost::ProcEntry *e = qvhost::FindProc(log[shown].proc);
    std::printf("  client call %u %s(%s)\n", log[shown].proc, e ? e->name : "?",
                log[shown].args.c_str());
  }
}

int Demo(int argc, char **argv) {
  std::string client = "quorvex";
  for (int i = 0; i < argc; i++) {
    if (std::strcmp(argv[i], "--client") == 0 && i + 1 < argc) {
      client = argv[++i];
    } else {
      Usage();
      return 2;
    }
  }
#ifdef QVHOST_HAVE_HANDLERS
  qvhost::RegisterModelHandlers();
#endif
  qvhost::Host host;
  std::string err;
  if (!host.Start(&err)) {
    std::fprintf(stderr, "quorvex-host: %s\n", err.c_str());
    return 1;
  }
  std::printf("host program %lu version %lu registered with the port mapper\n", host.HostProgram(),
              qvhost::Host::kHostVersion);
  qvhost::Host::LaunchOptions opts;
  opts.client_path = client;
  std::printf("starting %s (callback program follows in FMAPIX)\n", client.c_str());
  if (!host.Launch(opts, &err)) {
    std::fprintf(stderr, "quorvex-host: %s\n", err.c_str());
    return 1;
  }
  size_t shown = 0;
  std::printf("init acknowledgement from client process %d (started process exited %d)\n",
              static_cast<int>(host.ClientPid()), host.LauncherStatus());
  PrintNew(host, shown);
  std::printf("callback: initialise (code 0)\n");
  int r = host.Initialize(0);
  PrintNew(host, shown);
  std::printf(r < 0 ? "no hand-back\n" : "hand-back, bailout %d\n", r);
  if (host.ClientRunning()) {
    std::printf("callback: command 1000 (About)\n");
    r = host.Command(1000);
    PrintNew(host, shown);
    std::printf(r < 0 ? "no hand-back\n" : "hand-back, bailout %d\n", r);
  }
  int status = host.WaitExit(5000);
  if (status < 0) {
    std::printf("callback: quit\n");
    host.Quit();
    status = host.WaitExit(5000);
  }
  PrintNew(host, shown);
  std::printf("client exited with status %d\n", status);
  host.Stop();
  std::printf("host program unregistered\n");
  return status == 0 ? 0 : 1;
}

int Dispatch(int argc, char **argv) {
  std::string sub = argv[1];
  if (sub == "demo") return Demo(argc - 2, argv + 2);
  if (sub == "--version" || sub == "version") {
    std::printf("quorvex-host %s\n", QUORVEX_VERSION);
    return 0;
  }
#ifdef QVHOST_HAVE_CLI
  if (sub == "--help" || sub == "-h" || sub == "help") {
    qvhost::PrintHelp();
    return 0;
  }
  if (sub == "run") return qvhost::RunMain(argc - 1, argv + 1);
  if (sub == "menus") return qvhost::MenusMain(argc - 1, argv + 1);
  if (sub == "suggest-merges") return qvhost::SuggestMergesMain(argc - 1, argv + 1);
#endif
#ifdef QVHOST_HAVE_TOOLS
  if (sub == "explain") return qvhost::tools::ExplainMain(argc - 1, argv + 1);
  if (sub == "check") return qvhost::tools::CheckMain(argc - 1, argv + 1);
#endif
  Usage();
  return 2;
}

}  // namespace

// Nothing the subcommands throw may end the process unexplained: it becomes one line and a
// failure status. Files are written only once complete (atomically), so nothing half-written is
// left behind.
int main(int argc, char **argv) {
#ifdef M_MMAP_THRESHOLD
  // A large document's load makes and lets go of buffers of hundreds of kilobytes (the batches
  // of a part being read, the vectors of its paragraphs). A fixed threshold keeps them mapped
  // apart and given back when freed, instead of the heap growing around them for good.
  mallopt(M_MMAP_THRESHOLD, 128 << 10);
#endif
  if (argc < 2) {
    Usage();
    return 2;
  }
  try {
#ifdef QVHOST_HAVE_CLI
    qvhost::SetLinkedClient(&kLinkedClient);
#endif
    return Dispatch(argc, argv);
  } catch (const std::exception &e) {
    std::fprintf(stderr, "quorvex-host: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "quorvex-host: unexpected failure\n");
  }
  return 1;
}
