// Open Packaging Conventions: the content types and relationships of an Office Open XML
// package, and how part names are resolved.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "host/formats/package.h"

namespace qvhost {

struct OpcRel {
  std::string id, type, target;  // target: a part name without the leading '/'
  bool external = false;
};

struct OpcTypes {
  std::map<std::string, std::string> defaults;   // lower-case extension -> content type
  std::map<std::string, std::string> overrides;  // part name ("word/document.xml") -> type
  std::string Of(const std::string &part) const;
};

// Reads `[Content_Types].xml`; false with `err` when it is missing or malformed.
bool ReadContentTypes(const Package &pkg, OpcTypes &out, std::string &err);
// Reads the relationships of `part` ("" for the package's own); a part without relationships
// has none (true, empty). False with `err` when the relationships part is malformed.
bool ReadRels(const Package &pkg, const std::string &part, std::vector<OpcRel> &out,
              std::string &err);
// The relationships part of `part` ("word/_rels/document.xml.rels", "_rels/.rels").
std::string RelsPartOf(const std::string &part);

// Relationship types by their last path segment ("officeDocument", "styles", "header", ...).
std::string RelKind(const std::string &type);

}  // namespace qvhost
