// The in-process link (see <quorvex/fapilink.h>): an RPC client handle and a server transport
// over memory buffers, so that a host and a client in one process exchange their records in
// wire form without a socket.
#include <arpa/inet.h>
#include <netinet/in.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include <quorvex/fapilink.h>

namespace {

// Buffers reused from call to call, one pair per nesting level: a callback's calls to the host
// run inside the callback's own call.
struct Buffers {
  std::vector<char> arg = std::vector<char>(4096), res = std::vector<char>(4096);
};
std::vector<std::unique_ptr<Buffers>> levels;
size_t depth = 0;

struct Level {
  Buffers *b;
  Level() {
    if (depth == levels.size()) levels.push_back(std::make_unique<Buffers>());
    b = levels[depth++].get();
  }
  ~Level() { --depth; }
  Level(const Level &) = delete;
  Level &operator=(const Level &) = delete;
};

// Encodes a record into `buf`, growing it to the record's size when it does not fit; false
// when the encoder fails for another reason.
bool Encode(xdrproc_t fn, void *rec, std::vector<char> &buf, u_int *len) {
  for (;;) {
    XDR x;
    xdrmem_create(&x, buf.data(), static_cast<u_int>(buf.size()), XDR_ENCODE);
    bool ok = fn(&x, rec);
    *len = xdr_getpos(&x);
    xdr_destroy(&x);
    if (ok) return true;
    u_long need = xdr_sizeof(fn, rec);
    if (need == 0 || need <= buf.size() || need > 0xFFFFFFFFul) return false;
    buf.resize(need);
  }
}

// One request as the dispatcher sees it, and what it answered.
struct Exchange {
  const char *arg;
  u_int arg_len;
  std::vector<char> *res;
  u_int res_len = 0;
  bool replied = false;
  enum clnt_stat stat = RPC_TIMEDOUT;  // no reply: what a caller waiting on a socket sees
};

Exchange &Of(SVCXPRT *x) {
  return *static_cast<Exchange *>(x->xp_p1);
}

bool_t GetArgs(SVCXPRT *x, xdrproc_t fn, void *rec) {
  XDR d;
  xdrmem_create(&d, const_cast<char *>(Of(x).arg), Of(x).arg_len, XDR_DECODE);
  bool_t ok = fn(&d, rec);
  xdr_destroy(&d);
  return ok;
}

bool_t FreeArgs(SVCXPRT *, xdrproc_t fn, void *rec) {
  xdr_free(fn, static_cast<char *>(rec));
  return TRUE;
}

enum clnt_stat StatusOf(const struct rpc_msg *m) {
  if (m->rm_reply.rp_stat != MSG_ACCEPTED) return RPC_AUTHERROR;
  switch (m->acpted_rply.ar_stat) {
    case SUCCESS:
      return RPC_SUCCESS;
    case PROG_UNAVAIL:
      return RPC_PROGUNAVAIL;
    case PROG_MISMATCH:
      return RPC_PROGVERSMISMATCH;
    case PROC_UNAVAIL:
      return RPC_PROCUNAVAIL;
    case GARBAGE_ARGS:
      return RPC_CANTDECODEARGS;
    default:
      return RPC_SYSTEMERROR;
  }
}

// The first reply counts, as on a connection, where a second one would meet no waiting call.
// A result that cannot be encoded is no reply: the dispatcher may then send an error.
bool_t Reply(SVCXPRT *x, struct rpc_msg *m) {
  Exchange &e = Of(x);
  if (e.replied) return FALSE;
  enum clnt_stat st = StatusOf(m);
  if (st == RPC_SUCCESS &&
      !Encode(m->acpted_rply.ar_results.proc, m->acpted_rply.ar_results.where, *e.res, &e.res_len))
    return FALSE;
  e.replied = true;
  e.stat = st;
  return TRUE;
}

bool_t Receive(SVCXPRT *, struct rpc_msg *) {
  return FALSE;
}
enum xprt_stat Status(SVCXPRT *) {
  return XPRT_IDLE;
}
void DestroyTransport(SVCXPRT *) {}
bool_t ControlTransport(SVCXPRT *, const u_int, void *) {
  return FALSE;
}

const struct __rpc_svcxprt::xp_ops kTransportOps = {Receive, Status,   GetArgs,
                                                    Reply,   FreeArgs, DestroyTransport};
const struct __rpc_svcxprt::xp_ops2 kTransportOps2 = {ControlTransport};

struct Link {
  u_long prog, vers;
  FapiServeT serve;
  enum clnt_stat last = RPC_SUCCESS;
  struct sockaddr_in peer;  // 127.0.0.1: the caller is this machine
};

enum clnt_stat Call(CLIENT *cl, rpcproc_t proc, xdrproc_t xa, void *a, xdrproc_t xr, void *r,
                    struct timeval) {
  Link &l = *static_cast<Link *>(cl->cl_private);
  Level level;
  Exchange e{level.b->arg.data(), 0, &level.b->res};
  if (!Encode(xa, a, level.b->arg, &e.arg_len)) return l.last = RPC_CANTENCODEARGS;
  e.arg = level.b->arg.data();

  SVCXPRT x;
  std::memset(&x, 0, sizeof x);
  x.xp_fd = -1;
  x.xp_ops = &kTransportOps;
  x.xp_ops2 = &kTransportOps2;
  x.xp_rtaddr.buf = &l.peer;
  x.xp_rtaddr.len = x.xp_rtaddr.maxlen = sizeof l.peer;
  x.xp_verf = _null_auth;
  x.xp_p1 = &e;
  struct svc_req rq;
  std::memset(&rq, 0, sizeof rq);
  rq.rq_prog = static_cast<u_int32_t>(l.prog);
  rq.rq_vers = static_cast<u_int32_t>(l.vers);
  rq.rq_proc = proc;
  rq.rq_cred = _null_auth;
  rq.rq_xprt = &x;
  l.serve(&rq, &x);

  if (e.stat == RPC_SUCCESS) {
    XDR d;
    xdrmem_create(&d, level.b->res.data(), e.res_len, XDR_DECODE);
    if (!xr(&d, r)) e.stat = RPC_CANTDECODERES;
    xdr_destroy(&d);
  }
  return l.last = e.stat;
}

void Abort(CLIENT *) {}
void GetErr(CLIENT *cl, struct rpc_err *err) {
  std::memset(err, 0, sizeof *err);
  err->re_status = static_cast<Link *>(cl->cl_private)->last;
}
bool_t FreeRes(CLIENT *, xdrproc_t fn, void *rec) {
  xdr_free(fn, static_cast<char *>(rec));
  return TRUE;
}
void Destroy(CLIENT *cl) {
  delete static_cast<Link *>(cl->cl_private);
  delete cl;
}
// Time-outs and descriptor ownership mean nothing without a connection: accepted and ignored.
bool_t Control(CLIENT *, u_int, void *) {
  return TRUE;
}

struct __rpc_client::clnt_ops kClientOps = {Call, Abort, GetErr, FreeRes, Destroy, Control};

}  // namespace

extern "C" CLIENT *FapiLinkCreate(u_long prog, u_long vers, FapiServeT serve) {
  if (serve == nullptr) return nullptr;
  Link *l = new Link{prog, vers, serve, RPC_SUCCESS, {}};
  l->peer.sin_family = AF_INET;
  l->peer.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  CLIENT *cl = new CLIENT;
  std::memset(cl, 0, sizeof *cl);
  cl->cl_ops = &kClientOps;
  cl->cl_private = l;
  return cl;
}
