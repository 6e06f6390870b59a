// Default dialog-event callback: a client without dialogs leaves it out.
#include <quorvex/fapiruntime.h>

extern "C" __attribute__((weak)) VoidT F_ApiDialogEvent(IntT, IntT, IntT) {}
