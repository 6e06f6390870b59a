// Opening and saving files through the formats, for the model and its callers.
#include "host/files.h"

#include "host/atomic_file.h"
#include "host/formats/format.h"

namespace qvhost {

Handle LoadFile(Model &m, const std::string &path, std::string &err) {
  // A file this run has saved but not yet committed is read as it will be.
  std::string pending = SaveBatch::Pending(path);
  const std::string &from = pending.empty() ? path : pending;
  const Format *f = FormatOfFile(from, err);
  Handle h = f ? f->Load(m, from, err) : 0;
  if (!h) {
    err = path + ": " + err;
    return 0;
  }
  if (Doc *d = m.DocOf(h)) {
    d->path = path;
    d->format = f->Name();
  }
  if (Book *b = m.BookOf(h)) {
    b->path = path;
    b->format = f->Name();
  }
  return h;
}

bool SaveFile(const Model &m, Handle docOrBook, const std::string &path, std::string &err) {
  if (!FormatForSave(m, docOrBook, path)->Save(m, docOrBook, path, err)) {
    if (err.find(path) == std::string::npos) err = path + ": " + err;
    return false;
  }
  return true;
}

namespace {

class FilesThroughFormats final : public DocumentFiles {
 public:
  Handle Load(Model &m, const std::string &path, std::string &err) const override {
    return LoadFile(m, path, err);
  }
  bool Save(const Model &m, Handle docOrBook, const std::string &path,
            std::string &err) const override {
    return SaveFile(m, docOrBook, path, err);
  }
};

}  // namespace

const DocumentFiles &FormatFiles() {
  static const FilesThroughFormats files;
  return files;
}

namespace {

struct HostModel : Model {
  HostModel() { files = &FormatFiles(); }
};

}  // namespace

Model &TheModel() {
  static HostModel m;
  return m;
}

}  // namespace qvhost
