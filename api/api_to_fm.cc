// The client's stubs of the host program, one per line of <quorvex/proto/fmapi_procs.h>.
//
// Each stub clears its static result, makes one call on the handle with its procedure number
// and the encoders of its records, and returns the address of the result, or null when the
// call failed. A stub that takes nothing sends no argument data whatever pointer it is
// given; a stub that returns nothing returns the address of a one-byte mark on success.
// Unlike rpcgen's stubs, a failed call releases whatever the decoder had already put into
// the result (a reply cut short inside a list, say), so the next call does not leak it.
// The result is valid until the next call of the same stub; release what decoding
// allocated with api_xdrfree.
#include <cstring>

#include <quorvex/proto/fmapi_procs.h>

namespace {

const struct timeval TIMEOUT = {25, 0};

template <typename T>
struct StubArg {
  using type = T;
};
template <>
struct StubArg<QvNone> {
  using type = void;
};

template <typename T>
struct StubRes {
  using type = T;
  using storage = T;
};
template <>
struct StubRes<QvNone> {
  using type = void;
  using storage = char;
};

// Encoders come in their own types; the library takes them in one generic pointer type.
template <typename F>
xdrproc_t Proc(F *fn) {
  return reinterpret_cast<xdrproc_t>(reinterpret_cast<void (*)()>(fn));
}

template <typename Res>
Res *Call(CLIENT *clnt, rpcproc_t num, xdrproc_t xa, void *argp, xdrproc_t xr, Res *res) {
  memset(static_cast<void *>(res), 0, sizeof *res);
  if (clnt == nullptr) return nullptr;
  if (clnt_call(clnt, num, xa, static_cast<caddr_t>(argp), xr, reinterpret_cast<caddr_t>(res),
                TIMEOUT) != RPC_SUCCESS) {
    xdr_free(xr, reinterpret_cast<char *>(res));
    memset(static_cast<void *>(res), 0, sizeof *res);
    return nullptr;
  }
  return res;
}

}  // namespace

#define QV_PROC(num, stub, Arg, xdr_arg, Res, xdr_res)                                         \
  extern "C" StubRes<Res>::type *stub(StubArg<Arg>::type *argp, CLIENT *clnt) {                \
    static StubRes<Res>::storage res;                                                          \
    return Call(clnt, num, Proc(xdr_arg), const_cast<void *>(static_cast<const void *>(argp)), \
                Proc(xdr_res), &res);                                                          \
  }
#include <quorvex/proto/fmapi_procs.h>
#undef QV_PROC

extern "C" void api_xdrfree(xdrproc_t proc, char *objp) {
  if (proc != nullptr && objp != nullptr) xdr_free(proc, objp);
}
