// Font encodings, locale detection and the registry of text encoding names.
#include <locale.h>

#include <string>

#include <quorvex/fdeenchook.h>
#include <quorvex/fdemem.h>
#include <quorvex/fdestr.h>

#include "encinternal.h"

FdeFontEncT fdeFontEncs[fdeLastEncodingId + 1];
IntT fdeDialogEncodingId = 0;
IntT fdeLocaleIsEUC = -1, fdeLocaleIsJIS = -1, fdeLocaleIsCNS = -1, fdeLocaleIsRoman = -1;

namespace qvenc {
namespace {

struct FontEncDesc {
  const char *name;
  int text_enc;
  // Lead and trail byte ranges, inclusive pairs, ended by {0, 0}.
  unsigned char lead[3][2];
  unsigned char trail[3][2];
};

const FontEncDesc kFontEncs[fdeLastEncodingId + 1] = {
    {"VodudUdazu", 0, {{0, 0}}, {{0, 0}}},
    {"JISX0208.ShiftJIS",
     6,
     {{0x81, 0x9F}, {0xE0, 0xFC}, {0, 0}},
     {{0x40, 0x7E}, {0x80, 0xFC}, {0, 0}}},
    {"KSC5601-1992", 12, {{0xA1, 0xFE}, {0, 0}}, {{0xA1, 0xFE}, {0, 0}}},
    {"BIG5", 8, {{0xA1, 0xFE}, {0, 0}}, {{0x40, 0x7E}, {0xA1, 0xFE}, {0, 0}}},
    {"GB2312-80.EUC", 10, {{0x81, 0xFE}, {0, 0}}, {{0x40, 0xFE}, {0, 0}}},
};

void Fill(FdeFontEncT *e, const FontEncDesc &d) {
  *e = FdeFontEncT{};
  for (const auto &r : d.lead)
    for (unsigned b = r[0]; r[1] && b <= r[1]; ++b) e->lead[b] = 1;
  for (const auto &r : d.trail)
    for (unsigned b = r[0]; r[1] && b <= r[1]; ++b) e->trail[b] = 1;
  e->name = d.name;
}

struct AllClasses {
  FdeFontEncT enc[fdeLastEncodingId + 1];
  AllClasses() {
    for (int i = 0; i <= fdeLastEncodingId; ++i) Fill(&enc[i], kFontEncs[i]);
  }
};

struct RegistryRow {
  int code;
  const char *name;
  bool mime;
};

const RegistryRow kRegistry[] = {
    {1, "ISO-8859-1", false}, {2, "US-ASCII", false},  {3, "windows-1252", false},
    {3, "ANSI", false},       {4, "macintosh", false}, {4, "MacASCII", false},
    {5, "JIS7", false},       {6, "Shift_JIS", false}, {7, "JIS8_EUC", false},
    {7, "EUC-JP", true},      {8, "Big5", false},      {9, "CNS_EUC", false},
    {9, "EUC-TW", true},      {9, "EUC-CNS", false},   {10, "GB8_EUC", false},
    {10, "EUC-CN", true},     {10, "GB", false},       {11, "HZ", false},
    {12, "KSC8_EUC", false},  {12, "EUC-KR", true},    {16, "UTF-8", false},
    {17, "UTF-16", false},
};
static_assert(sizeof kRegistry / sizeof kRegistry[0] == 22, "the registry has 22 rows");

BoolT DialogLeadByte(UCharT b) {
  return fdeFontEncs[fdeDialogEncodingId].lead[b];
}

// File names: in a Japanese EUC or JIS locale the library's names are Shift_JIS and the
// platform's EUC-JP or JIS7; in a Traditional Chinese locale Big5 and CNS EUC.
StringT FileName(ConStringT name, bool to_platform, bool roman_latin1) {
  int internal = 0, platform = 0;
  if (fdeLocaleIsEUC == 1)
    internal = FdeTextEncShiftJIS, platform = FdeTextEncEUCJP;
  else if (fdeLocaleIsJIS == 1)
    internal = FdeTextEncShiftJIS, platform = FdeTextEncJIS7;
  else if (fdeLocaleIsCNS == 1)
    internal = FdeTextEncBig5, platform = FdeTextEncCNSEUC;
  else if (roman_latin1 && fdeLocaleIsRoman == 1)
    platform = FdeTextEncISOLatin1;
  if (!name) name = "";
  if (internal == platform) return F_StrCopyString(name);
  return to_platform ? F_StrConvertEnc(name, internal, platform)
                     : F_StrConvertEnc(name, platform, internal);
}

StringT InternalToPlatform(ConStringT name) {
  return FileName(name, true, false);
}
StringT PlatformToInternal(ConStringT name) {
  return FileName(name, false, false);
}
StringT PlatformToInternal2(ConStringT name) {
  return FileName(name, false, true);
}

bool IsAlnum(unsigned char c) {
  return FdeCharProps[c] & (FDE_CP_LETTER | FDE_CP_DIGIT);
}

}  // namespace

const FdeFontEncT &Classes(int fontEnc) {
  static const AllClasses all;
  return all.enc[(fontEnc >= 0 && fontEnc <= fdeLastEncodingId) ? fontEnc : 0];
}

}  // namespace qvenc

