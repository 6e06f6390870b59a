// Writing a model document back into the WordprocessingML package it was read from.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "host/atomic_file.h"
#include "host/formats/docx.h"
#include "host/formats/package.h"
#include "host/formats/xml.h"
#include "host/formats/xml_stream.h"
#include "quorvex/fcodes.h"

namespace qvhost::docx {

namespace {

// What a paragraph's element gets.
struct PgfEdit {
  uint32_t index = 0;
  std::string style;  // new style id ("" none)
  bool strip = false;
  std::string fold;  // id of a deleted style whose settings become direct formatting
};

std::map<int32_t, Value> Effective(const std::map<int32_t, Value> &own) {
  std::map<int32_t, Value> e = own;
  e.erase(PROP_NextTag);  // a paragraph of WordprocessingML has no next style of its own
  e.erase(PROP_UseNextTag);
  return e;
}

int PgfChildOrder(std::string_view l) {
  return l == "pPr" ? 0 : 1;
}

int RunChildOrder(std::string_view l) {
  return l == "rPr" ? 0 : 1;
}

// Runs of a paragraph, not those of the paragraphs of its text boxes.
void Runs(pugi::xml_node n, const Names &ns, std::vector<pugi::xml_node> &out) {
  for (pugi::xml_node c : n.children()) {
    if (c.type() != pugi::node_element || ns.Is(c, "txbxContent") || ns.Is(c, "pPr")) continue;
    if (ns.Is(c, "r"))
      out.push_back(c);
    else
      Runs(c, ns, out);
  }
}

struct Saver {
  Saver(const Model &model, const Doc &doc, Source &s, std::string &e)
      : m(model), d(doc), src(s), err(e) {}
  const Model &m;
  const Doc &d;
  Source &src;
  std::string &err;
  std::unique_ptr<Package> pkg;
  std::map<std::string, std::string> replace;
  std::map<Handle, std::string> idOf;        // current formats -> style id
  std::set<std::string> deleted;             // ids of deleted styles
  std::vector<const FmtRec *> deletedOrder;  // in catalogue order
  std::vector<const PgfFmt *> added;
  std::set<std::string> deletedNames;
  std::map<std::string, std::string> newIds;
  pugi::xml_document folded;  // copies of the deleted styles (their pPr and rPr)
  std::map<std::string, pugi::xml_node> foldedOf;
  std::string foldedW = "w:";
  std::map<uint32_t, std::vector<PgfEdit>> edits;  // by part
  bool stylesChange = false;
  StyleChanges refs;                            // what fields naming styles become
  bool madeShown = false;                       // an empty body's paragraph was written
  std::map<std::string, std::string> heirOf;    // deleted style id -> id its paragraphs now carry
  std::map<std::string, std::string> movedIds;  // style id -> id all its paragraphs now carry
  // The formats as they were read: by handle, by id, and the first of each name.
  std::unordered_map<Handle, const FmtRec *> recOf;
  std::unordered_map<std::string, const FmtRec *> recOfId, recOfName;
  std::unordered_map<std::string, std::string> deletedIdOf;  // name -> id of a deleted style

  void IndexRecs() {
    for (const FmtRec &r : src.fmts) {
      recOf[r.h] = &r;
      recOfId.emplace(r.id, &r);
      recOfName.emplace(r.name, &r);
    }
  }

  // A format's w:name, as the file will have it.
  std::string WName(const std::string &catalogueName) const {
    if (const PgfFmt *f = m.FindFormat(d, catalogueName)) {
      auto it = recOf.find(f->h);
      return it != recOf.end() && it->second->name == f->name ? it->second->wname : catalogueName;
    }
    auto it = recOfName.find(catalogueName);
    return it != recOfName.end() ? it->second->wname : catalogueName;
  }
  std::string WNameOfId(const std::string &id) const {
    auto it = recOfId.find(id);
    return it != recOfId.end() ? it->second->wname : "";
  }

  // The style the paragraphs of deleted style `id` now carry: the nearest of its ancestors that
  // stays ("" none). Each deleted style is followed once.
  const std::string &Heir(const std::string &id) {
    std::vector<std::string> path;
    std::string at = id;
    while (deleted.count(at) && !heirOf.count(at) &&
           std::find(path.begin(), path.end(), at) == path.end()) {
      path.push_back(at);
      auto f = foldedOf.find(at);
      at = f != foldedOf.end() ? f->second.attribute("parent").value() : "";
    }
    std::string heir = heirOf.count(at) ? heirOf[at] : deleted.count(at) ? "" : at;
    for (const std::string &p : path) heirOf[p] = heir;
    return heirOf[id];
  }

