// Atomic replacement of files: a temporary file beside the target, handled by its descriptor,
// then a rename.
#include "host/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <set>
#include <vector>

#include "host/file_access.h"

namespace qvhost {

namespace {

namespace fs = std::filesystem;

// The longest file name most file systems take, in bytes.
constexpr size_t kNameMax = 255;
// What marks a temporary file of this program, after the target's name and before the pid.
constexpr std::string_view kMarker = ".qvhost-save-";
constexpr std::string_view kRandom = "XXXXXX";
constexpr mode_t kNewFileMode = 0644;
constexpr int kFatalSignals[] = {SIGINT, SIGTERM, SIGHUP};
// Faults of this process, such as one in a client linked into it: its temporary files go too,
// and a line says why the run ended. They are never held back (a fault cannot wait).
constexpr int kFaultSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

// --- temporary files removed on a fatal signal ---------------------------------------------------

// Fixed slots, so that the handler reads them without allocating or locking. A slot is filled
// before it is published and unpublished before it is reused.
struct LiveTemp {
  std::atomic<bool> taken{false};  // by a thread filling it or a file being written
  std::atomic<bool> live{false};   // seen by the handler
  pid_t owner = 0;                 // a child between fork and exec leaves its parent's files alone
  char name[PATH_MAX] = {};
};
// A run's batch holds its finished files here until the end, so there are as many slots as
// there may be changed documents in a large book; a slot's name takes memory only once used.
LiveTemp g_live[1024];

extern "C" void RemoveLiveTemps(int sig) {
  int saved = errno;
  pid_t self = getpid();
  for (LiveTemp &t : g_live)
    if (t.live.load(std::memory_order_acquire) && t.owner == self) unlink(t.name);
  if (sig != SIGINT && sig != SIGTERM && sig != SIGHUP) {
    static const char kWhy[] =
        "quorvex-host: fatal fault; the run ended and the files it had not yet committed are "
        "as they were\n";
    ssize_t n = write(2, kWhy, sizeof kWhy - 1);
    (void)n;
  }
  errno = saved;
  // The handler was installed for one delivery: the signal, blocked until this returns, then
  // ends the process as it would have.
  raise(sig);
}

void InstallHandlers() {
  static std::once_flag once;
  std::call_once(once, [] {
    std::vector<int> all(std::begin(kFatalSignals), std::end(kFatalSignals));
    all.insert(all.end(), std::begin(kFaultSignals), std::end(kFaultSignals));
    for (int sig : all) {
      struct sigaction old {};
      if (sigaction(sig, nullptr, &old) != 0 || (old.sa_flags & SA_SIGINFO) ||
          old.sa_handler != SIG_DFL)
        continue;  // ignored, or handled by someone else
      struct sigaction sa {};
      sa.sa_handler = RemoveLiveTemps;
      sigemptyset(&sa.sa_mask);
      for (int other : kFatalSignals) sigaddset(&sa.sa_mask, other);
      sa.sa_flags = SA_RESETHAND;
      sigaction(sig, &sa, nullptr);
    }
  });
}

// Holds the fatal signals back while a temporary file comes or goes, so that no file exists
// unregistered.
class SignalsHeld {
 public:
  SignalsHeld() {
    sigset_t set;
    sigemptyset(&set);
    for (int sig : kFatalSignals) sigaddset(&set, sig);
    pthread_sigmask(SIG_BLOCK, &set, &old_);
  }
  ~SignalsHeld() { pthread_sigmask(SIG_SETMASK, &old_, nullptr); }

