// Small helpers that the package-based document formats share: namespace prefixes as a part
// declares them, and links as packages write them.
#pragma once

#include <pugixml.hpp>

#include <map>
#include <string>

namespace qvhost {

// The prefixes a part binds to namespace URIs, read from the xmlns declarations of its root
// element. Element and attribute names in the tree are qualified by these prefixes, which a
// producer chooses freely, so names are built from them rather than assumed.
class Namespaces {
 public:
  explicit Namespaces(pugi::xml_node root);
  Namespaces() = default;
  // "prefix:local" for the namespace; empty when the part does not declare it.
  std::string Q(const std::string &uri, const char *local) const;
  bool Has(const std::string &uri) const { return prefix_.count(uri) != 0; }
  // The namespace URI of a qualified name's prefix; empty for an unknown prefix.
  std::string UriOf(std::string_view qname) const;
  // Declares `prefix` for `uri` on `root` when the part lacks one (for elements copied in
  // from another part); returns the prefix used.
  std::string Ensure(pugi::xml_node root, const std::string &uri, const std::string &prefix);

 private:
  std::map<std::string, std::string> prefix_;  // uri -> prefix
  std::map<std::string, std::string> uri_;     // prefix -> uri
};

// A link or part name with its percent escapes ("%20") decoded; a '%' that does not start
// one stays as it is.
std::string PercentDecoded(const std::string &s);

}  // namespace qvhost
