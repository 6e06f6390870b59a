/* The in-process link: a host and a client in one process, calling each other without a socket.
 *
 * FapiLinkCreate makes an RPC client handle whose calls are served by a dispatcher of this same
 * process, the very function a TCP service would call. A call encodes its argument record with
 * its XDR encoder into memory, hands the dispatcher a request and a transport whose getargs
 * decodes that memory and whose reply encodes the result into memory, then decodes the result
 * with the caller's decoder: every record crosses the link in its wire form, only the socket,
 * the RPC header and the context switch are gone. The dispatcher runs on the caller's stack,
 * so a call made from inside a dispatcher (a client's callback calling the host) nests.
 *
 * What the caller sees is what clnt_call over TCP gives: RPC_SUCCESS, RPC_PROCUNAVAIL,
 * RPC_CANTDECODEARGS, RPC_SYSTEMERROR, RPC_AUTHERROR when the dispatcher refused the caller,
 * RPC_CANTDECODERES for a reply that does not decode, RPC_TIMEDOUT when the dispatcher sent no
 * reply at all. Everything runs in the calling thread. */
#ifndef QUORVEX_FAPILINK_H
#define QUORVEX_FAPILINK_H

#include <rpc/rpc.h>

#include <quorvex/fapitypes.h>
#include <quorvex/fdetypes.h>

QUORVEX_BEGIN_DECLS

typedef VoidT (*FapiServeT)(struct svc_req *rq, SVCXPRT *xprt);

/* A handle whose calls go to `serve` as program (prog, vers); released with clnt_destroy.
 * The transport the dispatcher sees comes from 127.0.0.1 and has no descriptor (xp_fd -1). */
CLIENT *FapiLinkCreate(u_long prog, u_long vers, FapiServeT serve);

/* Starts the client's runtime inside the host's process, from the same FMAPIX text a started
 * client finds in its environment: the interface calls go to `host` through a link, the init
 * acknowledgement is sent, and the returned handle reaches the client's callback program
 * (fm_api_prog_1). The client number's fork has no meaning here and is not made. Returns NULL
 * with the reason in *failure when the text is malformed or the host does not acknowledge.
 * F_ApiShutDown ends it; the runtime's state starts afresh with each start.
 *
 * Callbacks the host posts without waiting (while the client waits in a modal dialog) cannot
 * arrive by themselves in one thread: the client's service loop calls `pump`, which delivers
 * what the host has posted and returns how many; with nothing posted, F_ApiService returns -1
 * at once and a modal dialog's wait ends. */
CLIENT *FapiStartLinked(ConStringT fmapix, FapiServeT host, IntT (*pump)(VoidT),
                        ConStringT *failure);
/* 1 while the runtime runs linked. */
IntT FapiLinked(VoidT);

QUORVEX_END_DECLS

#endif /* QUORVEX_FAPILINK_H */
