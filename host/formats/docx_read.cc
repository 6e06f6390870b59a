// Reading a WordprocessingML package into the model.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <set>

#include "host/formats/adapter_util.h"
#include "host/formats/docx.h"
#include "host/formats/opc.h"
#include "host/formats/package.h"
#include "host/formats/xml.h"
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

// Effective properties: element local name -> attribute local name -> value.
using Attrs = std::map<std::string, std::string>;
struct Props {
  std::map<std::string, Attrs> p, r;
  std::map<int32_t, std::pair<std::string, std::string>> tabs;  // position (twips) -> kind, leader
};

std::string_view AttrLocal(const char *q) {
  return LocalName(q);
}

void Apply(Props &to, pugi::xml_node pr, const Names &ns, bool para) {
  for (pugi::xml_node c : pr.children()) {
    std::string_view l = ns.Local(c);
    if (l.empty() || (para && Structural(l))) continue;
    if (para && l == "tabs") {
      for (pugi::xml_node t : c.children()) {
        if (!ns.Is(t, "tab")) continue;
        int32_t pos = std::atoi(ns.Attr(t, "pos"));
        std::string kind = ns.Attr(t, "val");
        if (kind == "clear")
          to.tabs.erase(pos);
        else
          to.tabs[pos] = {kind, ns.Attr(t, "leader")};
      }
      continue;
    }
    Attrs &a = (para ? to.p : to.r)[std::string(l)];
    if (!Combines(l)) a.clear();
    for (pugi::xml_attribute at : c.attributes())  // a setting replaces every spelling of it
      std::erase_if(a,
                    [&](const auto &kv) { return SameSetting(l, kv.first, AttrLocal(at.name())); });
    for (pugi::xml_attribute at : c.attributes()) a[std::string(AttrLocal(at.name()))] = at.value();
  }
}

bool On(const Props &pr, bool para, const char *l) {
  const auto &m = para ? pr.p : pr.r;
  auto it = m.find(l);
  if (it == m.end()) return false;
  auto v = it->second.find("val");
  if (v == it->second.end()) return true;
  return v->second != "0" && v->second != "false" && v->second != "off";
}

const std::string *Get(const Props &pr, bool para, const char *el, const char *attr) {
  const auto &m = para ? pr.p : pr.r;
  auto it = m.find(el);
  if (it == m.end()) return nullptr;
  auto a = it->second.find(attr);
  return a == it->second.end() ? nullptr : &a->second;
}