  // Styles whose every paragraph now carries one other style: the references follow them.
  void Moves() {
    std::map<std::string, std::set<std::string>> became;  // tag at load -> tags now
    std::set<std::string> carried;
    for (const PgfRec &r : src.pgfs) {
      const std::string &now = m.PgfOf(r.h)->tag;
      became[r.tag].insert(now);
      carried.insert(now);
    }
    for (const auto &[old, now] : became)
      if (now.size() == 1 && !carried.count(old) && !deletedNames.count(old)) {
        refs.Move(WName(old), WName(*now.begin()));
        const PgfFmt *from = m.FindFormat(d, old), *to = m.FindFormat(d, *now.begin());
        if (to && idOf.count(to->h))
          for (const FmtRec &r : src.fmts)
            if (r.name == old && (!from || from->h == r.h)) movedIds[r.id] = idOf[to->h];
      }
  }

  bool Read(const PartRec &rec, std::string &bytes, XmlPart &x) {
    return ReadBytes(rec, bytes) && x.Parse(bytes, rec.name, err);
  }
  bool ReadBytes(const PartRec &rec, std::string &bytes) {
    if (!pkg->Read(rec.name, bytes, err)) return false;
    if (bytes.size() != rec.size || Fnv1a(bytes) != rec.hash) {
      err = rec.name + " changed on disk since the document was read; not saved";
      return false;
    }
    return true;
  }

  // Whether a part none of whose paragraphs changed has nothing to edit: no field (whose
  // instruction could name a style) and no attribute naming a deleted style. Such a part, the
  // body of a large document most of all, is then neither parsed nor held: it is scanned as
  // it is inflated, and checked to be the part that was read.
  bool Untouched(const PartRec &rec, const std::vector<PgfEdit> &list, bool &untouched) {
    untouched = false;
    if (!list.empty() || !refs.moved.empty()) return true;
    std::unordered_set<std::string_view> ids(deleted.begin(), deleted.end());
    bool field = false;
    std::string seam;  // the end of the last piece: "instr" may be cut in two
    PartScan scan;
    if (!ScanPart(*pkg, rec.name, ids, scan, err, [&](std::string_view piece) {
          seam.append(piece.substr(0, 4));
          field = field || seam.find("instr") != std::string::npos ||
                  piece.find("instr") != std::string_view::npos;
          seam = piece.substr(piece.size() - std::min<size_t>(piece.size(), 4));
        }))
      return false;
    if (scan.named || field) return true;  // read whole and checked by the caller
    if (scan.size != rec.size || scan.hash != rec.hash) {
      err = rec.name + " changed on disk since the document was read; not saved";
      return false;
    }
    untouched = true;
    return true;
  }

  void Put(const std::string &name, const XmlPart &x, const std::string &orig) {
    std::string out = x.Write(orig);
    if (out != orig) replace[name] = std::move(out);
  }

