// Resolving names, and opening files for reading without blocking on anything but a file.
#include "host/file_access.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>

namespace qvhost {

namespace {

namespace fs = std::filesystem;

// As many links as the kernel follows in one name before it gives up with ELOOP.
constexpr int kMaxLinks = 40;

}  // namespace

FdCloser::~FdCloser() {
  if (fd_ >= 0) close(fd_);
}

int FdCloser::Release() {
  return std::exchange(fd_, -1);
}

std::string ResolvedPath(const std::string &path) {
  std::error_code ec;
  fs::path p = fs::absolute(path, ec);
  if (ec) return path;
  for (int hops = 0; hops < kMaxLinks; ++hops) {
    fs::path c = fs::weakly_canonical(p, ec);
    if (ec) return p.lexically_normal().string();
    // What is left a link is one whose file does not exist yet: that file is the one meant.
    struct stat st;
    if (lstat(c.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return c.string();
    fs::path to = fs::read_symlink(c, ec);
    if (ec) return c.string();
    p = to.is_absolute() ? to : c.parent_path() / to;
  }
  return p.lexically_normal().string();
}

std::string KindOfFile(mode_t mode) {
  static const std::pair<mode_t, const char *> kinds[] = {
      {S_IFDIR, "a folder"},       {S_IFIFO, "a FIFO"},    {S_IFCHR, "a character device"},
      {S_IFBLK, "a block device"}, {S_IFSOCK, "a socket"}, {S_IFLNK, "a symbolic link"},
      {S_IFREG, "a regular file"}};
  for (const auto &[type, name] : kinds)
    if ((mode & S_IFMT) == type) return name;
  return "not a regular file";
}

std::string ReasonOf(int errnum) {
  if (errnum == ENOENT) return "no such file";
  std::string s = std::strerror(errnum);
  if (!s.empty()) s[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(s[0])));
  return s;
}

namespace {

// Why a file of this mode is not read; empty for a regular file.
std::string Unreadable(mode_t mode) {
  if (S_ISREG(mode)) return {};
  if (S_ISDIR(mode)) return "a folder, not a document";
  return "not a regular file (" + KindOfFile(mode) + ")";
}

}  // namespace

int OpenForReading(const std::string &path, std::string &err) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    err = ReasonOf(errno);
    return -1;
  }
  if (!(err = Unreadable(st.st_mode)).empty()) return -1;
  // Not blocking, and never a controlling terminal, in case the name now names something else.
  FdCloser fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (fd.Get() < 0) {
    err = ReasonOf(errno);
    return -1;
  }
  if (fstat(fd.Get(), &st) != 0) {
    err = ReasonOf(errno);
    return -1;
  }
  if (!(err = Unreadable(st.st_mode)).empty()) return -1;
  int flags = fcntl(fd.Get(), F_GETFL);
  if (flags >= 0) fcntl(fd.Get(), F_SETFL, flags & ~O_NONBLOCK);
  return fd.Release();
}

bool ReadAll(int fd, size_t limit, std::string &out, std::string &err) {
  out.clear();
  auto tooLarge = [&] {
    out.clear();
    err = "larger than " + std::to_string(limit >> 20) + " MiB";
    return false;
  };
  struct stat st;
  if (fstat(fd, &st) == 0 && st.st_size > 0) {
    if (static_cast<unsigned long long>(st.st_size) > limit) return tooLarge();
    out.reserve(static_cast<size_t>(st.st_size));
  }
  char buf[1 << 16];
  for (;;) {
    ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      out.clear();
      err = "cannot read the file (" + ReasonOf(errno) + ")";
      return false;
    }
    if (n == 0) return true;
    // The file may have grown since it was measured.
    if (out.size() + static_cast<size_t>(n) > limit) return tooLarge();
    out.append(buf, static_cast<size_t>(n));
  }
}

}  // namespace qvhost
