// Unicode: UTF-8 and UTF-16, the 8-bit Unicode tables, the ".UCOD" double-byte tables and
// their loader, and the conversions into and out of Unicode.
#include <stdio.h>
#include <string.h>

#include <string>

#include <quorvex/fdemem.h>

#include "encinternal.h"

namespace qvenc {
namespace {

// A valid table file holds at most 256 rows of 2 + 2 * 256 bytes after its two header bytes.
constexpr long kMaxTableFile = 2 + 256L * (2 + 512);

FdeUniTableT *g_tables[fdeLastEncodingId + 1];
// Unicode -> character (byte, or lead << 8 | trail) of each loaded table; 0 for none.
UShortT *g_reverse[fdeLastEncodingId + 1];

struct EightBitTables {
  UShortT latin1[256], symbol[256];
  EightBitTables() {
    for (unsigned b = 0; b < 256; ++b) {
      latin1[b] = UShortT(b);
      // The symbol fonts carry their glyphs in the private-use page that symbol fonts map
      // their byte codes to; control bytes have no glyph.
      symbol[b] = b < 0x20 || b == 0x7F ? 0xFFFF : UShortT(0xF000 + b);
    }
  }
};

const EightBitTables &Eight() {
  static const EightBitTables t;
  return t;
}

// Unicode -> byte for the 8-bit codes 0 (host), 3 (ANSI) and 4 (Macintosh); 0 for none.
struct ReverseEightBit {
  unsigned char map[3][0x10000];
  ReverseEightBit() {
    memset(map, 0, sizeof map);
    const unsigned short *tables[3] = {qvHostUni, qvAnsiUni, qvMacUni};
    // Printable bytes first: the host's special spaces and hyphens stand for their Unicode
    // characters only where the set has no printable byte for them.
    for (int t = 0; t < 3; ++t)
      for (unsigned k = 0; k < 256; ++k) {
        unsigned b = (k + 0x20) % 256;
        unsigned u = tables[t][b];
        if (b && u != kNoUnicode && !map[t][u]) map[t][u] = (unsigned char)b;
      }
  }
};

const ReverseEightBit &ReverseEight() {
  static const ReverseEightBit *r = new ReverseEightBit;  // 192 KB, kept for the process
  return *r;
}

void BuildReverse(int fe) {
  F_Free(g_reverse[fe]);
  g_reverse[fe] = nullptr;
  const FdeUniTableT *t = g_tables[fe];
  if (!t) return;
  auto *rev = static_cast<UShortT *>(F_Calloc(0x10000, sizeof(UShortT), 0));
  if (!rev) return;
  // Single bytes first, so that a character with both forms converts to the short one.
  for (int l = 0; l < 256; ++l) {
    const FdeUniRowT *r = t->rows[l];
    if (!r) continue;
    for (unsigned tb = r->first; tb <= r->last; ++tb) {
      unsigned u = r->values[tb - r->first];
      unsigned ch = l ? (unsigned(l) << 8 | tb) : tb;
      // Control bytes are the host set's and convert through its own map.
      if (u != kNoUnicode && !rev[u] && (l || (tb >= 0x20 && !Classes(fe).lead[tb]))) rev[u] = ch;
    }
  }
  for (unsigned k = 0; k < qvPreferredCount; ++k) {
    const unsigned short *p = &qvPreferred[3 * k];
    if (p[0] == fe && FdeCharToUnicode(fe, p[2]) == p[1]) rev[p[1]] = p[2];
  }
  g_reverse[fe] = rev;
}

inline void AddUtf8(Sink &out, uint32_t cp) {
  unsigned char b[4];
  UIntT n;
  if (cp < 0x80) {
    b[0] = (unsigned char)cp, n = 1;
  } else if (cp < 0x800) {
    b[0] = 0xC0 | (cp >> 6), b[1] = 0x80 | (cp & 0x3F), n = 2;
  } else if (cp < 0x10000) {
    b[0] = 0xE0 | (cp >> 12), b[1] = 0x80 | ((cp >> 6) & 0x3F), b[2] = 0x80 | (cp & 0x3F), n = 3;
  } else {
    b[0] = 0xF0 | (cp >> 18), b[1] = 0x80 | ((cp >> 12) & 0x3F);
    b[2] = 0x80 | ((cp >> 6) & 0x3F), b[3] = 0x80 | (cp & 0x3F), n = 4;
  }
  out.Add(b, n);
}

inline void AddUtf16(Sink &out, uint32_t cp) {
  uint16_t u[2];
  UIntT n = 1;
  if (cp < 0x10000) {
    u[0] = uint16_t(cp);
  } else {
    cp -= 0x10000;
    u[0] = uint16_t(0xD800 + (cp >> 10)), u[1] = uint16_t(0xDC00 + (cp & 0x3FF)), n = 2;
  }
  out.Add(u, n * 2);
}

inline uint32_t NextUtf8(const unsigned char *s, int n, int *i) {
  unsigned c = s[*i];
  if (c < 0x80) {
    ++*i;
    return c;
  }
  int len;
  unsigned lo = 0x80, hi = 0xBF;  // range of the second byte
  uint32_t cp;
  if (c >= 0xC2 && c <= 0xDF) {
    len = 2, cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    len = 3, cp = c & 0x0F;
    if (c == 0xE0) lo = 0xA0;
    if (c == 0xED) hi = 0x9F;  // no surrogates
  } else if (c >= 0xF0 && c <= 0xF4) {
    len = 4, cp = c & 0x07;
    if (c == 0xF0) lo = 0x90;
    if (c == 0xF4) hi = 0x8F;
  } else {
    ++*i;
    return kReplacement;
  }
  if (*i + len > n) {
    ++*i;
    return kReplacement;
  }
  for (int k = 1; k < len; ++k) {
    unsigned b = s[*i + k];
    if (b < (k == 1 ? lo : 0x80) || b > (k == 1 ? hi : 0xBF)) {
      ++*i;
      return kReplacement;
    }
    cp = cp << 6 | (b & 0x3F);
  }
  *i += len;
  return cp;
}

}  // namespace

uint32_t NextUtf16(const unsigned char *s, int n, int *i) {
  uint32_t u = Unit(s, (*i)++);
  if (u < 0xD800 || u > 0xDFFF) return u;
  if (u <= 0xDBFF && *i < n) {
    uint32_t lo = Unit(s, *i);
    if (lo >= 0xDC00 && lo <= 0xDFFF) {
      ++*i;
      return 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00);
    }
  }
  return kReplacement;
}

