// Default message callback: a client that takes no messages from other clients leaves it out.
#include <quorvex/fapiruntime.h>

extern "C" __attribute__((weak)) VoidT F_ApiMessage(StringT, UIntT, UIntT) {}
