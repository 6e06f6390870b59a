// Reading a WordprocessingML package into the model.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <optional>
#include <set>

#include "host/formats/adapter_util.h"
#include "host/formats/docx.h"
#include "host/formats/opc.h"
#include "host/formats/package.h"
#include "host/formats/xml.h"
#include "host/formats/xml_stream.h"
#include "host/model/props.h"
#include "quorvex/fcodes.h"

namespace qvhost::docx {

namespace {

constexpr int32_t kPt = 0x10000;

bool IsWordMain(const std::string &type) {
  return type ==
             "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml" ||
         type ==
             "application/vnd.openxmlformats-officedocument.wordprocessingml.template.main+xml" ||
         type == "application/vnd.ms-word.document.macroEnabled.main+xml" ||
         type == "application/vnd.ms-word.template.macroEnabledTemplate.main+xml";
}

// A paragraph style's catalogue name: its w:name as written; a second style of one name (Word
// and LibreOffice open such files) is told apart by its id, "List Bullet 3 [ListBullet31]".
std::string CatalogueName(const std::string &wname, const std::string &id,
                          std::set<std::string> &taken) {
  std::string name = wname;
  if (taken.count(name)) name = wname + " [" + id + "]";
  for (int n = 2; taken.count(name); ++n) name = wname + " [" + id + " " + std::to_string(n) + "]";
  taken.insert(name);
  return name;
}

struct StyleRec {
  pugi::xml_node node;
  std::string id, type, name, wname, basedOn, next;
  bool isDefault = false;
  bool resolved = false;
  Props props;
};

struct Reader {
  Reader(Model &model, std::string &e) : m(model), err(e) {}
  Model &m;
  std::string &err;
  Doc *d = nullptr;
  std::unique_ptr<Package> pkg;
  OpcTypes types;
  std::string main, majorFont, minorFont;
  std::vector<OpcRel> mainRels;
  std::map<std::string, StyleRec> styles;
  std::vector<std::string> styleOrder;
  std::map<std::string, std::string> nameOfId;  // paragraph styles: id -> catalogue name
  Props defaults;
  std::string defaultId;
  std::shared_ptr<Source> src;
  std::map<std::string, Handle> colors;

  bool Part(const std::string &name, XmlPart &x, PartRec *rec) {
    std::string bytes;
    if (!pkg->Has(name)) {
      err = "a relationship names the part " + name + ", which the package does not hold";
      return false;
    }
    if (!pkg->Read(name, bytes, err) || !x.Parse(std::move(bytes), name, err)) return false;
    if (rec) {
      rec->name = name;
      rec->hash = x.hash;
      rec->size = x.size;
    }
    return true;
  }

  bool Open(const std::string &path) {
    pkg = Package::Open(path, err);
    if (!pkg || !ReadContentTypes(*pkg, types, err)) return false;
    std::vector<OpcRel> rels;
    if (!ReadRels(*pkg, "", rels, err)) return false;
    for (const OpcRel &r : rels)
      if (!r.external && RelKind(r.type) == "officeDocument") main = r.target;
    if (main.empty()) {
      err = "the package names no main document (_rels/.rels has no officeDocument relationship)";
      return false;
    }
    std::string type = types.Of(main);
    if (!IsWordMain(type)) {
      err = "an Office Open XML package whose main part " + main +
            " is not a WordprocessingML document" + (type.empty() ? "" : " (" + type + ")");
      return false;
    }
    if (!pkg->Has(main)) {
      err = "the main document part " + main + " is missing from the package";
      return false;
    }
    return ReadRels(*pkg, main, mainRels, err);
  }

  std::string Rel(const char *kind) const {
    for (const OpcRel &r : mainRels)
      if (!r.external && RelKind(r.type) == kind) return r.target;
    return "";
  }

  bool Theme() {
    std::string t = Rel("theme");
    if (t.empty() || !pkg->Has(t)) return true;
    XmlPart x;
    if (!Part(t, x, nullptr)) return false;
    for (pugi::xpath_node n :
         x.doc.select_nodes("//*[local-name()='majorFont' or local-name()='minorFont']")) {
      for (pugi::xml_node c : n.node().children())
        if (LocalName(c.name()) == "latin") {
          (LocalName(n.node().name()) == "majorFont" ? majorFont : minorFont) =
              c.attribute("typeface").value();
        }
    }
    return true;
  }

