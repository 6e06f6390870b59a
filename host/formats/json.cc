// The host's own JSON form of documents and books (see host/docio.h).
#include <cctype>

#include "host/docio.h"
#include "host/formats/format.h"

namespace qvhost {

namespace {

class Json final : public Format {
 public:
  std::string_view Name() const override { return "JSON"; }
  std::vector<std::string_view> Extensions() const override { return {".json"}; }
  bool Recognises(const Probe &p) const override {
    size_t i = p.head.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    while (i < p.head.size() && std::isspace(static_cast<unsigned char>(p.head[i]))) ++i;
    return !p.pkg && i < p.head.size() && (p.head[i] == '{' || p.head[i] == '[');
  }
  Handle Load(Model &m, const std::string &path, std::string &err) const override {
    return LoadJson(m, path, err);
  }
  bool Save(const Model &m, Handle docOrBook, const std::string &path,
            std::string &err) const override {
    return SaveJson(m, docOrBook, path, err);
  }
};

}  // namespace

const Format &JsonFormat() {
  static const Json f;
  return f;
}

}  // namespace qvhost
