// A test client: entry callbacks that write what they saw to the file named by PROBE_OUT, one
// line per event, and commands that exercise the runtime's control rules.
//
// Environment: PROBE_OUT (event file), PROBE_WAIT_MS (silent wait of the service loop),
// PROBE_TIMEOUT_MS (FA_TimeOut), PROBE_LOWFDS (descriptors to open before start-up),
// PROBE_FDWATCH=1 (descriptor watch installed at start-up), PROBE_TAKE=1 (take control and give
// it back before serving), PROBE_CALLS (interface calls made by command 7).
#include <fcntl.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include <quorvex/fapi.h>

#include "apislib.h"

namespace {

void Out(const char *fmt, ...) {
  const char *path = getenv("PROBE_OUT");
  if (path == nullptr) return;
  FILE *f = fopen(path, "a");
  if (f == nullptr) return;
  va_list ap;
  va_start(ap, fmt);
  vfprintf(f, fmt, ap);
  va_end(ap);
  fputc('\n', f);
  fclose(f);
}

int EnvInt(const char *name, int dflt) {
  const char *v = getenv(name);
  return v != nullptr ? atoi(v) : dflt;
}

void Watch(IntT fd, IntT entering) {
  Out("fd %d %d", fd, entering);
}

}  // namespace

extern "C" {

VoidT F_ApiInitialize(IntT code) {
  Out("init %d clientno %d", code, FA_clientno);
}

VoidT F_ApiCommand(IntT id) {
  Out("command %d", id);
  switch (id) {
    case 2:
      F_ApiBailOut();
      break;
    case 3: {
      int first = F_ApiDoneCommand();
      int second = F_ApiDoneCommand();
      Out("done %d %d", first, second);
      break;
    }
    case 4:  // serve the loop from inside a callback: a callback found now is nested
      Out("service %d", F_ApiService(nullptr) > 0);
      break;
    case 5: {
      F_ApiReturnValue(5);  // the host puts up the dialog while answering
      Out("modal %d", F_ApiServiceModalCallbacks());
      break;
    }
    case 6:
      F_ApiSetFdFunc(Watch);
      break;
    case 7: {
      int n = EnvInt("PROBE_CALLS", 3);
      for (int i = 1; i <= n; i++) {
        FA_errno = 0;
        int r = F_ApiReturnValue(i);
        Out("call %d %d %d", i, r, FA_errno);
      }
      break;
    }
    case 8:
      Out("take %d", F_ApiTakeControl());
      break;
    case 9: {  // a descriptor of our own, ready, beside the RPC set
      int p[2];
      if (pipe(p) != 0 || p[0] >= 32) break;
      if (write(p[1], "x", 1) != 1) break;
      UIntT mask = 1u << p[0];
      int n = F_ApiService(&mask);
      Out("mask %d %d", n > 0, mask == (1u << p[0]));
      close(p[0]);
      close(p[1]);
      break;
    }
    default:
      break;
  }
}

VoidT F_ApiNotify(IntT code, F_ObjHandleT obj, StringT text, IntT value) {
  if (code == 75) {
    const FilterArgsT *fa = reinterpret_cast<const FilterArgsT *>(text);
    Out("notify 75 %u [%s|%s|%s] %u %d", obj, fa->args[0] ? fa->args[0] : "(null)",
        fa->args[1] ? fa->args[1] : "(null)", fa->args[2] ? fa->args[2] : "(null)", fa->more.count,
        value);
  } else {
    Out("notify %d %u %s %d", code, obj, text, value);
  }
}

VoidT F_ApiMessage(StringT text, UIntT a, UIntT b) {
  Out("message %s %u %u", text, a, b);
}
VoidT F_ApiDialogEvent(IntT d, IntT i, IntT v) {
  Out("dialog %d %d %d", d, i, v);
}
VoidT F_ApiEmergency(VoidT) {
  Out("emergency");
}

}  // extern "C"

int main() {
  FapiSetServiceWaitMs(EnvInt("PROBE_WAIT_MS", 0));
  int t = EnvInt("PROBE_TIMEOUT_MS", 0);
  FA_TimeOut.tv_sec = t / 1000;
  FA_TimeOut.tv_usec = (t % 1000) * 1000;
  for (int i = EnvInt("PROBE_LOWFDS", 0); i > 0; i--) open("/dev/null", O_RDONLY);
  bool watch = EnvInt("PROBE_FDWATCH", 0) != 0, take = EnvInt("PROBE_TAKE", 0) != 0;
  if (!watch && !take) {  // the plain process entry
    int status = F_ApiRun();
    Out("exit %d", status);
    return status;
  }
  ConStringT failure = F_ApiStartUp(watch ? Watch : nullptr);
  if (failure != nullptr) {
    F_ApiErr(failure);
    F_ApiShutDown();
    return 1;
  }
  Out("started %d", static_cast<int>(getpid()));
  if (take) {
    int d0 = F_ApiDoneCommand();
    int t1 = F_ApiTakeControl();
    int t2 = F_ApiTakeControl();
    int d1 = F_ApiDoneCommand();
    Out("control %d %d %d %d", d0, t1, t2, d1);
  }
  while (FA_bailout == 0) F_ApiService(nullptr);
  F_ApiShutDown();
  Out("exit 0");
  return 0;
}