unsigned char AsciiApproximation(uint32_t cp) {
  static const struct {
    uint32_t lo, hi;
    unsigned char ascii;
  } kApprox[] = {
      {0x2018, 0x201B, '\''}, {0x2032, 0x2032, '\''}, {0x2039, 0x203A, '\''},  // quotes, primes
      {0x201C, 0x201F, '"'},  {0x2033, 0x2033, '"'},  {0x00AB, 0x00AB, '"'},
      {0x00BB, 0x00BB, '"'},  {0x2010, 0x2015, '-'},  {0x2212, 0x2212, '-'},  // dashes, minus
      {0x00A0, 0x00A0, ' '},  {0x2000, 0x200A, ' '},  {0x202F, 0x202F, ' '},  // spaces
      {0x205F, 0x205F, ' '},  {0x3000, 0x3000, ' '},  {0x00B9, 0x00B9, '1'},  // superscripts
      {0x00B2, 0x00B2, '2'},  {0x00B3, 0x00B3, '3'},  {0x2070, 0x2070, '0'},
      {0x2028, 0x2029, '\n'}, {0x2022, 0x2022, '*'},
  };
  for (const auto &a : kApprox)
    if (cp >= a.lo && cp <= a.hi) return a.ascii;
  if (cp >= 0x2074 && cp <= 0x2079) return (unsigned char)('4' + cp - 0x2074);
  return 0;
}

uint32_t ByteToUnicode(int fe, unsigned char b) {
  if (fe <= 0 || fe > fdeLastEncodingId || b < 0x20) return qvHostUni[b];
  const FdeUniTableT *t = g_tables[fe];
  if (!t) return b < 0x80 ? b : kNoUnicode;
  const FdeUniRowT *r = t->rows[0];
  return (r && b >= r->first && b <= r->last) ? r->values[b - r->first] : kNoUnicode;
}

uint32_t UnicodeToChar(int fe, uint32_t cp) {
  if (fe <= 0 || fe > fdeLastEncodingId) return UnicodeToByte(0, cp);
  if (cp < 0x20) return UnicodeToByte(0, cp);  // the control bytes are the host set's
  if (!g_reverse[fe]) return (cp < 0x80) ? cp : 0;
  return cp < 0x10000 ? g_reverse[fe][cp] : 0;
}

unsigned char UnicodeToByte(int code, uint32_t cp) {
  if (cp >= 0x10000) return 0;
  unsigned char b = 0;
  switch (code) {
    case 0:
      b = ReverseEight().map[0][cp];
      break;
    case 1:
      b = cp < 0x100 ? (unsigned char)cp : 0;
      break;
    case 3:
      b = ReverseEight().map[1][cp];
      break;
    case 4:
      b = ReverseEight().map[2][cp];
      break;
    default:
      b = cp < 0x80 ? (unsigned char)cp : 0;
      break;
  }
  if (!b && cp) b = AsciiApproximation(cp);  // ASCII is common to every 8-bit set here
  return b;
}

