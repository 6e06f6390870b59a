// Helpers shared by the package-based document formats.
#include "host/formats/adapter_util.h"

#include <cctype>

namespace qvhost {

Namespaces::Namespaces(pugi::xml_node root) {
  for (pugi::xml_attribute a : root.attributes()) {
    std::string_view n = a.name();
    if (n.substr(0, 6) != "xmlns:") continue;
    std::string p(n.substr(6));
    prefix_.emplace(a.value(), p);
    uri_[p] = a.value();
  }
}

std::string Namespaces::Q(const std::string &uri, const char *local) const {
  auto it = prefix_.find(uri);
  return it == prefix_.end() ? std::string() : it->second + ":" + local;
}

std::string Namespaces::UriOf(std::string_view qname) const {
  size_t c = qname.find(':');
  if (c == std::string_view::npos) return {};
  auto it = uri_.find(std::string(qname.substr(0, c)));
  return it == uri_.end() ? std::string() : it->second;
}

std::string Namespaces::Ensure(pugi::xml_node root, const std::string &uri,
                               const std::string &prefix) {
  if (auto it = prefix_.find(uri); it != prefix_.end()) return it->second;
  std::string p = prefix;
  for (int i = 2; uri_.count(p); ++i) p = prefix + std::to_string(i);
  root.append_attribute(("xmlns:" + p).c_str()) = uri.c_str();
  prefix_[uri] = p;
  uri_[p] = uri;
  return p;
}

std::string PercentDecoded(const std::string &s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && std::isxdigit(static_cast<unsigned char>(s[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(s[i + 2]))) {
      out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

}  // namespace qvhost
