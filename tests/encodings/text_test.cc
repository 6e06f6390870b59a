// Encoding-aware string routines, escape notation, control bytes, XML name classes, the
// character-list builder and the ".UCOD" loader's checks.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include "enc_test_util.h"

using namespace enctest;

namespace {

constexpr int kSjis = fdeJISX0208_ShiftJISEncodingId;

TEST(EncStrings, DoubleByteCharactersAreNeverSplitOrMatchedByHalves) {
  F_FdeInitFontEncs(nullptr);
  // 0x82 0x61 is one character whose trail byte is the letter a.
  const char *s =
      "\x82\x61"
      "a\x82\x61";
  EXPECT_EQ(F_StrChrEnc(s, 'a', kSjis), s + 2);
  EXPECT_EQ(F_StrRChrEnc(s, 'a', kSjis), s + 2);
  EXPECT_EQ(F_StrRChrEnc(s, 0x8261, kSjis), s + 3);
  EXPECT_EQ(F_StrChrEnc(s, 0x61, 0), s + 1);
  EXPECT_EQ(F_StrChrEnc(s, 0, kSjis), nullptr);
  EXPECT_EQ(F_StrStrEnc(s, "a", kSjis), 2);
  EXPECT_EQ(F_StrStrEnc(s, "a\x82", kSjis), -1);  // would end inside a character
  EXPECT_EQ(F_StrStrEnc(s, "a\x82\x61", kSjis), 2);
  EXPECT_EQ(F_StrStrEnc(s, "", kSjis), 0);
  EXPECT_EQ(F_StrStrEnc("", "", kSjis), -1);
  EXPECT_EQ(F_StrLenEnc(s, kSjis), 3u);
  EXPECT_EQ(F_StrLenEnc(s, 0), 5u);
  EXPECT_EQ(F_StrLenEnc("\x82", kSjis), 1u);  // a lead byte cut off by the end counts alone
  for (int pos = 0; pos <= 6; ++pos)
    EXPECT_EQ(IsSplittingDBChar(s, pos, kSjis), pos == 1 || pos == 4) << pos;
}

TEST(EncStrings, CaseFoldingLeavesTrailBytesAlone) {
  F_FdeInitFontEncs(nullptr);
  // 0x82 0x41 and 0x82 0x61 differ only in a trail byte that looks like A and a.
  EXPECT_FALSE(F_StrIEqualEnc("\x82\x41", "\x82\x61", kSjis));
  EXPECT_TRUE(F_StrIEqualEnc("x\x82\x41Y", "X\x82\x41y", kSjis));
  EXPECT_LT(F_StrICmpEnc("\x82\x41", "\x82\x61", kSjis), 0);
  EXPECT_GT(F_StrICmpEnc("\x82\x41", "b", kSjis), 0);
  // The host set folds its upper half; a double-byte set folds only ASCII.
  EXPECT_TRUE(F_StrIEqualEnc("\x80", "\x8A", 0));
  EXPECT_FALSE(F_StrIEqualEnc("\x80", "\x8A", kSjis));
  EXPECT_TRUE(F_StrIPrefixEnc("AB\x82\x61z", "ab\x82\x61", kSjis));
  EXPECT_FALSE(F_StrIPrefixEnc("AB\x82\x41", "ab\x82\x61", kSjis));
  EXPECT_TRUE(F_StrIPrefixEnc("x", nullptr, kSjis));
}

TEST(EncStrings, BoundedCopiesCutAtCharacterBoundaries) {
  F_FdeInitFontEncs(nullptr);
  char buf[8];
  memset(buf, 'Z', sizeof buf);
  EXPECT_EQ(F_StrCpyNEnc(buf, "a\x82\x61", 3, kSjis), 1u);
  EXPECT_STREQ(buf, "a");
  EXPECT_EQ(buf[3], 'Z');
  EXPECT_EQ(F_StrCpyNEnc(buf, "a\x82\x61", 4, kSjis), 3u);
  strcpy(buf, "ab");
  EXPECT_EQ(F_StrCatNEnc(buf, "\x82\x61\x82\x62", 6, kSjis), 4u);
  EXPECT_STREQ(buf, "ab\x82\x61");
  strcpy(buf, "a\x82\x61\x82\x62");
  EXPECT_EQ(F_StrNCatNEnc(buf, "xyz", 2, 5, kSjis), 4u);  // cut to "a" + one char, then "x"
  EXPECT_STREQ(buf, "a\x82\x61x");
  strcpy(buf, "a");
  EXPECT_EQ(F_StrNCatNEnc(buf, "\x82\x61\x82\x62", 3, 8, kSjis), 3u);
  EXPECT_EQ(F_StrCpyNEnc(nullptr, "a", 4, kSjis), 0u);
}

TEST(Escapes, ReadAndWriteEveryHostSpecial) {
  F_FdeInitFontEncs(nullptr);
  char out[256];
  EXPECT_EQ(FdeDbTextToMaker("a\\tb\\Pc\\p\\ \\#\\+\\-\\M\\N\\_\\h\\n\\r\\i\\s\\\\\\q\\", out,
                             sizeof out),
            21);
  EXPECT_STREQ(out,
               "a\x08"
               "b\x0A"
               "c\x0A\x11\x10\x15\x04\x14\x13\x05\x09\x09\x09\x12 \\q\\");
  // Every byte written and read back is itself.
  for (int b = 1; b < 256; ++b) {
    char in[3] = {char(b), 'x', 0}, esc[256], back[256];
    FdeMakerToDbText(in, esc, sizeof esc);
    FdeDbTextToMaker(esc, back, sizeof back);
    EXPECT_STREQ(back, in) << b;
  }
  FdeMakerToDbText("a b\x0A\\", out, sizeof out);
  EXPECT_STREQ(out, "a\\sb\\p\\\\");
}

TEST(Escapes, FixedResultsAreCutAtCharacterBoundaries) {
  char out[300];
  // Reading: at most 255 bytes; a Shift_JIS character whose trail byte is a backslash is one
  // character, never an escape, and never cut in half.
  F_FdeInitFontEncs("JISX0208.ShiftJIS");
  std::string text = "ab";
  for (int i = 0; i < 130; ++i) text += "\x95\x5C";
  memset(out, 'Z', sizeof out);
  EXPECT_EQ(FdeDbTextToMaker(text.c_str(), out, sizeof out), 254);
  EXPECT_EQ(std::string(out), text.substr(0, 254));
  EXPECT_EQ(out[255], 'Z');
  EXPECT_EQ(FdeDbTextToMaker("\\\x95\x5C", out, sizeof out), 2);  // escaped: stands for itself
  EXPECT_STREQ(out, "\x95\x5C");
  // A short buffer is respected the same way.
  EXPECT_EQ(FdeDbTextToMaker(text.c_str(), out, 6), 4);
  EXPECT_EQ(out[4], 0);
  // Writing: fewer than 254 bytes, an escape pair never split.
  std::string plain(252, 'a');
  EXPECT_EQ(FdeMakerToDbText((plain + "\x08").c_str(), out, sizeof out), 252);
  EXPECT_EQ(FdeMakerToDbText((plain.substr(1) + "\x08").c_str(), out, sizeof out), 253);
  EXPECT_EQ(FdeMakerToDbText("\x95\x5C\x95\x5C", out, 4), 2);
  EXPECT_STREQ(out, "\x95\x5C");
  EXPECT_EQ(FdeMakerToDbText("x", nullptr, 10), 0);
  F_FdeInitFontEncs(nullptr);
}

TEST(ControlBytes, ExportAndBack) {
  char s[] =
      "\x08\x09\x0A\x10\x11\x12\x13\x14\x15\x04"
      "a";
  FdeFMControlToExternal(s);
  EXPECT_STREQ(s,
               "\x09\x0A\x0A     -\x04"
               "a");
  FdeExternalControlToFM(s);
  EXPECT_STREQ(s,
               "\x08\x0A\x0A     -\x04"
               "a");
  FdeFMControlToExternal(nullptr);
}

TEST(NameClasses, BoundariesOfEachClass) {
  EXPECT_FALSE(F_LCharIsSafeForAscii('\\'));
  EXPECT_FALSE(F_LCharIsSafeForAscii('~'));
  EXPECT_FALSE(F_LCharIsSafeForAscii(0x1F));
  EXPECT_TRUE(F_LCharIsSafeForAscii(' '));
  EXPECT_TRUE(F_LCharIsSafeForAscii('}'));
  struct {
    unsigned c;
    bool first, name;
  } cases[] = {
      {'A', 1, 1},     {'0', 0, 1},    {'-', 0, 1},    {'_', 0, 0},    {0xC0, 1, 1},
      {0xD7, 0, 0},    {0x0131, 1, 1}, {0x0132, 0, 0}, {0x0669, 0, 1}, {0x066A, 0, 0},
      {0x0345, 0, 1},  {0x0346, 0, 0}, {0xB7, 0, 1},   {0x3007, 1, 1}, {0x3006, 0, 0},
      {0x4E00, 1, 1},  {0x9FA5, 1, 1}, {0x9FA6, 0, 0}, {0xD7A3, 1, 1}, {0xD7A4, 0, 0},
      {0x10000, 0, 0},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(F_LCharIsSafeForName(c.c, 1), c.first) << std::hex << c.c;
    EXPECT_EQ(F_LCharIsSafeForName(c.c, 0), c.name) << std::hex << c.c;
  }
}

TEST(CharList, GrowsByChunksAndFixedListsFlagOverflow) {
  FdeCharListT l;
  ASSERT_EQ(FdeCharListInit(&l, 4), 0);
  EXPECT_EQ(FdeCharListAdd(&l, "0123456789", 10), 10u);
  EXPECT_EQ(l.capacity, 12u);
  EXPECT_STREQ(reinterpret_cast<char *>(l.buffer), "0123456789");
  FdeCharListFree(&l);

  unsigned char buf[6];
  FdeCharListInitBuffer(&l, buf, sizeof buf, 0, FDE_CL_FIXED);
  EXPECT_EQ(FdeCharListAdd(&l, "abc", 3), 3u);
  EXPECT_FALSE(FdeCharListAddChar(&l, "\x82\x61\x82", 3));  // whole or not at all
  EXPECT_EQ(l.length, 3u);
  EXPECT_TRUE(l.flags & FDE_CL_OVERFLOW);
  EXPECT_EQ(FdeCharListAdd(&l, "xyz", 3), 2u);  // raw bytes are cut to the room left
  EXPECT_STREQ(reinterpret_cast<char *>(buf), "abcxy");
  UStringT copy = FdeCharListDetach(&l);
  EXPECT_STREQ(reinterpret_cast<char *>(copy), "abcxy");
  F_Free(copy);

  // A caller's buffer moves to the heap on the first growth, keeping what it held.
  FdeCharListInitBuffer(&l, buf, sizeof buf, 8, 0);
  FdeCharListAdd(&l, "abcd", 4);
  EXPECT_EQ(l.buffer, buf);
  FdeCharListAdd(&l, "efgh", 4);
  EXPECT_NE(l.buffer, buf);
  EXPECT_EQ(l.capacity, 8u);
  EXPECT_STREQ(reinterpret_cast<char *>(l.buffer), "abcdefgh");
  FdeCharListFree(&l);
  EXPECT_DEATH(FdeCharListAdd(&l, "a", 1), "");  // a released list is no list
}

class TableFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/qv-ucod-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    mkdir((dir_ + "/unicode").c_str(), 0755);
    std::ifstream in(std::string(QV_ENC_DATA_DIR) + "/unicode/JISX0208.ShiftJIS.UCOD",
                     std::ios::binary);
    good_.assign(std::istreambuf_iterator<char>(in), {});
    ASSERT_GT(good_.size(), 1000u);
  }
  void TearDown() override {
    unlink(Path().c_str());
    rmdir((dir_ + "/unicode").c_str());
    rmdir(dir_.c_str());
    InitTables();
    F_FdeInitUnicode(QV_ENC_DATA_DIR);
  }
  std::string Path() const { return dir_ + "/unicode/JISX0208.ShiftJIS.UCOD"; }
  bool Loads(const std::string &bytes) {
    std::ofstream(Path(), std::ios::binary).write(bytes.data(), bytes.size());
    FdeUniTableT *t = FdeLoadUnicodeTable(Path().c_str());
    FdeFreeUnicodeTable(t);
    return t != nullptr;
  }
  std::string dir_, good_;
};

