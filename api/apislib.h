/* Internals of the client runtime shared by its units (apislib, server, apifm) and its tests.
 * Not part of the installed interface. */
#ifndef QUORVEX_API_APISLIB_H
#define QUORVEX_API_APISLIB_H

#include <netinet/in.h>
#include <rpc/rpc.h>

#include <quorvex/fapiruntime.h>

QUORVEX_BEGIN_DECLS

/* Control state of the callback service (apifm.cc). */
extern IntT turn_over_needed; /* 1 while the client holds control */
extern IntT callbacksDone;    /* nesting level of modal dialogs being waited for */
extern IntT modalRetval;      /* value of the last end-of-modal-dialog event */

/* Start-up pieces (apislib.cc). */
ConStringT hookup(IntT prog, IntT vers, IntT hprog, IntT hvers, IntT hpid, ConStringT hostName);
IntT hostnameToRealAddr(ConStringT name, struct sockaddr_in *addr);
ConStringT thishost(VoidT);
ConStringT host_ntoa(ConStringT name);
VoidT un_portmap(VoidT);
VoidT call_fd_func(VoidT);
IntT apiLocalCall(ConStringT hostName, u_long prog, u_long proc, xdrproc_t xargs, void *args,
                  xdrproc_t xres, void *res, struct timeval timeout);

/* The seven fields of FMAPIX. */
typedef struct FapiStartParamsT {
  IntT myprog, myvers, hisprog, hisvers, hispid, clientno;
  char name[256]; /* at most 255 characters; a longer name is cut */
} FapiStartParamsT;
/* 1 when all seven fields were converted, else 0 (`out` is then partly filled). */
IntT FapiParseFmapix(ConStringT text, FapiStartParamsT *out);

/* True when a callback request from `peer` over a connection whose own end is `local` may be
 * served. A host on another machine (hostIsLocal 0) is served only from hostAddr (network
 * order). A host on this machine is served from a loopback address or from an address of this
 * machine: the peer address equals the connection's local address. Only IPv4 peers are served. */
IntT FapiCallbackPeerAllowed(const struct sockaddr *peer, const struct sockaddr *local,
                             IntT hostIsLocal, in_addr_t hostAddr);
/* The same decision for the host the runtime is hooked up to. */
IntT FapiCallerAllowed(const struct sockaddr *peer, const struct sockaddr *local);

/* Tests only: where the host is taken to run, as hookup would set it. */
VoidT FapiSetCallbackHost(IntT hostIsLocal, in_addr_t hostAddr);

/* The client name used in error lines. */
ConStringT FapiClientName(VoidT);

/* Tests only: the silent wait of F_ApiService in milliseconds (0 restores 22 seconds). */
VoidT FapiSetServiceWaitMs(IntT ms);

QUORVEX_END_DECLS

#endif /* QUORVEX_API_APISLIB_H */
