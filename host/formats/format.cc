// Recognising formats, and loading and saving through them.
#include "host/formats/format.h"

#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "host/atomic_file.h"
#include "host/file_access.h"
#include "host/formats/odt.h"
#include "host/formats/package.h"

namespace qvhost {

namespace {

// What the file looks like, for the error when no format claims it.
std::string Described(const Probe &p) {
  if (p.pkg) return "a ZIP package that is not a supported document";
  if (p.head.empty()) return "an empty file";
  for (unsigned char c : p.head)
    if (c < 0x09 || (c > 0x0D && c < 0x20)) return "binary data";
  return "text that is not a supported document";
}

}  // namespace

const std::vector<const Format *> &Formats() {
  static const std::vector<const Format *> all{&JsonFormat(), &OdtFormat(), &DocxFormat(),
                                               &OdmFormat()};
  return all;
}

const Format *FormatOfFile(const std::string &path, std::string &err) {
  FdCloser fd(OpenForReading(path, err));
  if (fd.Get() < 0) return nullptr;
  Probe p;
  p.path = path;
  p.head.resize(4096);
  ssize_t n = pread(fd.Get(), p.head.data(), p.head.size(), 0);
  if (n < 0) {
    err = "cannot read the file (" + ReasonOf(errno) + ")";
    return nullptr;
  }
  p.head.resize(static_cast<size_t>(n));
  std::unique_ptr<Package> pkg;
  if (p.head.compare(0, 2, "PK") == 0) {
    std::string why;
    pkg = Package::Open(path, why);
    if (!pkg) {
      err = why;
      return nullptr;
    }
    p.pkg = pkg.get();
  }
  for (const Format *f : Formats())
    if (f->Recognises(p)) return f;
  err = "not a supported document (found " + Described(p) + ")";
  return nullptr;
}

std::string LowerExtension(const std::string &path) {
  std::string ext = std::filesystem::path(path).extension().string();
  for (char &c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

const Format *FormatClaiming(const std::string &path) {
  std::string ext = LowerExtension(path);
  for (const Format *f : Formats())
    for (std::string_view e : f->Extensions())
      if (e == ext) return f;
  return nullptr;
}

namespace {

const Format *FormatNamed(std::string_view name) {
  for (const Format *f : Formats())
    if (f->Name() == name) return f;
  return nullptr;
}

}  // namespace

const Format *FormatForSave(const Model &m, Handle docOrBook, const std::string &path) {
  const Doc *d = m.DocOf(docOrBook);
  const Book *b = m.BookOf(docOrBook);
  const Format *readAs = d ? FormatNamed(d->format) : b ? FormatNamed(b->format) : nullptr;
  if (readAs && path == (d ? d->path : b->path)) return readAs;
  if (const Format *f = FormatClaiming(path)) return f;
  return readAs ? readAs : &JsonFormat();
}

}  // namespace qvhost
