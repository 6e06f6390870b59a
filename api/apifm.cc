// Control between host and client: the init acknowledgement, the control hand-back after each
// callback, taking control without a callback, the nested loop of a modal dialog, and leaving a
// joined session.
#include <unistd.h>

#include <cstring>

#include <quorvex/fapilink.h>

#include "apislib.h"

extern "C" {
IntT turn_over_needed = 0;
IntT callbacksDone = 0;
IntT modalRetval = 0;
}

namespace {

// The per-call time-out every call passes; the handle's own time-out (FA_TimeOut) governs.
struct timeval TIMEOUT = {25, 0};

xdrproc_t Xdr(auto *fn) {
  return reinterpret_cast<xdrproc_t>(reinterpret_cast<void (*)()>(fn));
}

// One call whose result is an int or nothing. True when the call succeeded.
bool CallHost(u_long proc, xdrproc_t xarg, void *arg, xdrproc_t xres, void *res) {
  if (frame_client == nullptr) return false;
  return clnt_call(frame_client, proc, xarg, reinterpret_cast<caddr_t>(arg), xres,
                   reinterpret_cast<caddr_t>(res), TIMEOUT) == RPC_SUCCESS;
}

}  // namespace

extern "C" {

IntT Fapifm_InitAck(VoidT) {
  int pid = static_cast<int>(getpid());
  return CallHost(1000, Xdr(xdr_int), &pid, Xdr(xdr_void), nullptr) ? 0 : -1;
}

VoidT Fapifm_TurnOverControl(VoidT) {
  int bailout = FA_bailout;
  CallHost(1002, Xdr(xdr_int), &bailout, Xdr(xdr_void), nullptr);  // outcome not examined
}

VoidT Fapifm_TakeControl(VoidT) {
  CallHost(1343, Xdr(xdr_void), nullptr, Xdr(xdr_void), nullptr);
}

IntT F_ApiDoneCommand(VoidT) {
  if (turn_over_needed == 0) return -1;
  Fapifm_TurnOverControl();
  turn_over_needed = 0;
  return 0;
}

IntT F_ApiTakeControl(VoidT) {
  if (turn_over_needed == 1) return -1;
  Fapifm_TakeControl();
  turn_over_needed = 1;
  return 0;
}

IntT F_ApiServiceModalCallbacks(VoidT) {
  IntT saved_turn = turn_over_needed, saved_ret = modalRetval;
  turn_over_needed = 0;
  modalRetval = 0;
  IntT level = callbacksDone;
  callbacksDone = level + 1;
  // The dialog's own events are served as callbacks meanwhile; the end-of-dialog event
  // (dialog 0) brings the level back.
  // Linked into the host's process, a wait with nothing posted could never end.
  while (callbacksDone > level && FA_bailout == 0)
    if (F_ApiService(nullptr) < 0 && FapiLinked()) break;
  if (callbacksDone > level) callbacksDone = level;
  turn_over_needed = saved_turn;
  IntT result = modalRetval;
  modalRetval = saved_ret;
  return result;
}

IntT F_ApiDisconnectFromSession(VoidT) {
  int result = 0;
  if (!CallHost(1376, Xdr(xdr_void), nullptr, Xdr(xdr_int), &result)) {
    FA_errno = ERR_CallFailed;
    result = -1;
  }
  F_ApiDoneCommand();
  F_ApiShutDown();
  FA_bailout = 1;
  return result;
}

}  // extern "C"
