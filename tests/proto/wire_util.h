// Helpers of the protocol tests: coding records to and from byte buffers, and a decode
// stream that invents a record (small counts, printable texts, type codes across every arm).
#pragma once

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include <quorvex/proto/fmapi_procs.h>

namespace qvtest {

using Bytes = std::vector<uint8_t>;

template <typename T>
using Coder = bool_t (*)(XDR *, T *);

// Encodes *rec; false when the encoder refused.
template <typename T>
bool Encode(Coder<T> coder, T *rec, Bytes *out) {
  std::vector<char> buf(1 << 20);
  XDR x;
  xdrmem_create(&x, buf.data(), static_cast<u_int>(buf.size()), XDR_ENCODE);
  bool ok = coder(&x, rec);
  out->assign(buf.begin(), buf.begin() + xdr_getpos(&x));
  xdr_destroy(&x);
  return ok;
}

template <typename T>
void Free(Coder<T> coder, T *rec) {
  XDR x{};
  x.x_op = XDR_FREE;
  coder(&x, rec);
  memset(static_cast<void *>(rec), 0, sizeof *rec);
}

// Decodes into a cleared *rec; on failure *rec is released (as a caller must) and cleared.
template <typename T>
bool Decode(Coder<T> coder, const Bytes &in, T *rec) {
  memset(static_cast<void *>(rec), 0, sizeof *rec);
  XDR x;
  xdrmem_create(&x, const_cast<char *>(reinterpret_cast<const char *>(in.data())),
                static_cast<u_int>(in.size()), XDR_DECODE);
  bool ok = coder(&x, rec);
  xdr_destroy(&x);
  if (!ok) Free(coder, rec);
  return ok;
}

// A decode stream of invented data: every word is drawn from [0, 20], so counts and text
// lengths stay small, optional flags are sometimes valid, and type codes reach every arm.
class Inventor {
 public:
  explicit Inventor(uint32_t seed) : rng_(seed) {
    ops_.x_getlong = GetLong;
    ops_.x_getbytes = GetBytes;
    ops_.x_getpostn = [](XDR *) -> u_int { return 0; };
    ops_.x_inline = [](XDR *, u_int) -> int32_t * { return nullptr; };
    ops_.x_destroy = [](XDR *) {};
    xdr_.x_op = XDR_DECODE;
    xdr_.x_ops = &ops_;
    xdr_.x_private = this;
  }
  XDR *xdr() { return &xdr_; }

 private:
  static Inventor *Self(XDR *x) { return static_cast<Inventor *>(x->x_private); }
  static bool_t GetLong(XDR *x, long *lp) {
    *lp = static_cast<long>(Self(x)->rng_() % 21);
    return TRUE;
  }
  static bool_t GetBytes(XDR *x, char *p, u_int n) {
    for (u_int i = 0; i < n; ++i) p[i] = static_cast<char>('a' + Self(x)->rng_() % 26);
    return TRUE;
  }
  std::mt19937 rng_;
  XDR::xdr_ops ops_{};
  XDR xdr_{};
};

// Invents a decodable record, trying seeds until one decodes (optional flags above 1 and
// bytes are refused, as they must be). False if no seed of the range gives one.
template <typename T>
bool Invent(Coder<T> coder, uint32_t seed, T *rec) {
  for (uint32_t s = seed; s < seed + 500; ++s) {
    memset(static_cast<void *>(rec), 0, sizeof *rec);
    Inventor inv(s);
    if (coder(inv.xdr(), rec)) return true;
    Free(coder, rec);
  }
  return false;
}

}  // namespace qvtest
