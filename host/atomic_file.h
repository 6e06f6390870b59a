// Files the host writes (documents, packages, views) are replaced atomically: the new content
// goes to a temporary file beside the target, is synced, and is renamed over the target only
// when complete; the folder is synced after the rename. A failure leaves the target as it was
// and no temporary file behind.
//
// The target's name is resolved first (file_access.h): a symbolic link is written through to
// the file it names. What is there is checked before anything is written, and the save is
// refused ("cannot write NAME: reason") when it is
//   - not a regular file (a folder, FIFO, device or socket is never replaced),
//   - read-only: no write bit at all (even for root), or not writable by this user,
//   - one of several hard links to the file (replacing it would split them),
//   - owned by another user, or by a group this user is not in (the new file would change
//     hands).
// A replaced file keeps its owner, group and mode; a new one gets rw-r--r--.
//
// The temporary file is made with O_EXCL and written, chowned, chmoded and synced through its
// descriptor only. Its name, ".NAME.qvhost-save-PID-XXXXXX" (NAME cut short when needed, so
// that any target name gives a name within 255 bytes), lets a later run recognise what an
// interrupted one left: such files in the target's folder whose process is gone are reported
// on standard error, once each, and left alone. On SIGINT, SIGTERM or SIGHUP (unless the
// process ignores or handles them itself) the temporary files being written are removed
// before the process ends by the signal.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <string>
#include <vector>

namespace qvhost {

// A replacement of one file in progress: Open, write through Fd() or Write, then Commit.
// Destroyed uncommitted, it removes its temporary file and leaves the target alone.
class AtomicFile {
 public:
  AtomicFile() = default;
  ~AtomicFile();
  AtomicFile(const AtomicFile &) = delete;
  AtomicFile &operator=(const AtomicFile &) = delete;

  // Resolves and checks `target` and creates the empty temporary file beside it.
  bool Open(const std::string &target, std::string &err);
  // The temporary file, open for reading and writing.
  int Fd() const { return fd_; }
  bool Write(const char *data, size_t size, std::string &err);
  bool Write(const std::string &bytes, std::string &err) {
    return Write(bytes.data(), bytes.size(), err);
  }
  // Gives the content the target's owner, group and mode, syncs it and renames it over the
  // target. On failure the temporary file is removed and `err` set.
  bool Commit(std::string &err);

 private:
  void Discard();
  bool Fail(const std::string &why, std::string &err);

  std::string name_;    // as the caller gave it, for messages
  std::string target_;  // resolved
  std::string tmp_;
  int fd_ = -1;
  int slot_ = -1;  // in the registry of files removed on a fatal signal
  bool replaces_ = false;
  struct stat old_ {};
};

// Whether `target` may be replaced (the checks above), so that an output can be refused
// before any work is done; false with `err` set ("cannot write NAME: reason").
bool CheckReplaceable(const std::string &target, std::string &err);

// A run's saves as one batch. While a batch is open, a finished temporary file is not renamed
// over its target: it waits beside it, complete and synced, until the batch is committed (each
// renamed over its target) or abandoned (each removed, the targets untouched). A later write to
// the same target replaces the waiting file. One batch at a time.
class SaveBatch {
 public:
  SaveBatch();
  ~SaveBatch();  // abandons what was not committed
  SaveBatch(const SaveBatch &) = delete;
  SaveBatch &operator=(const SaveBatch &) = delete;
  // Renames every waiting file over its target, in the order they were first written; false
  // with `err` at the first that fails (the rest are removed).
  bool Commit(std::string &err);
  void Abandon();
  // The waiting file that holds what `target` will become, or empty.
  static std::string Pending(const std::string &target);
};

// `bytes` as the whole content of `target`.
bool WriteFileAtomic(const std::string &target, const std::string &bytes, std::string &err);
// The regular file `from`, byte for byte, as `target`.
bool CopyFileAtomic(const std::string &from, const std::string &target, std::string &err);

// Temporary files in `folder` that a save of another process, now gone, left behind.
std::vector<std::string> LeftoverTemps(const std::string &folder);

}  // namespace qvhost
