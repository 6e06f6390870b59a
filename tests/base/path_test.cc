#include <gtest/gtest.h>
#include <quorvex/fdemem.h>
#include <quorvex/fdepath.h>

#include <cstdlib>
#include <pwd.h>
#include <string>
#include <unistd.h>

namespace {

// Expands name against base through the public buffer routine.
std::string Expand(const std::string &name, const char *base) {
  char buf[FDE_PATH_BUFSIZE];
  snprintf(buf, sizeof buf, "%s", name.c_str());
  if (FdeUiExpandFileName(buf, base) != 0) return "<refused>";
  return buf;
}

std::string Take(FilePathT *fp) {
  if (fp == nullptr) return "<null>";
  std::string s = fp->path;
  F_FilePathFree(fp);
  return s;
}

std::string Di(const char *path, const char *anchor = nullptr) {
  FilePathT *fp = FdeFilePathSimpleCreate(path), *an = nullptr;
  if (anchor) an = FdeFilePathSimpleCreate(anchor);
  StringT di = nullptr;
  UIntT len = 99;
  std::string r = F_FilePathToDI(fp, an, &di, &len) == 0 ? di : "<fail>";
  if (di) {
    EXPECT_EQ(len, r.size());
  }
  F_Free(di);
  F_FilePathFree(fp);
  F_FilePathFree(an);
  return r;
}

TEST(PathNormalise, DotsSlashesVariablesAndHome) {
  EXPECT_EQ(Expand("../x", "/a/b"), "/a/x");
  EXPECT_EQ(Expand("/../x", "/a/b"), "/x");
  EXPECT_EQ(Expand("./a//b", "/base"), "/base/a/b");
  EXPECT_EQ(Expand("", "/base"), "/base");
  EXPECT_EQ(Expand("a/../../b", ""), "../b");  // relative results keep their leading ..
  setenv("QV_TEST_DIR", "/var/qv", 1);
  EXPECT_EQ(Expand("$QV_TEST_DIR/f", "/x"), "/var/qv/f");
  unsetenv("QV_UNSET_VARIABLE");
  EXPECT_EQ(Expand("$QV_UNSET_VARIABLE/x", "/b"), "/b/$QV_UNSET_VARIABLE/x");
  EXPECT_EQ(Expand("\\$QV_TEST_DIR", "/b"), "/b/$QV_TEST_DIR");
  const char *home = getenv("HOME");
  if (home && *home == '/') {
    EXPECT_EQ(Expand("~/f", "/x"), Expand(std::string(home) + "/f", "/"));
  }
  if (const passwd *root = getpwnam("root")) {
    EXPECT_EQ(Expand("~root/f", "/x"), Expand(std::string(root->pw_dir) + "/f", "/"));
  }
  EXPECT_EQ(Expand("~no_such_user_qv/f", "/x"), "/x/~no_such_user_qv/f");
  // Results past the working buffer are refused, never cut.
  std::string longname(600, 'n');
  EXPECT_EQ(Expand(longname + "/" + longname, "/"), "<refused>");
  EXPECT_EQ(Take(F_UnixToFilePath((longname + "/" + longname).c_str(), nullptr)), "<null>");
}

TEST(PathNames, BaseNamesParentsAndTypes) {
  FilePathT *fp = FdeFilePathSimpleCreate("/a/b/report");
  StringT base = F_FilePathBaseName(fp);
  EXPECT_STREQ(base, "report");
  F_Free(base);
  IntT err = 5;
  EXPECT_EQ(F_FilePathParent(fp, nullptr), nullptr);
  EXPECT_EQ(Take(F_FilePathParent(fp, &err)), "/a/b");
  EXPECT_EQ(err, 0);
  FdeFilePathFree(&fp);
  EXPECT_EQ(fp, nullptr);
  fp = FdeFilePathSimpleCreate("/a");
  EXPECT_EQ(Take(F_FilePathParent(fp, &err)), "/");
  F_FilePathFree(fp);
  fp = FdeFilePathSimpleCreate("/");
  EXPECT_EQ(F_FilePathParent(fp, &err), nullptr);
  base = F_FilePathBaseName(fp);
  EXPECT_STREQ(base, "");
  F_Free(base);
  F_FilePathFree(fp);
  // A last component of 255 bytes or more gives its first 254 bytes.
  for (size_t n : {254, 255, 300}) {
    std::string name;
    for (size_t i = 0; i < n; ++i) name += static_cast<char>('a' + i % 26);
    fp = FdeFilePathSimpleCreate(("/d/" + name).c_str());
    base = F_FilePathBaseName(fp);
    ASSERT_NE(base, nullptr) << n;
    EXPECT_EQ(std::string(base), name.substr(0, 254)) << n;
    F_Free(base);
    F_FilePathFree(fp);
  }
  char dir[FDE_PATH_BUFSIZE], bn[FDE_BASENAME_MAX + 1];
  EXPECT_EQ(FdeSplitFullFileName("plain", dir, bn), 0);
  EXPECT_STREQ(dir, "");
  EXPECT_STREQ(bn, "plain");
  EXPECT_STREQ(FdeStrFileLastName("a/b/c"), "c");
  snprintf(dir, sizeof dir, "/a");
  EXPECT_EQ(FdeDirCatN(dir, "b", sizeof dir), 4u);
  EXPECT_EQ(FdeDirCatN(dir, "c", 6), 5u);
  EXPECT_STREQ(dir, "/a/b/");
  EXPECT_TRUE(FdePathNameIsRoot("/"));
  EXPECT_FALSE(FdePathNameIsRoot("//"));

  EXPECT_EQ(F_PathNameType("<r>\\<c>usr"), FDE_PATHTYPE_DI);
  EXPECT_EQ(F_PathNameType("<r>"), FDE_PATHTYPE_PLAIN);
  EXPECT_EQ(F_PathNameType("/usr/tmp"), FDE_PATHTYPE_UNIX);
  EXPECT_EQ(F_PathNameType("C:\\"), FDE_PATHTYPE_DOS);
  EXPECT_EQ(F_PathNameType("dir\\file"), FDE_PATHTYPE_DOS);
  EXPECT_EQ(F_PathNameType("HD:Folder:file"), FDE_PATHTYPE_MAC);
  EXPECT_EQ(F_PathNameType("my docs/x"), FDE_PATHTYPE_MAC);
  EXPECT_EQ(F_PathNameType("file.fm"), FDE_PATHTYPE_PLAIN);
}

TEST(PathRelative, RelativiseAgainstAnchor) {
  auto rel = [](const char *p, const char *a) {
    char buf[FDE_PATH_BUFSIZE];
    snprintf(buf, sizeof buf, "%s", p);
    EXPECT_EQ(FdeRelativizeFileName(buf, a), 0);
    return std::string(buf);
  };
  EXPECT_EQ(rel("/a/b/c/file", "/a/b/d/doc"), "../c/file");
  EXPECT_EQ(rel("/a/b/file", "/a/b/doc"), "file");
  EXPECT_EQ(rel("/x/file", "/a/doc"), "/x/file");
  EXPECT_EQ(rel("/a/bc/file", "/a/b/doc"), "../bc/file");
  EXPECT_EQ(rel("/a/file", "/a/b/c/doc"), "../../file");
  char buf[8] = "rel";
  EXPECT_DEATH(FdeRelativizeFileName(buf, "/a/doc"), "");
}

TEST(PathDi, BuildAndParse) {
  EXPECT_EQ(Di("/usr/local/file"), "<r><c>usr<c>local<c>file");
  EXPECT_EQ(Di("/a/b/c/file", "/a/b/d/doc"), "<u><c>c<c>file");
  EXPECT_EQ(Di("/a/x<y"), "<r><c>a<c>x\\<y");  // escaped, so it parses back
  EXPECT_EQ(Take(F_DIToFilePath("<r><c>a<c>x\\<y", nullptr)), "/a/x<y");
  EXPECT_EQ(Take(F_DIToFilePath("<u><u><c>x", nullptr)), "../../x");
  EXPECT_EQ(Take(F_DIToFilePath("<c>a<r>", nullptr)), "<null>");
  EXPECT_EQ(Take(F_DIToFilePath("<r><u><c>a", nullptr)), "<null>");
  EXPECT_EQ(Take(F_DIToFilePath("<v>vol<c>f", nullptr)), "/vol/f");
  EXPECT_EQ(Take(F_DIToFilePath("<r><Z>ignored<c>f", nullptr)), "/f");
  std::string big = "<c>" + std::string(FDE_DI_TOKEN_MAX + 1, 'q');
  EXPECT_EQ(Take(F_DIToFilePath(big.c_str(), nullptr)), "<null>");
  FilePathT *anchor = F_UnixToFilePath("/docs/book/ch1.fm", nullptr);
  EXPECT_EQ(anchor->flags, FDE_PATH_ABSOLUTE);
  FilePathT *rel = F_DIToFilePath("<u><c>img<c>a.png", anchor);
  EXPECT_EQ(rel->flags, FDE_PATH_ABSOLUTE);
  EXPECT_EQ(Take(rel), "/docs/img/a.png");
  FilePathT *r2 = F_UnixToFilePath("x/y", nullptr);
  EXPECT_EQ(r2->flags, FDE_PATH_RELATIVE);
  EXPECT_EQ(Take(F_UnixToFilePath("z", r2)), "<null>");  // relative anchors are refused
  StringT di = nullptr;
  UIntT len = 0;
  EXPECT_DEATH(F_FilePathToDI(r2, nullptr, &di, &len), "");
  EXPECT_DEATH(F_FilePathToDI(anchor, nullptr, nullptr, &len), "");
  F_FilePathFree(r2);
  StringT name = F_FilePathToPathName(anchor, FDE_PATHTYPE_DI);
  EXPECT_STREQ(name, "<r><c>docs<c>book<c>ch1.fm");
  F_Free(name);
  EXPECT_EQ(F_FilePathToPathName(anchor, FDE_PATHTYPE_MAC), nullptr);
  F_FilePathFree(anchor);
  FilePathT *d = FdeFilePathSimpleCreate("/d");
  EXPECT_EQ(Take(F_PathNameToFilePath("<c>x", d, FDE_PATHTYPE_DI)), "/d/x");
  F_FilePathFree(d);
  EXPECT_EQ(F_PathNameToFilePath("HD:x", nullptr, FDE_PATHTYPE_MAC), nullptr);
  EXPECT_DEATH(F_PathNameToFilePath("x", nullptr, 9), "");
}

TEST(PathProperties, ExistenceAndAccess) {
  char cwd[FDE_PATH_BUFSIZE];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  EXPECT_EQ(Take(FdeToFilePath("sub/../f", nullptr)), std::string(cwd) + "/f");
  FilePathT *tmp = FdeFilePathSimpleCreate("/tmp");
  EXPECT_TRUE(F_DirectoryExists(tmp));
  EXPECT_FALSE(F_FileExists(tmp));
  EXPECT_TRUE(F_DirectoryIsWriteable(tmp));
  EXPECT_TRUE(F_DirectoryIsReadable(tmp));
  F_FilePathFree(tmp);
  EXPECT_EQ(FdeStatProperty("/tmp", FDE_STAT_ISDIR | FDE_STAT_ISFILE | FDE_STAT_EXISTS),
            static_cast<UIntT>(FDE_STAT_ISDIR | FDE_STAT_EXISTS));
  EXPECT_EQ(FdeStatProperty("/no/such/qv", FDE_STAT_EXISTS), 0u);
  EXPECT_EQ(FdeAccessProperty("/tmp", FDE_ACCESS_CANREAD), static_cast<UIntT>(FDE_ACCESS_CANREAD));
  StringT e = FdeInternalToPlatformFilename(nullptr);
  EXPECT_STREQ(e, "");
  F_Free(e);
}

}  // namespace
