// Japanese: JIS7 (ISO-2022-JP), Shift_JIS and EUC-JP, converted by the arithmetic between JIS
// X 0208 row/cell bytes and Shift_JIS; EUC-JP is the JIS bytes plus 0x80. Half-width katakana
// are widened where the target cannot carry them (JIS7) and kept as they are otherwise.
//
// Every reader is bounded by the text's length: an escape or a double-byte character cut off by
// the end of the text is dropped, never read past.
#include "encinternal.h"

namespace qvenc {
namespace {

constexpr unsigned char kEsc = 0x1B;
// A character in the middle of a conversion: a JIS X 0208 code (row << 8 | cell, both
// 0x21..0x7E), a single byte, or a byte that has no counterpart.
struct JChar {
  enum Kind { kSingle, kDouble, kBad, kCut } kind;
  unsigned code;
};

bool IsJisByte(unsigned b) {
  return b >= 0x21 && b <= 0x7E;
}

void PutJisAsSjis(FdeCharListT *out, unsigned jis) {
  unsigned char hi = (unsigned char)(jis >> 8), lo = (unsigned char)jis;
  Fdejis2sjis(&hi, &lo);
  Put2(out, hi, lo);
}

void PutJisAsEuc(FdeCharListT *out, unsigned jis) {
  Put2(out, (unsigned char)(0x80 | jis >> 8), (unsigned char)(0x80 | (jis & 0xFF)));
}

// Reads one Shift_JIS character; half-width katakana come back as single bytes.
JChar NextSjis(const unsigned char *s, int n, int *i) {
  unsigned b = s[*i];
  const FdeFontEncT &e = Classes(fdeJISX0208_ShiftJISEncodingId);
  if (!e.lead[b]) {
    ++*i;
    return {b < 0x80 || (b >= 0xA1 && b <= 0xDF) ? JChar::kSingle : JChar::kBad, b};
  }
  if (*i + 1 >= n) {
    ++*i;
    return {JChar::kCut, 0};
  }
  if (!e.trail[s[*i + 1]]) {
    ++*i;
    return {JChar::kBad, b};
  }
  unsigned char hi = (unsigned char)b, lo = s[*i + 1];
  *i += 2;
  Fdesjis2jis(&hi, &lo);
  if (!IsJisByte(hi) || !IsJisByte(lo)) return {JChar::kBad, 0};
  return {JChar::kDouble, unsigned(hi) << 8 | lo};
}

// Reads one EUC-JP character; half-width katakana (0x8E xx) come back as single bytes
// 0xA1..0xDF, as in Shift_JIS.
JChar NextEuc(const unsigned char *s, int n, int *i) {
  unsigned b = s[*i];
  if (b < 0x80) {
    ++*i;
    return {JChar::kSingle, b};
  }
  int need = b == 0x8F ? 3 : 2;  // 0x8F: JIS X 0212, which the other forms cannot hold
  if (!(b == 0x8E || b == 0x8F || (b >= 0xA1 && b <= 0xFE))) {
    ++*i;
    return {JChar::kBad, b};
  }
  if (*i + need > n) {
    *i = n;
    return {JChar::kCut, 0};
  }
  unsigned c = s[*i + 1];
  if (b == 0x8E) {
    if (c < 0xA1 || c > 0xDF) {
      ++*i;
      return {JChar::kBad, b};
    }
    *i += 2;
    return {JChar::kSingle, c};
  }
  if (c < 0xA1 || c > 0xFE || (need == 3 && (s[*i + 2] < 0xA1 || s[*i + 2] > 0xFE))) {
    ++*i;
    return {JChar::kBad, b};
  }
  *i += need;
  if (need == 3) return {JChar::kBad, 0};
  return {JChar::kDouble, (b & 0x7F) << 8 | (c & 0x7F)};
}

// Reads one JIS7 character, following the escapes that switch the double-byte mode.
JChar NextJis(const unsigned char *s, int n, int *i, bool *dbl) {
  for (;;) {
    if (*i >= n) return {JChar::kCut, 0};
    unsigned b = s[*i];
    if (b != kEsc) break;
    unsigned c = *i + 1 < n ? s[*i + 1] : 0;
    if (c == '$' || c == '(') {
      *dbl = c == '$';
      *i += (*i + 3 <= n) ? 3 : n - *i;  // the escape and the two bytes after it
    } else {
      ++*i;  // an escape we do not know: dropped
    }
  }
  unsigned b = s[*i];
  if (b == '\n' || b == '\r' || !*dbl) {
    ++*i;
    return {b < 0x80 ? JChar::kSingle : JChar::kBad, b};
  }
  if (*i + 1 >= n) {
    ++*i;
    return {JChar::kCut, 0};
  }
  unsigned c = s[*i + 1];
  if (!IsJisByte(b) || !IsJisByte(c)) {
    ++*i;
    return {JChar::kBad, b};
  }
  *i += 2;
  return {JChar::kDouble, b << 8 | c};
}

enum Target { kToSjis, kToEuc, kToJis };

// Writes characters in one of the three forms; JIS7 double-byte runs open with ESC $ B and
// close with ESC ( J.
struct Writer {
  FdeCharListT *out;
  Target target;
  bool dbl = false;