uint32_t ByteOfCodeToUnicode(int code, unsigned char b) {
  switch (code) {
    case 0:
      return qvHostUni[b];
    case 1:
      return b;
    case 3:
      return qvAnsiUni[b];
    case 4:
      return qvMacUni[b];
    default:
      return b < 0x80 ? b : kNoUnicode;
  }
}

int ToUnicode(const unsigned char *s, int n, FdeCharListT *list, int from, int to) {
  Sink out(list);
  auto add = [&](uint32_t cp) {
    if (cp == kNoUnicode) return;
    if (to == FdeTextEncUTF16)
      AddUtf16(out, cp);
    else
      AddUtf8(out, cp);
  };
  int fe = F_TextEncToFontEnc(from);
  if (!fe) {
    for (int i = 0; i < n; ++i) add(ByteOfCodeToUnicode(from, s[i]));
    return 0;
  }
  const FdeFontEncT &e = Classes(fe);
  const FdeUniTableT *t = g_tables[fe];
  auto cell = [](const FdeUniRowT *r, unsigned b) -> uint32_t {
    return (r && b >= r->first && b <= r->last) ? r->values[b - r->first] : kNoUnicode;
  };
  for (int i = 0; i < n;) {
    unsigned b = s[i];
    if (CharLen(e, s, i, n) == 2) {
      if (t) add(cell(t->rows[b], s[i + 1]));
      i += 2;
    } else {
      // Control bytes are the host set's; a lone lead byte has no value.
      if (!e.lead[b])
        add(b < 0x20 ? qvHostUni[b] : t ? cell(t->rows[0], b) : b < 0x80 ? b : kNoUnicode);
      ++i;
    }
  }
  return 0;
}

namespace {

// Format characters without a glyph; a set that lacks them loses nothing visible.
bool Invisible(uint32_t cp) {
  return cp == 0x00AD || (cp >= 0x200B && cp <= 0x200D) || cp == 0x2060 || cp == 0xFEFF;
}

}  // namespace

int FromUnicode(const unsigned char *s, int n, FdeCharListT *out, int from, int to) {
  // The Japanese and Chinese sets that have no table of their own go through the set that
  // does: Shift_JIS for JIS7 and EUC-JP, Big5 for CNS EUC, GB EUC for HZ.
  int via = to == FdeTextEncJIS7 || to == FdeTextEncEUCJP ? FdeTextEncShiftJIS
            : to == FdeTextEncCNSEUC                      ? FdeTextEncBig5
            : to == FdeTextEncHZ                          ? FdeTextEncGBEUC
                                                          : to;
  FdeCharListT tmp;
  if (via != to && FdeCharListInit(&tmp, UIntT(n) + 16) != 0) return -1;
  Sink dst(via != to ? &tmp : out);
  int fe = F_TextEncToFontEnc(via);
  int count = from == FdeTextEncUTF16 ? n / 2 : n;
  for (int i = 0; i < count;) {
    uint32_t cp = from == FdeTextEncUTF16 ? NextUtf16(s, count, &i) : NextUtf8(s, count, &i);
    if (via == FdeTextEncUTF8) {
      AddUtf8(dst, cp);
    } else if (via == FdeTextEncUTF16) {
      AddUtf16(dst, cp);
    } else if (fe) {
      const UShortT *rev = g_reverse[fe];
      uint32_t ch = (cp >= 0x20 && rev) ? (cp < 0x10000 ? rev[cp] : 0) : UnicodeToChar(fe, cp);
      const unsigned char pair[2] = {(unsigned char)(ch >> 8), (unsigned char)ch};
      if (ch > 0xFF)
        dst.Add(pair, 2);
      else if (ch || !Invisible(cp))
        dst.Byte(ch ? (unsigned char)ch : '?');
    } else {
      unsigned char b = via <= FdeTextEncMacASCII ? UnicodeToByte(via, cp)
                        : cp < 0x80               ? (unsigned char)cp
                                                  : 0;
      if (b || !Invisible(cp)) dst.Byte(b ? b : '?');
    }
  }
  dst.Flush();
  if (via == to) return 0;
  const unsigned char *m = tmp.buffer;
  int len = int(tmp.length);
  int rc = to == FdeTextEncJIS7     ? FdeShiftJisToJis(m, len, out)
           : to == FdeTextEncEUCJP  ? FdeShiftJisToEuc(m, len, out)
           : to == FdeTextEncCNSEUC ? FdeBig52CNSEUC(m, len, out)
                                    : FdeGb8ToHz(m, len, out);
  FdeCharListFree(&tmp);
  return rc;
}

}  // namespace qvenc

