// The machinery shared by the interface calls (api/apiclib_*.cc).
//
// Every F_Api call is one remote call: it builds its procedure's argument record from its own
// parameters (in record order), calls the procedure's stub on frame_client, translates the
// result and releases what decoding allocated. The templates below do each step once, so a
// call reads as the procedure it uses and the rule it follows:
//
//   Get<stub>(fields...)     status + value: the value (deep copy), or the neutral value;
//                            a host status is stored in FA_errno
//   Status<stub>(fields...)  int status: returned, and stored in FA_errno when not 0
//   Set<stub>(fields...)     the same with nothing returned
//   Answer<stub>(fields...)  the host's int as it comes, never stored
//   Prompt<stub>(&var, ...)  0 and the answer stored, or -1 with var and FA_errno untouched
//
// A failed remote call (no reply, or no connection at all) stores ERR_CallFailed in FA_errno
// and gives the call's failure value. Arguments are borrowed: records on the stack point at the
// caller's texts and lists for the duration of the call and are never released here.
#pragma once

#include <rpc/rpc.h>

#include <type_traits>

#include <quorvex/fapi.h>
#include <quorvex/fcodes.h>
#include <quorvex/proto/fmapi_procs.h>

// The stubs, as api_to_fm.cc defines them: a procedure that takes or returns nothing has a
// void pointer in that place.
namespace qvcalls {
template <class T>
struct StubPtr {
  using type = T;
};
template <>
struct StubPtr<QvNone> {
  using type = void;
};
}  // namespace qvcalls

#define QV_PROC(num, stub, Arg, xa, Res, xr) \
  extern "C" qvcalls::StubPtr<Res>::type *stub(qvcalls::StubPtr<Arg>::type *argp, CLIENT *clnt);
#include <quorvex/proto/fmapi_procs.h>
#undef QV_PROC

namespace qvcalls {

// The decoder that releases a stub's result, looked up by the stub itself.
template <auto Stub>
struct ResultCodec;

template <class F>
xdrproc_t AsXdrProc(F *fn) {
  return reinterpret_cast<xdrproc_t>(reinterpret_cast<void (*)()>(fn));
}

#define QV_PROC(num, stub, Arg, xa, Res, xr)                       \
  template <>                                                      \
  struct ResultCodec<&stub> {                                      \
    static constexpr unsigned kProc = num;                         \
    static constexpr bool kHasData = !std::is_same_v<Res, QvNone>; \
    static xdrproc_t Xdr() { return AsXdrProc(xr); }               \
  };
#include <quorvex/proto/fmapi_procs.h>
#undef QV_PROC

template <class F>
struct StubSig;
template <class R, class A>
struct StubSig<R *(*)(A *, CLIENT *)> {
  using Res = R;
  using Arg = A;
};

// One stub result, held for the duration of a wrapper and released when the wrapper leaves.
template <auto Stub>
class Reply {
 public:
  using Res = typename StubSig<decltype(Stub)>::Res;
  using Arg = typename StubSig<decltype(Stub)>::Arg;

  explicit Reply(Arg *arg) : res_(Stub(arg, frame_client)) {
    if (res_ == nullptr) FA_errno = ERR_CallFailed;
  }
  ~Reply() {
    if constexpr (ResultCodec<Stub>::kHasData) {
      if (res_ != nullptr) api_xdrfree(ResultCodec<Stub>::Xdr(), reinterpret_cast<char *>(res_));
    }
  }
  Reply(const Reply &) = delete;
  Reply &operator=(const Reply &) = delete;

  explicit operator bool() const { return res_ != nullptr; }
  auto &operator*() const { return *res_; }
  Res *operator->() const { return res_; }

