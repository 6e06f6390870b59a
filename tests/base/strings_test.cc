#include <gtest/gtest.h>
#include <quorvex/fdestr.h>
#include <quorvex/fdemem.h>

#include <cctype>
#include <cstring>

namespace {

TEST(StringCase, TablesFoldAsciiAndUpperHalfPairs) {
  int folded = 0;
  for (int c = 0; c < 256; ++c) {
    UCharT lo = FdeMToLower[c];
    if (lo != c) {
      ++folded;
      EXPECT_EQ(FdeMToUpper[lo], c) << c;  // exact inverse on every pair
    }
    if (c < 0x80 && lo != c) {
      EXPECT_EQ(lo, std::tolower(c));
    }
  }
  EXPECT_EQ(folded, 26 + 29);
  EXPECT_EQ(FdeMToLower[0x80], 0x8A);
  EXPECT_EQ(FdeMToLower[0xF4], 0x9D);
  EXPECT_EQ(FdeMToUpper[0x88], 0xCB);
  EXPECT_EQ(FdeMToUpper[0xF4], 0xF4);  // not a lower-case letter
  EXPECT_TRUE(F_StrIEqual("\x80x", "\x8AX"));
  EXPECT_FALSE(F_StrIEqual("\x80", "\x8B"));
}

TEST(StringCompare, OrderAndFolding) {
  EXPECT_EQ(F_StrCmp(nullptr, "a"), -97);
  EXPECT_EQ(F_StrCmp("\xE0", "a"), 0xE0 - 0x61);  // unsigned bytes
  EXPECT_EQ(F_StrICmp("abc", "ABD"), -1);
  EXPECT_EQ(F_StrMCmp("abc", "ABC"), 32);
  EXPECT_EQ(F_StrCmpN("abcx", "abcy", 3), 0);
  EXPECT_EQ(F_StrCmpN("abcx", "abcy", 4), 'x' - 'y');
  EXPECT_EQ(F_StrICmpN("ABx", "abY", 3), 'x' - 'y');
  EXPECT_TRUE(F_StrEqualN("abc", "abd", 2));
  EXPECT_FALSE(F_StrEqualN("abc", "abd", 3));
  EXPECT_TRUE(F_StrEqualN("a", "b", 0));
  EXPECT_TRUE(F_StrSIEqual("Body Text", "body-text"));
  EXPECT_TRUE(F_StrSIEqual("BodyText", "- body text -"));
  EXPECT_FALSE(F_StrSIEqual("Body Text", "Body Texts"));
  const char *a[] = {"b", "B", "a", "A"};
  qsort(a, 4, sizeof a[0], F_StrQsortCmp);
  EXPECT_STREQ(a[0], "A");
  EXPECT_STREQ(a[3], "b");
}

TEST(StringNull, NullReadsAsEmpty) {
  EXPECT_TRUE(F_StrEqual(nullptr, ""));
  EXPECT_EQ(F_StrLen(nullptr), 0u);
  EXPECT_EQ(F_StrCopyString(nullptr), nullptr);
  EXPECT_TRUE(F_StrPrefix("abc", nullptr));
  EXPECT_TRUE(F_StrIPrefix("Abc", "aB"));
  EXPECT_TRUE(F_StrPrefixN("abx", "abc", 2));
  EXPECT_FALSE(F_StrPrefixN("abx", "abc", 3));
  EXPECT_TRUE(F_StrSuffix("abc", ""));
  EXPECT_FALSE(F_StrSuffix(nullptr, "c"));
  EXPECT_TRUE(F_StrISuffix("abC", "Bc"));
  EXPECT_EQ(F_StrChr(nullptr, 'a'), nullptr);
  EXPECT_EQ(F_StrChr("abc", 0), nullptr);
  const char *s = "abcabc";
  EXPECT_EQ(F_StrChr(s, 'b'), s + 1);
  EXPECT_EQ(F_StrRChr(s, 'b'), s + 4);
  EXPECT_EQ(F_StrSubString("", ""), -1);
  EXPECT_EQ(F_StrSubString("abc", ""), 0);
  EXPECT_EQ(F_StrSubString(s, "ca"), 2);
  EXPECT_EQ(F_StrAlphaToInt(nullptr), 0);
  EXPECT_EQ(F_StrAlphaToInt("42x"), 42);
  F_StrCpy(nullptr, "x");  // no buffer: nothing happens
  EXPECT_EQ(F_StrCat(nullptr, "x"), 0u);
}

TEST(StringBuffers, SizeLimitsOfCopyingRoutines) {
  char buf[16];
  memset(buf, 'Q', sizeof buf);
  EXPECT_EQ(F_StrCpyN(buf, "abc", 0), 0u);
  EXPECT_EQ(buf[0], 'Q');  // size 0 writes nothing
  EXPECT_EQ(F_StrCpyN(buf, "abc", 1), 0u);
  EXPECT_STREQ(buf, "");
  EXPECT_EQ(F_StrCpyN(buf, "abcdef", 4), 3u);
  EXPECT_STREQ(buf, "abc");
  EXPECT_EQ(F_StrCatN(buf, "de", 8), 5u);
  EXPECT_EQ(F_StrCatN(buf, "xyz", 8), 7u);
  EXPECT_STREQ(buf, "abcdexy");
  EXPECT_EQ(F_StrCatN(buf, "z", 0), 7u);
  EXPECT_EQ(F_StrCatCharN(buf, '!', 8), 7u);
  EXPECT_EQ(F_StrCatCharN(buf, '!', 9), 8u);
  EXPECT_STREQ(buf, "abcdexy!");
  strcpy(buf, "0123456789");
  EXPECT_EQ(F_StrNCatN(buf, "xyz", 3, 5), 4u);
  EXPECT_STREQ(buf, "0123");
  EXPECT_EQ(F_StrNCatN(buf, "xyz", 2, 16), 6u);
  EXPECT_STREQ(buf, "0123xy");
  EXPECT_EQ(F_StrNCatN(buf, "xyz", 3, 0), 0u);
  EXPECT_STREQ(buf, "0123xy");
  EXPECT_EQ(F_StrCatIntN(buf, -42, 16), 9u);
  EXPECT_STREQ(buf, "0123xy-42");
  EXPECT_EQ(F_StrCatIntN(buf, 12345, 12), 11u);
  EXPECT_STREQ(buf, "0123xy-4212");
  EXPECT_EQ(F_StrCat(buf, "!"), 12u);
  F_StrTrunc(buf, 2);
  EXPECT_STREQ(buf, "01");
  StringT n = F_StrNew(3);
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(memcmp(n, "\0\0\0\0", 4), 0);
  F_Free(n);
  EXPECT_EQ(F_StrNew(0xFFFFFFFFu), nullptr);
}

TEST(StringEdit, StripAndReverse) {
  char s[32];
  strcpy(s, "  \tab  ");
  F_StrStripLeadingSpaces(s);
  EXPECT_STREQ(s, "\tab  ");
  F_StrStripTrailingSpaces(s);
  EXPECT_STREQ(s, "\tab");
  strcpy(s, "a-b c-d");
  F_StrStrip(s, "- ");
  EXPECT_STREQ(s, "abcd");
  strcpy(s, "abcdef");
  F_StrReverse(s, 4);
  EXPECT_STREQ(s, "dcbaef");
  F_StrReverse(s, 100);
  EXPECT_STREQ(s, "feabcd");
  F_StrReverse(s, 1);
  EXPECT_STREQ(s, "feabcd");
  StringT c = F_StrCopyString("copy");
  EXPECT_STREQ(c, "copy");
  F_Free(c);
}

}  // namespace
