// Atomic replacement of files: a temporary file beside the target, then a rename.
#include "host/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

namespace qvhost {

namespace {

// The mode a saved file gets: that of the file it replaces, else rw-r--r--.
mode_t TargetMode(const std::string &target) {
  struct stat st;
  return stat(target.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
}

bool SyncFile(const std::string &path) {
  int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) return false;
  bool ok = fsync(fd) == 0;
  return close(fd) == 0 && ok;
}

bool WriteAll(const std::string &path, const std::string &bytes) {
  int fd = open(path.c_str(), O_WRONLY | O_TRUNC);
  if (fd < 0) return false;
  bool ok = true;
  for (size_t done = 0; ok && done < bytes.size();) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<size_t>(n);
  }
  return close(fd) == 0 && ok;
}

// The open batch's waiting files: target -> temporary file, in the order first written.
struct Waiting {
  std::string target, tmp;
};
std::vector<Waiting> g_waiting;
bool g_batch_open = false;

Waiting *WaitingFor(const std::string &target) {
  for (Waiting &w : g_waiting)
    if (w.target == target) return &w;
  return nullptr;
}

}  // namespace

SaveBatch::SaveBatch() {
  g_batch_open = true;
}

SaveBatch::~SaveBatch() {
  Abandon();
  g_batch_open = false;
}

bool SaveBatch::Commit(std::string &err) {
  std::vector<Waiting> all;
  all.swap(g_waiting);
  bool ok = true;
  for (const Waiting &w : all) {
    if (ok && std::rename(w.tmp.c_str(), w.target.c_str()) == 0) continue;
    if (ok) err = "cannot write " + w.target + ": " + std::strerror(errno);
    ok = false;
    unlink(w.tmp.c_str());
  }
  return ok;
}

void SaveBatch::Abandon() {
  for (const Waiting &w : g_waiting) unlink(w.tmp.c_str());
  g_waiting.clear();
}

std::string SaveBatch::Pending(const std::string &target) {
  const Waiting *w = WaitingFor(target);
  return w ? w->tmp : std::string();
}

std::string TempBeside(const std::string &target) {
  std::filesystem::path t(target);
  std::filesystem::path dir = t.parent_path().empty() ? "." : t.parent_path();
  std::string hidden = ".";
  hidden += t.filename().string();
  hidden += ".XXXXXX";
  std::string tmpl = (dir / hidden).string();
  std::vector<char> name(tmpl.begin(), tmpl.end());
  name.push_back('\0');
  int fd = mkstemp(name.data());
  if (fd < 0) return {};
  close(fd);
  return name.data();
}

bool CommitTemp(const std::string &tmp, const std::string &target, std::string &err) {
  if (chmod(tmp.c_str(), TargetMode(target)) == 0 && SyncFile(tmp)) {
    if (!g_batch_open) {
      if (std::rename(tmp.c_str(), target.c_str()) == 0) return true;
    } else if (Waiting *w = WaitingFor(target)) {
      unlink(w->tmp.c_str());
      w->tmp = tmp;
      return true;
    } else {
      g_waiting.push_back({target, tmp});
      return true;
    }
  }
  unlink(tmp.c_str());
  err = "cannot write " + target;
  return false;
}

bool WriteFileAtomic(const std::string &target, const std::string &bytes, std::string &err) {
  std::string tmp = TempBeside(target);
  if (tmp.empty()) {
    err = "cannot create a file beside " + target;
    return false;
  }
  if (!WriteAll(tmp, bytes)) {
    unlink(tmp.c_str());
    err = "cannot write " + target;
    return false;
  }
  return CommitTemp(tmp, target, err);
}

bool CopyFileAtomic(const std::string &from, const std::string &target, std::string &err) {
  std::string tmp = TempBeside(target);
  std::error_code ec;
  if (tmp.empty() || !std::filesystem::copy_file(
                         from, tmp, std::filesystem::copy_options::overwrite_existing, ec)) {
    if (!tmp.empty()) unlink(tmp.c_str());
    err = "cannot copy " + from + " to " + target;
    return false;
  }
  return CommitTemp(tmp, target, err);
}

}  // namespace qvhost
