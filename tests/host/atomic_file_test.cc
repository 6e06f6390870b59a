// Replacing and reading files on disk: the temporary file is only ever reached through its
// descriptor, any target name can be saved, a fatal signal leaves nothing behind, protected or
// special files are never replaced, and files that are not regular are refused for reading
// before they can block.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/atomic_file.h"
#include "host/files.h"
#include "host/file_access.h"
#include "host/formats/format.h"
#include "host/formats/package.h"
#include "tests/host/scratch.h"

namespace qvhost {
namespace {

namespace fs = std::filesystem;

// The process id of a process that has ended.
pid_t DeadPid() {
  pid_t pid = fork();
  if (pid == 0) _exit(0);
  waitpid(pid, nullptr, 0);
  return pid;
}

TEST(HostAtomicFile, TheTemporaryFileIsWrittenThroughItsDescriptorOnly) {
  TempDir t;
  std::string target = t.Write("doc.json", "old"), victim = t.Write("victim", "precious");
  AtomicFile f;
  std::string err;
  ASSERT_TRUE(f.Open(target, err)) << err;
  // Someone who may write the folder swaps the temporary file for a link to another file.
  std::vector<std::string> names = t.Names();
  ASSERT_EQ(names.size(), 3u);
  ASSERT_EQ(names[0][0], '.');
  fs::remove(t.dir / names[0]);
  fs::create_symlink(victim, t.dir / names[0]);
  EXPECT_TRUE(f.Write("new", err) && f.Commit(err)) << err;
  EXPECT_EQ(Slurp(victim), "precious");
}

TEST(HostAtomicFile, AnyNameCanBeSavedAndErrorsSayWhy) {
  TempDir t;
  std::string err;
  // Names up to the longest a file may have, in ASCII and in two-byte characters.
  std::string ascii(250, 'a'), accents;
  for (int i = 0; i < 127; ++i) accents += "\xC3\xA9";
  for (const std::string &name : {ascii + ".json", accents}) {
    std::string path = (t.dir / name).string();
    ASSERT_TRUE(WriteFileAtomic(path, "one", err)) << err;
    ASSERT_TRUE(WriteFileAtomic(path, "two", err)) << err;
    EXPECT_EQ(Slurp(path), "two");
  }
  EXPECT_EQ(t.Names().size(), 2u);  // no temporary file left
  EXPECT_FALSE(WriteFileAtomic((t.dir / "no" / "x.json").string(), "x", err));
  EXPECT_NE(err.find("(no such folder)"), std::string::npos) << err;
  EXPECT_FALSE(WriteFileAtomic((t.dir / std::string(300, 'b')).string(), "x", err));
  EXPECT_NE(err.find("file name too long"), std::string::npos) << err;
  EXPECT_EQ(err.find("cannot write"), err.rfind("cannot write")) << err;
}

TEST(HostAtomicFile, AFatalSignalRemovesTheTemporaryFiles) {
  for (int sig : {SIGTERM, SIGINT}) {
    TempDir t;
    std::string target = t.Write("doc.json", "old");
    pid_t pid = fork();
    if (pid == 0) {
      AtomicFile a, b;
      std::string err;
      bool ok = a.Open(target, err) && a.Write(std::string(1 << 20, 'x'), err) &&
                b.Open((t.dir / "other.json").string(), err);
      raise(ok ? sig : SIGKILL);
      _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), sig);  // ended by the signal, as without the handler
    EXPECT_EQ(t.Names(), std::vector<std::string>{"doc.json"});
    EXPECT_EQ(Slurp(target), "old");
  }
}

TEST(HostAtomicFile, LeftoversOfEndedProcessesAreFoundAndKept) {
  TempDir t;
  std::string dead =
      "." + std::string(220, 'd') + ".qvhost-save-" + std::to_string(DeadPid()) + "-Ab12Cd";
  std::string live = ".doc.json.qvhost-save-" + std::to_string(getppid()) + "-Ab12Cd";
  for (const std::string &n : {dead, live, std::string(".doc.json.swp"), std::string("doc.json")})
    t.Write(n, "x");
  EXPECT_EQ(LeftoverTemps(t.dir), std::vector<std::string>{(t.dir / dead).string()});
  std::string err;
  ASSERT_TRUE(WriteFileAtomic((t.dir / "doc.json").string(), "y", err)) << err;
  EXPECT_TRUE(fs::exists(t.dir / dead));
}

TEST(HostAtomicFile, SpecialAndProtectedFilesAreNeverReplaced) {
  TempDir t;
  std::string err;
  std::string fifo = (t.dir / "fifo").string(), folder = (t.dir / "folder.json").string();
  std::string device = (t.dir / "null").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  // A device of its own (only root may make one), never the system's.
  bool devices = mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
  fs::create_directory(folder);
  std::string ro = t.Write("ro.json", "keep"), linked = t.Write("linked.json", "keep");
  chmod(ro.c_str(), 0444);
  fs::create_hard_link(linked, t.dir / "other-name.json");
  const std::pair<std::string, std::string> cases[] = {
      {fifo, "not a regular file (a FIFO)"},
      {devices ? device : fifo,
       devices ? "not a regular file (a character device)" : "not a regular file (a FIFO)"},
      {folder, "a folder, not a file"},
      {ro, "the file is read-only (mode 0444)"},
      {linked, "the file has 2 hard links"}};
  for (const auto &[path, why] : cases) {
    EXPECT_FALSE(CheckReplaceable(path, err)) << path;
    EXPECT_FALSE(WriteFileAtomic(path, "new", err)) << path;
    EXPECT_EQ(err.rfind("cannot write " + path + ": " + why, 0), 0u) << err;
  }
  EXPECT_TRUE(fs::is_fifo(fifo));
  EXPECT_TRUE(fs::is_directory(folder));
  EXPECT_EQ(Slurp(ro) + Slurp(linked), "keepkeep");
  EXPECT_EQ(t.Names().size(), devices ? 6u : 5u);
}

TEST(HostAtomicFile, OwnerGroupAndModeAreKeptAndLinksWrittenThrough) {
  TempDir t;
  std::string err, doc = t.Write("doc.json", "old");
  chmod(doc.c_str(), 0640);
  bool root = geteuid() == 0;
  if (root) {
    ASSERT_EQ(chown(doc.c_str(), 4321, 8765), 0);
  }
  // One link to the file, one to a file not made yet.
  fs::create_symlink("doc.json", t.dir / "link.json");
  fs::create_symlink(t.dir / "new.json", t.dir / "dangling.json");
  ASSERT_TRUE(WriteFileAtomic((t.dir / "link.json").string(), "new", err)) << err;
  ASSERT_TRUE(WriteFileAtomic((t.dir / "dangling.json").string(), "made", err)) << err;
  EXPECT_TRUE(fs::is_symlink(t.dir / "link.json"));
  EXPECT_TRUE(fs::is_symlink(t.dir / "dangling.json"));
  EXPECT_EQ(Slurp(doc) + Slurp(t.dir / "new.json"), "newmade");
  struct stat st;
  ASSERT_EQ(stat(doc.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  if (root) {
    EXPECT_EQ(st.st_uid, 4321u);
    EXPECT_EQ(st.st_gid, 8765u);
  }
  EXPECT_EQ(ResolvedPath((t.dir / "dangling.json").string()), (t.dir / "new.json").string());
}

TEST(HostFileRead, WhatIsNotARegularFileIsRefusedWithItsReason) {
  TempDir t;
  std::string err;
  fs::create_symlink("loop-b", t.dir / "loop-a");
  fs::create_symlink("loop-a", t.dir / "loop-b");
  const std::pair<std::string, std::string> cases[] = {
      {(t.dir / "loop-a").string(), "too many levels of symbolic links"},
      {"/dev/null", "not a regular file (a character device)"},
      {t.dir.string(), "a folder, not a document"},
      {(t.dir / "none").string(), "no such file"}};
  for (const auto &[path, why] : cases) {
    EXPECT_EQ(FormatOfFile(path, err), nullptr) << path;
    EXPECT_EQ(err, why);
  }
  // A JSON document past the bound is refused before it is read.
  std::string big = t.Write("big.json", "{\"type\": \"document\"");
  ASSERT_EQ(truncate(big.c_str(), static_cast<off_t>(kMaxJsonSize) + 1), 0);
  Model m;
  EXPECT_EQ(LoadFile(m, big, err), 0u);
  EXPECT_NE(err.find("larger than 256 MiB"), std::string::npos) << err;
}

TEST(HostFileRead, ADuplicateEntryIsNamed) {
  TempDir t;
  std::string path = (t.dir / "dup.odt").string(), err;
  ASSERT_TRUE(WritePackage(
      path, {{"mimetype", "x"}, {"content.xml", "<a/>"}, {"contenu.xml", "<b/>"}}, true, err))
      << err;
  std::string bytes = Slurp(path);
  for (size_t at; (at = bytes.find("contenu.xml")) != std::string::npos;)
    bytes.replace(at, 11, "content.xml");
  t.Write("dup.odt", bytes);
  EXPECT_FALSE(Package::Open(path, err));
  EXPECT_EQ(err, "damaged ZIP package: the entry content.xml appears twice");
}

}  // namespace
}  // namespace qvhost
