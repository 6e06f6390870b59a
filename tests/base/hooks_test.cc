#include <gtest/gtest.h>
#include <quorvex/fdebase.h>

#include <cstring>
#include <string>

namespace {

// A stand-in encodings layer: bytes 0x81.. lead double-byte pairs, platform names are upper
// case.
BoolT Lead(UCharT b) {
  return b >= 0x81;
}
StringT Upper(ConStringT s) {
  StringT r = F_StrCopyString(s);
  for (char *p = r; *p; ++p) *p = static_cast<char>(FdeMToUpper[static_cast<UCharT>(*p)]);
  return r;
}

TEST(EncodingHooks, InstalledServicesAreUsedAndDormantFormReturns) {
  FdeEncodingHooksT h{Lead, Upper, nullptr, nullptr};
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
  FdeSetEncodingHooks(nullptr);
  EXPECT_EQ(F_PathNameType("dir\x81\\file"), FDE_PATHTYPE_DOS);
}

}  // namespace
