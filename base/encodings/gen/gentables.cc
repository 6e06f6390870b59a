// Build-time generator of the encoding data.
//
//   gentables KANA_TXT OUT_DIR
//
// Writes OUT_DIR/unicode/<font encoding>.UCOD for the four double-byte font encodings and
// OUT_DIR/enc_tables.cc with the C tables the library compiles in: the 8-bit Unicode maps, the
// Big5 <-> CNS 11643 sequence tables, the katakana widening in JIS codes and the XML 1.0 name
// character ranges. Every mapping comes from the platform's iconv converters (and the XML
// classes from libxml2's character tables); nothing here is typed in by hand except the host
// set's own control characters.
#include <errno.h>
#include <iconv.h>
#include <libxml/chvalid.h>
#include <locale.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <wctype.h>

#include <array>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr unsigned kNone = 0xFFFF;

[[noreturn]] void Die(const std::string &what) {
  fprintf(stderr, "gentables: %s\n", what.c_str());
  exit(1);
}

// One iconv conversion of a complete byte string; false when iconv rejects any of it.
bool Convert(const char *to, const char *from, const std::string &in, std::string *out) {
  iconv_t cd = iconv_open(to, from);
  if (cd == (iconv_t)-1) Die(std::string("iconv has no converter ") + from + " -> " + to);
  std::string src = in;
  char buf[64];
  char *ip = src.data();
  size_t il = src.size();
  char *op = buf;
  size_t ol = sizeof buf;
  size_t r = iconv(cd, &ip, &il, &op, &ol);
  bool ok = r != (size_t)-1 && il == 0 && iconv(cd, nullptr, nullptr, &op, &ol) != (size_t)-1;
  // glibc counts irreversible conversions in r; those are substitutions, not mappings.
  ok = ok && r == 0;
  iconv_close(cd);
  if (ok) out->assign(buf, op - buf);
  return ok;
}

// The single BMP code point that a byte string decodes to, or kNone.
unsigned Decode(const char *enc, const std::string &bytes) {
  std::string u;
  if (!Convert("UTF-32BE", enc, bytes, &u) || u.size() != 4) return kNone;
  unsigned v = ((unsigned char)u[0] << 24) | ((unsigned char)u[1] << 16) |
               ((unsigned char)u[2] << 8) | (unsigned char)u[3];
  return v < 0xFFFF ? v : kNone;
}

bool Encode(const char *enc, unsigned cp, std::string *out) {
  std::string u = {char(cp >> 24), char(cp >> 16), char(cp >> 8), char(cp)};
  return Convert(enc, "UTF-32BE", u, out);
}

struct DbEncoding {
  const char *name;   // font encoding name, also the .UCOD file name
  const char *iconv;  // converter of the published encoding
  unsigned lead_lo, lead_hi;
  bool (*trail)(unsigned);
};

