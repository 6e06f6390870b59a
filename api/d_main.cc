// Process entry of a client: connect, serve the host's callbacks until told to stop, leave. The
// client program's main returns F_ApiRun() as its exit status.
#include <quorvex/fapiruntime.h>

extern "C" IntT F_ApiRun(VoidT) {
  ConStringT failure = F_ApiStartUp(nullptr);
  if (failure != nullptr) {
    F_ApiErr(failure);
  } else {
    while (FA_bailout == 0) F_ApiService(nullptr);
  }
  F_ApiShutDown();
  return failure != nullptr ? 1 : 0;
}
