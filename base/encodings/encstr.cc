// Encoding-aware string routines, the host's escape notation and the control bytes for export.
// All walk texts character by character under a font encoding's public lead/trail tables, so
// that a double-byte character is never split, matched or folded as two bytes.
#include <string.h>

#include <quorvex/fdestr.h>

#include "encinternal.h"

namespace {

const FdeFontEncT &Pub(IntT enc) {
  return fdeFontEncs[(enc >= 0 && enc <= fdeLastEncodingId) ? enc : 0];
}

const unsigned char *U(ConStringT s) {
  return reinterpret_cast<const unsigned char *>(s ? s : "");
}

// Bytes of the character at s[i] of a NUL-terminated text: 2 for a lead byte followed by a
// valid trail byte (never the NUL), 1 otherwise.
int Len(const FdeFontEncT &e, const unsigned char *s, size_t i) {
  return (e.lead[s[i]] && s[i + 1] && e.trail[s[i + 1]]) ? 2 : 1;
}

// The character at s[i] as a value (byte, or lead << 8 | trail), folded for comparisons.
unsigned Folded(const FdeFontEncT &e, IntT enc, const unsigned char *s, size_t i) {
  if (Len(e, s, i) == 2) return unsigned(s[i]) << 8 | s[i + 1];
  unsigned b = s[i];
  if (enc == fdeVodudUdazuEncodingId) return FdeMToLower[b];
  return (b >= 'A' && b <= 'Z') ? b + 0x20 : b;
}

// The longest prefix of src of at most room bytes that ends on a character boundary.
size_t FitPrefix(const FdeFontEncT &e, const unsigned char *src, size_t room) {
  size_t i = 0;
  while (src[i]) {
    int l = Len(e, src, i);
    if (i + l > room) break;
    i += l;
  }
  return i;
}

// The escapes of the host's special characters: escape character, host byte.
const unsigned char kReadEscapes[][2] = {
    {' ', 0x11}, {'#', 0x10}, {'+', 0x15}, {'-', 0x04},  {'M', 0x14}, {'N', 0x13},
    {'P', 0x0A}, {'p', 0x0A}, {'_', 0x05}, {'h', 0x09},  {'n', 0x09}, {'r', 0x09},
    {'i', 0x12}, {'s', 0x20}, {'t', 0x08}, {'\\', '\\'},
};
const unsigned char kWriteEscapes[][2] = {
    {' ', 0x11}, {'#', 0x10}, {'+', 0x15}, {'-', 0x04}, {'M', 0x14}, {'N', 0x13},  {'p', 0x0A},
    {'_', 0x05}, {'r', 0x09}, {'i', 0x12}, {'s', 0x20}, {'t', 0x08}, {'\\', '\\'},
};

}  // namespace

UIntT F_StrLenEnc(ConStringT s, IntT enc) {
  if (enc == fdeVodudUdazuEncodingId) return F_StrLen(s);
  const FdeFontEncT &e = Pub(enc);
  const unsigned char *p = U(s);
  UIntT n = 0;
  for (size_t i = 0; p[i]; i += Len(e, p, i)) ++n;
  return n;
}

StringT F_StrChrEnc(ConStringT s, UIntT c, IntT enc) {
  const FdeFontEncT &e = Pub(enc);
  const unsigned char *p = U(s);
  for (size_t i = 0; c && p[i]; i += Len(e, p, i)) {
    unsigned ch = Len(e, p, i) == 2 ? unsigned(p[i]) << 8 | p[i + 1] : p[i];
    if (ch == c) return const_cast<StringT>(s + i);
  }
  return nullptr;
}

StringT F_StrRChrEnc(ConStringT s, UIntT c, IntT enc) {
  const FdeFontEncT &e = Pub(enc);
  const unsigned char *p = U(s);
  StringT found = nullptr;
  for (size_t i = 0; c && p[i]; i += Len(e, p, i)) {
    unsigned ch = Len(e, p, i) == 2 ? unsigned(p[i]) << 8 | p[i + 1] : p[i];
    if (ch == c) found = const_cast<StringT>(s + i);
  }
  return found;
}

IntT F_StrStrEnc(ConStringT s, ConStringT sought, IntT enc) {
  if (!s || !sought || !*s) return -1;
  const FdeFontEncT &e = Pub(enc);
  const unsigned char *p = U(s);
  size_t n = strlen(sought);
  for (size_t i = 0; p[i]; i += Len(e, p, i))
    if (strncmp(s + i, sought, n) == 0 && !IsSplittingDBChar(s, IntT(i + n), enc)) return IntT(i);
  return -1;
}

IntT F_StrICmpEnc(ConStringT a, ConStringT b, IntT enc) {
  const FdeFontEncT &e = Pub(enc);
  const unsigned char *p = U(a), *q = U(b);
  size_t i = 0, j = 0;
  for (;;) {
    unsigned x = Folded(e, enc, p, i), y = Folded(e, enc, q, j);
    if (x != y || !x) return int(x) - int(y);
    i += Len(e, p, i);
    j += Len(e, q, j);
  }
}

