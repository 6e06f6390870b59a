// Files the host writes (documents, packages, views) are replaced atomically: the new content
// goes to a temporary file beside the target, is synced, and is renamed over the target only
// when complete. A failure leaves the target as it was and no temporary file behind. A
// replaced file keeps its permissions; a new one gets rw-r--r--.
#pragma once

#include <string>

namespace qvhost {

// Creates an empty temporary file beside `target` (same file system, so that the final rename
// is atomic) and returns its name; empty on failure.
std::string TempBeside(const std::string &target);
// Moves the finished temporary file `tmp` over `target`; on failure removes it and sets `err`.
bool CommitTemp(const std::string &tmp, const std::string &target, std::string &err);

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
// The file `from`, byte for byte, as `target`.
bool CopyFileAtomic(const std::string &from, const std::string &target, std::string &err);

}  // namespace qvhost
