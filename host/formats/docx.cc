// The WordprocessingML format: recognition, and the entry points of the reader and writers.
#include "host/formats/docx.h"

#include "host/formats/package.h"

namespace qvhost {

namespace {

class Docx final : public Format {
 public:
  std::string_view Name() const override { return "Office Open XML (WordprocessingML)"; }
  std::vector<std::string_view> Extensions() const override { return {".docx"}; }
  // Any Office Open XML package: the loader says why one that is not a WordprocessingML
  // document, or whose description is broken, cannot be read.
  bool Recognises(const Probe &p) const override {
    return p.pkg && !p.pkg->Has("mimetype") &&
           (p.pkg->Has("[Content_Types].xml") || p.pkg->Has("_rels/.rels"));
  }
  Handle Load(Model &m, const std::string &path, std::string &err) const override {
    Handle h = 0;
    try {
      return docx::Load(m, path, h, err) ? h : 0;
    } catch (const std::exception &e) {  // allocation failure and the like
      err = std::string("cannot read the document: ") + e.what();
      return 0;
    }
  }
  bool Save(const Model &m, Handle docOrBook, const std::string &path,
            std::string &err) const override {
    const Doc *d = m.DocOf(docOrBook);
    if (!d) {
      err = "a book cannot be written as a .docx document";
      return false;
    }
    try {
      if (auto *src = dynamic_cast<docx::Source *>(d->source.get()))
        return docx::SaveBack(m, *d, *src, path, err);
      return docx::WriteNew(m, *d, path, err);
    } catch (const std::exception &e) {
      err = std::string("cannot write the document: ") + e.what();
      return false;
    }
  }
};

}  // namespace

const Format &DocxFormat() {
  static const Docx f;
  return f;
}

}  // namespace qvhost