  bool Styles() {
    std::string name = Rel("styles");
    if (name.empty()) return true;
    XmlPart x;
    if (!Part(name, x, &src->styles)) return false;
    Names ns(x.Root());
    if (pugi::xml_node dd = ns.Child(x.Root(), "docDefaults")) {
      ApplyProps(defaults, ns.Child(ns.Child(dd, "pPrDefault"), "pPr"), ns, true);
      ApplyProps(defaults, ns.Child(ns.Child(dd, "rPrDefault"), "rPr"), ns, false);
    }
    std::set<std::string> names;
    for (pugi::xml_node s : x.Root().children()) {
      if (!ns.Is(s, "style")) continue;
      StyleRec r;
      r.node = s;
      r.id = ns.Attr(s, "styleId");
      r.type = ns.Attr(s, "type");
      if (r.type.empty()) r.type = "paragraph";
      std::string_view def = ns.Attr(s, "default");
      r.isDefault = def == "1" || def == "true" || def == "on";
      r.basedOn = ns.Attr(ns.Child(s, "basedOn"), "val");
      r.next = ns.Attr(ns.Child(s, "next"), "val");
      std::string wname = ns.Attr(ns.Child(s, "name"), "val");
      if (wname.empty()) wname = r.id;
      if (styles.count(r.id)) {
        err = name + ": two styles have the id \"" + r.id + "\"";
        return false;
      }
      if (r.type == "paragraph") {
        r.wname = wname;
        r.name = CatalogueName(wname, r.id, names);
        nameOfId[r.id] = r.name;
        styleOrder.push_back(r.id);
        if (r.isDefault && defaultId.empty()) defaultId = r.id;
      }
      styles.emplace(r.id, std::move(r));
    }
    // A file that marks no paragraph style as the default (LibreOffice writes none) leaves
    // paragraphs without a style reference in "Normal", as word processors read it.
    if (defaultId.empty() && nameOfId.count("Normal")) defaultId = "Normal";
    // A chain that comes back to a style it passed is refused.
    if (const std::string *loop = FirstInheritanceLoop(
            styles, [](const StyleRec &r) -> const std::string & { return r.basedOn; })) {
      err = name + ": the style \"" + *loop + "\" is based on itself (a basedOn loop)";
      return false;
    }
    for (const std::string &id : styleOrder) Resolve(styles.at(id), ns);
    for (const std::string &id : styleOrder) {
      const StyleRec &r = styles.at(id);
      PgfFmt *f = m.AddFormat(*d, r.name);
      Chars(r.props, f->chars);
      auto nx = nameOfId.find(r.next);
      f->chars[PROP_UseNextTag] = Value::Int(nx != nameOfId.end() ? 1 : 0);
      f->chars[PROP_NextTag] = Value::Str(nx != nameOfId.end() ? nx->second : "");
      src->fmts.push_back({f->h, r.id, r.name, r.wname, f->chars});
      if (id == defaultId) src->defaultFmt = f->h;
    }
    src->defaultStyle = defaultId;
    return true;
  }

  // The style of r's type that r is based on; nullptr at the top of its chain (no w:basedOn
  // names a style that gives no id).
  StyleRec *BasedOn(const StyleRec &r) {
    if (r.basedOn.empty()) return nullptr;
    auto it = styles.find(r.basedOn);
    return it != styles.end() && it->second.type == r.type ? &it->second : nullptr;
  }

  // A style's properties over those of the chain it is based on (loops are refused before):
  // the styles of the chain not resolved yet, from the top down, each once.
  void Resolve(StyleRec &r, const Names &ns) {
    std::vector<StyleRec *> todo;
    for (StyleRec *s = &r; s && !s->resolved; s = BasedOn(*s)) todo.push_back(s);
    for (auto it = todo.rbegin(); it != todo.rend(); ++it) {
      StyleRec &s = **it;
      const StyleRec *up = BasedOn(s);
      s.props = up ? up->props : defaults;
      ApplyProps(s.props, ns.Child(s.node, "pPr"), ns, true);
      ApplyProps(s.props, ns.Child(s.node, "rPr"), ns, false);
      s.resolved = true;
    }
  }

  Handle ColorOf(const std::string &name) {
    auto it = colors.find(name);
    if (it != colors.end()) return it->second;
    Handle h = m.AddColor(*d, name)->h;
    colors[name] = h;
    return h;
  }

  void Chars(const Props &pr, CharMap &c) {
    ReadEnv env{majorFont, minorFont, [this](const std::string &n) { return ColorOf(n); }};
    CharsOf(pr, env, c);
  }