BoolT F_StrIEqualEnc(ConStringT a, ConStringT b, IntT enc) {
  return F_StrICmpEnc(a, b, enc) == 0;
}

BoolT F_StrIPrefixEnc(ConStringT s, ConStringT prefix, IntT enc) {
  const FdeFontEncT &e = Pub(enc);
  const unsigned char *p = U(s), *q = U(prefix);
  size_t i = 0, j = 0;
  while (q[j]) {
    if (Folded(e, enc, p, i) != Folded(e, enc, q, j)) return 0;
    i += Len(e, p, i);
    j += Len(e, q, j);
  }
  return 1;
}

UIntT F_StrCpyNEnc(StringT dst, ConStringT src, UIntT size, IntT enc) {
  if (!dst || size == 0) return 0;
  size_t n = FitPrefix(Pub(enc), U(src), size - 1);
  memmove(dst, U(src), n);
  dst[n] = 0;
  return UIntT(n);
}

UIntT F_StrCatNEnc(StringT dst, ConStringT src, UIntT size, IntT enc) {
  if (!dst) return 0;
  size_t len = strlen(dst);
  if (size == 0 || len + 1 >= size) return UIntT(len);
  size_t n = FitPrefix(Pub(enc), U(src), size - 1 - len);
  memmove(dst + len, U(src), n);
  dst[len + n] = 0;
  return UIntT(len + n);
}

UIntT F_StrNCatNEnc(StringT dst, ConStringT src, UIntT count, UIntT size, IntT enc) {
  if (!dst || size == 0) return 0;
  const FdeFontEncT &e = Pub(enc);
  // Cut an over-long destination to size - 1 bytes, stepping back over a split character.
  size_t len = FitPrefix(e, U(dst), size - 1);
  dst[len] = 0;
  size_t room = size - 1 - len;
  size_t n = FitPrefix(e, U(src), count < room ? count : room);
  memmove(dst + len, U(src), n);
  dst[len + n] = 0;
  return UIntT(len + n);
}

BoolT IsSplittingDBChar(ConStringT s, IntT pos, IntT enc) {
  const FdeFontEncT &e = Pub(enc);
  const unsigned char *p = U(s);
  if (pos <= 0) return 0;
  size_t i = 0;
  while (p[i] && i < size_t(pos)) i += Len(e, p, i);
  return i > size_t(pos);
}

IntT FdeDbTextToMaker(ConStringT text, StringT out, IntT size) {
  if (!out || size < 1) return 0;
  const FdeFontEncT &e = Pub(fdeDialogEncodingId);
  const unsigned char *s = U(text);
  size_t cap = size_t(size - 1) < FDE_DBTEXT_MAX ? size_t(size - 1) : FDE_DBTEXT_MAX;
  size_t i = 0, o = 0;
  while (s[i]) {
    const unsigned char *ch = s + i;
    size_t in = Len(e, s, i), len = in;
    unsigned char mapped = 0;
    if (s[i] == '\\' && s[i + 1]) {
      len = Len(e, s, i + 1);  // an escaped double-byte character stands for itself
      in = 1 + len;
      ch = s + i + 1;
      if (len == 1) {
        mapped = s[i + 1];
        for (const auto &m : kReadEscapes)
          if (m[0] == s[i + 1]) mapped = m[1];
        ch = &mapped;
      }
    }
    if (o + len > cap) break;
    memcpy(out + o, ch, len);
    o += len;
    i += in;
  }
  out[o] = 0;
  return IntT(o);
}

IntT FdeMakerToDbText(ConStringT text, StringT out, IntT size) {
  if (!out || size < 1) return 0;
  const FdeFontEncT &e = Pub(fdeDialogEncodingId);
  const unsigned char *s = U(text);
  // The written text stays below 254 bytes.
  size_t cap = size_t(size - 1) < 253 ? size_t(size - 1) : 253;
  size_t i = 0, o = 0;
  while (s[i]) {
    size_t len = Len(e, s, i);
    unsigned char pair[2] = {'\\', 0};
    const unsigned char *ch = s + i;
    size_t outlen = len;
    if (len == 1)
      for (const auto &m : kWriteEscapes)
        if (m[1] == s[i]) pair[1] = m[0], ch = pair, outlen = 2;
    if (o + outlen > cap) break;
    memcpy(out + o, ch, outlen);
    o += outlen;
    i += len;
  }
  out[o] = 0;
  return IntT(o);
}

VoidT FdeFMControlToExternal(StringT s) {
  for (; s && *s; ++s) {
    unsigned char b = (unsigned char)*s;
    if (b == 0x08)
      *s = 0x09;
    else if (b == 0x09)
      *s = 0x0A;
    else if (b >= 0x10 && b <= 0x14)
      *s = 0x20;
    else if (b == 0x15)
      *s = 0x2D;
  }
}

VoidT FdeExternalControlToFM(StringT s) {
  for (; s && *s; ++s)
    if (*s == 0x09) *s = 0x08;
}
