// The registry of encoding names, font encodings, locale detection and the dispatcher's
// handling of pairs it does not convert.
#include <gtest/gtest.h>

#include <locale.h>
#include <stdlib.h>

#include <string>

#include <quorvex/fdeenchook.h>
#include <quorvex/fdepath.h>

#include "enc_test_util.h"

using namespace enctest;

namespace {

TEST(Registry, NamesMatchByLettersAndDigitsOnly) {
  for (const char *n : {"shift-jis", "SHIFTJIS", "Shift_JIS", "shift jis"})
    EXPECT_EQ(FdeTextEncNameToValue(n), 6) << n;
  EXPECT_EQ(FdeTextEncNameToValue("euc-jp"), 7);
  EXPECT_EQ(FdeTextEncNameToValue("utf16"), 17);
  EXPECT_EQ(FdeTextEncNameToValue("ansi"), 3);
  EXPECT_EQ(FdeTextEncNameToValue("EUC_CNS"), 9);
  EXPECT_EQ(FdeTextEncNameToValue("KOI8-R"), 0);
  EXPECT_EQ(FdeTextEncNameToValue(nullptr), 0);
  // Every code's names lead back to it.
  for (int code = 1; code <= FdeTextEncLast; ++code) {
    std::string name = FdeTextEncValueToName(code), mime = FdeTextEncValueToMimeName(code);
    if (code >= 13 && code <= 15) {
      EXPECT_EQ(name, "");
      EXPECT_EQ(mime, "");
      continue;
    }
    EXPECT_EQ(FdeTextEncNameToValue(name.c_str()), code) << name;
    EXPECT_EQ(FdeTextEncNameToValue(mime.c_str()), code) << mime;
  }
  EXPECT_STREQ(FdeTextEncValueToMimeName(9), "EUC-TW");
  EXPECT_STREQ(FdeTextEncValueToName(9), "CNS_EUC");
  EXPECT_STREQ(FdeTextEncValueToMimeName(6), "Shift_JIS");
  EXPECT_STREQ(FdeTextEncValueToName(0), "");
  EXPECT_STREQ(FdeTextEncValueToName(99), "");
}

TEST(Registry, AlphanumericCompareFoldsAndSkips) {
  EXPECT_EQ(F_StrANICmp("Big-5", "big5"), 0);
  EXPECT_EQ(F_StrANICmp("abc", "a.b.d"), 'C' - 'D');
  EXPECT_EQ(F_StrANICmp("ab", "abc"), -'C');
  EXPECT_EQ(F_StrANICmp(nullptr, "--"), 0);
  // Upper-half letters of the host set fold too: 0x8A and 0x80 are one letter's two cases.
  EXPECT_EQ(F_StrANICmp("\x8A", "\x80"), 0);
  EXPECT_EQ(F_StrANICmp("\xA5x", "x"), 0);  // 0xA5, a bullet, is skipped
  EXPECT_NE(F_StrANICmp("\x8Ax", "x"), 0);
}

TEST(FontEncodings, NamesIdsAndTextCodes) {
  EXPECT_EQ(F_FontEncId("big5"), fdeBIG5EncodingId);
  EXPECT_EQ(F_FontEncId("jisx0208.shiftjis"), fdeJISX0208_ShiftJISEncodingId);
  EXPECT_EQ(F_FontEncId("nothing"), 0);
  EXPECT_EQ(F_FontEncName(fdeLastEncodingId + 1), nullptr);
  for (int id = 0; id <= fdeLastEncodingId; ++id) {
    EXPECT_EQ(F_FontEncId(F_FontEncName(id)), id);
    EXPECT_EQ(F_TextEncToFontEnc(F_FontEncToTextEnc(id)), id);
  }
  EXPECT_EQ(F_TextEncToFontEnc(7), 0);
  EXPECT_EQ(F_FontEncToTextEnc(9), 0);
  EXPECT_EQ(F_FdeInitFontEncs("gb2312-80.euc"), fdeGB2312_80_EUCEncodingId);
  EXPECT_EQ(fdeDialogEncodingId, fdeGB2312_80_EUCEncodingId);
  EXPECT_EQ(F_FdeInitFontEncs("unknown"), 0);
  EXPECT_EQ(F_FdeInitFontEncs(nullptr), 0);
}

TEST(FontEncodings, LeadAndTrailBytesDecideCharacterLength) {
  F_FdeInitFontEncs(nullptr);
  struct {
    int enc;
    const char *text;
    unsigned chars;
  } cases[] = {
      {1, "\x81\x40", 1}, {1, "\x80\x40", 2}, {1, "\x9F\xFC", 1}, {1, "\xA0\x40", 2},
      {1, "\xE0\x40", 1}, {1, "\xFC\x40", 1}, {1, "\xFD\x40", 2}, {1, "\x81\x7F", 2},
      {1, "\x81\x3F", 2}, {1, "\x81\xFD", 2}, {2, "\xA1\xA1", 1}, {2, "\xA1\x40", 2},
      {3, "\xA1\x40", 1}, {3, "\xA1\x7F", 2}, {3, "\xA1\xA0", 2}, {3, "\xFE\xFE", 1},
      {4, "\x81\x40", 1}, {4, "\x80\x40", 2}, {4, "\xFE\xFE", 1}, {4, "\x81\xFF", 2},
      {0, "\x81\x40", 2},
  };
  for (const auto &c : cases) EXPECT_EQ(F_StrLenEnc(c.text, c.enc), c.chars) << c.enc << c.text;
}

TEST(Locale, KindsByNamePrefix) {
  EXPECT_EQ(FdeLocaleKind("japanese"), 'E');
  EXPECT_EQ(FdeLocaleKind("ja_JP.EUC"), 'E');
  EXPECT_EQ(FdeLocaleKind("ja_JP.eucJP"), 'E');
  EXPECT_EQ(FdeLocaleKind("ja_JP.JIS7"), 'J');
  EXPECT_EQ(FdeLocaleKind("ja_JP.SJIS"), 'S');
  EXPECT_EQ(FdeLocaleKind("zh_TW.Big5"), 'C');
  EXPECT_EQ(FdeLocaleKind("zh_CN"), 'R');
  EXPECT_EQ(FdeLocaleKind("C"), 'R');
  EXPECT_EQ(FdeLocaleKind(nullptr), 'R');
}

TEST(Locale, DetectedOnceAndProcessLocaleKept) {
  fdeLocaleIsEUC = fdeLocaleIsJIS = fdeLocaleIsCNS = fdeLocaleIsRoman = -1;
  setenv("LC_ALL", "C", 1);
  std::string before = setlocale(LC_CTYPE, nullptr);
  checkEUC();
  EXPECT_EQ(before, setlocale(LC_CTYPE, nullptr));
  EXPECT_EQ(fdeLocaleIsRoman, 1);
  EXPECT_EQ(fdeLocaleIsEUC, 0);
  fdeLocaleIsEUC = 1;  // already determined: not looked at again
  checkEUC();
  EXPECT_EQ(fdeLocaleIsEUC, 1);
  fdeLocaleIsEUC = fdeLocaleIsJIS = fdeLocaleIsCNS = fdeLocaleIsRoman = -1;
  unsetenv("LC_ALL");
}

TEST(Dispatcher, UnsupportedPairsGiveEmptyAndBadCodesAssert) {
  InitTables();
  EXPECT_EQ(Conv("plain text", 0, 1), "plain text");
  EXPECT_EQ(Conv("abc", 8, 5), "");
  EXPECT_EQ(Conv("abc", 7, 16), "");
  FdeCharListT out;
  FdeCharListInit(&out, 8);
  EXPECT_EQ(FdeTransliterateBytes(reinterpret_cast<ConUStringT>("abc"), 3, &out, 9, 10), -1);
  EXPECT_STREQ(reinterpret_cast<char *>(out.buffer), "abc");  // copied all the same
  FdeCharListFree(&out);
  StringT e = F_StrConvertEnc(nullptr, 0, 17);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e[0] | e[1], 0);
  F_Free(e);
  EXPECT_DEATH(F_StrConvertEnc("a", 18, 1), "");
  EXPECT_DEATH(F_StrConvertEnc("a", -1, 1), "");
  EXPECT_DEATH(F_StrConvertEnc("a", 0, 18), "");
}

}  // namespace

