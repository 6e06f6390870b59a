// Small helpers that the package-based document formats share: namespace prefixes as a part
// declares them, and links as packages write them.
#pragma once

#include <pugixml.hpp>

#include <map>
#include <string>
#include <unordered_map>
#include <vector>

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

// The first key of `styles` (a map from name to style, in its order) whose chain of parents,
// followed through `parentOf(style)` (a name; an empty one or one `styles` lacks ends the
// chain), comes back to a
// style it passed; nullptr when every chain ends. Each style is followed once, so that this is
// linear in the number of styles however long the chains are.
template <class Map, class ParentOf>
const typename Map::key_type *FirstInheritanceLoop(const Map &styles, ParentOf parentOf) {
  enum State : char { kOnPath = 1, kEnds = 2 };
  std::unordered_map<const void *, State> state;
  std::vector<const void *> path;
  for (const auto &start : styles) {
    path.clear();
    for (auto it = styles.find(start.first); it != styles.end();) {
      auto [s, fresh] = state.try_emplace(&it->second, kOnPath);
      if (!fresh && s->second == kOnPath) return &start.first;
      if (!fresh) break;
      path.push_back(&it->second);
      const auto &parent = parentOf(it->second);
      it = parent.empty() ? styles.end() : styles.find(parent);
    }
    for (const void *p : path) state[p] = kEnds;
  }
  return nullptr;
}

// A link or part name with its percent escapes ("%20") decoded; a '%' that does not start
// one stays as it is.
std::string PercentDecoded(const std::string &s);

}  // namespace qvhost
