// ZIP packages (OpenDocument and Office Open XML files): bounded reading of entries, and
// writing that copies what it does not replace.
//
// Reading never trusts the sizes the archive declares: an entry is inflated in chunks and
// refused as soon as it passes the caller's limit, so a small file cannot make the host
// allocate gigabytes. Encrypted entries are refused.
//
// Writing is atomic, through AtomicFile (atomic_file.h), with its checks of the target: libzip
// reads the original and writes the new package through descriptors, into the one temporary
// file, which is renamed over the target only when complete, so a failed save leaves the
// target as it was. When a package is rewritten, every entry that is not replaced keeps its
// compressed bytes, its name, its order and its compression method.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct zip;

namespace qvhost {

// The largest part the host inflates (64 MiB): far above any real document part.
constexpr size_t kMaxPartSize = size_t{64} << 20;
// The largest JSON document the host reads whole (256 MiB).
constexpr size_t kMaxJsonSize = size_t{256} << 20;

class Package {
 public:
  // Opens the ZIP file at `path` for reading; nullptr with `err` set when it is not a regular
  // file (file_access.h) or not a package ("not a ZIP package", "truncated or damaged ZIP
  // package: ...", "damaged ZIP package: the entry NAME appears twice").
  static std::unique_ptr<Package> Open(const std::string &path, std::string &err);
  ~Package();
  Package(const Package &) = delete;
  Package &operator=(const Package &) = delete;

  const std::string &Path() const { return path_; }
  // Entry names in the order the archive holds them.
  const std::vector<std::string> &Names() const { return names_; }
  bool Has(const std::string &name) const;
  // Inflates one entry into `out`. False with `err` set when it is missing, encrypted,
  // damaged, or larger than `limit` bytes once inflated.
  bool Read(const std::string &name, std::string &out, std::string &err,
            size_t limit = kMaxPartSize) const;
  // Inflates one entry a piece at a time, handing each piece to `take` as it comes; stops when
  // `take` returns false (which leaves `err` to it). The same refusals as Read; `declared`,
  // when given, receives the size the archive declares (within `limit`; 0 when none).
  bool ReadChunks(const std::string &name, const std::function<bool(std::string_view)> &take,
                  std::string &err, size_t limit = kMaxPartSize, size_t *declared = nullptr) const;

 private:
  Package() = default;
  std::string path_;
  zip *za_ = nullptr;
  std::vector<std::string> names_;
  std::map<std::string, long long> index_;
};

// Writes to `target` the package `original` with the entries of `replace` (name -> content)
// replaced, or added at the end when the original has no such entry. Replaced entries keep
// their compression method; added ones are deflated. `original` and `target` may be the
// same file.
bool RewritePackage(const std::string &original, const std::string &target,
                    const std::map<std::string, std::string> &replace, std::string &err);

// Writes a new package to `target`, entries in the order given. The first entry is stored
// uncompressed when `storeFirst` (an OpenDocument package's mimetype); the others are deflated.
bool WritePackage(const std::string &target,
                  const std::vector<std::pair<std::string, std::string>> &entries, bool storeFirst,
                  std::string &err);

}  // namespace qvhost