TEST_F(TableFiles, EveryFieldIsCheckedAgainstTheFileLength) {
  EXPECT_TRUE(Loads(good_));
  EXPECT_TRUE(Loads(std::string("\x01\x01\x00\x00\xFF\xFF\x00\x00\xFF\xFF", 10)));
  std::string s = good_;
  s[0] = 0;  // a first lead byte of 0 would put the single-byte row at -1
  EXPECT_FALSE(Loads(s));
  s = good_;
  s[1] = char(s[0] - 1);  // last lead before the first
  EXPECT_FALSE(Loads(s));
  s = good_;
  std::swap(s[2], s[3]);  // single-byte row 0x00..0xDF becomes 0xDF..0x00: a negative count
  EXPECT_FALSE(Loads(s));
  EXPECT_FALSE(Loads(good_.substr(0, good_.size() - 1)));
  EXPECT_FALSE(Loads(good_ + "x"));
  EXPECT_FALSE(Loads(""));
  EXPECT_FALSE(Loads("\x81"));
  EXPECT_EQ(FdeLoadUnicodeTable("/nonexistent/x.UCOD"), nullptr);
}

TEST_F(TableFiles, ARejectedFileLeavesItsEncodingWithoutATable) {
  std::string s = good_;
  s[0] = 0;
  std::ofstream(Path(), std::ios::binary).write(s.data(), s.size());
  EXPECT_EQ(F_FdeInitUnicode(dir_.c_str()), 0);
  EXPECT_EQ(FdeUnicodeTableOf(kSjis), nullptr);
  EXPECT_EQ(Conv("a\x88\x9F"
                 "b",
                 6, 16),
            "ab");
  EXPECT_EQ(Conv("a" + Utf8(0x4E9C), 16, 6), "a?");
}

}  // namespace