  bool Plan() {
    IndexRecs();
    const auto &recs = recOf;
    std::set<std::string> ids;
    for (const FmtRec &r : src.fmts) ids.insert(r.id);
    std::set<Handle> now;
    for (Handle h : m.Chained(d.fmts)) {
      now.insert(h);
      const PgfFmt *f = m.FmtOf(h);
      auto it = recs.find(h);
      if (it == recs.end()) {
        idOf[h] = NewStyleId(f->name, ids);
        added.push_back(f);
        stylesChange = true;
        continue;
      }
      idOf[h] = it->second->id;
      const FmtRec &r = *it->second;
      if (f->name != r.name) stylesChange = true;
      for (const auto &[code, v] : f->chars) {
        auto old = r.chars.find(code);
        if (old != r.chars.end() && old->second == v) continue;
        if (code == PROP_NextTag || code == PROP_UseNextTag) {
          stylesChange = true;
          continue;
        }
        err = "the format \"" + f->name +
              "\" has characteristics changed, which are not written back to .docx";
        return false;
      }
    }
    for (const FmtRec &r : src.fmts)
      if (!now.count(r.h)) {
        deleted.insert(r.id);
        deletedNames.insert(r.name);
        deletedOrder.push_back(&r);
        deletedIdOf[r.name] = r.id;  // the last of a name, as the catalogue order has them
        stylesChange = true;
      }

    std::vector<bool> known;  // by handle: the paragraphs that were read
    for (const PgfRec &r : src.pgfs) {
      if (r.h >= known.size()) known.resize(std::max<size_t>(r.h + 1, known.size() * 2));
      known[r.h] = true;
    }
    size_t count = 0;
    bool unknown = false;
    m.ForEachPgf(d, [&](Handle h) {
      unknown = unknown || h >= known.size() || !known[h];
      ++count;
    });
    if (count != src.pgfs.size() || unknown) {
      err =
          "paragraphs were added to or removed from the document, which is not written back "
          "to .docx";
      return false;
    }
    for (const PgfRec &r : src.pgfs) {
      const Pgf *p = m.PgfOf(r.h);
      if (Fnv1a(p->text) != r.textHash) {
        err = "the text of a paragraph changed, which is not written back to .docx";
        return false;
      }
      PgfEdit e;
      e.index = r.index;
      if (p->tag == r.tag && deletedNames.count(r.tag)) {
        e.fold = deletedIdOf[r.tag];
      } else {
        bool retag = p->tag != r.tag;
        const PgfFmt *cur = m.FindFormat(d, p->tag);
        auto own = Effective(p->own), own0 = Effective(r.own);
        if (retag) {
          if (!cur) {
            err =
                "a paragraph carries the format \"" + p->tag + "\", which is not in the catalogue";
            return false;
          }
          if (!own.empty()) {
            err = "a paragraph retagged \"" + p->tag +
                  "\" keeps settings of its own, which are not written back to .docx";
            return false;
          }
          e.style = idOf[cur->h];
        }
        e.strip = r.override_ && own.empty() && (!p->override_ || !own0.empty() || retag);
        if (!retag && !e.strip && own != own0) {
          err = "the paragraph settings of a \"" + p->tag +
                "\" paragraph changed, which are not written back to .docx";
          return false;
        }
        if (!retag && !e.strip) continue;
      }
      edits[r.part].push_back(e);
    }
    Moves();
    return true;
  }