 private:
  Res *res_;
};

// ---- Arguments -----------------------------------------------------------------------------

// What a parameter becomes in the argument record. Texts are borrowed as they are (a null text
// travels as the empty text). A record passed by pointer is borrowed by a shallow copy; a null
// pointer, or a list without items, travels as the empty record.
inline StringT Wire(ConStringT s) {
  return const_cast<StringT>(s);
}
template <class T>
requires std::is_arithmetic_v<T> T Wire(T v) {
  return v;
}
template <class T>
requires std::is_class_v<T> T Wire(const T *p) {
  if (p == nullptr) return T{};
  if constexpr (requires { p->items; }) {
    if (p->items == nullptr) return T{};
  }
  return *p;
}
inline F_PropIdentT Wire(F_PropIdentT id) {
  return id;
}

// A property named by its code, or by its name (code 0).
inline F_PropIdentT Prop(IntT num) {
  return F_PropIdentT{num, nullptr};
}
inline F_PropIdentT Named(ConStringT name) {
  return F_PropIdentT{0, const_cast<StringT>(name)};
}

// Makes the call: the argument record is built from the fields in order.
template <auto Stub, class... P>
Reply<Stub> Call(P... fields) {
  using Arg = typename Reply<Stub>::Arg;
  if constexpr (std::is_void_v<Arg>) {
    static_assert(sizeof...(P) == 0, "the procedure takes no argument");
    return Reply<Stub>(nullptr);
  } else {
    Arg arg{Wire(fields)...};
    return Reply<Stub>(&arg);
  }
}

// ---- Results -------------------------------------------------------------------------------

// The value of a status + value record: its second field.
template <class R>
auto &Payload(R &r) {
  auto &[status, value] = r;
  (void)status;
  return value;
}

template <class R>
IntT StatusOf(const R &r) {
  if constexpr (std::is_same_v<R, int>) {
    return r;
  } else {
    return r.status;
  }
}

// What the caller receives of a returned value: numbers and flat records as they are, texts
// and lists as deep copies the caller owns.
inline IntT Own(IntT v) {
  return v;
}
inline UIntT Own(UIntT v) {
  return v;
}
inline StringT Own(StringT s) {
  return F_ApiCopyString(s);
}
inline F_TextLocT Own(const F_TextLocT &v) {
  return v;
}
inline F_TextRangeT Own(const F_TextRangeT &v) {
  return v;
}
inline F_PointT Own(const F_PointT &v) {
  return v;
}
inline F_ElementLocT Own(const F_ElementLocT &v) {
  return v;
}
inline F_ElementRangeT Own(const F_ElementRangeT &v) {
  return v;
}
inline F_RectT Own(const RectT &v) {
  return F_RectT{v.x, v.y, v.w, v.h};
}
inline F_StringsT Own(const F_StringsT &v) {
  return F_ApiCopyStrings(&v);
}
inline F_MetricsT Own(const F_MetricsT &v) {
  return F_ApiCopyMetrics(&v);
}
inline F_IntsT Own(const F_IntsT &v) {
  return F_ApiCopyInts(&v);
}
inline F_PointsT Own(const F_PointsT &v) {
  return F_ApiCopyPoints(&v);
}
inline F_TabsT Own(const F_TabsT &v) {
  return F_ApiCopyTabs(&v);
}
inline F_UBytesT Own(const F_UBytesT &v) {
  return F_ApiCopyUBytes(&v);
}
inline F_FontsT Own(const F_FontsT &v) {
  return F_ApiCopyFonts(&v);
}
inline F_CombinedFontsT Own(const F_CombinedFontsT &v) {
  return F_ApiCopyCombinedFonts(&v);
}
inline F_AttributeDefsT Own(const F_AttributeDefsT &v) {
  return F_ApiCopyAttributeDefs(&v);
}
inline F_AttributesT Own(const F_AttributesT &v) {
  return F_ApiCopyAttributes(&v);
}
inline F_ElementCatalogEntriesT Own(const F_ElementCatalogEntriesT &v) {
  return F_ApiCopyElementCatalogEntries(&v);
}
inline F_TypedValT Own(const F_TypedValT &v) {
  return F_ApiCopyVal(&v);
}
inline F_PropValT Own(const F_PropValT &v) {
  return F_ApiCopyPropVal(&v);
}
inline F_PropValsT Own(const F_PropValsT &v) {
  return F_ApiCopyPropVals(&v);
}
inline TextItemsT Own(const TextItemsT &v) {
  return F_ApiCopyTextItems(&v);
}

// Records a host status other than 0 in FA_errno; true when the call succeeded.
inline bool Succeeded(IntT status) {
  if (status == 0) return true;
  FA_errno = status;
  return false;
}

// Status + value: the value, or `neutral` after a failed call or a host status.
template <auto Stub, class Out>
Out Translate(const Reply<Stub> &r, Out neutral) {
  if (!r || !Succeeded(r->status)) return neutral;
  return Own(Payload(*r));
}

template <auto Stub, class... P>
auto Get(P... fields) {
  auto r = Call<Stub>(fields...);
  return Translate(r, decltype(Own(Payload(*r))){});
}

template <auto Stub, IntT Failed = ERR_CallFailed, class... P>
IntT Status(P... fields) {
  auto r = Call<Stub>(fields...);
  if (!r) return Failed;
  IntT status = StatusOf(*r);
  Succeeded(status);
  return status;
}

template <auto Stub, class... P>
void Set(P... fields) {
  (void)Status<Stub>(fields...);
}

template <auto Stub, IntT Failed = ERR_CallFailed, class... P>
IntT Answer(P... fields) {
  auto r = Call<Stub>(fields...);
  return r ? *r : Failed;
}

template <auto Stub, class Var, class... P>
IntT Prompt(Var *answer, P... fields) {
  auto r = Call<Stub>(fields...);
  if (!r || r->status != 0) return -1;
  if (answer != nullptr) *answer = Own(Payload(*r));
  return 0;
}

// Copies a returned string list into the caller's list (when given one).
inline void GiveStrings(F_StringsT *dest, const F_StringsT *src) {
  if (dest == nullptr) return;
  *dest = src != nullptr ? F_ApiCopyStrings(src) : F_StringsT{0, nullptr};
}

}  // namespace qvcalls
