// OpenDocument master documents (.odm) as books: the sub-documents they link, in order, are
// the book's components. The host reads them; it does not write master documents.
#include <filesystem>

#include "host/formats/format.h"
#include "host/formats/package.h"
#include "host/formats/adapter_util.h"
#include "host/formats/xml.h"
#include "host/utf8.h"

namespace qvhost {

namespace {

constexpr const char *kMasterType = "application/vnd.oasis.opendocument.text-master";

void Sources(pugi::xml_node n, std::vector<std::string> &out) {
  for (pugi::xml_node c : n.children()) {
    if (c.type() != pugi::node_element) continue;
    if (LocalName(c.name()) == "section-source") {
      for (pugi::xml_attribute a : c.attributes())
        if (LocalName(a.name()) == "href" && *a.value()) out.push_back(a.value());
    } else {
      Sources(c, out);
    }
  }
}

class Odm final : public Format {
 public:
  std::string_view Name() const override { return "OpenDocument master document"; }
  std::vector<std::string_view> Extensions() const override { return {".odm"}; }
  bool Recognises(const Probe &p) const override {
    std::string type, err;
    return p.pkg && p.pkg->Has("mimetype") && p.pkg->Read("mimetype", type, err, 256) &&
           type == kMasterType;
  }
  Handle Load(Model &m, const std::string &path, std::string &err) const override {
    auto pkg = Package::Open(path, err);
    std::string bytes;
    XmlPart x;
    if (!pkg || !pkg->Read("content.xml", bytes, err) || !x.Parse(bytes, "content.xml", err))
      return 0;
    std::vector<std::string> hrefs;
    Sources(x.Root(), hrefs);
    if (hrefs.empty()) {
      err = "the master document links no sub-documents";
      return 0;
    }
    for (std::string &h : hrefs) {
      std::string decoded = PercentDecoded(h.rfind("file://", 0) == 0 ? h.substr(7) : h);
      if (decoded.find('\0') != std::string::npos || Utf8ErrorAt(decoded) != std::string::npos) {
        err = "content.xml: a link names a NUL character or malformed UTF-8 (" + h + ")";
        return 0;
      }
      h = decoded;
    }
    namespace fs = std::filesystem;
    fs::path dir = fs::path(path).parent_path();
    Book *b = m.NewBook(path);
    for (const std::string &h : hrefs) {
      fs::path p = h;
      if (p.is_relative()) {
        // Links are relative to the package; office suites write "../x.odt" for a file beside
        // the master document. A name that does not exist so is taken from the folder.
        fs::path inPkg = (dir / "x" / p).lexically_normal(), beside = (dir / p).lexically_normal();
        p = fs::exists(inPkg) || !fs::exists(beside) ? inPkg : beside;
        if (h.rfind("../", 0) != 0) p = beside;
      }
      m.AddComponent(*b, p.lexically_normal().string());
    }
    return b->h;
  }
  bool Save(const Model &, Handle, const std::string &, std::string &err) const override {
    err = "master documents are read as books; they are not written";
    return false;
  }
};

}  // namespace

const Format &OdmFormat() {
  static const Odm f;
  return f;
}

}  // namespace qvhost