  bool Styles() {
    if (!stylesChange && deleted.empty()) return true;
    if (src.styles.name.empty()) {
      err = "the document has no styles part to write formats to";
      return false;
    }
    std::string orig;
    XmlPart x;
    if (!Read(src.styles, orig, x)) return false;
    Names ns(x.Root());
    foldedW = ns.w;
    std::map<std::string, pugi::xml_node> byId;
    for (pugi::xml_node s : x.Root().children())
      if (ns.Is(s, "style")) byId[ns.Attr(s, "styleId")] = s;
    // The ids of the styles based on each style, and of those naming it as their next or linked
    // style; a deleted style's children join its parent's.
    std::unordered_map<std::string, std::vector<std::string>> kids, namers;
    for (const auto &[id, c] : byId) {
      kids[ns.Attr(ns.Child(c, "basedOn"), "val")].push_back(id);
      for (const char *ref : {"next", "link"})
        if (pugi::xml_node n = ns.Child(c, ref)) namers[ns.Attr(n, "val")].push_back(id);
    }
    auto setVal = [&](pugi::xml_node style, const char *el, const std::string &v) {
      pugi::xml_node n = Ensure(style, el, ns, StyleOrder);
      std::string a = ns.W("val");
      if (!n.attribute(a.c_str())) n.append_attribute(a.c_str());
      n.attribute(a.c_str()).set_value(v.c_str());
    };
    // Names and next styles of the formats that stay.
    for (Handle h : m.Chained(d.fmts)) {
      const PgfFmt *f = m.FmtOf(h);
      auto rec = recOf.find(h);
      const FmtRec *r = rec == recOf.end() ? nullptr : rec->second;
      if (!r || !byId.count(r->id)) continue;
      pugi::xml_node s = byId[r->id];
      if (f->name != r->name) setVal(s, "name", f->name);
      Value nt = m.FmtChar(*f, PROP_NextTag), use = m.FmtChar(*f, PROP_UseNextTag);
      if (nt == r->chars.at(PROP_NextTag) && use == r->chars.at(PROP_UseNextTag)) continue;
      const PgfFmt *next = use.i ? m.FindFormat(d, nt.s) : nullptr;
      if (next)
        setVal(s, "next", idOf[next->h]);
      else
        s.remove_child(ns.Child(s, "next"));
    }
    // Deleted styles, one after the other: a chain of deleted styles folds step by step.
    for (const FmtRec *r : deletedOrder) {
      auto it = byId.find(r->id);
      if (it == byId.end()) continue;
      pugi::xml_node s = it->second;
      std::string parent = ns.Attr(ns.Child(s, "basedOn"), "val");
      pugi::xml_node keep = folded.append_child("style");
      keep.append_copy(ns.Child(s, "pPr"));
      keep.append_copy(ns.Child(s, "rPr"));
      keep.append_attribute("parent") = parent.c_str();
      foldedOf[r->id] = keep;
      // The styles still there (in id order) that are based on it, or name it (none names a
      // style without an id).
      auto live = [&](const std::vector<std::string> &ids) {
        std::vector<std::pair<std::string, pugi::xml_node>> out;
        for (const std::string &id : r->id.empty() ? std::vector<std::string>() : ids)
          if (auto c = byId.find(id); c != byId.end() && c->second != s) out.emplace_back(*c);
        std::sort(out.begin(), out.end(),
                  [](const auto &a, const auto &b) { return a.first < b.first; });
        out.erase(std::unique(out.begin(), out.end()), out.end());
        return out;
      };
      for (auto [id, c] : live(kids[r->id])) {
        if (std::string_view(ns.Attr(ns.Child(c, "basedOn"), "val")) != r->id) continue;
        for (const char *pr : {"pPr", "rPr"})
          if (pugi::xml_node from = ns.Child(s, pr))
            FoldSettings(from, Ensure(c, pr, ns, StyleOrder), ns, ns,
                         std::string_view(pr) == "pPr");
        if (parent.empty())
          c.remove_child(ns.Child(c, "basedOn"));
        else
          setVal(c, "basedOn", parent);
        kids[parent].push_back(id);
      }
      for (auto [id, c] : live(namers[r->id]))
        for (const char *ref : {"next", "link"})
          if (std::string_view(ns.Attr(ns.Child(c, ref), "val")) == r->id)
            c.remove_child(ns.Child(c, ref));
      x.Root().remove_child(s);
      byId.erase(it);
    }
    for (const FmtRec *r : deletedOrder) {
      const std::string &heir = Heir(r->id);
      refs.Delete(r->wname, WNameOfId(heir.empty() ? src.defaultStyle : heir));
    }
    for (const PgfFmt *f : added) {
      pugi::xml_node s = x.Root().append_child(ns.W("style").c_str());
      s.append_attribute(ns.W("type").c_str()) = "paragraph";
      s.append_attribute(ns.W("customStyle").c_str()) = "1";
      s.append_attribute(ns.W("styleId").c_str()) = idOf[f->h].c_str();
      s.append_child(ns.W("name").c_str()).append_attribute(ns.W("val").c_str()) = f->name.c_str();
      if (m.FmtChar(*f, PROP_UseNextTag).i)
        if (const PgfFmt *n = m.FindFormat(d, m.FmtChar(*f, PROP_NextTag).s))
          s.append_child(ns.W("next").c_str()).append_attribute(ns.W("val").c_str()) =
              idOf[n->h].c_str();
      pugi::xml_document tmp;
      pugi::xml_node pPr = tmp.append_child("w:pPr"), rPr = tmp.append_child("w:rPr");
      FormatToXml(m, *f, pPr, rPr);
      for (pugi::xml_node pr : {pPr, rPr}) {
        pugi::xml_node c = s.append_copy(pr);
        c.set_name(ns.W(LocalName(pr.name())).c_str());
        for (pugi::xml_node k : c.children()) {
          k.set_name(ns.W(LocalName(k.name())).c_str());
          for (pugi::xml_attribute a : k.attributes())
            a.set_name(ns.W(LocalName(a.name())).c_str());
          for (pugi::xml_node t : k.children()) {
            t.set_name(ns.W(LocalName(t.name())).c_str());
            for (pugi::xml_attribute a : t.attributes())
              a.set_name(ns.W(LocalName(a.name())).c_str());
          }
        }
      }
    }
    Put(src.styles.name, x, orig);
    return true;
  }

