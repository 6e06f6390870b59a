// The callback program: the host's requests to the client. Each is answered at once with an empty
// reply; the entry callback then runs while the host serves the client's calls, and the control
// hand-back tells the host when the client is done.
#include <sys/socket.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <quorvex/proto/fmcb.h>

#include "apislib.h"

namespace {

const char *const nest_msg = "Nested API_Init/F_ApiNotify/F_ApiMessage/F_ApiCommand";
constexpr IntT kNoteFileToFile = 75;

xdrproc_t Xdr(auto *fn) {
  return reinterpret_cast<xdrproc_t>(reinterpret_cast<void (*)()>(fn));
}

union CallbackArg {
  FmApiInitArgT init;
  FmApiCommandArgT command;
  FmApiMessageArgT message;
  Fm4ApiNotifyArgT old_notify;
  FmApiDialogEventArgT dialog;
  FmApiNotifyArgT notify;
};

// Answers the request, then runs one entry callback under the control rule. Returns false: the
// handler has replied itself.
bool RunCallback(SVCXPRT *transp, void (*action)(CallbackArg *), CallbackArg *arg) {
  svc_sendreply(transp, Xdr(xdr_void), nullptr);
  if (turn_over_needed == 1) {
    F_ApiErr(nest_msg);  // dropped: the running callback keeps control
    return false;
  }
  turn_over_needed = 1;
  action(arg);
  if (turn_over_needed == 1) Fapifm_TurnOverControl();
  turn_over_needed = 0;
  return false;
}

void DoInit(CallbackArg *a) {
  F_ApiInitialize(a->init.initialization);
}
void DoCommand(CallbackArg *a) {
  F_ApiCommand(a->command.command);
}
void DoMessage(CallbackArg *a) {
  F_ApiMessage(a->message.message, a->message.data1, a->message.data2);
}
void DoDialogEvent(CallbackArg *a) {
  if (a->dialog.dialog == 0) {  // the end of a modal dialog
    callbacksDone--;
    modalRetval = a->dialog.value;
  } else {
    F_ApiDialogEvent(a->dialog.dialog, a->dialog.item, a->dialog.value);
  }
}

// The filter line of a file-to-file notification reaches the client cut into its pieces.
void translateFileToFile(FmApiNotifyArgT *n) {
  FilterArgsT *fa = FdeApiExpandFilterArgs(n->text);
  F_ApiNotify(n->notification, n->objId, reinterpret_cast<StringT>(fa), n->value);
  if (fa != nullptr) {
    FdeApiDeallocateFilterArgs(fa);
    F_ApiFree(fa);
  }
}

void DoNotify(CallbackArg *a) {
  if (a->notify.notification == kNoteFileToFile) {
    translateFileToFile(&a->notify);
  } else {
    F_ApiNotify(a->notify.notification, a->notify.objId, a->notify.text, a->notify.value);
  }
}

}  // namespace

extern "C" VoidT fm_api_prog_1(struct svc_req *rqstp, SVCXPRT *transp) {
  // Callbacks can run commands that change documents: serve only the host.
  const struct netbuf *caller = svc_getrpccaller(transp);
  struct sockaddr_storage local;
  socklen_t local_len = sizeof local;
  bool have_local =
      getsockname(transp->xp_fd, reinterpret_cast<struct sockaddr *>(&local), &local_len) == 0;
  if (caller == nullptr || caller->buf == nullptr || caller->len < sizeof(struct sockaddr_in) ||
      !FapiCallerAllowed(static_cast<const struct sockaddr *>(caller->buf),
                         have_local ? reinterpret_cast<struct sockaddr *>(&local) : nullptr)) {
    svcerr_weakauth(transp);
    return;
  }
  xdrproc_t xarg;
  void (*action)(CallbackArg *) = nullptr;
  switch (rqstp->rq_proc) {
    case 0:
      svc_sendreply(transp, Xdr(xdr_void), nullptr);
      return;
    case 1:
      xarg = Xdr(xdr_void);
      break;
    case 2:
      xarg = Xdr(xdr_FmApiInitArgT);
      action = DoInit;
      break;
    case 3:
      xarg = Xdr(xdr_FmApiCommandArgT);
      action = DoCommand;
      break;
    case 4:
      xarg = Xdr(xdr_FmApiMessageArgT);
      action = DoMessage;
      break;
    case 5:
      xarg = Xdr(xdr_Fm4ApiNotifyArgT);
      break;
    case 6:
      xarg = Xdr(xdr_FmApiDialogEventArgT);
      action = DoDialogEvent;
      break;
    case 7:
      xarg = Xdr(xdr_FmApiNotifyArgT);
      action = DoNotify;
      break;
    default:
      svcerr_noproc(transp);
      return;
  }
  CallbackArg arg;
  std::memset(&arg, 0, sizeof arg);
  if (!svc_getargs(transp, xarg, reinterpret_cast<caddr_t>(&arg))) {
    svcerr_decode(transp);
    svc_freeargs(transp, xarg, reinterpret_cast<caddr_t>(&arg));  // what was decoded so far
    return;
  }
  bool has_result = false;
  if (rqstp->rq_proc == 1) {  // quit: no hand-back, no nesting guard
    FA_bailout = 1;
    has_result = true;
  } else if (rqstp->rq_proc == 5) {
    F_ApiErr("Frame process sent old-style notification");  // and no reply
  } else {
    has_result = RunCallback(transp, action, &arg);
  }
  if (has_result && !svc_sendreply(transp, Xdr(xdr_void), nullptr)) svcerr_systemerr(transp);
  if (!svc_freeargs(transp, xarg, reinterpret_cast<caddr_t>(&arg))) {
    std::fprintf(stderr, "unable to free arguments\n");
    exit(1);
  }
}
