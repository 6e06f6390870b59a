// OpenDocument Text documents written back: only what changed in the model changes in the
// package, and in its XML parts only the elements the change touched.
//
// A save compares the model with the state recorded when it last matched the file, parses
// content.xml and styles.xml again (they must still be what was read), finds each paragraph
// element by the order of the walk, and edits the trees: a paragraph's style reference, the
// automatic style it uses or a new one, named styles' properties, next-style links, and the
// removal of deleted styles.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string_view>
#include <unordered_map>

#include "host/atomic_file.h"
#include "host/formats/odt_internal.h"
#include "host/formats/package.h"
#include "host/model/props.h"
#include "quorvex/fcodes.h"

namespace qvhost::odt {

namespace {

const char *kPartNames[2] = {"content.xml", "styles.xml"};

void SetAttr(pugi::xml_node n, const std::string &name, const std::string &value) {
  pugi::xml_attribute a = n.attribute(name.c_str());
  if (!a) a = n.append_attribute(name.c_str());
  if (value != a.value()) a.set_value(value.c_str());
}

struct StringOut : pugi::xml_writer {
  std::string s;
  void write(const void *data, size_t size) override {
    s.append(static_cast<const char *>(data), size);
  }
};

class Writer {
 public:
  Writer(const Model &m, const Doc &d, OdtSource &src, Part *parts, StyleSet &styles,
         std::vector<WalkItem> &items)
      : m_(m), d_(d), src_(src), parts_(parts), styles_(styles), items_(items) {
    for (const WalkItem &it : items_)
      ++uses_[it.part][it.node.attribute(parts_[it.part].n.styleName.c_str()).value()];
    for (const OdtSource::FmtRec &f : src_.fmts) styleOf_[f.h] = f.style;
  }

  bool Paragraph(size_t i, const Pgf &p, const OdtSource::PgfRec &rec, std::string &err);
  bool FormatChanged(const OdtSource::FmtRec &rec, const PgfFmt &f, std::string &err);
  // The characteristics the styles `changed` write that styles inheriting them do not set
  // themselves: what those styles must be given so that they keep their values. Found before
  // the changes are written.
  using Pins = std::map<std::string, std::vector<int32_t>>;  // style -> characteristics
  Pins Inheriting(const std::vector<std::pair<const OdtSource::FmtRec *, const PgfFmt *>> &changed);
  bool Pin(const Pins &pins, std::string &err);
  void DeleteStyle(const std::string &name);
  // Every paragraph of style `from` now has style `to`: what collects `from` collects `to`.
  void Follow(const std::string &from, const std::string &to);

 private:
  pugi::xml_node AutoStyles(int part) {
    Part &pt = parts_[part];
    pugi::xml_node root = pt.xml.Root();
    pugi::xml_node a = root.child(pt.n.autoStyles.c_str());
    if (a) return a;
    pugi::xml_node before =
        root.child(part == kContent ? pt.n.body.c_str() : pt.n.masterStyles.c_str());
    return before ? root.insert_child_before(pt.n.autoStyles.c_str(), before)
                  : root.append_child(pt.n.autoStyles.c_str());
  }
  // Copies into `dst` (of part `dp`) the properties of `src` (a common style) it lacks, and
  // makes the values it gives relative to `src` relative to `newParent` instead.
  void Fold(pugi::xml_node src, int dp, pugi::xml_node dst, const std::string &newParent);
  void Rebase(pugi::xml_node src, int dp, pugi::xml_node dst, const std::string &newParent);
  // The value of `k` that common style `style` computes (the default style's for "").
  double Resolved(const std::string &style, const RelativeKind &k);
  std::string StyleOfTag(const std::string &tag) {
    const PgfFmt *f = m_.FindFormat(d_, tag);
    if (!f) return {};
    auto it = styleOf_.find(f->h);
    return it == styleOf_.end() ? std::string() : it->second;
  }

  // Paragraph styles named outside paragraphs and inheritance: index sources collect them,
  // index templates and the notes configuration apply them, a conditional style's maps apply
  // them in a context, a paragraph's text:cond-style-name names its conditional style.
  enum class RefKind { Collects, Applies, Condition, CondStyle };
  struct StyleRef {
    int part;
    pugi::xml_node el;
    std::string attr;  // as the part spells it
    RefKind kind;
    std::string owner;  // the style holding a style:map
  };
  void ReadRefs();
  void GatherRefs(int part, pugi::xml_node n, const std::string &owner, size_t depth);
  std::multimap<std::string, StyleRef> refs_;      // by the style named
  std::unordered_map<std::string, size_t> owned_;  // at least how many of refs_ each style holds
  bool refsRead_ = false;