  bool Numbering() {
    if (deleted.empty() || src.numbering.name.empty()) return true;
    std::string orig;
    XmlPart x;
    if (!Read(src.numbering, orig, x)) return false;
    Names ns(x.Root());
    std::vector<pugi::xml_node> drop;
    for (pugi::xml_node a : x.Root().children())
      for (pugi::xml_node lvl : a.children())
        if (ns.Is(lvl, "lvl"))
          if (pugi::xml_node ps = ns.Child(lvl, "pStyle"); ps && deleted.count(ns.Attr(ps, "val")))
            drop.push_back(ps);
    for (pugi::xml_node n : drop) n.parent().remove_child(n);
    Put(src.numbering.name, x, orig);
    return true;
  }

  // The click-and-type style of the settings names a style that exists: a deleted one's heir
  // (none: the default style, named by no element), or the style a conversion moved every
  // paragraph of it to.
  bool Settings() {
    if ((deleted.empty() && movedIds.empty()) || src.settings.name.empty()) return true;
    std::string orig;
    XmlPart x;
    if (!Read(src.settings, orig, x)) return false;
    Names ns(x.Root());
    pugi::xml_node c = ns.Child(x.Root(), "clickAndTypeStyle");
    std::string id = ns.Attr(c, "val");
    if (!c || id.empty()) return true;
    std::string to = id;
    if (deleted.count(id))
      to = heirOf[id];
    else if (auto it = movedIds.find(id); it != movedIds.end())
      to = it->second;
    if (to == id) return true;
    if (to.empty())
      x.Root().remove_child(c);
    else
      c.attribute(ns.W("val").c_str()).set_value(to.c_str());
    Put(src.settings.name, x, orig);
    return true;
  }

  void SetStyle(pugi::xml_node p, const Names &ns, const std::string &id) {
    pugi::xml_node pPr = Ensure(p, "pPr", ns, PgfChildOrder);
    if (id.empty()) {
      while (pugi::xml_node ps = ns.Child(pPr, "pStyle")) pPr.remove_child(ps);
      return;
    }
    pugi::xml_node ps;
    for (pugi::xml_node c : pPr.children())
      if (ns.Is(c, "pStyle")) ps = c;
    if (!ps) ps = Ensure(pPr, "pStyle", ns, PPrOrder);
    std::string a = ns.W("val");
    if (!ps.attribute(a.c_str())) ps.append_attribute(a.c_str());
    ps.attribute(a.c_str()).set_value(id.c_str());
  }

  // The paragraph a body without paragraphs is shown with, made before the section
  // properties.
  pugi::xml_node MakeShown(pugi::xml_node root, const Names &ns) {
    pugi::xml_node body = ns.Child(root, "body");
    std::string p = ns.W("p");
    if (pugi::xml_node sect = ns.Child(body, "sectPr"))
      return body.insert_child_before(p.c_str(), sect);
    return body.append_child(p.c_str());
  }

  // References to deleted styles that no paragraph edit reached (the fallback copies of
  // alternate content) get the style the deleted one's paragraphs now carry.
  void PStyles(pugi::xml_node n, const Names &ns) {
    std::vector<pugi::xml_node> drop;
    for (pugi::xml_node c : n.children()) {
      if (c.type() != pugi::node_element) continue;
      if (ns.Is(c, "pStyle") && deleted.count(ns.Attr(c, "val"))) {
        const std::string &heir = heirOf[ns.Attr(c, "val")];
        if (heir.empty())
          drop.push_back(c);
        else
          c.attribute(ns.W("val").c_str()).set_value(heir.c_str());
      } else {
        PStyles(c, ns);
      }
    }
    for (pugi::xml_node c : drop) n.remove_child(c);
  }