using namespace qvenc;

const UShortT *FdeUnicode8BitTable(IntT which) {
  switch (which) {
    case FdeUniTableHost:
      return qvHostUni;
    case FdeUniTableLatin1:
      return Eight().latin1;
    case FdeUniTableSymbol:
    case FdeUniTableDingbats:
    case FdeUniTableWingdings:
      return Eight().symbol;
    default:
      return nullptr;
  }
}

FdeUniTableT *FdeLoadUnicodeTable(ConStringT path) {
  if (!path) return nullptr;
  FILE *f = fopen(path, "rb");
  if (!f) return nullptr;
  std::string d;
  char buf[8192];
  size_t got;
  while ((got = fread(buf, 1, sizeof buf, f)) > 0 && long(d.size()) <= kMaxTableFile)
    d.append(buf, got);
  bool read_ok = !ferror(f);
  fclose(f);
  long len = long(d.size());
  if (!read_ok || len < 2 || len > kMaxTableFile) return nullptr;
  auto byte = [&](long p) { return (unsigned char)d[size_t(p)]; };
  unsigned first = byte(0), last = byte(1);
  if (first == 0 || last < first) return nullptr;

  // First pass: check every row against the file's length and count the values kept.
  long p = 2, kept = 0;
  for (unsigned row = first - 1; row <= last; ++row) {
    if (p + 2 > len) return nullptr;
    unsigned t0 = byte(p), t1 = byte(p + 1);
    if (t1 < t0) return nullptr;
    long count = long(t1 - t0) + 1;
    if (p + 2 + 2 * count > len) return nullptr;
    if (t1 > t0) kept += count;
    p += 2 + 2 * count;
  }
  if (p != len) return nullptr;

  auto *t = static_cast<FdeUniTableT *>(F_Calloc(1, sizeof(FdeUniTableT), 0));
  if (!t) return nullptr;
  t->data = static_cast<UShortT *>(F_Calloc(UIntT(kept ? kept : 1), sizeof(UShortT), 0));
  if (!t->data) {
    F_Free(t);
    return nullptr;
  }
  p = 2;
  UShortT *v = t->data;
  for (unsigned row = first - 1; row <= last; ++row) {
    unsigned t0 = byte(p), t1 = byte(p + 1);
    p += 2;
    if (t1 > t0) {
      unsigned slot = row == first - 1 ? 0 : row;
      FdeUniRowT *r = &t->store[slot];
      r->first = (UCharT)t0;
      r->last = (UCharT)t1;
      r->values = v;
      for (unsigned b = t0; b <= t1; ++b, p += 2)
        *v++ = (slot == 0 && b < 0x20) ? qvHostUni[b] : UShortT(byte(p) << 8 | byte(p + 1));
      t->rows[slot] = r;
    } else {
      p += 2 * (long(t1 - t0) + 1);
    }
  }
  return t;
}

VoidT FdeFreeUnicodeTable(FdeUniTableT *table) {
  if (!table) return;
  F_Free(table->data);
  F_Free(table);
}

IntT F_FdeInitUnicode(ConStringT dir) {
  if (!dir) return 0;
  int loaded = 0;
  for (int fe = 1; fe <= fdeLastEncodingId; ++fe) {
    std::string path = std::string(dir) + "/unicode/" + F_FontEncName(fe) + ".UCOD";
    FdeFreeUnicodeTable(g_tables[fe]);
    g_tables[fe] = FdeLoadUnicodeTable(path.c_str());
    BuildReverse(fe);
    if (g_tables[fe]) ++loaded;
  }
  return loaded;
}

VoidT F_FdeFreeUnicode(VoidT) {
  for (int fe = 1; fe <= fdeLastEncodingId; ++fe) {
    FdeFreeUnicodeTable(g_tables[fe]);
    g_tables[fe] = nullptr;
    BuildReverse(fe);
  }
}

const FdeUniTableT *FdeUnicodeTableOf(IntT fe) {
  return (fe > 0 && fe <= fdeLastEncodingId) ? g_tables[fe] : nullptr;
}

UIntT FdeCharToUnicode(IntT fe, UIntT ch) {
  if (ch < 0x100) return ByteToUnicode(fe, (unsigned char)ch);
  if (fe <= 0 || fe > fdeLastEncodingId || ch > 0xFFFF || !g_tables[fe]) return kNoUnicode;
  const FdeUniRowT *r = g_tables[fe]->rows[ch >> 8];
  unsigned tb = ch & 0xFF;
  return (r && tb >= r->first && tb <= r->last) ? r->values[tb - r->first] : kNoUnicode;
}