 private:
  sigset_t old_;
};

// The slot now holding `name`, or -1 when it cannot be held (the file is then only removed by
// the code that made it).
int Register(const std::string &name) {
  if (name.size() >= PATH_MAX) return -1;
  for (int i = 0; i < static_cast<int>(std::size(g_live)); ++i) {
    LiveTemp &t = g_live[i];
    bool idle = false;
    if (!t.taken.compare_exchange_strong(idle, true, std::memory_order_acquire)) continue;
    t.owner = getpid();
    std::memcpy(t.name, name.c_str(), name.size() + 1);
    t.live.store(true, std::memory_order_release);
    return i;
  }
  return -1;
}

void Unregister(int &slot) {
  if (slot >= 0) {
    g_live[slot].live.store(false, std::memory_order_release);
    g_live[slot].taken.store(false, std::memory_order_release);
  }
  slot = -1;
}

// --- names ---------------------------------------------------------------------------------------

// The mkstemp template for a target called `name`: hidden, marked with this process, within
// kNameMax bytes however long `name` is (cut short between two UTF-8 characters).
std::string TempTemplate(const std::string &name) {
  std::string tail = std::string(kMarker) + std::to_string(getpid()) + "-" + std::string(kRandom);
  size_t keep = std::min(name.size(), kNameMax - 1 - tail.size());
  while (keep > 0 && keep < name.size() && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80)
    --keep;
  std::string out = ".";
  out.append(name, 0, keep).append(tail);
  return out;
}

// The process that made the temporary file `name`, or 0 when it is not one of ours.
pid_t MakerOf(const std::string &name) {
  size_t at = name.rfind(kMarker);
  if (name.empty() || name[0] != '.' || at == std::string::npos) return 0;
  size_t digits = at + kMarker.size();
  size_t dash = name.find('-', digits);
  if (dash == std::string::npos || dash == digits || dash - digits > 9 ||
      name.size() - dash - 1 != kRandom.size())
    return 0;
  pid_t pid = 0;
  for (size_t i = digits; i < dash; ++i) {
    if (name[i] < '0' || name[i] > '9') return 0;
    pid = pid * 10 + (name[i] - '0');
  }
  return pid;
}

// Reports, once each, what interrupted saves left in the folder.
void ReportLeftovers(const std::string &folder) {
  static std::mutex mu;
  static std::set<std::string> reported;
  for (const std::string &f : LeftoverTemps(folder)) {
    std::lock_guard<std::mutex> lock(mu);
    if (reported.insert(f).second)
      std::fprintf(stderr,
                   "quorvex-host: %s was left by an interrupted save; remove it if it is not "
                   "needed\n",
                   f.c_str());
  }
}

// --- checks --------------------------------------------------------------------------------------

bool InGroup(gid_t gid) {
  if (gid == getegid()) return true;
  int n = getgroups(0, nullptr);
  if (n <= 0) return false;
  std::vector<gid_t> groups(static_cast<size_t>(n));
  n = getgroups(n, groups.data());
  return n > 0 && std::find(groups.begin(), groups.begin() + n, gid) != groups.begin() + n;
}

// Why the existing regular file `path` may not be replaced by a new file; empty when it may.
std::string Protection(const std::string &path, const struct stat &st) {
  char buf[64];
  if ((st.st_mode & 0222) == 0) {
    std::snprintf(buf, sizeof buf, "%04o", static_cast<unsigned>(st.st_mode & 07777));
    return std::string("the file is read-only (mode ") + buf + ")";
  }
  if (faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0)
    return "this user may not write the file (" + ReasonOf(errno) + ")";
  if (st.st_nlink > 1)
    return "the file has " + std::to_string(st.st_nlink) +
           " hard links, and a saved copy would no longer be the file the other names show";
  if (geteuid() != 0 && st.st_uid != geteuid())
    return "the file belongs to another user (uid " + std::to_string(st.st_uid) +
           "), and a saved copy would belong to this one";
  if (geteuid() != 0 && !InGroup(st.st_gid))
    return "the file's group (gid " + std::to_string(st.st_gid) +
           ") is not one of this user's, and a saved copy would change it";
  return {};
}

// Why the file at the resolved `path` may not be replaced; empty when it may. `exists` says
// whether there is a file, whose status is then in `st`.
std::string Unreplaceable(const std::string &path, struct stat &st, bool &exists) {
  exists = lstat(path.c_str(), &st) == 0;
  if (!exists) return errno == ENOENT ? std::string() : ReasonOf(errno);
  if (S_ISLNK(st.st_mode)) return ReasonOf(ELOOP);  // the link could not be followed
  if (S_ISDIR(st.st_mode)) return "a folder, not a file";
  if (!S_ISREG(st.st_mode)) return "not a regular file (" + KindOfFile(st.st_mode) + ")";
  return Protection(path, st);
}

std::string FolderOf(const std::string &resolved) {
  std::string dir = fs::path(resolved).parent_path().string();
  return dir.empty() ? "/" : dir;
}

void SyncFolder(const std::string &folder) {
  // Best effort: the rename is done; a folder that cannot be synced is not an error.
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

bool WriteFd(int fd, const char *data, size_t size) {
  for (size_t done = 0; done < size;) {
    ssize_t n = write(fd, data + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// --- the open batch ------------------------------------------------------------------------------

// A finished temporary file waiting for the batch's end, and its slot in the registry.
struct Waiting {
  std::string target, tmp;
  int slot;
};
std::vector<Waiting> g_waiting;  // in the order first written
bool g_batch_open = false;

Waiting *WaitingFor(const std::string &target) {
  for (Waiting &w : g_waiting)
    if (w.target == target) return &w;
  return nullptr;
}

void Remove(Waiting &w) {
  SignalsHeld held;
  unlink(w.tmp.c_str());
  Unregister(w.slot);
}

}  // namespace

SaveBatch::SaveBatch() {
  g_batch_open = true;
  InstallHandlers();  // a fault at any point of the run is reported, and cleans up
}

SaveBatch::~SaveBatch() {
  Abandon();
  g_batch_open = false;
}

bool SaveBatch::Commit(std::string &err) {
  std::vector<Waiting> all;
  all.swap(g_waiting);
  bool ok = true;
  for (Waiting &w : all) {
    if (ok) {
      SignalsHeld held;
      if (rename(w.tmp.c_str(), w.target.c_str()) == 0) {
        Unregister(w.slot);
        SyncFolder(FolderOf(w.target));
        continue;
      }
      err = "cannot write " + w.target + ": " + ReasonOf(errno);
      ok = false;
    }
    Remove(w);
  }
  return ok;
}

void SaveBatch::Abandon() {
  for (Waiting &w : g_waiting) Remove(w);
  g_waiting.clear();
}

std::string SaveBatch::Pending(const std::string &target) {
  const Waiting *w = WaitingFor(ResolvedPath(target));
  return w ? w->tmp : std::string();
}

// --- AtomicFile ----------------------------------------------------------------------------------

AtomicFile::~AtomicFile() {
  Discard();
}

void AtomicFile::Discard() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  if (tmp_.empty()) return;
  SignalsHeld held;
  unlink(tmp_.c_str());
  Unregister(slot_);
  tmp_.clear();
}

bool AtomicFile::Fail(const std::string &why, std::string &err) {
  Discard();
  err = "cannot write " + name_ + ": " + why;
  return false;
}

bool AtomicFile::Open(const std::string &target, std::string &err) {
  Discard();
  name_ = target;
  target_ = ResolvedPath(target);
  std::string why = Unreplaceable(target_, old_, replaces_);
  if (!why.empty()) return Fail(why, err);
  std::string folder = FolderOf(target_);
  ReportLeftovers(folder);
  std::string tmpl = (fs::path(folder) / TempTemplate(fs::path(target_).filename())).string();
  InstallHandlers();
  SignalsHeld held;
  fd_ = mkostemp(tmpl.data(), O_CLOEXEC);
  if (fd_ < 0) {
    int e = errno;
    return Fail("cannot create a file in " + folder + " (" +
                    (e == ENOENT ? std::string("no such folder") : ReasonOf(e)) + ")",
                err);
  }
  tmp_ = tmpl;
  slot_ = Register(tmp_);
  return true;
}

bool AtomicFile::Write(const char *data, size_t size, std::string &err) {
  return WriteFd(fd_, data, size) || Fail(ReasonOf(errno), err);
}

bool AtomicFile::Commit(std::string &err) {
  if (fd_ < 0) return Fail("nothing was written", err);
  struct stat now;
  if (fstat(fd_, &now) != 0) return Fail(ReasonOf(errno), err);
  // Owner and group first: changing them clears the set-id bits the mode then restores.
  if (replaces_ && (now.st_uid != old_.st_uid || now.st_gid != old_.st_gid) &&
      fchown(fd_, now.st_uid == old_.st_uid ? static_cast<uid_t>(-1) : old_.st_uid,
             now.st_gid == old_.st_gid ? static_cast<gid_t>(-1) : old_.st_gid) != 0)
    return Fail("cannot keep the file's owner and group (" + ReasonOf(errno) + ")", err);
  if (fchmod(fd_, replaces_ ? old_.st_mode & 07777 : kNewFileMode) != 0 || fsync(fd_) != 0)
    return Fail(ReasonOf(errno), err);
  int fd = fd_;
  fd_ = -1;
  if (close(fd) != 0) return Fail(ReasonOf(errno), err);
  if (g_batch_open) {  // the file waits for the batch's end; a later one replaces it
    Waiting now{target_, tmp_, slot_};
    if (Waiting *w = WaitingFor(target_)) {
      Remove(*w);
      *w = now;
    } else {
      g_waiting.push_back(now);
    }
    tmp_.clear();
    slot_ = -1;
    return true;
  }
  {
    SignalsHeld held;
    if (rename(tmp_.c_str(), target_.c_str()) != 0) return Fail(ReasonOf(errno), err);
    Unregister(slot_);
    tmp_.clear();
  }
  SyncFolder(FolderOf(target_));
  return true;
}

// --- whole files ---------------------------------------------------------------------------------

bool CheckReplaceable(const std::string &target, std::string &err) {
  struct stat st;
  bool exists;
  std::string why = Unreplaceable(ResolvedPath(target), st, exists);
  if (why.empty()) return true;
  err = "cannot write " + target + ": " + why;
  return false;
}

bool WriteFileAtomic(const std::string &target, const std::string &bytes, std::string &err) {
  AtomicFile f;
  return f.Open(target, err) && f.Write(bytes, err) && f.Commit(err);
}

bool CopyFileAtomic(const std::string &from, const std::string &target, std::string &err) {
  std::string why;
  FdCloser in(OpenForReading(from, why));
  if (in.Get() < 0) {
    err = "cannot copy " + from + ": " + why;
    return false;
  }
  AtomicFile f;
  if (!f.Open(target, err)) return false;
  char buf[1 << 16];
  for (;;) {
    ssize_t n = read(in.Get(), buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      err = "cannot copy " + from + ": " + ReasonOf(errno);
      return false;
    }
    if (n == 0) return f.Commit(err);
    if (!f.Write(buf, static_cast<size_t>(n), err)) return false;
  }
}

std::vector<std::string> LeftoverTemps(const std::string &folder) {
  std::vector<std::string> found;
  DIR *d = opendir(folder.c_str());
  if (!d) return found;
  while (const dirent *e = readdir(d)) {
    pid_t pid = MakerOf(e->d_name);
    // A live process, ours or another's, may still be writing it.
    if (pid <= 0 || pid == getpid() || kill(pid, 0) == 0 || errno == EPERM) continue;
    found.push_back((fs::path(folder) / e->d_name).string());
  }
  closedir(d);
  std::sort(found.begin(), found.end());
  return found;
}

}  // namespace qvhost