  bool Stories() {
    Flow *main = nullptr;
    Page *body = m.AddPage(*d, PageList::Body, "1");
    Page *master = m.AddPage(*d, PageList::A, "Right");
    d->currentPage = body->h;
    struct Want {
      std::string part;
      Story story;
      std::string flow;
    };
    std::vector<Want> want{{main_, Story::Body, "A"}};
    for (const OpcRel &r : mainRels) {
      if (r.external) continue;
      std::string k = RelKind(r.type);
      std::string stem = std::filesystem::path(r.target).stem().string();
      if (k == "header") want.push_back({r.target, Story::Header, stem});
      if (k == "footer") want.push_back({r.target, Story::Footer, stem});
    }
    for (auto [kind, story, flow] : {std::tuple{"footnotes", Story::Footnotes, "Footnotes"},
                                     std::tuple{"endnotes", Story::Endnotes, "Endnotes"},
                                     std::tuple{"comments", Story::Comments, "Comments"}})
      if (std::string t = Rel(kind); !t.empty()) want.push_back({t, story, flow});
    std::set<std::string> done;
    for (const Want &w : want) {
      if (!done.insert(w.part).second) continue;
      Flow *fl = m.AddFlow(*d, w.flow, w.story == Story::Body);
      if (w.story == Story::Body) main = fl;
      Frame *fr = m.AddFrame(
          *fl, w.story == Story::Header || w.story == Story::Footer ? master->h : body->h);
      Placing at{fr, static_cast<uint32_t>(src->parts.size())};
      PartRec rec;
      rec.story = w.story;
      if (!(w.story == Story::Body ? StreamBody(w.part, at, rec)
                                   : ReadStory(w.part, w.story, at, rec)))
        return false;
      src->parts.push_back(rec);
      if (w.story == Story::Body && !at.pgfs) ShownParagraph(*fr, at.part);
    }
    if (main) {
      Handle first = 0;
      for (Handle f : m.Chained(main->frames))
        if (Handle p = m.As<Frame>(f, Kind::Frame)->pgfs.first) first = first ? first : p;
      if (first) d->selection = TextRange{{first, 0}, {first, 0}};
    }
    return true;
  }

  // Where the paragraphs of a part go, and how far its walk is.
  struct Placing {
    Frame *fr;
    uint32_t part;
    uint32_t pgfs = 0;  // paragraphs placed
    Handle last = 0;    // the last paragraph outside tables: the next table's anchor
  };

  // A story part other than the body, read whole.
  bool ReadStory(const std::string &name, Story story, Placing &at, PartRec &rec) {
    XmlPart x;
    if (!Part(name, x, &rec)) return false;
    Names ns(x.Root());
    std::vector<Ev> evs;
    Walk(x.Root(), story, ns, evs);
    Build(evs, ns, at);
    return true;
  }

  // The main part is read as it is inflated: what comes before the body's first child, then
  // the body's children in batches that are walked into the model and let go, so that neither
  // the part's bytes nor its tree are ever whole in memory beside the model.
  bool StreamBody(const std::string &name, Placing &at, PartRec &rec) {
    if (!pkg->Has(name)) {
      err = "a relationship names the part " + name + ", which the package does not hold";
      return false;
    }
    XmlPart head;
    std::optional<Names> ns;
    BodyStream::Handler h;
    h.path = [](pugi::xml_node root) { return std::vector<std::string>{Names(root).W("body")}; };
    h.head = [&](std::string &) {
      ns.emplace(head.Root());
      std::vector<Ev> evs;
      Walk(head.Root(), Story::Body, *ns, evs);
      Build(evs, *ns, at);
      return true;
    };
    h.body = [&](pugi::xml_node batch, std::string &) {
      std::vector<Ev> evs;
      WalkBlocks(batch, *ns, evs);
      Build(evs, *ns, at);
      return true;
    };
    BodyStream body(name, head, std::move(h));
    if (!body.Read(*pkg, err)) return false;
    rec.name = name;
    rec.hash = head.hash;
    rec.size = head.size;
    return true;
  }

  // A word processor shows a body without paragraphs (python3-docx's template) as one empty
  // paragraph in the default style; so does the model.
  void ShownParagraph(Frame &fr, uint32_t part) {
    auto it = nameOfId.find(defaultId);
    std::string tag = it == nameOfId.end() ? "" : it->second;
    Pgf *p = m.AddPgf(fr, tag, "");
    src->pgfs.push_back({p->h, part, kShownPgf, Fnv1a(""), tag, false, p->own});
  }