bool SjisTrail(unsigned b) {
  return b >= 0x40 && b <= 0xFC && b != 0x7F;
}
bool EucTrail(unsigned b) {
  return b >= 0xA1 && b <= 0xFE;
}
bool Big5Trail(unsigned b) {
  return (b >= 0x40 && b <= 0x7E) || (b >= 0xA1 && b <= 0xFE);
}
bool GbTrail(unsigned b) {
  return b >= 0x40 && b <= 0xFE;
}
bool SjisLead(unsigned b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

const DbEncoding kDbEncodings[] = {
    {"JISX0208.ShiftJIS", "SHIFT_JIS", 0x81, 0xFC, SjisTrail},
    {"KSC5601-1992", "EUC-KR", 0xA1, 0xFE, EucTrail},
    {"BIG5", "BIG5", 0xA1, 0xFE, Big5Trail},
    {"GB2312-80.EUC", "EUC-CN", 0x81, 0xFE, GbTrail},
};

struct Preferred {
  unsigned font_enc, unicode, code;
};
std::vector<Preferred> g_preferred;

bool IsLead(const DbEncoding &e, unsigned b) {
  if (e.trail == SjisTrail) return SjisLead(b);
  return b >= e.lead_lo && b <= e.lead_hi;
}

void PutRow(std::string *f, const std::array<unsigned, 256> &row) {
  int t0 = -1, t1 = -1;
  for (int b = 0; b < 256; ++b)
    if (row[b] != kNone) {
      if (t0 < 0) t0 = b;
      t1 = b;
    }
  if (t0 < 0) {
    t0 = 0;
    t1 = 0;
  } else if (t1 == t0) {
    // A row of one value would read as empty; widen it by an unmapped neighbour.
    if (t1 < 255)
      ++t1;
    else
      --t0;
  }
  f->push_back(char(t0));
  f->push_back(char(t1));
  for (int b = t0; b <= t1; ++b) {
    f->push_back(char(row[b] >> 8));
    f->push_back(char(row[b] & 0xFF));
  }
}

void WriteUcod(const DbEncoding &e, const std::string &dir) {
  std::array<unsigned, 256> single;
  single.fill(kNone);
  for (unsigned b = 0; b < 256; ++b)
    if (!IsLead(e, b)) single[b] = Decode(e.iconv, std::string(1, char(b)));
  std::vector<std::array<unsigned, 256>> rows;
  unsigned first = 0, last = 0;
  for (unsigned l = e.lead_lo; l <= e.lead_hi; ++l) {
    std::array<unsigned, 256> row;
    row.fill(kNone);
    bool any = false;
    if (IsLead(e, l))
      for (unsigned t = 0; t < 256; ++t)
        if (e.trail(t) && (row[t] = Decode(e.iconv, std::string{char(l), char(t)})) != kNone)
          any = true;
    if (any && !first) first = l;
    if (any) last = l;
    rows.push_back(row);
  }
  if (!first) Die(std::string("no double-byte characters in ") + e.iconv);
  // Characters held twice convert back to the code that iconv writes for them.
  std::vector<unsigned> seen(0x10000, 0);
  for (const auto &row : rows)
    for (unsigned v : row)
      if (v != kNone) ++seen[v];
  for (unsigned u = 0; u < 0x10000; ++u) {
    std::string pref;
    if (seen[u] > 1 && Encode(e.iconv, u, &pref) && pref.size() == 2)
      g_preferred.push_back({unsigned(&e - kDbEncodings) + 1, u,
                             unsigned((unsigned char)pref[0] << 8 | (unsigned char)pref[1])});
  }
  std::string f = {char(first), char(last)};
  PutRow(&f, single);
  for (unsigned l = first; l <= last; ++l) PutRow(&f, rows[l - e.lead_lo]);
  std::string path = dir + "/unicode/" + e.name + ".UCOD";
  std::ofstream out(path, std::ios::binary);
  out.write(f.data(), f.size());
  if (!out) Die("cannot write " + path);
}

void Table(FILE *out, const char *type, const char *name, const std::vector<unsigned> &v) {
  fprintf(out, "extern const %s %s[%zu];\nconst %s %s[%zu] = {", type, name, v.size(), type, name,
          v.size());
  for (size_t i = 0; i < v.size(); ++i) fprintf(out, "%s0x%04X,", i % 12 ? "" : "\n  ", v[i]);
  fprintf(out, "\n};\n\n");
}

// Unicode of every byte of an 8-bit converter; kNone where it has none.
std::vector<unsigned> EightBit(const char *enc) {
  std::vector<unsigned> v(256);
  for (unsigned b = 0; b < 256; ++b) v[b] = Decode(enc, std::string(1, char(b)));
  return v;
}

// The host set: ASCII and the letters placed as in Mac OS Roman, with the host's own meanings
// of the control bytes (tab, forced return, paragraph end, special spaces and hyphens).
std::vector<unsigned> HostSet() {
  std::vector<unsigned> v = EightBit("MACINTOSH");
  for (unsigned b = 0; b < 0x20; ++b) v[b] = kNone;
  v[0x7F] = kNone;
  const unsigned specials[][2] = {
      {0x04, 0x00AD},  // discretionary hyphen
      {0x08, 0x0009},  // tab
      {0x09, 0x2028},  // forced return
      {0x0A, 0x000A},  // paragraph end
      {0x10, 0x2007},  // numeric space
      {0x11, 0x00A0},  // hard space
      {0x12, 0x2009},  // thin space
      {0x13, 0x2002},  // en space
      {0x14, 0x2003},  // em space
      {0x15, 0x2011},  // hard hyphen
  };
  for (auto &s : specials) v[s[0]] = s[1];
  return v;
}

// Big5 code <-> CNS 11643 plane/row/cell, both as dense sequence numbers:
// Big5 (lead - 0xA1) * 157 + trail position; CNS (plane - 1) * 8836 + row * 94 + cell.
void Big5Cns(FILE *out) {
  std::vector<unsigned> b2c(94 * 157, kNone), c2b(7 * 8836, kNone);
  for (unsigned l = 0xA1; l <= 0xFE; ++l)
    for (unsigned t = 0; t < 256; ++t) {
      if (!Big5Trail(t)) continue;
      unsigned seq = (l - 0xA1) * 157 + (t < 0x7F ? t - 0x40 : t - 0xA1 + 63);
      unsigned u = Decode("BIG5", std::string{char(l), char(t)});
      std::string c;
      if (u == kNone || !Encode("EUC-TW", u, &c)) continue;
      unsigned plane, row, cell;
      if (c.size() == 2) {
        plane = 1, row = (unsigned char)c[0] - 0xA1, cell = (unsigned char)c[1] - 0xA1;
      } else if (c.size() == 4 && (unsigned char)c[0] == 0x8E) {
        plane = (unsigned char)c[1] - 0xA0, row = (unsigned char)c[2] - 0xA1,
        cell = (unsigned char)c[3] - 0xA1;
      } else {
        continue;
      }
      if (plane < 1 || plane > 7 || row > 93 || cell > 93) continue;
      unsigned cns = (plane - 1) * 8836 + row * 94 + cell;
      b2c[seq] = cns;
      // Where Big5 holds a character twice, CNS goes back to the code iconv writes for it.
      std::string pref;
      if (Encode("BIG5", u, &pref) && pref.size() == 2)
        c2b[cns] = ((unsigned char)pref[0] << 8) | (unsigned char)pref[1];
    }
  Table(out, "unsigned short", "qvBig5ToCns", b2c);
  Table(out, "unsigned short", "qvCnsToBig5", c2b);
}

// Half-width katakana (Shift_JIS 0xA1..0xDF) widened to JIS X 0208 row/cell codes, with the
// voiced and semi-voiced combinations; 0 where the set has no such character.
void Kana(FILE *out, const char *kana_txt) {
  FILE *in = fopen(kana_txt, "r");
  if (!in) Die(std::string("cannot read ") + kana_txt);
  unsigned hw, fw, voiced, semi;
  std::vector<unsigned> wide(63, 0), v(63, 0), s(63, 0);
  auto jis = [](unsigned cp) -> unsigned {
    std::string e;
    if (!cp || !Encode("EUC-JP", cp, &e) || e.size() != 2) return 0;
    return (((unsigned char)e[0] & 0x7F) << 8) | ((unsigned char)e[1] & 0x7F);
  };
  int n = 0;
  while (fscanf(in, "%x %x %x %x", &hw, &fw, &voiced, &semi) == 4) {
    if (hw < 0xFF61 || hw > 0xFF9F) Die("bad line in kana table");
    unsigned i = hw - 0xFF61;
    if (Decode("SHIFT_JIS", std::string(1, char(0xA1 + i))) != hw) Die("Shift_JIS kana order");
    if (!(wide[i] = jis(fw))) Die("a katakana without a full-width form");
    v[i] = jis(voiced);
    s[i] = jis(semi);
    ++n;
  }
  fclose(in);
  if (n != 63) Die("kana table is incomplete");
  Table(out, "unsigned short", "qvKanaWide", wide);
  Table(out, "unsigned short", "qvKanaVoiced", v);
  Table(out, "unsigned short", "qvKanaSemiVoiced", s);
}

// Letter, digit, case and space properties of the host set, from the platform's Unicode
// classification of each byte's character.
std::vector<unsigned> CharProps(const std::vector<unsigned> &host) {
  if (!setlocale(LC_CTYPE, "C.UTF-8")) Die("no C.UTF-8 locale for character classes");
  std::vector<unsigned> v(256, 0);
  for (unsigned b = 0; b < 256; ++b) {
    unsigned u = host[b];
    if (u == kNone) continue;
    if (iswupper(u)) v[b] |= 0x01;
    if (iswlower(u)) v[b] |= 0x02;
    if (iswspace(u) || u == 0xA0 || (u >= 0x2000 && u <= 0x200A)) v[b] |= 0x04;
    if (iswalpha(u) && !(u >= '0' && u <= '9')) v[b] |= 0x08;
    if (u >= '0' && u <= '9') v[b] |= 0x10;
  }
  return v;
}

void Ranges(FILE *out, const char *name, int (*in)(unsigned)) {
  std::vector<unsigned> v;
  for (unsigned c = 0; c <= 0xFFFF; ++c)
    if (in(c) && (c == 0 || !in(c - 1))) {
      unsigned e = c;
      while (e < 0xFFFF && in(e + 1)) ++e;
      v.push_back(c);
      v.push_back(e);
    }
  Table(out, "unsigned short", name, v);
  fprintf(out, "extern const unsigned %sCount;\nconst unsigned %sCount = %zu;\n\n", name, name,
          v.size() / 2);
}

int BaseChar(unsigned c) {
  return xmlIsBaseCharQ(c);
}
int Ideographic(unsigned c) {
  return xmlIsIdeographicQ(c);
}
int Digit(unsigned c) {
  return xmlIsDigitQ(c);
}
int Combining(unsigned c) {
  return xmlIsCombiningQ(c);
}
int Extender(unsigned c) {
  return xmlIsExtenderQ(c);
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 3) Die("usage: gentables KANA_TXT OUT_DIR");
  std::string dir = argv[2];
  mkdir(dir.c_str(), 0755);
  mkdir((dir + "/unicode").c_str(), 0755);
  for (const auto &e : kDbEncodings) WriteUcod(e, dir);

  std::string path = dir + "/enc_tables.cc.tmp";
  FILE *out = fopen(path.c_str(), "w");
  if (!out) Die("cannot write " + path);
  fprintf(out, "// Generated by gentables from the platform's converters. Do not edit.\n");
  fprintf(out, "#include <quorvex/fencode.h>\n\n");
  Table(out, "unsigned short", "qvHostUni", HostSet());
  Table(out, "UCharT", "FdeCharProps", CharProps(HostSet()));
  Table(out, "unsigned short", "qvMacUni", EightBit("MACINTOSH"));
  Table(out, "unsigned short", "qvAnsiUni", EightBit("CP1252"));
  std::vector<unsigned> pref;
  for (const auto &p : g_preferred) pref.insert(pref.end(), {p.font_enc, p.unicode, p.code});
  if (pref.empty()) pref = {0, 0, 0};  // no zero-length arrays
  Table(out, "unsigned short", "qvPreferred", pref);
  fprintf(out,
          "extern const unsigned qvPreferredCount;\nconst unsigned qvPreferredCount = %zu;\n\n",
          g_preferred.size());
  Big5Cns(out);
  Kana(out, argv[1]);
  Ranges(out, "qvXmlBaseChar", BaseChar);
  Ranges(out, "qvXmlIdeographic", Ideographic);
  Ranges(out, "qvXmlDigit", Digit);
  Ranges(out, "qvXmlCombining", Combining);
  Ranges(out, "qvXmlExtender", Extender);
  if (fclose(out) != 0) Die("cannot write " + path);
  if (rename(path.c_str(), (dir + "/enc_tables.cc").c_str()) != 0) Die("cannot rename " + path);
  return 0;
}