  bool Content() {
    bool everyPart = !deleted.empty() || !refs.moved.empty();
    for (uint32_t i = 0; everyPart && i < src.parts.size(); ++i) edits[i];
    for (auto &[part, list] : edits) {
      const PartRec &rec = src.parts[part];
      std::string orig;
      XmlPart x;
      bool untouched = false;
      if (!Untouched(rec, list, untouched)) return false;
      if (untouched) continue;
      if (!ReadBytes(rec, orig)) return false;
      if (!x.Parse(orig, rec.name, err)) return false;
      Names ns(x.Root());
      std::vector<Ev> evs;
      Walk(x.Root(), rec.story, ns, evs);
      std::vector<pugi::xml_node> ps;
      for (const Ev &e : evs)
        if (e.k == Ev::P) ps.push_back(e.n);
      for (const PgfEdit &e : list) {
        if (e.index >= ps.size() && e.index != kShownPgf) {
          err = rec.name + ": the paragraphs are not those that were read; not saved";
          return false;
        }
        madeShown = madeShown || e.index == kShownPgf;
        pugi::xml_node p = e.index == kShownPgf ? MakeShown(x.Root(), ns) : ps[e.index];
        if (!e.fold.empty()) {
          pugi::xml_node keep = foldedOf[e.fold];
          Names fns(keep);  // the copies keep the styles part's prefix
          fns.w = foldedW;
          SetStyle(p, ns, heirOf[e.fold]);
          pugi::xml_node pPr = ns.Child(p, "pPr");
          if (pugi::xml_node from = fns.Child(keep, "pPr")) FoldSettings(from, pPr, fns, ns, true);
          if (pugi::xml_node from = fns.Child(keep, "rPr"); from && from.first_child()) {
            std::vector<pugi::xml_node> runs;
            Runs(p, ns, runs);
            for (pugi::xml_node r : runs)
              FoldSettings(from, Ensure(r, "rPr", ns, RunChildOrder), fns, ns, false);
            FoldSettings(from, Ensure(pPr, "rPr", ns, PPrOrder), fns, ns, false);
          }
          if (!pPr.first_child()) p.remove_child(pPr);
          continue;
        }
        if (!e.style.empty()) SetStyle(p, ns, e.style);
        if (e.strip) {
          pugi::xml_node pPr = ns.Child(p, "pPr");
          std::vector<pugi::xml_node> drop;
          for (pugi::xml_node c : pPr.children())
            if (c.type() == pugi::node_element && !Structural(ns.Local(c))) drop.push_back(c);
          for (pugi::xml_node c : drop) pPr.remove_child(c);
        }
      }
      if (!deleted.empty()) PStyles(x.Root(), ns);
      RewriteFields(x.Root(), ns, refs);
      Put(rec.name, x, orig);
    }
    return true;
  }

  // After a save over the file that was read, what was written is what is read next time.
  void Remember() {
    auto rehash = [&](PartRec &r) {
      auto it = replace.find(r.name);
      if (it != replace.end()) {
        r.hash = Fnv1a(it->second);
        r.size = it->second.size();
      }
    };
    for (PartRec &r : src.parts) rehash(r);
    rehash(src.styles);
    rehash(src.numbering);
    rehash(src.settings);
    for (PgfRec &r : src.pgfs) {
      const Pgf *p = m.PgfOf(r.h);
      if (r.index == kShownPgf && madeShown) r.index = 0;  // now the body's one paragraph
      r.tag = p->tag;
      r.override_ = p->override_;
      r.own = p->own;
    }
    std::map<Handle, const FmtRec *> old;
    for (const FmtRec &r : src.fmts) old[r.h] = &r;
    std::vector<FmtRec> fmts;
    for (Handle h : m.Chained(d.fmts)) {
      const PgfFmt *f = m.FmtOf(h);
      auto it = old.find(h);
      bool same = it != old.end() && it->second->name == f->name;
      fmts.push_back({h, idOf[h], f->name, same ? it->second->wname : f->name, f->chars});
    }
    src.fmts = std::move(fmts);
  }
};

}  // namespace

bool SaveBack(const Model &m, const Doc &d, Source &src, const std::string &path,
              std::string &err) {
  Saver s(m, d, src, err);
  if (!s.Plan()) return false;
  bool same =
      std::filesystem::weakly_canonical(path) == std::filesystem::weakly_canonical(src.path);
  if (!s.stylesChange && s.deleted.empty() && s.edits.empty() && s.refs.moved.empty())
    return same || CopyFileAtomic(src.path, path, err);
  s.pkg = Package::Open(src.path, err);
  if (!s.pkg || !s.Styles() || !s.Numbering() || !s.Settings() || !s.Content()) return false;
  if (!RewritePackage(src.path, path, s.replace, err)) return false;
  if (same) s.Remember();
  return true;
}

}  // namespace qvhost::docx