  void Build(const std::vector<Ev> &evs, const Names &ns, Placing &at) {
    struct Sink {
      Cell *cell;
      Handle last;
    };
    std::vector<Sink> sinks{{nullptr, at.last}};
    std::vector<Table *> tables;
    Row *row = nullptr;
    std::vector<Row *> rows;
    for (const Ev &e : evs) {
      switch (e.k) {
        case Ev::P: {
          pugi::xml_node pPr = ns.Child(e.n, "pPr");
          std::string id;  // with two references (pandoc writes that), the last one counts
          for (pugi::xml_node c : pPr.children())
            if (ns.Is(c, "pStyle")) id = ns.Attr(c, "val");
          auto it = nameOfId.find(id);
          if (it == nameOfId.end()) it = nameOfId.find(defaultId);
          std::string tag = it == nameOfId.end() ? "" : it->second;
          std::string text = PgfText(e.n, ns);
          Pgf *p = sinks.back().cell ? m.AddCellPgf(*sinks.back().cell, tag, text)
                                     : m.AddPgf(*at.fr, tag, text);
          sinks.back().last = p->h;
          bool direct = false;
          for (pugi::xml_node c : pPr.children())
            if (!Structural(ns.Local(c)) && c.type() == pugi::node_element) direct = true;
          p->override_ = direct;
          if (direct && it != nameOfId.end()) {
            Props pr = styles.at(it->first).props;
            ApplyProps(pr, pPr, ns, true);
            CharMap chars;
            Chars(pr, chars);
            const PgfFmt *f = m.FindFormat(*d, tag);
            for (auto &[code, v] : chars)
              if (code != PROP_NextTag && code != PROP_UseNextTag && m.FmtChar(*f, code) != v)
                p->own[code] = v;
          }
          src->pgfs.push_back({p->h, at.part, at.pgfs++, Fnv1a(text), tag, p->override_, p->own});
          break;
        }
        case Ev::TblBeg: {
          std::string style = ns.Attr(ns.Child(ns.Child(e.n, "tblPr"), "tblStyle"), "val");
          Table *t = m.AddTable(*d, style, sinks.back().last);
          for (pugi::xml_node g : ns.Child(e.n, "tblGrid").children())
            if (ns.Is(g, "gridCol"))
              t->colWidths.push_back(
                  static_cast<int32_t>(std::lround(std::atof(ns.Attr(g, "w")) * kPt / 20.0)));
          tables.push_back(t);
          rows.push_back(row);
          break;
        }
        case Ev::RowBeg:
          row = m.AddRow(*tables.back());
          break;
        case Ev::CellBeg: {
          Cell *c = m.AddCell(*row);
          int span = std::atoi(ns.Attr(ns.Child(ns.Child(e.n, "tcPr"), "gridSpan"), "val"));
          if (span > 1) c->straddleCols = span;
          sinks.push_back({c, 0});
          break;
        }
        case Ev::CellEnd:
          sinks.pop_back();
          break;
        case Ev::RowEnd:
          break;
        case Ev::TblEnd:
          tables.pop_back();
          row = rows.back();
          rows.pop_back();
          break;
      }
    }
    at.last = sinks.front().last;
  }

  std::string main_;
};

}  // namespace

bool Load(Model &m, const std::string &path, Handle &out, std::string &err) {
  Reader r(m, err);
  r.src = std::make_shared<Source>();
  r.src->path = path;
  if (!r.Open(path)) return false;
  r.main_ = r.main;
  r.d = m.NewDoc(path);
  r.d->source = r.src;
  r.colors["Black"] = m.AddColor(*r.d, "Black")->h;
  bool ok = false;
  try {
    ok = r.Theme() && r.Styles() && r.Stories();
  } catch (const std::exception &e) {
    err = std::string("cannot read the document: ") + e.what();
  }
  if (!ok) {
    m.Close(r.d->h, 1);
    return false;
  }
  // Parts that name styles outside the stories: numbering levels, and the settings'
  // click-and-type style. Only their hashes are kept, for a save to check.
  for (auto [kind, rec] :
       {std::pair{"numbering", &r.src->numbering}, std::pair{"settings", &r.src->settings}}) {
    rec->name = r.Rel(kind);
    if (rec->name.empty() || !r.pkg->Has(rec->name)) {
      rec->name.clear();
      continue;
    }
    XmlPart x;
    if (!r.Part(rec->name, x, rec)) {
      m.Close(r.d->h, 1);
      return false;
    }
  }
  r.d->modified = false;
  out = r.d->h;
  return true;
}

}  // namespace qvhost::docx
