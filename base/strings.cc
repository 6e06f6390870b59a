// String routines of the base library. Case folding uses the library's own tables of the host
// character set: A-Z plus the 29 letter pairs of the upper half.
#include <quorvex/fdestr.h>
#include <quorvex/fdemem.h>
#include <quorvex/fdeprint.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using Table = std::array<UCharT, 256>;

// Upper-case byte, lower-case byte.
constexpr UCharT kPairs[][2] = {
    {0x80, 0x8A}, {0x81, 0x8C}, {0x82, 0x8D}, {0x83, 0x8E}, {0x84, 0x96}, {0x85, 0x9A},
    {0x86, 0x9F}, {0xAE, 0xBE}, {0xAF, 0xBF}, {0xCB, 0x88}, {0xCC, 0x8B}, {0xCD, 0x9B},
    {0xCE, 0xCF}, {0xD9, 0xD8}, {0xE5, 0x89}, {0xE6, 0x90}, {0xE7, 0x87}, {0xE8, 0x91},
    {0xE9, 0x8F}, {0xEA, 0x92}, {0xEB, 0x94}, {0xEC, 0x95}, {0xED, 0x93}, {0xEE, 0x97},
    {0xEF, 0x99}, {0xF1, 0x98}, {0xF2, 0x9C}, {0xF3, 0x9E}, {0xF4, 0x9D},
};

constexpr Table MakeTable(bool lower) {
  Table t{};
  for (int i = 0; i < 256; ++i) t[i] = static_cast<UCharT>(i);
  for (int c = 'A'; c <= 'Z'; ++c) {
    if (lower)
      t[c] = static_cast<UCharT>(c + 32);
    else
      t[c + 32] = static_cast<UCharT>(c);
  }
  for (const auto &p : kPairs) {
    if (lower)
      t[p[0]] = p[1];
    else
      t[p[1]] = p[0];
  }
  return t;
}

constexpr Table kLower = MakeTable(true);
constexpr Table kUpper = MakeTable(false);

inline const UCharT *U(ConStringT s) {
  return reinterpret_cast<const UCharT *>(s ? s : "");
}
inline UCharT Fold(UCharT c) {
  return kLower[c];
}

template <bool kFold>
IntT Compare(ConStringT a, ConStringT b, uint64_t n) {
  const UCharT *p = U(a), *q = U(b);
  for (uint64_t i = 0; i < n; ++i) {
    int x = kFold ? Fold(p[i]) : p[i];
    int y = kFold ? Fold(q[i]) : q[i];
    if (x != y || x == 0) return x - y;
  }
  return 0;
}

template <bool kFold>
BoolT EqualN(ConStringT a, ConStringT b, IntT n) {
  if (n < 1 || a == b) return True;
  const UCharT *p = U(a), *q = U(b);
  for (IntT i = 0; i < n; ++i) {
    UCharT x = kFold ? Fold(p[i]) : p[i];
    UCharT y = kFold ? Fold(q[i]) : q[i];
    if (x != y) return False;
    if (x == 0) return True;
  }
  return True;
}

template <bool kFold>
BoolT Prefix(ConStringT s, ConStringT prefix, uint64_t limit) {
  const UCharT *p = U(s), *q = U(prefix);
  for (uint64_t i = 0; i < limit && q[i]; ++i) {
    if ((kFold ? Fold(p[i]) : p[i]) != (kFold ? Fold(q[i]) : q[i])) return False;
  }
  return True;
}

template <bool kFold>
BoolT Suffix(ConStringT s, ConStringT suffix) {
  size_t m = F_StrLen(suffix);
  if (m == 0) return True;
  size_t n = F_StrLen(s);
  if (n < m) return False;
  return kFold ? F_StrIEqual(s + (n - m), suffix) : F_StrEqual(s + (n - m), suffix);
}

inline bool SpaceOrHyphen(UCharT c) {
  return c == ' ' || c == '-';
}

}  // namespace

