#include <gtest/gtest.h>
#include <quorvex/fdebase.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool Exists(const char *p) {
  struct stat st;
  return stat(p, &st) == 0;
}

// Child body: the first two temporary names under TMPDIR = tmpdir must start with prefix.
[[noreturn]] void TmpChild(const char *tmpdir, const std::string &prefix) {
  if (tmpdir)
    setenv("TMPDIR", tmpdir, 1);
  else
    unsetenv("TMPDIR");
  StringT a = FdeMakeTmpFileName(), b = FdeMakeTmpFileName();
  std::string pa = prefix + "1.", pb = prefix + "2.";
  bool ok = a && b && strncmp(a, pa.c_str(), pa.size()) == 0 &&
            strncmp(b, pb.c_str(), pb.size()) == 0 && strlen(a) == pa.size() + 6 &&
            Exists(a);  // created, not merely named
  if (a) unlink(a);
  if (b) unlink(b);
  std::exit(ok ? 0 : 1);
}

TEST(ChannelTmp, DirectoryChoiceAndNames) {
  // Each case runs in a freshly started process, where the directory is chosen anew. The
  // scratch directory is handed down through the environment so the children share it.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const char *shared = getenv("QV_TEST_SCRATCH");
  char made[] = "/tmp/qvtmpXXXXXX";
  if (shared == nullptr) {
    ASSERT_NE(mkdtemp(made), nullptr);
    setenv("QV_TEST_SCRATCH", made, 1);
    shared = made;
  }
  std::string dir = shared, file = dir + "/plain";
  EXPECT_EXIT(TmpChild(nullptr, "/tmp/F"), testing::ExitedWithCode(0), "");
  EXPECT_EXIT(TmpChild(dir.c_str(), dir + "/F"), testing::ExitedWithCode(0), "");
  fclose(fopen(file.c_str(), "w"));
  // A file is no directory: fall back to /tmp.
  EXPECT_EXIT(TmpChild(file.c_str(), "/tmp/F"), testing::ExitedWithCode(0), "");
  unlink(file.c_str());
  rmdir(dir.c_str());
  unsetenv("QV_TEST_SCRATCH");
}

TEST(ChannelTmp, CloseRemovesOnlyTemporaryFiles) {
  ChannelT t = F_ChannelMakeTmp();
  ASSERT_NE(t, nullptr);
  std::string name = t->name;
  EXPECT_TRUE(Exists(name.c_str()));
  EXPECT_EQ(FdeChannelCloseTmp(&t), 0);
  EXPECT_EQ(t, nullptr);
  EXPECT_FALSE(Exists(name.c_str()));

  StringT n = FdeMakeTmpFileName();
  FilePathT *fp = FdeFilePathSimpleCreate(n);
  ChannelT c = F_ChannelOpen(fp, "w");
  ASSERT_NE(c, nullptr);
  EXPECT_STREQ(c->name, n);
  EXPECT_EQ(FdeChannelClose(&c), 0);
  EXPECT_TRUE(Exists(n));
  EXPECT_EQ(F_DeleteFile(fp), 0);
  EXPECT_FALSE(Exists(n));
  F_FilePathFree(fp);
  F_Free(n);
  char dir[] = "/tmp/qvdelXXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  fp = FdeFilePathSimpleCreate(dir);
  EXPECT_EQ(F_DeleteFile(fp), 0);  // directories go through rmdir
  EXPECT_FALSE(Exists(dir));
  F_FilePathFree(fp);
  EXPECT_EQ(F_ChannelOpen(nullptr, "r"), nullptr);
  fp = FdeFilePathSimpleCreate("/no/such/dir/qv");
  EXPECT_EQ(F_ChannelOpen(fp, "r"), nullptr);
  F_FilePathFree(fp);
}

TEST(ChannelIo, PositionsSwappingAndAppend) {
  ChannelT ch = F_ChannelMakeTmp();
  ASSERT_NE(ch, nullptr);
  unsigned short s = 0x1234;
  unsigned int l = 0x11223344;
  F_SetByteOrder(ch);  // little-endian file
  EXPECT_EQ(F_WriteShorts(&s, 1, ch), 1u);
  F_ResetByteOrder(ch);  // big-endian file
  EXPECT_EQ(F_WriteShorts(&s, 1, ch), 1u);
  EXPECT_EQ(F_WriteLongs(&l, 1, ch), 1u);
  EXPECT_EQ(s, 0x1234);  // the caller's buffer is left alone
  std::vector<unsigned short> many(1500, 0xABCD);
  EXPECT_EQ(F_WriteShorts(many.data(), 1500, ch), 1500u);  // several work-buffer chunks
  EXPECT_EQ(F_ChannelTell(ch), 3008);
  F_ChannelSeek(ch, 2, FDE_SEEK_SET);
  EXPECT_EQ(F_ChannelSize(ch), 3008);
  EXPECT_EQ(F_ChannelTell(ch), 2);  // size leaves the position alone
  F_ChannelSeek(ch, 0, FDE_SEEK_SET);
  unsigned char raw[9];
  EXPECT_EQ(F_ReadBytes(raw, 9, ch), 9u);
  const unsigned char want[] = {0x34, 0x12, 0x12, 0x34, 0x11, 0x22, 0x33, 0x44, 0xAB};
  EXPECT_EQ(memcmp(raw, want, 9), 0);
  F_ChannelSeek(ch, 4, FDE_SEEK_SET);
  unsigned int back = 0;
  EXPECT_EQ(F_ReadLongs(&back, 1, ch), 1u);
  EXPECT_EQ(back, l);
  EXPECT_FALSE(F_ChannelEof(ch));
  F_ChannelSeek(ch, 0, FDE_SEEK_END);
  EXPECT_EQ(F_ReadBytes(raw, 1, ch), 0u);
  EXPECT_TRUE(F_ChannelEof(ch));

  ChannelT dst = F_ChannelMakeTmp();
  F_ChannelSeek(ch, 0, FDE_SEEK_END);
  EXPECT_EQ(F_ChannelAppend(ch, dst), 0);  // empty rest: nothing written
  EXPECT_EQ(F_ChannelSize(dst), 0);
  F_ChannelSeek(ch, 8, FDE_SEEK_SET);
  EXPECT_EQ(F_ChannelAppend(ch, dst), 0);
  EXPECT_EQ(F_ChannelSize(dst), 3000);
  EXPECT_DEATH(F_ChannelAppend(ch, nullptr), "");
  FilePathT *fp = F_GetFilePath(dst);
  EXPECT_STREQ(fp->path, dst->name);
  F_FilePathFree(fp);
  F_ChannelCloseTmp(dst);
  F_ChannelCloseTmp(ch);

  EXPECT_EQ(F_ChannelSeek(nullptr, 0, 0), -1);
  EXPECT_EQ(F_ChannelClose(nullptr), -1);
  testing::internal::CaptureStdout();
  EXPECT_EQ(F_ChannelWrite("out", 1, 3, nullptr), 3u);
  F_ChannelFlush(nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "out");
}

}  // namespace
