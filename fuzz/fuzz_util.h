// Shared body of the decoder fuzz targets: decode the input as one record; when it decodes,
// its encoding must decode again to the same encoding. Every path releases what it decoded.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include <quorvex/proto/fmapi_procs.h>

// The records fuzz_records reads, in the order of its selector byte (keep the order: saved
// corpora depend on it).
#define QV_FUZZ_RECORDS(X)                                                                       \
  X(F_PropValsT)                                                                                 \
  X(F_TypedValT)                                                                                 \
  X(F_PropIdentT) X(TextItemsT) X(F_StringsT) X(F_TabsT) X(F_AttributeDefsT) X(F_AttributesT)    \
      X(F_UBytesT) X(F_ElementCatalogEntriesT) X(F_PointsT) X(F_FontsT) X(F_CombinedFontsT)      \
          X(OptPropValsT) X(StringT) X(F_IntsT) X(F_MetricsT) X(F_UIntsT) X(FmRpcApiConnectArgT) \
              X(FmRpcApiConnectReturnT)

namespace qvfuzz {

#define QV_COUNT(T) +1
constexpr unsigned kRecords = 0 QV_FUZZ_RECORDS(QV_COUNT);
#undef QV_COUNT

// The procedures of the host program, in their order in the list; fuzz_replies picks one by
// its index.
constexpr unsigned kProcs = 0
#define QV_PROC(num, stub, A, xa, R, xr) +1
#include <quorvex/proto/fmapi_procs.h>
#undef QV_PROC
    ;

template <typename T>
using Coder = bool_t (*)(XDR *, T *);

template <typename F>
xdrproc_t Proc(F *fn) {
  return reinterpret_cast<xdrproc_t>(reinterpret_cast<void (*)()>(fn));
}

template <typename T>
void Release(Coder<T> coder, T *rec) {
  XDR x{};
  x.x_op = XDR_FREE;
  coder(&x, rec);
}

template <typename T>
bool DecodeInto(Coder<T> coder, const uint8_t *data, size_t size, T *rec) {
  memset(static_cast<void *>(rec), 0, sizeof *rec);
  XDR x;
  xdrmem_create(&x, const_cast<char *>(reinterpret_cast<const char *>(data)),
                static_cast<u_int>(size), XDR_DECODE);
  bool ok = coder(&x, rec);
  xdr_destroy(&x);
  return ok;
}

// Encodes into a buffer of room bytes. A record decoded from n bytes encodes to no more than
// n, so the caller's room of about 2n is ample without clearing megabytes on every run.
template <typename T>
bool EncodeFrom(Coder<T> coder, T *rec, size_t room, std::vector<uint8_t> *out) {
  out->assign(room, 0);
  XDR x;
  xdrmem_create(&x, reinterpret_cast<char *>(out->data()), static_cast<u_int>(out->size()),
                XDR_ENCODE);
  bool ok = coder(&x, rec);
  out->resize(xdr_getpos(&x));
  xdr_destroy(&x);
  return ok;
}

template <typename T>
void Check(Coder<T> coder, const uint8_t *data, size_t size) {
  T rec;
  if (DecodeInto(coder, data, size, &rec)) {
    std::vector<uint8_t> a, b;
    // A decoded record may be too big for the encode buffer; then there is nothing to compare.
    size_t room = 2 * size + 4096;
    if (EncodeFrom(coder, &rec, room, &a)) {
      T again;
      if (!DecodeInto(coder, a.data(), a.size(), &again)) __builtin_trap();
      if (!EncodeFrom(coder, &again, room, &b) || a != b) __builtin_trap();
      Release(coder, &again);
    }
  }
  Release(coder, &rec);
}

template <typename T, typename F>
void CheckAny(F *coder, const uint8_t *data, size_t size) {
  if constexpr (!std::is_same_v<T, QvNone>)
    Check(reinterpret_cast<Coder<T>>(reinterpret_cast<void (*)()>(coder)), data, size);
  else
    (void)coder, (void)data, (void)size;
}

}  // namespace qvfuzz
