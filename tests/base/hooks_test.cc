#include <gtest/gtest.h>
#include <quorvex/fdebase.h>

#include <cstring>
#include <string>

namespace {

// A stand-in encodings layer: bytes 0x81.. lead double-byte pairs, platform names are upper
// case, and "UTF-16" is each byte widened.
BoolT Lead(UCharT b) {
  return b >= 0x81;
}
StringT Upper(ConStringT s) {
  StringT r = F_StrCopyString(s);
  for (char *p = r; *p; ++p) *p = static_cast<char>(FdeMToUpper[static_cast<UCharT>(*p)]);
  return r;
}
UShortT *Widen(ConStringT s, IntT) {
  size_t n = strlen(s);
  auto *u = static_cast<UShortT *>(F_Calloc(static_cast<UIntT>(n + 1), 2, 0));
  for (size_t i = 0; i < n; ++i) u[i] = static_cast<UCharT>(s[i]);
  return u;
}

TEST(EncodingHooks, InstalledServicesAreUsedAndDormantFormReturns) {
  FdeEncodingHooksT h{Lead, Upper, nullptr, nullptr, Widen};
  FdeSetEncodingHooks(&h);
  StringT p = FdeInternalToPlatformFilename("/tmp/abc");
  EXPECT_STREQ(p, "/TMP/ABC");
  F_Free(p);
  p = FdePlatformToInternalFilename("/Tmp");  // no hook for this direction: copied
  EXPECT_STREQ(p, "/Tmp");
  F_Free(p);
  // The trail byte 0x5C of a pair is no backslash, and the colon pair is no colon.
  EXPECT_EQ(F_PathNameType("dir\x81\\file"), FDE_PATHTYPE_PLAIN);
  EXPECT_EQ(F_PathNameType("a\x81:b"), FDE_PATHTYPE_PLAIN);
  FilePathT *fp = F_DIToFilePath("<r><c>x\x81<y", nullptr);  // the pair hides the '<'
  ASSERT_NE(fp, nullptr);
  EXPECT_STREQ(fp->path, "/x\x81<y");
  F_FilePathFree(fp);
  ChannelT ch = F_ChannelMakeTmp();
  ASSERT_NE(ch, nullptr);
  EXPECT_EQ(F_UTFPrintf(17, 0, ch, "%s%d", "ab", 7), 3);
  UShortT units[4] = {};
  F_ChannelSeek(ch, 0, FDE_SEEK_SET);
  EXPECT_EQ(F_ReadShorts(units, 4, ch), 3u);
  EXPECT_EQ(units[0], 'a');
  EXPECT_EQ(units[2], '7');
  FdeSetEncodingHooks(nullptr);
  EXPECT_EQ(F_UTFPrintf(17, 0, ch, "%s", "ab"), 0);
  EXPECT_EQ(F_PathNameType("dir\x81\\file"), FDE_PATHTYPE_DOS);
  F_ChannelCloseTmp(ch);
}

}  // namespace
