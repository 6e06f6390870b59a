// libFuzzer target: the OpenDocument Text loader, given arbitrary bytes as a file. Whatever the
// bytes, loading either builds a document or fails with a message; it never crashes, overruns
// or leaks, and a failure leaves nothing open.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/formats/odt.h"
#include "host/model/model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static std::string path = [] {
    char tmpl[] = "/tmp/fuzz-odt-XXXXXX";
    int fd = mkstemp(tmpl);
    if (fd >= 0) close(fd);
    return std::string(tmpl);
  }();
  FILE *f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  qvhost::Model m;
  std::string err;
  qvhost::Handle h = qvhost::OdtFormat().Load(m, path, err);
  if (!h && !m.OpenDocs().empty()) std::abort();
  if (!h && err.empty()) std::abort();
  return 0;
}