int32_t Twips(const std::string *s) {
  if (!s) return 0;
  double v = std::atof(s->c_str());
  return static_cast<int32_t>(std::lround(v * kPt / 20.0));
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
      Apply(defaults, ns.Child(ns.Child(dd, "pPrDefault"), "pPr"), ns, true);
      Apply(defaults, ns.Child(ns.Child(dd, "rPrDefault"), "rPr"), ns, false);
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
      Apply(s.props, ns.Child(s.node, "pPr"), ns, true);
      Apply(s.props, ns.Child(s.node, "rPr"), ns, false);
      s.resolved = true;
    }
  }

  Handle ColorOf(const std::string &hex) {
    static const std::pair<const char *, const char *> kNamed[] = {
        {"000000", "Black"}, {"FFFFFF", "White"}, {"FF0000", "Red"},     {"00FF00", "Green"},
        {"0000FF", "Blue"},  {"00FFFF", "Cyan"},  {"FF00FF", "Magenta"}, {"FFFF00", "Yellow"}};
    std::string up;
    for (char c : hex) up += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::string name = up == "AUTO" || up.empty() ? "Black" : "#" + up;
    for (auto [h, n] : kNamed)
      if (up == h) name = n;
    auto it = colors.find(name);
    if (it != colors.end()) return it->second;
    Handle h = m.AddColor(*d, name)->h;
    colors[name] = h;
    return h;
  }

  void Chars(const Props &pr, std::map<int32_t, Value> &c) {
    if (const std::string *jc = Get(pr, true, "jc", "val")) {
      int32_t a = 1;
      if (*jc == "right" || *jc == "end") a = 2;
      if (*jc == "center") a = 3;
      if (*jc == "both" || *jc == "distribute" || *jc == "justify") a = 4;
      c[PROP_Alignment] = Value::Int(a);
    }
    const std::string *left = Get(pr, true, "ind", "left");
    if (!left) left = Get(pr, true, "ind", "start");
    const std::string *right = Get(pr, true, "ind", "right");
    if (!right) right = Get(pr, true, "ind", "end");
    int32_t l = Twips(left), first = l;
    if (const std::string *h = Get(pr, true, "ind", "hanging"))
      first = l - Twips(h);
    else if (const std::string *f = Get(pr, true, "ind", "firstLine"))
      first = l + Twips(f);
    c[PROP_LeftIndent] = Value::Metric(l);
    c[PROP_FirstIndent] = Value::Metric(first);
    c[PROP_RightIndent] = Value::Metric(Twips(right));
    c[PROP_SpaceAbove] = Value::Metric(Twips(Get(pr, true, "spacing", "before")));
    c[PROP_SpaceBelow] = Value::Metric(Twips(Get(pr, true, "spacing", "after")));
    const std::string *sz = Get(pr, false, "sz", "val");
    int32_t size =
        sz ? static_cast<int32_t>(std::lround(std::atof(sz->c_str()) * kPt / 2)) : 10 * kPt;
    c[PROP_FontSize] = Value::Metric(size);
    const std::string *line = Get(pr, true, "spacing", "line");
    const std::string *rule = Get(pr, true, "spacing", "lineRule");
    if (line && rule && (*rule == "exact" || *rule == "atLeast")) {
      c[PROP_LineSpacing] = Value::Metric(Twips(line));
      c[PROP_LineSpacingNotFixed] = Value::Int(*rule == "atLeast" ? 1 : 0);
    } else {  // multiples of single spacing, which is 120 % of the font size
      double mult = line ? std::atof(line->c_str()) / 240.0 : 1.0;
      c[PROP_LineSpacing] = Value::Metric(static_cast<int32_t>(std::lround(size * 1.2 * mult)));
      c[PROP_LineSpacingNotFixed] = Value::Int(1);
    }
    c[PROP_KeepWithNext] = Value::Int(On(pr, true, "keepNext"));
    c[PROP_Start] = Value::Int(On(pr, true, "pageBreakBefore") ? 2 : 0);
    c[PROP_WidowOrphanLines] = Value::Int(On(pr, true, "widowControl") ? 2 : 0);
    if (On(pr, true, "suppressAutoHyphens")) c[PROP_Hyphenate] = Value::Int(0);
    Value tabs;
    tabs.type = PType::Tabs;
    for (const auto &[pos, t] : pr.tabs) {
      Tab tab;
      tab.position = static_cast<int32_t>(std::lround(pos * kPt / 20.0));
      tab.kind = t.first == "center"                      ? 2
                 : t.first == "right" || t.first == "end" ? 3
                 : t.first == "decimal"                   ? 4
                                                          : 1;
      if (t.first == "bar" || t.first == "num") continue;
      if (tab.kind == 4) tab.decimal = '.';
      tab.leader = t.second == "dot"                                 ? "."
                   : t.second == "hyphen"                            ? "-"
                   : t.second == "underscore" || t.second == "heavy" ? "_"
                   : t.second == "middleDot"                         ? "\xC2\xB7"
                                                                     : "";
      tabs.Mut().tabs.push_back(tab);
    }
    c[PROP_Tabs] = tabs;
    // A theme font stands for the font beside it in the same element.
    std::string font;
    if (const std::string *t = Get(pr, false, "rFonts", "asciiTheme"))
      font = t->rfind("major", 0) == 0 ? majorFont : minorFont;
    if (const std::string *a = Get(pr, false, "rFonts", "ascii"); a && font.empty()) font = *a;
    if (const std::string *h = Get(pr, false, "rFonts", "hAnsi"); h && font.empty()) font = *h;
    if (int32_t i = font.empty() ? -1 : FontFamilyIndex(font); i >= 0)
      c[PROP_FontFamily] = Value::Int(i);
    c[PROP_FontWeight] = Value::Int(On(pr, false, "b") ? 5 : 0);
    c[PROP_FontAngle] = Value::Int(On(pr, false, "i") ? 1 : 0);
    if (const std::string *u = Get(pr, false, "u", "val"))
      c[PROP_Underlining] = Value::Int(*u == "none" ? 0 : *u == "double" ? 2 : 1);
    else
      c[PROP_Underlining] = Value::Int(0);
    c[PROP_Strikethrough] = Value::Int(On(pr, false, "strike") || On(pr, false, "dstrike"));
    c[PROP_Capitalization] = Value::Int(On(pr, false, "caps")        ? 3
                                        : On(pr, false, "smallCaps") ? 1
                                                                     : 0);
    const std::string *va = Get(pr, false, "vertAlign", "val");
    c[PROP_Position] = Value::Int(!va ? 0 : *va == "superscript" ? 1 : *va == "subscript" ? 2 : 0);
    const std::string *col = Get(pr, false, "color", "val");
    c[PROP_Color] = Value::Id(ColorOf(col ? *col : "auto"));
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
      XmlPart x;
      PartRec rec;
      if (!Part(w.part, x, &rec)) return false;
      rec.story = w.story;
      Names ns(x.Root());
      std::vector<Ev> evs;
      Walk(x.Root(), w.story, ns, evs);
      uint32_t partIx = static_cast<uint32_t>(src->parts.size());
      src->parts.push_back(rec);
      Flow *fl = m.AddFlow(*d, w.flow, w.story == Story::Body);
      if (w.story == Story::Body) main = fl;
      Frame *fr = m.AddFrame(
          *fl, w.story == Story::Header || w.story == Story::Footer ? master->h : body->h);
      Build(evs, ns, *fr, partIx);
      if (w.story == Story::Body &&
          std::none_of(evs.begin(), evs.end(), [](const Ev &e) { return e.k == Ev::P; }))
        ShownParagraph(*fr, partIx);
    }
    if (main) {
      Handle first = 0;
      for (Handle f : m.Chained(main->frames))
        if (Handle p = m.As<Frame>(f, Kind::Frame)->pgfs.first) first = first ? first : p;
      if (first) d->selection = TextRange{{first, 0}, {first, 0}};
    }
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

  void Build(const std::vector<Ev> &evs, const Names &ns, Frame &fr, uint32_t part) {
    struct Sink {
      Cell *cell;
      Handle last;
    };
    std::vector<Sink> sinks{{nullptr, 0}};
    std::vector<Table *> tables;
    Row *row = nullptr;
    std::vector<Row *> rows;
    uint32_t index = 0;
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
                                     : m.AddPgf(fr, tag, text);
          sinks.back().last = p->h;
          bool direct = false;
          for (pugi::xml_node c : pPr.children())
            if (!Structural(ns.Local(c)) && c.type() == pugi::node_element) direct = true;
          p->override_ = direct;
          if (direct && it != nameOfId.end()) {
            Props pr = styles.at(it->first).props;
            Apply(pr, pPr, ns, true);
            std::map<int32_t, Value> chars;
            Chars(pr, chars);
            const PgfFmt *f = m.FindFormat(*d, tag);
            for (auto &[code, v] : chars)
              if (code != PROP_NextTag && code != PROP_UseNextTag && m.FmtChar(*f, code) != v)
                p->own[code] = v;
          }
          src->pgfs.push_back({p->h, part, index++, Fnv1a(text), tag, p->override_, p->own});
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
  r.src->numbering.name = r.Rel("numbering");
  if (!r.src->numbering.name.empty() && r.pkg->Has(r.src->numbering.name)) {
    XmlPart x;
    if (!r.Part(r.src->numbering.name, x, &r.src->numbering)) {
      m.Close(r.d->h, 1);
      return false;
    }
  } else {
    r.src->numbering.name.clear();
  }
  r.d->modified = false;
  out = r.d->h;
  return true;
}

}  // namespace qvhost::docx
