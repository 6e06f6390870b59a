// Differential tests: every character of the double-byte sets, the Japanese and Chinese
// inter-conversions and the 8-bit maps, checked against the platform's iconv.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include <vector>

#include "enc_test_util.h"

using namespace enctest;

namespace {

const char *NativeUtf16() {
  const uint16_t one = 1;
  return *reinterpret_cast<const unsigned char *>(&one) ? "UTF-16LE" : "UTF-16BE";
}

struct DbSet {
  int code, fontEnc;
  const char *iconv;
};

void PrintTo(const DbSet &s, std::ostream *os) {
  *os << s.iconv;
}

const DbSet kSets[] = {{6, 1, "SHIFT_JIS"}, {12, 2, "EUC-KR"}, {8, 3, "BIG5"}, {10, 4, "EUC-CN"}};

// Every double-byte character that iconv accepts under the set's lead/trail bytes.
std::vector<std::string> Chars(const DbSet &s) {
  std::vector<std::string> v;
  std::string u;
  for (int l = 0; l < 256; ++l)
    for (int t = 0; t < 256; ++t) {
      std::string c = {char(l), char(t)};
      if (fdeFontEncs[s.fontEnc].lead[l] && fdeFontEncs[s.fontEnc].trail[t] &&
          Iconv("UTF-8", s.iconv, c, &u))
        v.push_back(c);
    }
  return v;
}

// Converts exactly n heap bytes (no terminator after them), so that a reader stepping past
// the end is caught by the address checker.
std::string Exact(const std::string &in, int from, int to) {
  auto *buf = static_cast<unsigned char *>(malloc(in.size() ? in.size() : 1));
  memcpy(buf, in.data(), in.size());
  FdeCharListT out;
  FdeCharListInit(&out, 64);
  FdeTransliterateBytes(buf, int(in.size()), &out, from, to);
  std::string r(reinterpret_cast<char *>(out.buffer), out.length);
  FdeCharListFree(&out);
  free(buf);
  return r;
}

class DoubleByte : public ::testing::TestWithParam<DbSet> {
 protected:
  void SetUp() override { InitTables(); }
};

TEST_P(DoubleByte, EveryCharacterAgreesWithIconvBothWays) {
  const DbSet &s = GetParam();
  std::vector<std::string> chars = Chars(s);
  ASSERT_GT(chars.size(), 6800u);
  int bad = 0;
  std::string first_bad, all, all_utf8;
  for (const auto &c : chars) {
    std::string u8, u16, back;
    Iconv("UTF-8", s.iconv, c, &u8);
    Iconv(NativeUtf16(), s.iconv, c, &u16);
    ASSERT_TRUE(Iconv(s.iconv, "UTF-8", u8, &back));
    if (Conv(c, s.code, 16) != u8 || Conv(c, s.code, 17) != u16 || Conv(u8, 16, s.code) != back ||
        Conv(u16, 17, s.code) != back) {
      if (!bad++) first_bad = c;
    }
    all += c;
    all_utf8 += u8;
  }
  EXPECT_EQ(bad, 0) << "first mismatch at " << std::hex << unsigned((unsigned char)first_bad[0])
                    << ' ' << unsigned((unsigned char)first_bad[1]);
  // The whole set as one text, repeated past a megabyte, converts as its characters do.
  std::string big, big_utf8;
  while (big.size() < (1u << 20)) big += all, big_utf8 += all_utf8;
  EXPECT_TRUE(Conv(big, s.code, 16) == big_utf8);
  std::string ref;
  ASSERT_TRUE(Iconv(s.iconv, "UTF-8", big_utf8, &ref));
  EXPECT_TRUE(Conv(big_utf8, 16, s.code) == ref);
}

TEST_P(DoubleByte, SingleBytesAgreeWithIconvAndBadBytesGiveNothing) {
  const DbSet &s = GetParam();
  const FdeFontEncT &e = fdeFontEncs[s.fontEnc];
  for (int b = 0x20; b < 256; ++b) {
    std::string c(1, char(b)), u8;
    if (e.lead[b]) {
      // A lead byte cut off by the end of the text, or before a byte that cannot follow it.
      EXPECT_EQ(Exact(c, s.code, 16), "") << b;
      EXPECT_EQ(Conv(c + "\x01"
                         "A",
                     s.code, 16),
                "A")
          << b;
    } else if (Iconv("UTF-8", s.iconv, c, &u8)) {
      EXPECT_EQ(Conv(c, s.code, 16), u8) << b;
    } else {
      EXPECT_EQ(Conv(c, s.code, 16), "") << b;
    }
  }
  // Control bytes are the host set's: its tab is 0x08.
  EXPECT_EQ(Conv("\x08", s.code, 16), "\t");
  EXPECT_EQ(Conv("\t", 16, s.code), "\x08");
  // Characters the set lacks become '?'; invisible ones are dropped.
  EXPECT_EQ(Conv(Utf8(0x1F600) + Utf8(0x0E01) + Utf8(0xFEFF) + "x", 16, s.code), "??x");
}

TEST_P(DoubleByte, TextCutInsideACharacterLosesOnlyThatHalf) {
  const DbSet &s = GetParam();
  std::vector<std::string> chars = Chars(s);
  std::string text = "ab" + chars[10] + chars[chars.size() / 2] + chars.back();
  for (size_t cut = 3; cut <= text.size(); cut += 2)
    EXPECT_EQ(Exact(text.substr(0, cut), s.code, 16), Exact(text.substr(0, cut - 1), s.code, 16));
}

INSTANTIATE_TEST_SUITE_P(Sets, DoubleByte, ::testing::ValuesIn(kSets),
                         [](const auto &info) { return std::to_string(info.param.code); });

TEST(Japanese, ShiftJisEucAndJis7AgreeWithIconv) {
  InitTables();
  std::vector<std::string> chars = Chars(kSets[0]);
  std::string sjis = "ok:";
  for (size_t i = 0; i < chars.size(); ++i) {
    std::string euc, back;
    ASSERT_TRUE(Iconv("EUC-JP", "SHIFT_JIS", chars[i], &euc));
    ASSERT_EQ(Conv(chars[i], 6, 7), euc);
    ASSERT_EQ(Conv(euc, 7, 6), chars[i]);
    sjis += chars[i];
    if (i % 50 == 0) sjis += " end\n";
  }
  // Half-width katakana keep their form between Shift_JIS and EUC-JP.
  for (int b = 0xA1; b <= 0xDF; ++b) {
    std::string k(1, char(b)), euc;
    ASSERT_TRUE(Iconv("EUC-JP", "SHIFT_JIS", k, &euc));
    EXPECT_EQ(Conv(k, 6, 7), euc);
    EXPECT_EQ(Conv(euc, 7, 6), k);
  }
  std::string jis = Conv(sjis, 6, 5), utf8, ref_utf8, ref_euc, iconv_jis;
  ASSERT_TRUE(Iconv("UTF-8", "ISO-2022-JP", jis, &utf8));
  ASSERT_TRUE(Iconv("UTF-8", "SHIFT_JIS", sjis, &ref_utf8));
  EXPECT_TRUE(utf8 == ref_utf8);
  EXPECT_TRUE(Conv(jis, 5, 6) == sjis);
  ASSERT_TRUE(Iconv("EUC-JP", "SHIFT_JIS", sjis, &ref_euc));
  EXPECT_TRUE(Conv(jis, 5, 7) == ref_euc);
  EXPECT_TRUE(Conv(ref_euc, 7, 5) == jis);
  ASSERT_TRUE(Iconv("ISO-2022-JP", "SHIFT_JIS", sjis, &iconv_jis));
  EXPECT_TRUE(Conv(iconv_jis, 5, 6) == sjis);
  // Out of Unicode through Shift_JIS.
  EXPECT_TRUE(Conv(ref_utf8, 16, 7) == ref_euc);
  EXPECT_TRUE(Conv(ref_utf8, 16, 5) == jis);
}

TEST(Japanese, Jis7WidensHalfWidthKatakanaAndCombinesSoundMarks) {
  InitTables();
  auto wide = [](const std::string &sjis) {
    std::string u;
    EXPECT_TRUE(Iconv("UTF-8", "ISO-2022-JP", Conv(sjis, 6, 5), &u));
    return u;
  };
  EXPECT_EQ(wide("\xB6"), Utf8(0x30AB));                     // KA
  EXPECT_EQ(wide("\xB6\xDE"), Utf8(0x30AC));                 // KA + voiced = GA
  EXPECT_EQ(wide("\xCA\xDF"), Utf8(0x30D1));                 // HA + semi-voiced = PA
  EXPECT_EQ(wide("\xB3\xDE"), Utf8(0x30F4));                 // U + voiced = VU
  EXPECT_EQ(wide("\xDC\xDE"), Utf8(0x30EF) + Utf8(0x309B));  // WA: no combined form
  EXPECT_EQ(wide("a\xB1"
                 "b"),
            "a" + Utf8(0x30A2) + "b");
  for (int b = 0xA1; b <= 0xDF; ++b) {
    std::string u = wide(std::string(1, char(b)));
    ASSERT_EQ(u.size(), 3u) << b;  // one character of the CJK symbol or katakana blocks
    EXPECT_EQ((unsigned char)u[0], 0xE3) << b;
  }
  // EUC-JP half-width katakana widen the same way.
  EXPECT_EQ(Conv("\x8E\xB6\x8E\xDE", 7, 5), Conv("\xB6\xDE", 6, 5));
}

TEST(Japanese, Jis7EscapesCutByTheEndNeverReadPast) {
  InitTables();
  EXPECT_EQ(Exact("\x1B", 5, 6), "");
  EXPECT_EQ(Exact("\x1B$", 5, 6), "");
  EXPECT_EQ(Exact("a\x1B$B", 5, 6), "a");
  EXPECT_EQ(Exact("\x1B$B\x30", 5, 7), "");
  EXPECT_EQ(Exact("\x1B$B\x30\x21\x1B(", 5, 6), Conv("\x1B$B\x30\x21", 5, 6));
  EXPECT_EQ(Exact("\x1B$B\x30\x21\n\x30\x21", 5, 7), "\xB0\xA1\n\xB0\xA1");
  EXPECT_EQ(Exact("\x8E", 7, 6), "");
  EXPECT_EQ(Exact("\x8F\xA1", 7, 6), "");
  EXPECT_EQ(Exact("\x8F\xA1\xA1x", 7, 6), "?x");  // JIS X 0212 has no Shift_JIS form
}

TEST(Chinese, Big5AndCnsEucAgreeWithIconv) {
  InitTables();
  int bad = 0, converted = 0;
  for (const auto &c : Chars(kSets[2])) {
    std::string cns, back;
    if (!Iconv("EUC-TW", "BIG5", c, &cns)) {
      bad += Conv(c, 8, 9) != "?";
      continue;
    }
    ASSERT_TRUE(Iconv("BIG5", "EUC-TW", cns, &back));
    bad += Conv(c, 8, 9) != cns || Conv(cns, 9, 8) != back;
    ++converted;
  }
  EXPECT_EQ(bad, 0);
  EXPECT_GT(converted, 13000);
  EXPECT_EQ(Exact("a\x8E\xA2\xA1", 9, 8), "a");
  EXPECT_EQ(Exact("\xA4", 8, 9), "");
}

TEST(Chinese, HzCarriesEveryGbCharacterIn7Bits) {
  InitTables();
  std::string gb = "x~y";
  for (const auto &c : Chars(kSets[3])) gb += c + (c[1] == '\xA1' ? "\n~" : "");
  std::string hz = Conv(gb, 10, 11);
  for (unsigned char b : hz) ASSERT_LT(b, 0x80);
  EXPECT_EQ(hz.substr(0, 6), "x~~y~{");
  EXPECT_TRUE(Conv(hz, 11, 10) == gb);
  // The example text of the HZ description: 7-bit GB between the markers, a continued line.
  std::string sample = "GB.~{<:Ky2;S{#,NpJ)l6HK!#~}Bye.~\nOK";
  std::string expect = "GB.";
  for (char b : std::string("<:Ky2;S{#,NpJ)l6HK!#")) expect += char(b | 0x80);
  EXPECT_EQ(Conv(sample, 11, 10), expect + "Bye.OK");
  EXPECT_EQ(Exact("~{\x30", 11, 10), "");
  EXPECT_EQ(Exact("~", 11, 10), "");
}

TEST(EightBit, HostSetMapsAgreeWithIconv) {
  InitTables();
  // Wherever iconv maps a byte exactly, the host maps must agree with it.
  struct Map {
    int code;
    const char *iconv;
  } maps[] = {{1, "ISO-8859-1"}, {3, "CP1252"}, {2, "ASCII"}};
  for (const auto &m : maps)
    for (int b = 0x20; b < 256; ++b) {
      if (b == 0x7F) continue;  // the host set leaves DEL without a character
      std::string byte(1, char(b)), other;
      if (Iconv(m.iconv, "MACINTOSH", byte, &other)) {
        EXPECT_EQ(Conv(byte, 0, m.code), other) << b;
      }
      if (Iconv("MACINTOSH", m.iconv, byte, &other)) {
        EXPECT_EQ(Conv(byte, m.code, 0), other) << b;
      }
    }
  for (int b = 0x20; b < 256; ++b) {
    std::string host(1, char(b)), u8;
    if (b != 0x7F && Iconv("UTF-8", "MACINTOSH", host, &u8)) {  // DEL has no character
      EXPECT_EQ(Conv(host, 0, 16), u8) << b;
      EXPECT_EQ(Conv(u8, 16, 0), host) << b;
    }
  }
  std::string u8;
  ASSERT_TRUE(Iconv("UTF-8", "ISO-8859-1", "caf\xE9", &u8));
  EXPECT_EQ(Conv("caf\xE9", 1, 16), u8);
  // The host's own specials: approximated where the target lacks them, else dropped.
  EXPECT_EQ(Conv("a\x04"
                 "b\x05"
                 "c\x15"
                 "d\x13"
                 "e\xD2"
                 "f\xD3",
                 0, 2),
            "abc-d e\"f\"");
  EXPECT_EQ(Conv("a" + Utf8(0xAD) + "b" + Utf8(0x2014) + Utf8(0xB2), 16, 2), "ab-2");
}

TEST(Unicode, Utf8AndUtf16AgreeWithIconvAndRepairBadInput) {
  InitTables();
  std::string u8 = "a" + Utf8(0xE9) + Utf8(0x4E00) + Utf8(0x1F600) + Utf8(0xFFFD), u16;
  ASSERT_TRUE(Iconv(NativeUtf16(), "UTF-8", u8, &u16));
  EXPECT_EQ(Conv(u8, 16, 17), u16);
  EXPECT_EQ(Conv(u16, 17, 16), u8);
  // Overlong forms, surrogates, stray continuation bytes and a cut sequence.
  std::string r = Utf8(0xFFFD);
  EXPECT_EQ(Conv("\xC0\xAF"
                 "a",
                 16, 16),
            "\xC0\xAF"
            "a");  // equal codes copy
  EXPECT_EQ(Conv(Exact("\xC0\xAF"
                       "a\xED\xA0\x80\x80\xE4\xB8",
                       16, 17),
                 17, 16),
            r + r + "a" + r + r + r + r + r + r);
  const uint16_t lone[] = {0xD800, 'b', 0xDC00, 0};
  EXPECT_EQ(Conv(std::string(reinterpret_cast<const char *>(lone), 6), 17, 16), r + "b" + r);
}

}  // namespace
