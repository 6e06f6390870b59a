// Reading the package description of Office Open XML files.
#include "host/formats/opc.h"

#include <cctype>
#include <cstring>
#include <vector>

#include "host/formats/adapter_util.h"
#include "host/formats/xml.h"

namespace qvhost {

namespace {

constexpr size_t kMaxDescription = size_t{4} << 20;  // content types and relationships

std::string Lower(std::string s) {
  for (char &c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// "/word/../word/x.xml" or "x.xml" seen from "word/" -> "word/x.xml". Percent escapes are
// decoded: part names are stored decoded in the ZIP.
std::string Resolve(const std::string &base, const std::string &target) {
  std::string t = PercentDecoded(target);
  std::string path = !t.empty() && t[0] == '/' ? t.substr(1) : base + t;
  std::vector<std::string> segs;
  size_t from = 0;
  while (from <= path.size()) {
    size_t slash = path.find('/', from);
    if (slash == std::string::npos) slash = path.size();
    std::string seg = path.substr(from, slash - from);
    if (seg == "..") {
      if (!segs.empty()) segs.pop_back();
    } else if (!seg.empty() && seg != ".") {
      segs.push_back(seg);
    }
    from = slash + 1;
  }
  std::string out;
  for (const std::string &s : segs) out += (out.empty() ? "" : "/") + s;
  return out;
}

}  // namespace

std::string OpcTypes::Of(const std::string &part) const {
  for (const auto &[name, type] : overrides)
    if (Lower(name) == Lower(part)) return type;
  size_t dot = part.rfind('.');
  if (dot == std::string::npos) return "";
  auto it = defaults.find(Lower(part.substr(dot + 1)));
  return it == defaults.end() ? "" : it->second;
}

bool ReadContentTypes(const Package &pkg, OpcTypes &out, std::string &err) {
  std::string bytes;
  if (!pkg.Has("[Content_Types].xml")) {
    err = "no [Content_Types].xml: not an Office Open XML package";
    return false;
  }
  if (!pkg.Read("[Content_Types].xml", bytes, err, kMaxDescription)) return false;
  XmlPart x;
  if (!x.Parse(bytes, "[Content_Types].xml", err)) return false;
  if (LocalName(x.Root().name()) != "Types") {
    err = "[Content_Types].xml: not a content types description";
    return false;
  }
  for (pugi::xml_node n : x.Root().children()) {
    std::string_view l = LocalName(n.name());
    if (l == "Default")
      out.defaults[Lower(n.attribute("Extension").value())] = n.attribute("ContentType").value();
    else if (l == "Override")
      out.overrides[Resolve("", n.attribute("PartName").value())] =
          n.attribute("ContentType").value();
  }
  return true;
}

std::string RelsPartOf(const std::string &part) {
  size_t slash = part.rfind('/');
  std::string dir = slash == std::string::npos ? "" : part.substr(0, slash + 1);
  std::string file = slash == std::string::npos ? part : part.substr(slash + 1);
  return dir + "_rels/" + file + ".rels";
}

bool ReadRels(const Package &pkg, const std::string &part, std::vector<OpcRel> &out,
              std::string &err) {
  std::string name = RelsPartOf(part);
  if (!pkg.Has(name)) return true;
  std::string bytes;
  if (!pkg.Read(name, bytes, err, kMaxDescription)) return false;
  XmlPart x;
  if (!x.Parse(bytes, name, err)) return false;
  size_t slash = part.rfind('/');
  std::string base = slash == std::string::npos ? "" : part.substr(0, slash + 1);
  for (pugi::xml_node n : x.Root().children()) {
    if (LocalName(n.name()) != "Relationship") continue;
    OpcRel r;
    r.id = n.attribute("Id").value();
    r.type = n.attribute("Type").value();
    r.external = std::strcmp(n.attribute("TargetMode").value(), "External") == 0;
    r.target =
        r.external ? n.attribute("Target").value() : Resolve(base, n.attribute("Target").value());
    if (r.target.find('\0') != std::string::npos) {
      err = name + ": a link names a NUL character (" + n.attribute("Target").value() + ")";
      return false;
    }
    out.push_back(std::move(r));
  }
  return true;
}

std::string RelKind(const std::string &type) {
  size_t slash = type.rfind('/');
  return slash == std::string::npos ? type : type.substr(slash + 1);
}

}  // namespace qvhost
