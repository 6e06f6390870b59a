// Dispatch of the host procedures: one table from procedure number to handler.
//
// The table is built from the protocol's procedure list (<quorvex/proto/fmapi_procs.h>, one
// QV_PROC line per host procedure), so every procedure of the protocol has an entry with its
// argument and result records even before anything serves it. A procedure nobody serves is
// answered with kNotServed in its status (or as its int result), never with a crash.
//
// The core decodes the argument into a cleared record, hands the handler a zeroed result, encodes
// the result and then xdr_free()s both. A handler therefore fills the result only with memory that
// xdr_free can release: strdup'ed texts and malloc'ed arrays.
#pragma once

#include <rpc/rpc.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>

#include <quorvex/fapitypes.h>
#if __has_include(<quorvex/proto/fmapi_procs.h>)
#define QVHOST_HAVE_PROC_LIST 1
#endif

namespace qvhost {

class Host;

// Host status of a procedure that has no handler yet.
constexpr int32_t kNotServed = -99;

// One received call as the tests see it: the procedure number and its decoded argument as text
// (numbers in decimal, texts in double quotes, separated by single spaces).
struct LoggedCall {
  unsigned proc = 0;
  std::string args;
};

// What a handler learns about the call it serves.
struct CallCtx {
  unsigned proc = 0;
  Host *host = nullptr;
  LoggedCall *log = nullptr;
};

namespace detail {

// Encoders come in two shapes: xdr_void takes nothing, every other one (stream, record).
template <class T, class F>
bool_t CallXdr(F f, XDR *x, T *p) {
  if constexpr (std::is_invocable_v<F, XDR *, T *>) {
    return f(x, p);
  } else {
    (void)x;
    (void)p;
    return f();
  }
}

// Writes a host status into a result: an int result is the status itself, a record carries it in
// its `status` field, a text or an empty result has none.
template <class R>
void SetStatus(R &r, int32_t code) {
  if constexpr (std::is_same_v<R, int>) {
    r = code;
  } else if constexpr (requires { r.status; }) {
    r.status = code;
  } else if constexpr (std::is_same_v<R, char *>) {
    r = strdup("");  // a text result has no status; it goes out empty
    (void)code;
  } else {
    (void)r;
    (void)code;
  }
}

}  // namespace detail

#ifndef QVHOST_HAVE_PROC_LIST
struct QvNone {};
#endif

template <unsigned Proc>
struct ProcTraits {
  static constexpr bool kKnown = false;
};

#define QV_PROC(num, stub, A, xa, R, xr)                                                           \
  template <>                                                                                      \
  struct ProcTraits<num> {                                                                         \
    static constexpr bool kKnown = true;                                                           \
    static constexpr const char *kName = #stub;                                                    \
    using Arg = A;                                                                                 \
    using Res = R;                                                                                 \
    static bool_t xdr_arg(XDR *x, void *p) { return detail::CallXdr(xa, x, static_cast<A *>(p)); } \
    static bool_t xdr_res(XDR *x, void *p) { return detail::CallXdr(xr, x, static_cast<R *>(p)); } \
  };
#ifdef QVHOST_HAVE_PROC_LIST
#include <quorvex/proto/fmapi_procs.h>
#else
// Until the protocol list is generated: the procedures the core itself answers.
QV_PROC(1000, api_fm_init_ack_5_1, int, xdr_int, QvNone, xdr_void)
QV_PROC(1002, api_fm_over_1, int, xdr_int, QvNone, xdr_void)
QV_PROC(1343, api_fm_take_control_1, QvNone, xdr_void, QvNone, xdr_void)
QV_PROC(1376, api_fm_disconnect_from_session_1, QvNone, xdr_void, int, xdr_int)
#endif
#undef QV_PROC

// Lowest and highest host procedure number.
constexpr unsigned kFirstProc = 1000;
constexpr unsigned kLastProc = 1504;

using XdrFn = bool_t (*)(XDR *, void *);
using GenericFn = void (*)();
using Thunk = void (*)(const void *arg, void *res, CallCtx &ctx, GenericFn fn);

struct ProcEntry {
  unsigned proc = 0;
  const char *name = nullptr;
  size_t arg_size = 0, res_size = 0;
  XdrFn xdr_arg = nullptr, xdr_res = nullptr;
  void (*set_status)(void *res, int32_t code) = nullptr;
  Thunk thunk = nullptr;  // null: not served
  GenericFn fn = nullptr;
};

// The entry of a procedure, or null when the number is not a host procedure. Constant time.
const ProcEntry *FindProc(unsigned proc);
void SetHandler(unsigned proc, Thunk thunk, GenericFn fn);
// Removes the handler of one procedure (it is then answered with kNotServed).
void Unserve(unsigned proc);

// Registers the handler of one procedure, replacing any earlier one.
template <unsigned Proc>
void Serve(void (*fn)(const typename ProcTraits<Proc>::Arg &, typename ProcTraits<Proc>::Res &,
                      CallCtx &)) {
  static_assert(ProcTraits<Proc>::kKnown, "not a host procedure");
  using T = ProcTraits<Proc>;
  using Fn = decltype(fn);
  SetHandler(
      Proc,
      [](const void *a, void *r, CallCtx &c, GenericFn f) {
        reinterpret_cast<Fn>(f)(*static_cast<const typename T::Arg *>(a),
                                *static_cast<typename T::Res *>(r), c);
      },
      reinterpret_cast<GenericFn>(fn));
}

// Renders a record as log text by running its encoder over a printing stream.
std::string XdrText(XdrFn fn, void *record);

}  // namespace qvhost