extern "C" {

const UCharT *const FdeMToLower = kLower.data();
const UCharT *const FdeMToUpper = kUpper.data();

StringT F_StrNew(UIntT length) {
  if (length == UINT32_MAX) return nullptr;  // length + 1 would wrap to 0
  return static_cast<StringT>(F_Calloc(length + 1, 1, 0));
}

StringT F_StrCopyString(ConStringT s) {
  if (s == nullptr) return nullptr;
  size_t n = std::strlen(s);
  if (n >= FDE_MAX_ALLOC) return nullptr;
  auto *p = static_cast<StringT>(F_Calloc(static_cast<UIntT>(n + 1), 1, 0));
  if (p) std::memcpy(p, s, n);
  return p;
}

UIntT F_StrLen(ConStringT s) {
  return s ? static_cast<UIntT>(std::strlen(s)) : 0;
}

VoidT F_StrCpy(StringT dst, ConStringT src) {
  if (dst) std::strcpy(dst, src ? src : "");
}

UIntT F_StrCpyN(StringT dst, ConStringT src, UIntT size) {
  if (dst == nullptr || size == 0) return 0;
  const char *s = src ? src : "";
  UIntT n = 0;
  while (n + 1 < size && s[n]) {
    dst[n] = s[n];
    ++n;
  }
  dst[n] = '\0';
  return n;
}

VoidT F_StrTrunc(StringT s, UIntT position) {
  if (s) s[position] = '\0';
}

UIntT F_StrCat(StringT dst, ConStringT src) {
  if (dst == nullptr) return 0;
  size_t n = std::strlen(dst);
  if (src) {
    size_t m = std::strlen(src);
    std::memmove(dst + n, src, m + 1);
    n += m;
  }
  return static_cast<UIntT>(n);
}

UIntT F_StrCatN(StringT dst, ConStringT src, UIntT size) {
  if (dst == nullptr) return 0;
  UIntT n = F_StrLen(dst);
  if (size == 0 || src == nullptr) return n;
  while (n < size - 1 && *src) dst[n++] = *src++;
  if (n < size) dst[n] = '\0';
  return n;
}

UIntT F_StrNCatN(StringT dst, ConStringT src, UIntT count, UIntT size) {
  if (dst == nullptr || size == 0) return 0;
  UIntT n = 0;
  while (dst[n]) {
    if (n == size - 1) {
      dst[n] = '\0';
      return n;
    }
    ++n;
  }
  const char *s = src ? src : "";
  for (UIntT added = 0; added < count && n < size - 1 && *s; ++added) dst[n++] = *s++;
  dst[n] = '\0';
  return n;
}

UIntT F_StrCatCharN(StringT dst, UCharT c, UIntT size) {
  if (dst == nullptr) return 0;
  UIntT n = F_StrLen(dst);
  if (size == 0 || n >= size - 1) return n;
  dst[n++] = static_cast<char>(c);
  dst[n] = '\0';
  return n;
}

UIntT F_StrCatIntN(StringT dst, IntT value, UIntT size) {
  char buf[16];
  F_Sprintf(buf, "%d", value);
  return F_StrCatN(dst, buf, size);
}

BoolT F_StrEqual(ConStringT a, ConStringT b) {
  return Compare<false>(a, b, UINT64_MAX) == 0;
}
BoolT F_StrIEqual(ConStringT a, ConStringT b) {
  return Compare<true>(a, b, UINT64_MAX) == 0;
}
BoolT F_StrEqualN(ConStringT a, ConStringT b, IntT n) {
  return EqualN<false>(a, b, n);
}
BoolT F_StrIEqualN(ConStringT a, ConStringT b, IntT n) {
  return EqualN<true>(a, b, n);
}

BoolT F_StrSIEqual(ConStringT a, ConStringT b) {
  if (a == b) return True;
  const UCharT *p = U(a), *q = U(b);
  for (;;) {
    while (SpaceOrHyphen(*p)) ++p;
    while (SpaceOrHyphen(*q)) ++q;
    if (*p == 0 || Fold(*p) != Fold(*q)) break;
    ++p;
    ++q;
  }
  return Fold(*p) == Fold(*q);
}

IntT F_StrCmp(ConStringT a, ConStringT b) {
  return Compare<false>(a, b, UINT64_MAX);
}
IntT F_StrICmp(ConStringT a, ConStringT b) {
  return Compare<true>(a, b, UINT64_MAX);
}
IntT F_StrCmpN(ConStringT a, ConStringT b, UIntT n) {
  return Compare<false>(a, b, n);
}
IntT F_StrICmpN(ConStringT a, ConStringT b, UIntT n) {
  return Compare<true>(a, b, n);
}

IntT F_StrMCmp(ConStringT a, ConStringT b) {
  IntT r = F_StrICmp(a, b);
  return r ? r : F_StrCmp(a, b);
}

IntT F_StrQsortCmp(const void *a, const void *b) {
  return F_StrMCmp(*static_cast<const ConStringT *>(a), *static_cast<const ConStringT *>(b));
}

BoolT F_StrPrefix(ConStringT s, ConStringT prefix) {
  return Prefix<false>(s, prefix, UINT64_MAX);
}
BoolT F_StrIPrefix(ConStringT s, ConStringT prefix) {
  return Prefix<true>(s, prefix, UINT64_MAX);
}

BoolT F_StrPrefixN(ConStringT s, ConStringT prefix, IntT n) {
  if (n < 1) return True;
  return Prefix<false>(s, prefix, static_cast<uint64_t>(n));
}

BoolT F_StrSuffix(ConStringT s, ConStringT suffix) {
  return Suffix<false>(s, suffix);
}
BoolT F_StrISuffix(ConStringT s, ConStringT suffix) {
  return Suffix<true>(s, suffix);
}

StringT F_StrChr(ConStringT s, UCharT c) {
  if (s == nullptr || c == 0) return nullptr;
  return const_cast<StringT>(std::strchr(s, c));
}

StringT F_StrRChr(ConStringT s, UCharT c) {
  if (s == nullptr || c == 0) return nullptr;
  return const_cast<StringT>(std::strrchr(s, c));
}

IntT F_StrSubString(ConStringT s, ConStringT sought) {
  if (s == nullptr || sought == nullptr || *s == '\0') return -1;
  const char *hit = std::strstr(s, sought);
  return hit ? static_cast<IntT>(hit - s) : -1;
}

VoidT F_StrStrip(StringT s, ConStringT set) {
  if (s == nullptr || set == nullptr || *set == '\0') return;
  char *out = s;
  for (const char *in = s; *in; ++in)
    if (std::strchr(set, *in) == nullptr) *out++ = *in;
  *out = '\0';
}

VoidT F_StrStripLeadingSpaces(StringT s) {
  if (s == nullptr) return;
  size_t k = 0;
  while (s[k] == ' ') ++k;
  if (k) std::memmove(s, s + k, std::strlen(s + k) + 1);
}

VoidT F_StrStripTrailingSpaces(StringT s) {
  if (s == nullptr) return;
  size_t n = std::strlen(s);
  while (n > 0 && s[n - 1] == ' ') s[--n] = '\0';
}

VoidT F_StrReverse(StringT s, IntT n) {
  if (s == nullptr || n < 2) return;
  size_t len = std::strlen(s);
  size_t m = static_cast<size_t>(n) < len ? static_cast<size_t>(n) : len;
  for (size_t i = 0, j = m; i + 1 < j; ++i, --j) {
    char t = s[i];
    s[i] = s[j - 1];
    s[j - 1] = t;
  }
}

IntT F_StrAlphaToInt(ConStringT s) {
  return s ? std::atoi(s) : 0;
}
RealT F_StrAlphaToReal(ConStringT s) {
  return s ? std::atof(s) : 0.0;
}

}  // extern "C"
