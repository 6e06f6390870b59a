// The conversion dispatcher and the per-byte maps between the host set and the other 8-bit
// sets.
#include <string.h>

#include <quorvex/fdemem.h>

#include "encinternal.h"

namespace qvenc {
namespace {

// Host byte -> byte of codes 1 to 4, and bytes of codes 1 to 4 -> host byte. A 0 in a
// host-to-X map means the target has no character (not even an approximation).
struct ByteMaps {
  unsigned char from_host[5][256];
  unsigned char to_host[5][256];
  ByteMaps() {
    memset(from_host, 0, sizeof from_host);
    memset(to_host, 0, sizeof to_host);
    for (int code = 1; code <= 4; ++code)
      for (unsigned b = 0; b < 256; ++b) {
        uint32_t u = qvHostUni[b];
        from_host[code][b] = u == kNoUnicode ? 0 : UnicodeToByte(code == 4 ? 2 : code, u);
        to_host[code][b] = ToHost(code, (unsigned char)b);
      }
    // Macintosh shares the host set's letters: identity from 0x81 up, ASCII map below.
    for (unsigned b = 0x81; b < 256; ++b) from_host[4][b] = (unsigned char)b;
  }
  static unsigned char ToHost(int code, unsigned char b) {
    if (b < 0x20) {
      if (b == 0x09) return 0x08;
      if (b == 0x0A || b == 0x0C || b == 0x0D) return 0x0A;
      return '?';
    }
    if (code == 4) return b;
    uint32_t u = ByteOfCodeToUnicode(code, b);
    unsigned char h = u == kNoUnicode ? 0 : UnicodeToByte(0, u);
    return h ? h : '?';
  }
};

const ByteMaps &Maps() {
  static const ByteMaps m;
  return m;
}

void MapBytes(const unsigned char *map, const unsigned char *s, int n, FdeCharListT *out) {
  for (int i = 0; i < n; ++i)
    if (map[s[i]]) Put(out, map[s[i]]);
}

bool IsUnicode(int code) {
  return code == FdeTextEncUTF8 || code == FdeTextEncUTF16;
}

}  // namespace
}  // namespace qvenc

using namespace qvenc;

IntT FdeTransliterateBytes(ConUStringT s, IntT n, FdeCharListT *out, IntT from, IntT to) {
  if (from < 0 || from > FdeTextEncLast || !out || n < 0 || (n > 0 && !s)) FdeFail();
  if (from == to) {
    FdeCharListAdd(out, s, UIntT(n));
    return 0;
  }
  if (from == FdeTextEncHost && (to < 1 || to > FdeTextEncLast)) FdeFail();
  switch (from) {
    case FdeTextEncHost:
      if (IsUnicode(to)) return ToUnicode(s, n, out, from, to);
      if (to <= FdeTextEncKSCEUC) {
        int map = (to >= FdeTextEncJIS7) ? FdeTextEncASCII : to;
        MapBytes(Maps().from_host[map], s, n, out);
        return 0;
      }
      break;
    case FdeTextEncISOLatin1:
    case FdeTextEncASCII:
    case FdeTextEncANSI:
    case FdeTextEncMacASCII:
      if (to == FdeTextEncHost) {
        MapBytes(Maps().to_host[from], s, n, out);
        return 0;
      }
      if (from == FdeTextEncISOLatin1 && IsUnicode(to)) return ToUnicode(s, n, out, from, to);
      break;
    case FdeTextEncJIS7:
      if (to == FdeTextEncShiftJIS) return FdeJisToShiftJis(s, n, out);
      if (to == FdeTextEncEUCJP) return FdeJisToEuc(s, n, out);
      break;
    case FdeTextEncShiftJIS:
      if (to == FdeTextEncJIS7) return FdeShiftJisToJis(s, n, out);
      if (to == FdeTextEncEUCJP) return FdeShiftJisToEuc(s, n, out);
      if (IsUnicode(to)) return ToUnicode(s, n, out, from, to);
      break;
    case FdeTextEncEUCJP:
      if (to == FdeTextEncJIS7) return FdeEucToJis(s, n, out);
      if (to == FdeTextEncShiftJIS) return FdeEucToShiftJis(s, n, out);
      break;
    case FdeTextEncBig5:
      if (to == FdeTextEncCNSEUC) return FdeBig52CNSEUC(s, n, out);
      if (IsUnicode(to)) return ToUnicode(s, n, out, from, to);
      break;
    case FdeTextEncCNSEUC:
      if (to == FdeTextEncBig5) return FdeCNSEUC2Big5(s, n, out);
      break;
    case FdeTextEncGBEUC:
      if (to == FdeTextEncHZ) return FdeGb8ToHz(s, n, out);
      if (IsUnicode(to)) return ToUnicode(s, n, out, from, to);
      break;
    case FdeTextEncHZ:
      if (to == FdeTextEncGBEUC) return FdeHzToGb8(s, n, out);
      break;
    case FdeTextEncUTF8:
    case FdeTextEncUTF16:
      if (to >= 0 && to <= FdeTextEncLast) return FromUnicode(s, n, out, from, to);
      break;
    default:  // 12 to 15
      if (IsUnicode(to)) return ToUnicode(s, n, out, from, to);
      break;
  }
  FdeCharListAdd(out, s, UIntT(n));
  return -1;
}

UIntT FdeUTF16Len(const UShortT *s) {
  UIntT n = 0;
  if (s)
    while (s[n]) ++n;
  return n;
}

StringT F_StrConvertEnc(ConStringT string, IntT from, IntT to) {
  static const unsigned char kEmpty[2] = {0, 0};  // "" as text and as UTF-16
  const auto *s = string ? reinterpret_cast<const unsigned char *>(string) : kEmpty;
  UIntT n = 0;
  if (from == FdeTextEncUTF16) {
    while (Unit(s, int(n / 2))) n += 2;
  } else {
    n = UIntT(strlen(reinterpret_cast<const char *>(s)));
  }
  if (n >= FDE_MAX_ALLOC / 4) return nullptr;
  FdeCharListT out;
  // Output is at most about three times the input; a chunk of one and a half keeps the
  // number of reallocations small for long texts.
  if (FdeCharListInit(&out, n + n / 2 + 16) != 0) return nullptr;
  IntT rc = FdeTransliterateBytes(s, IntT(n), &out, from, to);
  if (rc == 0 && to == FdeTextEncUTF16) FdeCharListAddByte(&out, 0);  // completes the 0 unit
  if (out.flags & FDE_CL_OVERFLOW) {
    FdeCharListFree(&out);
    return nullptr;
  }
  if (rc != 0) {
    FdeCharListFree(&out);
    return static_cast<StringT>(F_Calloc(1, 2, 0));
  }
  auto *r = reinterpret_cast<StringT>(FdeCharListDetach(&out));
  FdeCharListFree(&out);
  return r;
}

UShortT *FdeTextEncStringToUTF16(ConStringT string, IntT code) {
  if (code == FdeTextEncUTF16) {
    const auto *u = reinterpret_cast<const UShortT *>(string);
    UIntT n = FdeUTF16Len(u);
    auto *r = static_cast<UShortT *>(F_Calloc(n + 1, sizeof(UShortT), 0));
    if (r && n) memcpy(r, u, n * sizeof(UShortT));
    return r;
  }
  return reinterpret_cast<UShortT *>(F_StrConvertEnc(string, code, FdeTextEncUTF16));
}
