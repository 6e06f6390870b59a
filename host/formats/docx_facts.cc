// WordprocessingML: what the file says about its paragraph styles beyond the model (see
// style_refs.h): basedOn parents, the note, comment or text box a paragraph sits in, linked
// character styles, numbering levels, the fields (TOC \t, STYLEREF) and the click-and-type
// style of the settings that name a style.
#include <cctype>
#include <memory>

#include "host/formats/docx.h"
#include "host/formats/package.h"
#include "host/formats/style_refs.h"
#include "host/formats/xml.h"

namespace qvhost::docx {

namespace {

constexpr size_t kMaxDepth = 256;

std::string Lower(std::string s) {
  for (char &c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

class Facts {
 public:
  Facts(const Model &m, const Source &src, StyleFacts &out, std::string &err)
      : m_(m), src_(src), out_(out), err_(err) {
    for (const FmtRec &r : src.fmts) {
      const PgfFmt *f = m.FmtOf(r.h);
      nameOfId_[r.id] = f ? f->name : r.name;
      byLower_.emplace(Lower(nameOfId_[r.id]), nameOfId_[r.id]);
    }
  }

  bool Run() {
    pkg_ = Package::Open(src_.path, err_);
    if (!pkg_) return false;
    XmlPart x;
    if (!src_.styles.name.empty()) {
      if (!Read(src_.styles, x)) return false;
      Styles(x.Root(), Names(x.Root()));
    }
    if (!src_.numbering.name.empty()) {
      XmlPart n;
      if (!Read(src_.numbering, n)) return false;
      Numbering(n.Root(), Names(n.Root()));
    }
    if (!src_.settings.name.empty()) {
      XmlPart st;
      if (!Read(src_.settings, st)) return false;
      Names ns(st.Root());
      if (const std::string *p = Name(ns.Attr(ns.Child(st.Root(), "clickAndTypeStyle"), "val")))
        out_.refs.push_back(
            {*p, StyleRef::Setting,
             "click-and-type style of the document settings (" + src_.settings.name + ")", false,
             true});
    }
    std::map<std::pair<uint32_t, uint32_t>, Handle> pgfOf;
    for (const PgfRec &r : src_.pgfs) pgfOf[{r.part, r.index}] = r.h;
    for (uint32_t i = 0; i < src_.parts.size(); ++i) {
      XmlPart p;
      if (!Read(src_.parts[i], p)) return false;
      Names ns(p.Root());
      std::vector<Ev> evs;
      Walk(p.Root(), src_.parts[i].story, ns, evs);
      uint32_t index = 0;
      std::map<pugi::xml_node, int> ordinal;
      for (const Ev &e : evs) {
        if (e.k != Ev::P) continue;
        auto it = pgfOf.find({i, index++});
        if (it == pgfOf.end()) continue;
        if (std::string w = Within(e.n, ns, ordinal); !w.empty()) out_.within[it->second] = w;
      }
      const std::string &part = src_.parts[i].name;
      ForEachFieldStyle(p.Root(), ns, [&](const FieldStyle &f) {
        FieldRef(f.name,
                 (f.toc ? "table-of-contents field (\\t) in " : "STYLEREF field in ") + part);
      });
    }
    return true;
  }

 private:
  bool Read(const PartRec &rec, XmlPart &x) {
    std::string bytes;
    if (!pkg_->Read(rec.name, bytes, err_)) return false;
    if (bytes.size() != rec.size || Fnv1a(bytes) != rec.hash)
      return err_ = rec.name + " changed since the document was read", false;
    return x.Parse(std::move(bytes), rec.name, err_);
  }

  const std::string *Name(const std::string &id) const {
    auto it = nameOfId_.find(id);
    return it == nameOfId_.end() ? nullptr : &it->second;
  }

  void Styles(pugi::xml_node root, const Names &ns) {
    for (pugi::xml_node s : root.children()) {
      if (!ns.Is(s, "style")) continue;
      std::string_view type = ns.Attr(s, "type");
      if (type == "paragraph") {
        const std::string *me = Name(ns.Attr(s, "styleId"));
        const std::string *base = Name(ns.Attr(ns.Child(s, "basedOn"), "val"));
        if (me && base) out_.parent[*me] = *base;
      } else if (const std::string *p = Name(ns.Attr(ns.Child(s, "link"), "val"))) {
        std::string name = ns.Attr(ns.Child(s, "name"), "val");
        if (name.empty()) name = ns.Attr(s, "styleId");
        out_.refs.push_back(
            {*p, StyleRef::Linked,
             std::string(type.empty() ? "character" : type) + " style \"" + name + "\" (linked)",
             true});
      }
    }
  }

  void Numbering(pugi::xml_node root, const Names &ns) {
    for (pugi::xml_node a : root.children()) {
      if (!ns.Is(a, "abstractNum")) continue;
      for (pugi::xml_node lvl : a.children()) {
        if (!ns.Is(lvl, "lvl")) continue;
        const std::string *p = Name(ns.Attr(ns.Child(lvl, "pStyle"), "val"));
        if (!p) continue;
        int level = std::atoi(ns.Attr(lvl, "ilvl")) + 1;
        out_.refs.push_back({*p, StyleRef::Numbering,
                             "list definition " + std::string(ns.Attr(a, "abstractNumId")) +
                                 " level " + std::to_string(level),
                             true});
      }
    }
  }

  // "footnote 2", "comment 1", "text box 3", or a combination, for the paragraph's ancestors.
  std::string Within(pugi::xml_node p, const Names &ns, std::map<pugi::xml_node, int> &ordinal) {
    std::string out;
    for (pugi::xml_node a = p.parent(); a; a = a.parent()) {
      static const char *const kWhat[][2] = {{"footnote", "footnote"},
                                             {"endnote", "endnote"},
                                             {"comment", "comment"},
                                             {"txbxContent", "text box"}};
      for (const auto &w : kWhat) {
        if (!ns.Is(a, w[0])) continue;
        bool box = w[1][0] == 't';
        auto [it, added] = (box ? boxes_ : ordinal).emplace(a, 0);
        if (added) it->second = ++counts_[w[1]];
        std::string here = std::string(w[1]) + " " + std::to_string(it->second);
        out = out.empty() ? here : here + ", " + out;
      }
    }
    return out;
  }

  // A style named by a field, matched as the catalogue names it, in any case.
  void FieldRef(const std::string &name, const std::string &by) {
    auto it = byLower_.find(Lower(name));
    if (it != byLower_.end()) out_.refs.push_back({it->second, StyleRef::Field, by, false});
  }

  const Model &m_;
  const Source &src_;
  StyleFacts &out_;
  std::string &err_;
  std::unique_ptr<Package> pkg_;
  std::map<std::string, std::string> nameOfId_;
  std::multimap<std::string, std::string> byLower_;
  std::map<pugi::xml_node, int> boxes_;
  std::map<std::string, int> counts_;
};

}  // namespace

bool ReadFacts(const Model &m, const Doc &, const Source &src, StyleFacts &out, std::string &err) {
  return Facts(m, src, out, err).Run();
}

}  // namespace qvhost::docx
