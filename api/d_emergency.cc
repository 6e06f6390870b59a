// Default emergency callback, run when the host process has gone, just before the client ends.
#include <quorvex/fapiruntime.h>

extern "C" __attribute__((weak)) VoidT F_ApiEmergency(VoidT) {}
