/* The client's runtime frame: start-up from the host's connection parameters, the service loop,
 * the callback service with its control hand-back, shutdown, and joining a running session.
 *
 * A client is started by the host with FMAPIX in its environment. The process entry calls
 * F_ApiRun, which connects, serves callbacks until FA_bailout is set and shuts down. While a
 * callback runs the host waits for the client and serves its interface calls; the runtime hands
 * control back (host procedure 1002) when the entry callback returns.
 *
 * Everything runs in one thread; the state below is process-wide. */
#ifndef QUORVEX_FAPIRUNTIME_H
#define QUORVEX_FAPIRUNTIME_H

#include <rpc/rpc.h>
#include <sys/time.h>

#include <quorvex/fapitypes.h>
#include <quorvex/fdetypes.h>

QUORVEX_BEGIN_DECLS

/* Process-wide interface state. */
extern IntT FA_errno;             /* last failed interface call's code; never cleared by a call */
extern IntT FA_bailout;           /* nonzero ends the service loop after the current pass */
extern IntT FA_clientno;          /* client number given by the host */
extern struct timeval FA_TimeOut; /* time-out of every call to the host; 0,0 = seven days */
extern UIntT FA_SelectMask;       /* after a pass: the caller's own ready descriptors (0..31) */

/* The handle through which every interface call is made; none before start-up. */
extern CLIENT *frame_client;

/* Told of every descriptor that enters (flag 1) or leaves (flag 0) the RPC descriptor set. */
typedef VoidT (*F_ApiFdFuncT)(IntT fd, IntT entering);

/* Process entry: runs the client and returns its exit status. */
IntT F_ApiRun(VoidT);
/* Connects to the host named by FMAPIX. Returns NULL on success, else the failure text. */
ConStringT F_ApiStartUp(F_ApiFdFuncT fdFunc);
/* One pass of the service loop. `mask` (may be NULL) holds the caller's own descriptors 0..31 to
 * watch; on return it holds those that are ready. Returns the wait's count of ready descriptors
 * (a silent wait repeats), negative when the wait failed. */
IntT F_ApiService(UIntT *mask);
VoidT F_ApiShutDown(VoidT);
IntT F_ApiFrameAlive(VoidT);
F_ApiFdFuncT F_ApiSetFdFunc(F_ApiFdFuncT fdFunc);
VoidT F_ApiErr(ConStringT message);
VoidT F_ApiBailOut(VoidT);
struct timeval get_FA_TimeOut(VoidT);

/* Joining a running host session by host name (none or empty: this machine). */
ErrorT F_ApiConnectToSession(ConStringT clientName, ConStringT hostName, IntT sessionProg);
IntT F_ApiDisconnectFromSession(VoidT);

/* Control between host and client. */
IntT F_ApiDoneCommand(VoidT);
IntT F_ApiTakeControl(VoidT);
IntT F_ApiServiceModalCallbacks(VoidT);
VoidT Fapifm_TurnOverControl(VoidT);
VoidT Fapifm_TakeControl(VoidT);
IntT Fapifm_InitAck(VoidT);

/* Releases everything that decoding a result allocated. */
VoidT api_xdrfree(xdrproc_t proc, char *result);

/* The callback program's dispatcher, served on the client's TCP transport. */
VoidT fm_api_prog_1(struct svc_req *rqstp, SVCXPRT *transp);

/* Entry callbacks. The client supplies the first three; the interface layer has do-nothing
 * defaults for the others, which a client may replace. For notification 75 (file to file) the
 * text argument points at an expanded FilterArgsT instead. */
VoidT F_ApiInitialize(IntT initialization);
VoidT F_ApiCommand(IntT command);
VoidT F_ApiNotify(IntT notification, F_ObjHandleT docId, StringT filename, IntT iparm);
VoidT F_ApiMessage(StringT message, UIntT docId, UIntT objId);
VoidT F_ApiDialogEvent(IntT dlgNum, IntT itemNum, IntT modifiers);
VoidT F_ApiEmergency(VoidT);

QUORVEX_END_DECLS

#endif /* QUORVEX_FAPIRUNTIME_H */
