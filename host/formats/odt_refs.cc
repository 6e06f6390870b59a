// OpenDocument Text: what the file says about its paragraph styles beyond the model (see
// style_refs.h): parents, the note each note paragraph belongs to, and the index templates,
// index sources and note settings that name a paragraph style.
#include "host/formats/odt_internal.h"
#include "host/formats/style_refs.h"

namespace qvhost::odt {

namespace {

// The display name of a common style, by its internal name; empty when there is none.
std::string Display(const StyleSet &s, const std::string &name) {
  auto it = s.common.find(name);
  return it == s.common.end() ? "" : it->second.display;
}

// "table of contents \"Contents\"" for the index element enclosing `n`, or "".
std::string EnclosingIndex(const Part &part, pugi::xml_node n) {
  for (pugi::xml_node a = n.parent(); a; a = a.parent()) {
    if (a.type() != pugi::node_element || part.n.ns.UriOf(a.name()) != kTextNs) continue;
    std::string local(LocalName(a.name()));
    if (local.size() > 7 && local.compare(local.size() - 7, 7, "-source") == 0) continue;
    bool index = local == "table-of-content" || local == "bibliography" ||
                 (local.size() > 6 && local.compare(local.size() - 6, 6, "-index") == 0);
    if (!index) continue;
    std::replace(local.begin(), local.end(), '-', ' ');
    if (local == "table of content") local = "table of contents";
    std::string name = a.attribute(part.n.ns.Q(kTextNs, "name").c_str()).value();
    return name.empty() ? local : local + " \"" + name + "\"";
  }
  return "";
}

// Index templates and sources, and note settings, that name a paragraph style.
class RefScan {
 public:
  RefScan(const StyleSet &s, std::vector<StyleRef> &out) : s_(s), out_(out) {}

  void Scan(const Part &part, pugi::xml_node n, size_t depth) {
    if (depth > kMaxDepth) return;
    for (pugi::xml_node c : n.children()) {
      if (c.type() != pugi::node_element) continue;
      if (part.n.ns.UriOf(c.name()) == kTextNs) Element(part, c);
      Scan(part, c, depth + 1);
    }
  }

 private:
  void Element(const Part &part, pugi::xml_node e) {
    std::string_view local = LocalName(e.name());
    std::string styleAttr = part.n.ns.Q(kTextNs, "style-name");
    auto ends = [&](std::string_view tail) {
      return local.size() > tail.size() && local.substr(local.size() - tail.size()) == tail;
    };
    if (local == "index-source-style") {
      std::string level =
          e.parent().attribute(part.n.ns.Q(kTextNs, "outline-level").c_str()).value();
      Add(e.attribute(styleAttr.c_str()).value(), StyleRef::IndexSource,
          "source of " + Or(EnclosingIndex(part, e), "an index") +
              (level.empty() ? "" : " (level " + level + ")"));
    } else if (local == "index-title-template" || ends("-entry-template")) {
      std::string what(local);
      std::replace(what.begin(), what.end(), '-', ' ');
      std::string level = e.attribute(part.n.ns.Q(kTextNs, "outline-level").c_str()).value();
      Add(e.attribute(styleAttr.c_str()).value(), StyleRef::IndexEntry,
          what + (level.empty() ? "" : " " + level) + " of " +
              Or(EnclosingIndex(part, e), "an index"));
    } else if (local == "notes-configuration") {
      std::string cls = e.attribute(part.n.noteClass.c_str()).value();
      Add(e.attribute(part.n.ns.Q(kTextNs, "default-style-name").c_str()).value(),
          StyleRef::NoteStyle,
          (cls == "endnote" ? "endnote" : std::string("footnote")) +
              " settings (the style of note text)");
    }
  }

  static std::string Or(const std::string &s, const char *def) { return s.empty() ? def : s; }

  void Add(const std::string &name, StyleRef::Kind k, const std::string &by) {
    std::string display = Display(s_, name);
    if (!display.empty()) out_.push_back({display, k, by, false});
  }

  const StyleSet &s_;
  std::vector<StyleRef> &out_;
};

// "footnote 2" for a paragraph inside a note (the note's citation, else its place), or "".
std::string NoteOf(const Part &part, pugi::xml_node p, std::map<pugi::xml_node, int> &ordinal,
                   int counts[2]) {
  for (pugi::xml_node a = p.parent(); a; a = a.parent()) {
    if (a.name() != part.n.note) continue;
    bool end = std::string_view(a.attribute(part.n.noteClass.c_str()).value()) == "endnote";
    auto [it, added] = ordinal.emplace(a, 0);
    if (added) it->second = ++counts[end];
    std::string cite = a.child(part.n.ns.Q(kTextNs, "note-citation").c_str()).text().get();
    return (end ? "endnote " : "footnote ") + (cite.empty() ? std::to_string(it->second) : cite);
  }
  return "";
}

}  // namespace

bool ReadFacts(const Model &, const Doc &, const OdtSource &src, StyleFacts &out,
               std::string &err) {
  Part parts[2];
  if (!ReadParts(src.path, parts, err)) return false;
  for (int i : {kContent, kStyles})
    if (parts[i].xml.hash != src.hash[i] || parts[i].xml.size != src.size[i])
      return err = "the file changed since it was read", false;
  StyleSet styles;
  if (!styles.Build(parts, err)) return false;
  for (const std::string &name : styles.order) {
    const Style &st = styles.common.at(name);
    if (std::string p = Display(styles, st.parent); !p.empty()) out.parent[st.display] = p;
  }
  std::vector<WalkItem> items;
  size_t tables = 0;
  if (!WalkParts(parts, nullptr, nullptr, nullptr, nullptr, items, tables, err)) return false;
  if (items.size() != src.pgfs.size()) return err = "the file changed since it was read", false;
  std::map<pugi::xml_node, int> ordinal;
  int counts[2] = {0, 0};
  for (size_t i = 0; i < items.size(); ++i)
    if (std::string note = NoteOf(parts[items[i].part], items[i].node, ordinal, counts);
        !note.empty())
      out.within[src.pgfs[i].h] = note;
  RefScan scan(styles, out.refs);
  for (int i : {kContent, kStyles}) scan.Scan(parts[i], parts[i].xml.Root(), 0);
  return true;
}

}  // namespace qvhost::odt
