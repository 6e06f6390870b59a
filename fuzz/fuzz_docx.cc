// libFuzzer target for the .docx reader: the input is written to a temporary file and read
// through the format, as the host reads a document; when it loads, it is saved elsewhere
// (unchanged: a copy) and closed. Seeds: tests/fixtures/office/*.docx.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "host/formats/format.h"
#include "host/model/model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static const std::string dir = [] {
    char tmpl[] = "/tmp/qvfuzz-docx-XXXXXX";
    return std::string(mkdtemp(tmpl));
  }();
  const std::string in = dir + "/in.docx", out = dir + "/out.docx";
  if (FILE *f = std::fopen(in.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  qvhost::Model m;
  std::string err;
  const qvhost::Format &docx = qvhost::DocxFormat();
  if (qvhost::Handle h = docx.Load(m, in, err)) {
    docx.Save(m, h, out, err);
    m.Close(h, 1);
  }
  std::remove(out.c_str());
  return 0;
}