using namespace qvenc;

IntT FdeLocaleKind(ConStringT name) {
  std::string n = name ? name : "";
  auto prefix = [&](const char *p) { return n.rfind(p, 0) == 0; };
  if (prefix("japanese") || prefix("ja_JP.EUC")) return 'E';
  if (prefix("ja_JP.JIS")) return 'J';
  if (prefix("ja_JP.SJIS")) return 'S';
  if (prefix("ja")) return 'E';
  if (prefix("zh_TW")) return 'C';
  return 'R';
}

VoidT checkEUC(VoidT) {
  if (fdeLocaleIsEUC != -1 || fdeLocaleIsCNS != -1) return;
  // Ask for the environment's locale, then put the process locale back as it was: detection
  // must not change how the rest of the program formats or classifies text.
  const char *cur = setlocale(LC_CTYPE, nullptr);
  std::string saved = cur ? cur : "C";
  const char *env = setlocale(LC_CTYPE, "");
  IntT kind = FdeLocaleKind(env);
  setlocale(LC_CTYPE, saved.c_str());
  fdeLocaleIsEUC = kind == 'E';
  fdeLocaleIsJIS = kind == 'J';
  fdeLocaleIsCNS = kind == 'C';
  fdeLocaleIsRoman = kind == 'R';
}

IntT F_FdeInitFontEncs(ConStringT dialogEncodingName) {
  for (int i = 0; i <= fdeLastEncodingId; ++i) fdeFontEncs[i] = Classes(i);
  fdeDialogEncodingId = 0;
  for (int i = 0; i <= fdeLastEncodingId; ++i)
    if (dialogEncodingName && F_StrIEqual(dialogEncodingName, fdeFontEncs[i].name))
      fdeDialogEncodingId = i;
  checkEUC();
  // From now on the path layer scans names and converts them with these encodings.
  const FdeEncodingHooksT hooks = {DialogLeadByte, InternalToPlatform, PlatformToInternal,
                                   PlatformToInternal2};
  FdeSetEncodingHooks(&hooks);
  return fdeDialogEncodingId;
}

ConStringT F_FontEncName(IntT id) {
  return (id >= 0 && id <= fdeLastEncodingId) ? kFontEncs[id].name : nullptr;
}

IntT F_FontEncId(ConStringT name) {
  for (int i = 0; i <= fdeLastEncodingId; ++i)
    if (name && F_StrIEqual(name, kFontEncs[i].name)) return i;
  return 0;
}

IntT F_FontEncToTextEnc(IntT id) {
  return (id >= 0 && id <= fdeLastEncodingId) ? kFontEncs[id].text_enc : 0;
}

IntT F_TextEncToFontEnc(IntT code) {
  for (int i = 1; i <= fdeLastEncodingId; ++i)
    if (kFontEncs[i].text_enc == code) return i;
  return 0;
}

BoolT FdeIsLeadByte(IntT id, UCharT b) {
  return id >= 0 && id <= fdeLastEncodingId && fdeFontEncs[id].lead[b];
}

BoolT FdeIsTrailByte(IntT id, UCharT b) {
  return id >= 0 && id <= fdeLastEncodingId && fdeFontEncs[id].trail[b];
}

ConStringT FdeTextEncValueToName(IntT code) {
  for (const auto &r : kRegistry)
    if (r.code == code) return r.name;
  return "";
}

ConStringT FdeTextEncValueToMimeName(IntT code) {
  for (const auto &r : kRegistry)
    if (r.code == code && r.mime) return r.name;
  return FdeTextEncValueToName(code);
}

IntT FdeTextEncNameToValue(ConStringT name) {
  for (const auto &r : kRegistry)
    if (F_StrANICmp(name, r.name) == 0) return r.code;
  return 0;
}

IntT F_StrANICmp(ConStringT a, ConStringT b) {
  const unsigned char *p = reinterpret_cast<const unsigned char *>(a ? a : "");
  const unsigned char *q = reinterpret_cast<const unsigned char *>(b ? b : "");
  for (;;) {
    while (*p && !IsAlnum(*p)) ++p;
    while (*q && !IsAlnum(*q)) ++q;
    int x = FdeMToUpper[*p], y = FdeMToUpper[*q];
    if (x != y || !x) return x - y;
    ++p;
    ++q;
  }
}