  // What a deletion of a common style reaches, indexed at the first deletion (after the
  // paragraphs' edits) and kept up by the deletions: the styles based on each style (common
  // ones as kCommon, automatic ones as their part), the paragraphs naming each style, the
  // common styles whose next style each one is. Entries may be stale: users check.
  struct StyleKey {
    int where;
    std::string name;
  };
  void IndexForDeletions();
  Style *StyleAt(const StyleKey &k) {
    auto &map = k.where == kCommon ? styles_.common : styles_.autos[k.where];
    auto it = map.find(k.name);
    return it == map.end() ? nullptr : &it->second;
  }
  bool indexed_ = false;
  std::unordered_map<std::string, std::vector<StyleKey>> kids_;
  std::unordered_map<std::string, std::vector<size_t>> itemsOf_[2];
  std::unordered_map<std::string, std::vector<std::string>> nextOf_;

  const Model &m_;
  const Doc &d_;
  OdtSource &src_;
  Part *parts_;
  StyleSet &styles_;
  std::vector<WalkItem> &items_;
  std::map<std::string, int> uses_[2];
  std::map<Handle, std::string> styleOf_;
  std::map<std::string, std::string> made_[2];  // content of a new automatic style -> name
};

bool Writer::Paragraph(size_t i, const Pgf &p, const OdtSource::PgfRec &rec, std::string &err) {
  WalkItem &it = items_[i];
  Part &part = parts_[it.part];
  const Names &n = part.n;
  if (!it.node)  // the paragraph an empty body shows
    it.node =
        part.xml.Root().child(n.body.c_str()).child(n.officeText.c_str()).append_child(n.p.c_str());
  std::string target = StyleOfTag(p.tag);
  if (target.empty() && !p.tag.empty()) {
    if (p.tag == src_.TagOf(rec))
      return true;  // its style was deleted: the deletion keeps its look
    err = "paragraph format \"" + p.tag + "\" is not a paragraph style of the document";
    return false;
  }
  std::string cur = it.node.attribute(n.styleName.c_str()).value();
  auto a = styles_.autos[it.part].find(cur);
  pugi::xml_node autoNode = a != styles_.autos[it.part].end() ? a->second.node : pugi::xml_node();
  std::vector<int32_t> codes;
  for (const auto &[code, v] : p.own)
    if (code != PROP_NextTag && code != PROP_UseNextTag) codes.push_back(code);
  auto get = [&](int32_t code) { return m_.PgfChar(d_, p, code); };

  // What the paragraph's automatic style must hold, made on a scratch copy first.
  auto shape = [&](pugi::xml_node s) -> bool {
    if (target.empty())
      s.remove_attribute(n.sParent.c_str());
    else
      SetAttr(s, n.sParent, target);
    RemoveProperties(part, s, !p.override_);
    return WriteChars(part, s, codes, get, m_, styles_, err);
  };
  pugi::xml_document scratch;
  pugi::xml_node s =
      autoNode ? scratch.append_copy(autoNode) : scratch.append_child(n.sStyle.c_str());
  if (!autoNode) {
    SetAttr(s, n.sName, "x");
    SetAttr(s, n.sFamily, "paragraph");
  }
  if (!shape(s)) return false;
  bool empty = !s.first_child();
  for (pugi::xml_attribute at : s.attributes()) {
    std::string_view an = at.name();
    if (an != n.sName && an != n.sFamily && an != n.sParent && an != n.sDisplay) empty = false;
  }
  std::string ref;
  if (empty) {
    ref = target;
  } else if (autoNode && uses_[it.part][cur] == 1) {
    if (!shape(autoNode)) return false;
    ref = cur;
  } else {
    s.remove_attribute(n.sName.c_str());
    StringOut key;
    s.print(key, "", pugi::format_raw);
    std::string &name = made_[it.part][key.s];
    if (name.empty()) {
      name = styles_.NewAutoName(it.part);
      SetAttr(s, n.sName, name);
      pugi::xml_node added = AutoStyles(it.part).append_copy(s);
      // Attributes in the order office suites write them: name and family first.
      added.remove_attribute(n.sName.c_str());
      added.prepend_attribute(n.sName.c_str()) = name.c_str();
      Style st;
      st.name = name;
      st.parent = target;
      st.node = added;
      st.automatic = true;
      styles_.autos[it.part][name] = st;
    }
    ref = name;
  }
  if (ref != cur) {
    --uses_[it.part][cur];
    ++uses_[it.part][ref];
    if (ref.empty())
      it.node.remove_attribute(n.styleName.c_str());
    else
      SetAttr(it.node, n.styleName, ref);
    // The conditional style it had no longer applies.
    it.node.remove_attribute(n.ns.Q(kTextNs, "cond-style-name").c_str());
  }
  part.changed = true;
  return true;
}

bool Writer::FormatChanged(const OdtSource::FmtRec &rec, const PgfFmt &f, std::string &err) {
  Part &part = parts_[kStyles];
  const Names &n = part.n;
  auto st = styles_.common.find(rec.style);
  if (st == styles_.common.end()) return true;
  pugi::xml_node node = st->second.node;
  if (f.name != rec.name) {
    SetAttr(node, n.sDisplay, f.name);
    part.changed = true;
  }
  std::vector<int32_t> codes;
  bool next = false;
  for (const auto &[code, v] : f.chars) {
    if (const Value *was = src_.Was(rec, code); was && *was == v) continue;
    if (code == PROP_NextTag || code == PROP_UseNextTag)
      next = true;
    else
      codes.push_back(code);
  }
  if (next) {
    std::string to =
        m_.FmtChar(f, PROP_UseNextTag).i ? StyleOfTag(m_.FmtChar(f, PROP_NextTag).s) : "";
    if (to.empty())
      node.remove_attribute(n.sNext.c_str());
    else
      SetAttr(node, n.sNext, to);
    st->second.next = to;
    part.changed = true;
  }
  if (codes.empty()) return true;
  part.changed = true;
  return WriteChars(
      part, node, codes, [&](int32_t c) { return m_.FmtChar(f, c); }, m_, styles_, err);
}

Writer::Pins Writer::Inheriting(
    const std::vector<std::pair<const OdtSource::FmtRec *, const PgfFmt *>> &changed) {
  std::map<std::string, std::vector<int32_t>> wrote;  // style -> characteristics it writes
  for (const auto &[rec, f] : changed)
    for (const auto &[code, v] : f->chars) {
      const Value *was = src_.Was(*rec, code);
      if ((!was || !(*was == v)) && code != PROP_NextTag && code != PROP_UseNextTag)
        wrote[rec->style].push_back(code);
    }
  Pins pins;
  const Part &part = parts_[kStyles];
  for (const OdtSource::FmtRec &rec : src_.fmts) {
    auto st = styles_.common.find(rec.style);
    if (st == styles_.common.end() || !m_.FmtOf(rec.h)) continue;
    // Each characteristic a style up the chain writes, unless a style on the way (or this
    // one) sets it.
    std::set<int32_t> set, pin;
    std::set<std::string> seen{rec.style};
    for (const Style *s = &st->second; s;) {
      if (s != &st->second)
        if (auto w = wrote.find(s->name); w != wrote.end())
          for (int32_t c : w->second)
            if (!set.count(c)) pin.insert(c);
      for (int32_t c : MappedCodes())
        if (SetsCharacteristic(part, s->node, c)) set.insert(c);
      auto up = styles_.common.find(s->parent);
      s = up != styles_.common.end() && seen.insert(up->first).second ? &up->second : nullptr;
    }
    if (!pin.empty()) pins[rec.style].assign(pin.begin(), pin.end());
  }
  return pins;
}

bool Writer::Pin(const Pins &pins, std::string &err) {
  for (const auto &[style, codes] : pins) {
    const PgfFmt *f = nullptr;
    for (const OdtSource::FmtRec &rec : src_.fmts)
      if (rec.style == style) f = m_.FmtOf(rec.h);
    auto st = styles_.common.find(style);
    if (!f || st == styles_.common.end()) continue;
    parts_[kStyles].changed = true;
    if (!WriteChars(
            parts_[kStyles], st->second.node, codes, [&](int32_t c) { return m_.FmtChar(*f, c); },
            m_, styles_, err))
      return false;
  }
  return true;
}

double Writer::Resolved(const std::string &style, const RelativeKind &k) {
  // The chain from `style` up, then the default style; composed from the top down.
  std::vector<Relative> chain;
  std::set<std::string> seen;
  for (std::string name = style; !name.empty() && seen.insert(name).second;) {
    auto it = styles_.common.find(name);
    if (it == styles_.common.end()) break;
    Relative r;
    if (OwnRelative(parts_[kStyles], it->second.node, k, r)) chain.push_back(r);
    name = it->second.parent;
  }
  Relative top{0, k.fallback};
  if (styles_.defaultStyle && OwnRelative(parts_[kStyles], styles_.defaultStyle, k, top))
    top = Compose(top, {0, k.fallback});
  for (auto r = chain.rbegin(); r != chain.rend(); ++r) top = Compose(*r, top);
  return top.add;
}

void Writer::Rebase(pugi::xml_node src, int dp, pugi::xml_node dst, const std::string &newParent) {
  // A value of `dst` relative to `src` is made relative to `src`'s parent (`newParent`): a
  // percentage of a percentage becomes their product, of a length a length; what has no such
  // form takes the value it computes to.
  auto num = [](double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.6g", std::fabs(v) < 1e-9 ? 0.0 : v);
    return std::string(buf);
  };
  for (const RelativeKind &k : RelativeKinds()) {
    Relative c, g;
    if (!OwnRelative(parts_[dp], dst, k, c)) continue;
    if (c.scale == 0 || !OwnRelative(parts_[kStyles], src, k, g)) continue;
    Relative n = Compose(c, g);
    pugi::xml_node props = PropsOf(parts_[dp], dst, k.props, true);
    const Names &to = parts_[dp].n;
    std::string value, attr = k.attr;
    if (n.scale == 0)
      value = num(n.add) + "pt";
    else if (std::fabs(n.add) < 1e-9)
      value = num(n.scale * 100) + "%";
    else if (k.rel && std::fabs(n.scale - 1) < 1e-9)
      value = num(n.add) + "pt", attr = k.rel;
    else
      value = num(Resolved(newParent, k) * n.scale + n.add) + "pt";
    for (const char *a : {k.attr, k.rel})
      if (a && attr != a) props.remove_attribute(to.Local(a).c_str());
    SetAttr(props, to.Local(attr), value);
  }
}

void Writer::Fold(pugi::xml_node src, int dp, pugi::xml_node dst, const std::string &newParent) {
  const Names &from = parts_[kStyles].n, &to = parts_[dp].n;
  Rebase(src, dp, dst, newParent);
  FoldProperties(parts_[kStyles], src, parts_[dp], dst);
  std::string list = Translate(from.listStyleName, from, to);
  if (pugi::xml_attribute l = src.attribute(from.listStyleName.c_str());
      l && !dst.attribute(list.c_str()))
    dst.append_attribute(list.c_str()) = l.value();
}

void Writer::GatherRefs(int part, pugi::xml_node n, const std::string &owner, size_t depth) {
  const Names &nm = parts_[part].n;
  for (pugi::xml_node c : n.children()) {
    if (c.type() != pugi::node_element || depth > kMaxDepth) continue;
    std::string uri = nm.ns.UriOf(c.name());
    std::string_view local = LocalName(c.name());
    auto add = [&](const std::string &ns, const char *attr, RefKind kind) {
      std::string q = nm.ns.Q(ns, attr);
      if (const char *v = c.attribute(q.c_str()).value(); *v) {
        refs_.emplace(v, StyleRef{part, c, q, kind, owner});
        ++owned_[owner];
      }
    };
    bool template_ = local == "index-title-template" ||
                     (local.size() > 15 && local.substr(local.size() - 15) == "-entry-template");
    if (uri == kTextNs && local == "index-source-style")
      add(kTextNs, "style-name", RefKind::Collects);
    else if (uri == kTextNs && template_)
      add(kTextNs, "style-name", RefKind::Applies);
    else if (uri == kTextNs && local == "notes-configuration")
      add(kTextNs, "default-style-name", RefKind::Applies);
    else if (uri == kTextNs && (local == "p" || local == "h"))
      add(kTextNs, "cond-style-name", RefKind::CondStyle);
    else if (uri == kStyleNs && local == "map" && !owner.empty())
      add(kStyleNs, "apply-style-name", RefKind::Condition);
    // Maps of other families' styles name styles of their family.
    bool style = uri == kStyleNs && local == "style" &&
                 std::string_view(c.attribute(nm.sFamily.c_str()).value()) == "paragraph";
    GatherRefs(part, c, style ? c.attribute(nm.sName.c_str()).value() : owner, depth + 1);
  }
}

void Writer::ReadRefs() {
  if (refsRead_) return;
  refsRead_ = true;
  for (int part : {kContent, kStyles}) GatherRefs(part, parts_[part].xml.Root(), "", 0);
}

void Writer::Follow(const std::string &from, const std::string &to) {
  ReadRefs();
  auto collects = [&](const std::string &name, pugi::xml_node source) {
    auto [b, e] = refs_.equal_range(name);
    return std::any_of(b, e, [&](const auto &r) {
      return r.second.kind == RefKind::Collects && r.second.el.parent().parent() == source;
    });
  };
  std::vector<StyleRef> moved;
  auto [b, e] = refs_.equal_range(from);
  for (auto it = b; it != e;) {
    StyleRef r = it->second;
    if (r.kind != RefKind::Collects) {
      ++it;
      continue;
    }
    it = refs_.erase(it);
    parts_[r.part].changed = true;
    // An index that collects both keeps one entry, at the level it had for `to`.
    if (collects(to, r.el.parent().parent())) {
      r.el.parent().remove_child(r.el);
    } else {
      SetAttr(r.el, r.attr, to);
      moved.push_back(r);
    }
  }
  for (StyleRef &r : moved) refs_.emplace(to, r);
}

void Writer::IndexForDeletions() {
  if (indexed_) return;
  indexed_ = true;
  for (auto &[k, st] : styles_.common) {
    kids_[st.parent].push_back({kCommon, k});
    if (!st.next.empty()) nextOf_[st.next].push_back(k);
  }
  for (int part : {kContent, kStyles})
    for (auto &[k, st] : styles_.autos[part]) kids_[st.parent].push_back({part, k});
  for (size_t i = 0; i < items_.size(); ++i) {
    const WalkItem &w = items_[i];
    itemsOf_[w.part][w.node.attribute(parts_[w.part].n.styleName.c_str()).value()].push_back(i);
  }
}

void Writer::DeleteStyle(const std::string &name) {
  auto it = styles_.common.find(name);
  if (it == styles_.common.end()) return;
  IndexForDeletions();
  pugi::xml_node gone = it->second.node;
  std::string parent = it->second.parent;
  if (parent == name || !styles_.common.count(parent)) parent.clear();
  // Styles that inherit from it: onto its parent, with its settings folded in.
  std::vector<StyleKey> kids = std::move(kids_[name]);
  kids_.erase(name);
  for (const StyleKey &k : kids) {
    Style *st = StyleAt(k);
    if (!st || st->parent != name || (k.where == kCommon && k.name == name)) continue;
    int part = k.where == kCommon ? kStyles : k.where;
    const Names &n = parts_[part].n;
    if (parent.empty())
      st->node.remove_attribute(n.sParent.c_str());
    else
      SetAttr(st->node, n.sParent, parent);
    st->parent = parent;
    Fold(gone, part, st->node, parent);
    parts_[part].changed = true;
    kids_[parent].push_back(k);
  }
  // Paragraphs that name it directly: an automatic style with its settings.
  std::string made[2];
  for (int part : {kContent, kStyles}) {
    auto named = itemsOf_[part].find(name);
    if (named == itemsOf_[part].end()) continue;
    std::vector<size_t> items = std::move(named->second);
    itemsOf_[part].erase(named);
    std::sort(items.begin(), items.end());
    for (size_t i : items) {
      WalkItem &w = items_[i];
      const Names &n = parts_[w.part].n;
      if (std::string_view(w.node.attribute(n.styleName.c_str()).value()) != name) continue;
      if (made[w.part].empty()) {
        made[w.part] = styles_.NewAutoName(w.part);
        pugi::xml_node s = AutoStyles(w.part).append_child(n.sStyle.c_str());
        s.append_attribute(n.sName.c_str()) = made[w.part].c_str();
        s.append_attribute(n.sFamily.c_str()) = "paragraph";
        if (!parent.empty()) s.append_attribute(n.sParent.c_str()) = parent.c_str();
        Fold(gone, w.part, s, parent);
        Style st;
        st.name = made[w.part];
        st.parent = parent;
        st.node = s;
        st.automatic = true;
        styles_.autos[w.part][st.name] = st;
        kids_[parent].push_back({w.part, st.name});
      }
      SetAttr(w.node, n.styleName, made[w.part]);
      itemsOf_[w.part][made[w.part]].push_back(i);
      parts_[w.part].changed = true;
    }
  }
  // What names it elsewhere: collections and conditions drop it, what applies it applies
  // its parent (or the default style) instead.
  ReadRefs();
  if (auto owned = owned_.find(name); owned != owned_.end() && owned->second) {
    for (auto r = refs_.begin(); r != refs_.end();)  // held in the element that goes
      r = r->second.owner == name ? refs_.erase(r) : std::next(r);
    owned->second = 0;
  }
  std::string heir = !parent.empty()                                                ? parent
                     : name != kDefaultStyle && styles_.common.count(kDefaultStyle) ? kDefaultStyle
                                                                                    : "";
  std::vector<StyleRef> moved;
  auto [b, e] = refs_.equal_range(name);
  for (auto r = b; r != e; ++r) {
    StyleRef &ref = r->second;
    parts_[ref.part].changed = true;
    if (ref.kind == RefKind::Collects || ref.kind == RefKind::Condition)
      ref.el.parent().remove_child(ref.el);
    else if (ref.kind == RefKind::CondStyle || heir.empty())
      ref.el.remove_attribute(ref.attr.c_str());
    else
      SetAttr(ref.el, ref.attr, heir), moved.push_back(ref);
  }
  refs_.erase(b, e);
  for (StyleRef &ref : moved) refs_.emplace(heir, ref);
  // Next-style links to it are dropped.
  for (const std::string &k : nextOf_[name])
    if (Style *st = StyleAt({kCommon, k}); st && st->next == name) {
      st->node.remove_attribute(parts_[kStyles].n.sNext.c_str());
      st->next.clear();
    }
  nextOf_.erase(name);
  gone.parent().remove_child(gone);
  styles_.common.erase(it);
  parts_[kStyles].changed = true;
}

}  // namespace

bool SaveOdt(const Model &m, const Doc &d, OdtSource &src, const std::string &path,
             std::string &err) {
  // What changed in the model since it last matched the file.
  size_t count = 0;
  std::vector<bool> inDoc;  // by handle: which paragraphs the document holds
  m.ForEachPgf(d, [&](Handle h) {
    if (h >= inDoc.size()) inDoc.resize(std::max<size_t>(h + 1, inDoc.size() * 2));
    inDoc[h] = true;
    ++count;
  });
  if (count != src.pgfs.size())
    return err =
               "paragraphs were added or removed; such changes cannot be written back to an "
               "OpenDocument file yet",
           false;
  size_t tables = m.Chained(d.tables).size();
  if (tables != src.tables)
    return err =
               "tables were added or removed; such changes cannot be written back to an "
               "OpenDocument file yet",
           false;
  std::vector<size_t> changedPgfs;
  std::map<std::string, std::set<std::string>> movedTo;  // a tag -> the tags its paragraphs took
  std::set<std::string> kept;                            // tags some paragraph still has
  for (size_t i = 0; i < src.pgfs.size(); ++i) {
    const OdtSource::PgfRec &r = src.pgfs[i];
    const Pgf *p = m.PgfOf(r.h);
    if (!p || r.h >= inDoc.size() || !inDoc[r.h])
      return err =
                 "paragraphs were moved; such changes cannot be written back to an "
                 "OpenDocument file yet",
             false;
    if (Fnv1a(p->text) != r.text)
      return err =
                 "the text of a paragraph changed; text edits cannot be written back to an "
                 "OpenDocument file yet",
             false;
    const std::string &tag = src.TagOf(r);
    if (p->tag != tag || p->own != r.own || p->override_ != r.override_) changedPgfs.push_back(i);
    if (p->tag == tag)
      kept.insert(tag);
    else
      movedTo[tag].insert(p->tag);
  }
  std::set<Handle> known;
  std::vector<const OdtSource::FmtRec *> deleted;
  std::vector<std::pair<const OdtSource::FmtRec *, const PgfFmt *>> changedFmts;
  std::vector<Handle> live = m.Chained(d.fmts);
  std::set<Handle> liveSet(live.begin(), live.end());
  for (const OdtSource::FmtRec &f : src.fmts) {
    known.insert(f.h);
    const PgfFmt *fmt = m.FmtOf(f.h);
    if (!fmt || !liveSet.count(f.h))
      deleted.push_back(&f);
    else if (fmt->name != f.name || !src.Same(f, fmt->chars))
      changedFmts.push_back({&f, fmt});
  }
  for (Handle h : live)
    if (!known.count(h))
      return err = "the new paragraph format \"" + m.FmtOf(h)->name +
                   "\" cannot be written back to an OpenDocument file yet",
             false;

  std::error_code ec;
  bool same = std::filesystem::equivalent(src.path, path, ec);
  if (changedPgfs.empty() && deleted.empty() && changedFmts.empty())
    return same || CopyFileAtomic(src.path, path, err);

  // content.xml, the document's bulk, is not parsed when no paragraph changed and it names
  // none of the styles that changed or went: only styles.xml is edited then. Should an edit
  // reach content.xml all the same, the save starts again with the part parsed.
  std::unordered_set<std::string_view> touched;
  for (const OdtSource::FmtRec *rec : deleted) touched.insert(rec->style);
  for (const auto &[rec, fmt] : changedFmts) touched.insert(rec->style);
  bool stub = changedPgfs.empty();
  std::map<std::string, std::string> replace;
  for (;; stub = false) {
    // The file as it was read; its trees and bytes are let go once the changed parts are
    // written out, before the package is rewritten.
    Part parts[2];
    if (!ReadParts(src.path, parts, err, stub ? &touched : nullptr)) return false;
    for (int i : {kContent, kStyles})
      if (parts[i].xml.size != src.size[i] || parts[i].xml.hash != src.hash[i])
        return err = src.path + " changed on disk since it was read", false;
    StyleSet styles;
    std::vector<WalkItem> items;
    if (!parts[kContent].stub) items.reserve(src.pgfs.size());  // as many as were read
    size_t t = 0;
    if (!styles.Build(parts, err) ||
        !WalkParts(parts, nullptr, nullptr, &styles, nullptr, items, t, err))
      return false;
    if (items.size() != src.pgfs.size() && !parts[kContent].stub)
      return err = "the paragraphs of " + src.path + " no longer match the document", false;

    Writer w(m, d, src, parts, styles, items);
    for (size_t i : changedPgfs)
      if (!w.Paragraph(i, *m.PgfOf(src.pgfs[i].h), src.pgfs[i], err)) return false;
    // The style of each name as read, and of each name a live format has now (the last of a
    // name, in the order of the formats).
    std::unordered_map<std::string, std::string> styleRead, styleNow;
    for (const OdtSource::FmtRec &f : src.fmts) {
      styleRead[f.name] = f.style;
      if (const PgfFmt *fmt = m.FmtOf(f.h); fmt && liveSet.count(f.h))
        styleNow[fmt->name] = f.style;
    }
    for (const auto &[tag, to] : movedTo) {
      if (kept.count(tag) || to.size() != 1) continue;
      auto from = styleRead.find(tag), into = styleNow.find(*to.begin());
      if (from != styleRead.end() && into != styleNow.end() && !from->second.empty() &&
          !into->second.empty() && from->second != into->second)
        w.Follow(from->second, into->second);
    }
    Writer::Pins pins = w.Inheriting(changedFmts);
    for (auto &[rec, fmt] : changedFmts)
      if (!w.FormatChanged(*rec, *fmt, err)) return false;
    if (!w.Pin(pins, err)) return false;
    for (const OdtSource::FmtRec *rec : deleted) w.DeleteStyle(rec->style);
    if (parts[kContent].stub && parts[kContent].changed) continue;

    // A changed part is written from its original bytes, read again (the parse was done in
    // place of the first reading): only the parts that changed are held twice.
    std::unique_ptr<Package> pkg;
    for (int i : {kContent, kStyles}) {
      if (!parts[i].changed) continue;
      if (!pkg && !(pkg = Package::Open(src.path, err))) return false;
      std::string original;
      if (!pkg->Read(kPartNames[i], original, err)) return false;
      if (original.size() != src.size[i] || Fnv1a(original) != src.hash[i])
        return err = src.path + " changed on disk since it was read", false;
      replace[kPartNames[i]] = parts[i].xml.Write(original);
    }
    break;
  }
  if (!RewritePackage(src.path, path, replace, err)) return false;
  if (same) {
    for (int i : {kContent, kStyles})
      if (auto it = replace.find(kPartNames[i]); it != replace.end()) {
        src.hash[i] = Fnv1a(it->second);
        src.size[i] = it->second.size();
      }
    Snapshot(m, d, src);
  }
  return true;
}

}  // namespace qvhost::odt
