#include <gtest/gtest.h>
#include <quorvex/fdebase.h>
#include <quorvex/fencode.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// Formats with the library and with the platform's snprintf; both must agree.
template <typename... A>
void Same(const char *fmt, A... args) {
  char want[512], got[512];
  int n = std::snprintf(want, sizeof want, fmt, args...);
  EXPECT_EQ(F_Sprintf(got, fmt, args...), n) << fmt;
  EXPECT_STREQ(got, want) << fmt;
}

IntT Vsn(StringT buf, UIntT size, const char *fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  IntT n = FdeVSnprintf(buf, size, fmt, ap);
  va_end(ap);
  return n;
}

TEST(PrintConversions, AgreeWithPlatform) {
  Same("%d|%i|%5d|%-5d|%+d|%05d", 42, -7, 3, 3, 9, -12);
  Same("%o %x %X %#x %u", 8u, 255u, 255u, 255u, 4000000000u);
  Same("%ld %lu %lld %llx", LONG_MIN, ULONG_MAX, LLONG_MIN, 0x123456789abcdefULL);
  Same("%hd %hhu %zu %jd", 70000, 300, static_cast<size_t>(1) << 40, static_cast<intmax_t>(-5));
  Same("%c%c%c", 'a', 'b', 'c');
  Same("%f %.2f %e %E %g %G %10.3f", 3.14159, 2.5, 12345.678, 0.00012, 1e20, 1e-5, -1.0);
  Same("%Lf %Lg", 1.5L, 2.25L);
  Same("%p %p", static_cast<void *>(&errno), static_cast<void *>(nullptr));
  Same("%s|%.2s|%8s|%-5s|", "abc", "abc", "right", "ab");
  Same("%lu then %s", 0xFFFFFFFF00000001UL, "after a 64-bit argument");
  Same("100%% %d", 5);
  Same("%y %d", 5);  // not a conversion: printed as it stands
  std::string big(300, 'x');
  Same("<%s>", big.c_str());
  Same("%400d|", 1);  // wider than the initial conversion buffer
}

TEST(PrintConversions, EngineExtras) {
  char buf[64];
  EXPECT_EQ(F_Sprintf(buf, "%*.*f|%*d", 8, 2, 3.14159, -4, 7), 13);
  EXPECT_STREQ(buf, "    3.14|7   ");
  EXPECT_EQ(F_Sprintf(buf, "a%sb", static_cast<char *>(nullptr)), 2);
  EXPECT_STREQ(buf, "ab");
  EXPECT_EQ(F_Sprintf(buf, "%d", 0x7FFFFFFF), 10);
  int n = -1;
  short h = -1;
  long l = 0;
  EXPECT_EQ(F_Sprintf(buf, "abc%n%hn12%ln|", &n, &h, &l), 6);
  EXPECT_EQ(n, 3);
  EXPECT_EQ(h, 3);
  EXPECT_EQ(l, 5);
  signed char c[2] = {-1, -1};
  F_Sprintf(buf, "ab%hhn", &c[0]);
  EXPECT_EQ(c[0], 2);
  EXPECT_EQ(c[1], -1);                     // one byte only
  EXPECT_EQ(F_Sprintf(buf, "x%c", 0), 1);  // a NUL character emits nothing
  EXPECT_EQ(F_Sprintf(buf, "end %"), 4);   // a lone % ends the text
  EXPECT_STREQ(buf, "end ");
  EXPECT_EQ(F_Sprintf(buf, nullptr), 0);
  // A conversion directive longer than its buffer ends formatting instead of overrunning it.
  EXPECT_EQ(
      F_Sprintf(buf, "ok %0000000000000000000000000000000000000000000000000000000000000001d!", 1),
      3);
}

TEST(PrintBuffers, SizeLimits) {
  char buf[8] = "zzzzzzz";
  EXPECT_EQ(Vsn(buf, 4, "%s", "abcdef"), 3);
  EXPECT_STREQ(buf, "abc");
  EXPECT_EQ(Vsn(buf, 0, "%s", "abcdef"), 0);
  EXPECT_STREQ(buf, "abc");  // size 0 stores nothing
  EXPECT_EQ(Vsn(buf, 1, "%s", "abcdef"), 0);
  EXPECT_STREQ(buf, "");
  EXPECT_EQ(Vsn(nullptr, 8, "%s", "abc"), 0);
}

TEST(PrintChannels, StderrAndChannels) {
  testing::internal::CaptureStderr();
  std::string run(600, 'r');
  EXPECT_EQ(F_Printf(nullptr, "%s|%d", run.c_str(), 12), 603);
  F_Printf(nullptr, "Couldn't allocate string list memory\n");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            run + "|12" + "Couldn't allocate string list memory\n");
  ChannelT ch = F_ChannelMakeTmp();
  ASSERT_NE(ch, nullptr);
  EXPECT_EQ(F_Printf(ch, "v=%05.1f", 2.25), 7);
  EXPECT_EQ(F_UTFPrintf(0, 0, ch, "%s", "+plain"), 6);
  char back[32] = {};
  F_ChannelSeek(ch, 0, FDE_SEEK_SET);
  EXPECT_EQ(F_ReadBytes(back, sizeof back, ch), 13u);
  EXPECT_STREQ(back, "v=002.2+plain");
  F_ChannelCloseTmp(ch);
}

// Output encoding 17 writes the UTF-16 units of the formatted text, whether or not the font
// encodings have been initialised, and returns how many it wrote.
TEST(PrintChannels, Utf16OutputBeforeAndAfterTheFontEncodings) {
  const std::vector<UShortT> want = {'n', '=', '4', '2', ' ', 0x00E9, 0x20AC};
  for (bool initialised : {false, true}) {
    SCOPED_TRACE(initialised ? "initialised" : "not initialised");
    if (initialised)
      F_FdeInitFontEncs("FrameRoman");
    else
      FdeSetEncodingHooks(nullptr);
    ChannelT ch = F_ChannelMakeTmp();
    ASSERT_NE(ch, nullptr);
    EXPECT_EQ(F_UTFPrintf(17, FdeTextEncUTF8, ch, "n=%d %s", 42, "\xC3\xA9\xE2\x82\xAC"), 7);
    std::vector<UShortT> got(16, 0);
    F_ChannelSeek(ch, 0, FDE_SEEK_SET);
    EXPECT_EQ(F_ReadBytes(got.data(), got.size() * 2, ch), 14u);
    got.resize(want.size());
    EXPECT_EQ(got, want);
    F_ChannelCloseTmp(ch);
  }
}

}  // namespace