namespace {

TEST(FileNames, PathLayerUsesTheEncodingsOnceInitialised) {
  InitTables();
  char out[1024];
  FdeSetEncodingHooks(nullptr);
  StringT n = FdeInternalToPlatformFilename("a\x88\x9F");
  EXPECT_STREQ(n, "a\x88\x9F");  // dormant: copied unchanged
  F_Free(n);
  ASSERT_EQ(FdeParseDiName("<c>\x95\\a<c>b", out), 0);
  EXPECT_STREQ(out,
               "\x95"
               "a/b");  // dormant: the backslash escapes the a

  F_FdeInitFontEncs("JISX0208.ShiftJIS");
  ASSERT_EQ(FdeParseDiName("<c>\x95\\a<c>b", out), 0);
  EXPECT_STREQ(out, "\x95\\a/b");  // one Shift_JIS character whose trail byte is a backslash

  struct {
    IntT *flag;
    const char *internal, *platform;
    const char *iconv_internal, *iconv_platform;
  } locales[] = {{&fdeLocaleIsEUC, "a\x88\x9F", nullptr, "SHIFT_JIS", "EUC-JP"},
                 {&fdeLocaleIsJIS, "a\x88\x9F", nullptr, "SHIFT_JIS", "ISO-2022-JP"},
                 {&fdeLocaleIsCNS, "a\xA4\x40", nullptr, "BIG5", "EUC-TW"}};
  for (const auto &l : locales) {
    fdeLocaleIsEUC = fdeLocaleIsJIS = fdeLocaleIsCNS = fdeLocaleIsRoman = 0;
    *l.flag = 1;
    std::string platform, back;
    ASSERT_TRUE(Iconv(l.iconv_platform, l.iconv_internal, l.internal, &platform));
    StringT p = FdeInternalToPlatformFilename(l.internal);
    std::string utf8_ours, utf8_ref;
    ASSERT_TRUE(Iconv("UTF-8", l.iconv_platform, p, &utf8_ours));
    ASSERT_TRUE(Iconv("UTF-8", l.iconv_platform, platform, &utf8_ref));
    EXPECT_EQ(utf8_ours, utf8_ref);
    StringT i = FdePlatformToInternalFilename(p);
    EXPECT_STREQ(i, l.internal);
    F_Free(p);
    F_Free(i);
  }
  fdeLocaleIsEUC = fdeLocaleIsJIS = fdeLocaleIsCNS = 0;
  fdeLocaleIsRoman = 1;
  std::string host;
  ASSERT_TRUE(Iconv("MACINTOSH", "ISO-8859-1", "caf\xE9", &host));
  StringT r = FdePlatformToInternalFilename2("caf\xE9");
  EXPECT_EQ(std::string(r), host);
  F_Free(r);
  r = FdePlatformToInternalFilename("caf\xE9");
  EXPECT_STREQ(r, "caf\xE9");
  F_Free(r);
  fdeLocaleIsEUC = fdeLocaleIsJIS = fdeLocaleIsCNS = fdeLocaleIsRoman = -1;
  F_FdeInitFontEncs(nullptr);
}

}  // namespace
