// Shared body of the decoder fuzz targets: decode the input as one record; when it decodes,
// its encoding must decode again to the same encoding. Every path releases what it decoded.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include <quorvex/proto/fmapi_procs.h>

namespace qvfuzz {

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

template <typename T>
bool EncodeFrom(Coder<T> coder, T *rec, std::vector<uint8_t> *out) {
  out->assign(size_t{1} << 22, 0);
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
    if (EncodeFrom(coder, &rec, &a)) {
      T again;
      if (!DecodeInto(coder, a.data(), a.size(), &again)) __builtin_trap();
      if (!EncodeFrom(coder, &again, &b) || a != b) __builtin_trap();
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