  void Mode(bool d) {
    if (target != kToJis || d == dbl) return;
    const unsigned char open[3] = {kEsc, '$', 'B'}, close[3] = {kEsc, '(', 'J'};
    FdeCharListAddChar(out, d ? open : close, 3);
    dbl = d;
  }
  void Double(unsigned jis) {
    Mode(true);
    if (target == kToSjis)
      PutJisAsSjis(out, jis);
    else if (target == kToEuc)
      PutJisAsEuc(out, jis);
    else
      Put2(out, (unsigned char)(jis >> 8), (unsigned char)jis);
  }
  void Single(unsigned b) {
    Mode(false);
    Put(out, (unsigned char)b);
  }
  // A half-width katakana byte (0xA1..0xDF), with the byte after it for a sound mark; returns
  // whether that byte was used.
  bool Kana(unsigned b, unsigned next) {
    if (target == kToSjis) {
      Single(b);
      return false;
    }
    if (target == kToEuc) {
      Mode(false);
      Put2(out, 0x8E, (unsigned char)b);
      return false;
    }
    UShortT jis = 0;
    int used = Fdehan2zen((UCharT)b, (UCharT)next, &jis);
    Double(jis);
    return used == 2;
  }
  void Take(const JChar &c, unsigned next_kana, bool *used_next) {
    *used_next = false;
    switch (c.kind) {
      case JChar::kDouble:
        Double(c.code);
        break;
      case JChar::kSingle:
        if (c.code >= 0xA1 && c.code <= 0xDF)
          *used_next = Kana(c.code, next_kana);
        else
          Single(c.code);
        break;
      case JChar::kBad:
        Single('?');
        break;
      case JChar::kCut:
        break;
    }
  }
  void End() { Mode(false); }
};

using Reader = JChar (*)(const unsigned char *, int, int *);

int Run(const unsigned char *s, int n, FdeCharListT *out, Reader read, Target target) {
  Writer w{out, target};
  int i = 0;
  while (i < n) {
    JChar c = read(s, n, &i);
    // A sound mark that may follow half-width katakana, peeked without consuming it.
    int j = i;
    unsigned next = 0;
    if (c.kind == JChar::kSingle && c.code >= 0xA1 && c.code <= 0xDF && i < n) {
      JChar m = read(s, n, &j);
      if (m.kind == JChar::kSingle && (m.code == 0xDE || m.code == 0xDF)) next = m.code;
    }
    bool used = false;
    w.Take(c, next, &used);
    if (used) i = j;
  }
  w.End();
  return 0;
}

int RunJis(const unsigned char *s, int n, FdeCharListT *out, Target target) {
  Writer w{out, target};
  bool dbl = false;
  int i = 0;
  while (i < n) {
    JChar c = NextJis(s, n, &i, &dbl);
    bool unused;
    w.Take(c, 0, &unused);
  }
  w.End();
  return 0;
}

}  // namespace
}  // namespace qvenc

using namespace qvenc;

VoidT Fdejis2sjis(UCharT *hi, UCharT *lo) {
  unsigned j1 = *hi, j2 = *lo;
  unsigned s1 = ((j1 + 1) >> 1) + (j1 <= 0x5E ? 0x70 : 0xB0);
  unsigned s2 = (j1 & 1) ? j2 + (j2 >= 0x60 ? 0x20 : 0x1F) : j2 + 0x7E;
  *hi = (UCharT)s1;
  *lo = (UCharT)s2;
}

VoidT Fdesjis2jis(UCharT *hi, UCharT *lo) {
  unsigned s1 = *hi, s2 = *lo;
  unsigned adjust = s2 < 0x9F;
  unsigned row = s1 < 0xA0 ? 0x70 : 0xB0;
  unsigned cell = adjust ? (s2 > 0x7F ? 0x20 : 0x1F) : 0x7E;
  *hi = (UCharT)(((s1 - row) << 1) - adjust);
  *lo = (UCharT)(s2 - cell);
}

IntT Fdehan2zen(UCharT hw, UCharT next, UShortT *jis) {
  if (hw < 0xA1 || hw > 0xDF || !jis) return 0;
  unsigned i = hw - 0xA1u;
  if (next == 0xDE && qvKanaVoiced[i]) {
    *jis = qvKanaVoiced[i];
    return 2;
  }
  if (next == 0xDF && qvKanaSemiVoiced[i]) {
    *jis = qvKanaSemiVoiced[i];
    return 2;
  }
  *jis = qvKanaWide[i];
  return 1;
}

IntT FdeJisToShiftJis(ConUStringT s, IntT n, FdeCharListT *out) {
  return RunJis(s, n, out, kToSjis);
}
IntT FdeJisToEuc(ConUStringT s, IntT n, FdeCharListT *out) {
  return RunJis(s, n, out, kToEuc);
}
IntT FdeShiftJisToJis(ConUStringT s, IntT n, FdeCharListT *out) {
  return Run(s, n, out, NextSjis, kToJis);
}
IntT FdeShiftJisToEuc(ConUStringT s, IntT n, FdeCharListT *out) {
  return Run(s, n, out, NextSjis, kToEuc);
}
IntT FdeEucToJis(ConUStringT s, IntT n, FdeCharListT *out) {
  return Run(s, n, out, NextEuc, kToJis);
}
IntT FdeEucToShiftJis(ConUStringT s, IntT n, FdeCharListT *out) {
  return Run(s, n, out, NextEuc, kToSjis);
}
