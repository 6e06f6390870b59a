// Reading and writing documents and books as JSON, and the JSON format adapter.
#include "host/formats/json.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>

#include "host/atomic_file.h"
#include "host/file_access.h"
#include "host/formats/format.h"
#include "host/formats/package.h"
#include "quorvex/fcodes.h"

namespace qvhost {

using nlohmann::json;

namespace {

constexpr int32_t kQ = 46443;  // one Q (0.25 mm) in points

struct UnitName {
  int32_t size;
  const char *name;
};
constexpr UnitName kUnits[] = {
    {0x480000, "inches"}, {0x1C58B1, "centimeters"}, {0x2D5AB, "millimeters"}, {0xC0000, "picas"},
    {0x10000, "points"},  {0x11159, "didots"},       {0xCD02C, "ciceros"},     {kQ, "Q"}};

const char *const kTabKinds[] = {"", "left", "center", "right", "decimal"};

// Thrown inside this file only: a description that does not make a document. Caught at the
// entry points, which turn it into an error text.
struct Bad {
  std::string why;
};
[[noreturn]] void Fail(const std::string &why) {
  throw Bad{why};
}

// The shortest decimal number of points that reads back as exactly this metric.
json MetricJson(int32_t m) {
  if (m % 0x10000 == 0) return m / 0x10000;
  for (int digits = 1; digits <= 8; ++digits) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", digits, MetricToPoints(m));
    double v = std::strtod(buf, nullptr);
    int32_t back;
    if (PointsToMetric(v, back) && back == m) return v;
  }
  return MetricToPoints(m);
}

int32_t MetricFrom(const json &j, const char *what) {
  int32_t m;
  if (!j.is_number() || !PointsToMetric(j.get<double>(), m))
    Fail(std::string(what) + ": expected a length in points");
  return m;
}

int32_t IntFrom(const json &j, const char *what) {
  if (j.is_boolean()) return j.get<bool>() ? 1 : 0;
  if (!j.is_number_integer()) Fail(std::string(what) + ": expected an integer");
  int64_t v = j.get<int64_t>();
  if (v < INT32_MIN || v > INT32_MAX) Fail(std::string(what) + ": out of range");
  return static_cast<int32_t>(v);
}

std::string StrFrom(const json &j, const char *what) {
  if (!j.is_string()) Fail(std::string(what) + ": expected a text");
  const std::string &s = j.get_ref<const std::string &>();
  if (s.find('\0') != std::string::npos) Fail(std::string(what) + ": a NUL character");
  return s;
}

json UnitJson(int32_t size) {
  for (const UnitName &u : kUnits)
    if (u.size == size) return u.name;
  return MetricJson(size);
}

int32_t UnitFrom(const json &j) {
  if (j.is_string()) {
    for (const UnitName &u : kUnits)
      if (j.get<std::string>() == u.name) return u.size;
    Fail("unknown unit " + j.get<std::string>());
  }
  return MetricFrom(j, "unit");
}

const std::vector<std::string> *FontList(int32_t code) {
  switch (code) {
    case PROP_FontFamily:
      return &FontFamilyNames();
    case PROP_FontVariation:
      return &FontVariationNames();
    case PROP_FontWeight:
      return &FontWeightNames();
    case PROP_FontAngle:
      return &FontAngleNames();
  }
  return nullptr;
}

json CharJson(const Model &m, const CharDef &d, const Value &v) {
  switch (d.type) {
    case PType::Int:
      if (const auto *names = FontList(d.code);
          names && v.i >= 0 && static_cast<size_t>(v.i) < names->size())
        return (*names)[static_cast<size_t>(v.i)];
      return v.i;
    case PType::Metric:
      return MetricJson(v.i);
    case PType::Id: {
      const Color *c = m.As<Color>(static_cast<Handle>(v.i), Kind::Color);
      return c ? json(c->name) : json(nullptr);
    }
    case PType::String:
      return v.s;
    case PType::Tabs: {
      json a = json::array();
      for (const Tab &t : v.tabs()) {
        json o{{"position", MetricJson(t.position)}};
        if (t.kind >= 1 && t.kind <= 4)
          o["type"] = kTabKinds[t.kind];
        else
          o["type"] = t.kind;
        if (!t.leader.empty()) o["leader"] = t.leader;
        if (t.decimal) o["decimal"] = std::string(1, static_cast<char>(t.decimal));
        a.push_back(o);
      }
      return a;
    }
    default:
      return nullptr;
  }
}

Value CharFrom(Model &m, Doc &doc, const CharDef &d, const json &j) {
  Value v;
  v.type = d.type;
  switch (d.type) {
    case PType::Int:
      if (const auto *names = FontList(d.code); names && j.is_string()) {
        auto it = std::find(names->begin(), names->end(), j.get<std::string>());
        if (it == names->end()) Fail(std::string(d.key) + ": unknown name " + j.dump());
        v.i = static_cast<int32_t>(it - names->begin());
      } else {
        v.i = IntFrom(j, d.key);
      }
      break;
    case PType::Metric:
      v.i = MetricFrom(j, d.key);
      break;
    case PType::Id:
      if (!j.is_null()) {
        const Color *c = m.FindColor(doc, StrFrom(j, d.key));
        if (!c) Fail("unknown colour " + j.dump());
        v.i = static_cast<int32_t>(c->h);
      }
      break;
    case PType::String:
      v.s = StrFrom(j, d.key);
      break;
    case PType::Tabs:
      if (!j.is_array()) Fail("tabs: expected a list");
      for (const json &t : j) {
        if (!t.is_object()) Fail("tab: expected an object");
        Tab tab;
        tab.position = MetricFrom(t.value("position", json(0)), "tab position");
        json kind = t.value("type", json("left"));
        if (kind.is_string()) {
          auto it =
              std::find(std::begin(kTabKinds) + 1, std::end(kTabKinds), kind.get<std::string>());
          if (it == std::end(kTabKinds)) Fail("unknown tab type " + kind.dump());
          tab.kind = static_cast<uint8_t>(it - std::begin(kTabKinds));
        } else {
          int32_t k = IntFrom(kind, "tab type");
          if (k < 0 || k > 255) Fail("tab type out of range");
          tab.kind = static_cast<uint8_t>(k);
        }
        tab.leader = t.contains("leader") ? StrFrom(t["leader"], "leader") : "";
        std::string dec = t.contains("decimal") ? StrFrom(t["decimal"], "decimal") : "";
        if (dec.size() > 1) Fail("decimal: one character");
        tab.decimal = dec.empty() ? 0 : static_cast<uint8_t>(dec[0]);
        v.Mut().tabs.push_back(tab);
      }
      break;
    default:
      break;
  }
  return v;
}

// Characteristics of a format or paragraph: those that differ from `base` (absent: the
// defaults of a new format in this document).
json CharsJson(const Model &m, const Doc &d, const std::map<int32_t, Value> &chars,
               bool onlyDiffering) {
  json o = json::object();
  const Color *black = m.FindColor(d, "Black");
  for (const CharDef &c : CharDefs()) {
    auto it = chars.find(c.code);
    if (it == chars.end()) continue;
    Value def = DefaultValue(c);
    if (c.code == PROP_Color && black) def = Value::Id(black->h);
    if (onlyDiffering && it->second == def) continue;
    o[c.key] = CharJson(m, c, it->second);
  }
  return o;
}

template <class Map>
void CharsFrom(Model &m, Doc &d, const json &j, Map &chars, const std::vector<std::string> &skip) {
  for (auto it = j.begin(); it != j.end(); ++it) {
    if (std::find(skip.begin(), skip.end(), it.key()) != skip.end()) continue;
    const CharDef *c = FindCharDefByKey(it.key());
    if (!c) Fail("unknown characteristic " + it.key());
    chars[c->code] = CharFrom(m, d, *c, it.value());
  }
}

// Places of paragraphs, both ways.
struct Places {
  std::map<Handle, json> of;
  std::map<std::string, Handle> at;  // place json dumped -> paragraph
};

Places IndexPlaces(const Model &m, const Doc &d) {
  Places pl;
  auto add = [&](Handle p, json where) {
    pl.at[where.dump()] = p;
    pl.of[p] = std::move(where);
  };
  int fi = 0;
  for (Handle f : m.Chained(d.flows)) {
    int pi = 0;
    for (Handle fr : m.Chained(m.As<Flow>(f, Kind::Flow)->frames))
      for (Handle p : m.Chained(m.As<Frame>(fr, Kind::Frame)->pgfs))
        add(p, json{{"flow", fi}, {"pgf", pi++}});
    ++fi;
  }
  int ti = 0;
  for (Handle t : m.Chained(d.tables)) {
    const Table *tb = m.As<Table>(t, Kind::Table);
    int ri = 0;
    for (Handle r : m.Chained(tb->rows)) {
      int ci = 0;
      for (Handle c : m.Chained(m.As<Row>(r, Kind::Row)->cells)) {
        int pi = 0;
        for (Handle p : m.Chained(m.As<Cell>(c, Kind::Cell)->pgfs))
          add(p, json{{"table", ti}, {"row", ri}, {"cell", ci}, {"pgf", pi++}});
        ++ci;
      }
      ++ri;
    }
    int pi = 0;
    for (Handle p : m.Chained(tb->title)) add(p, json{{"table", ti}, {"title", pi++}});
    ++ti;
  }
  return pl;
}

Handle PlaceFrom(const Places &pl, const json &j, const char *what) {
  if (!j.is_object()) Fail(std::string(what) + ": expected a place");
  json where = j;
  where.erase("offset");
  auto it = pl.at.find(where.dump());
  if (it == pl.at.end()) Fail(std::string(what) + ": no paragraph at " + where.dump());
  return it->second;
}

json PgfJson(const Model &m, const Doc &d, const Pgf &p) {
  json o{{"tag", p.tag}, {"text", p.text}};
  if (p.override_) o["override"] = true;
  if (p.locked) o["locked"] = p.locked;
  json own = CharsJson(m, d, p.own, false);
  if (!own.empty()) o["own"] = own;
  json text = CharsJson(m, d, p.textProps, false);
  if (!text.empty()) o["textProps"] = text;
  return o;
}

void PgfFrom(Model &m, Doc &d, Pgf &p, const json &j) {
  if (j.is_string()) {
    p.text = j.get<std::string>();
    return;
  }
  if (!j.is_object()) Fail("paragraph: expected an object");
  if (j.contains("tag")) p.tag = StrFrom(j["tag"], "tag");
  m.PgfsChanged(p);
  if (j.contains("text")) p.text = StrFrom(j["text"], "text");
  if (j.contains("override")) p.override_ = IntFrom(j["override"], "override") != 0;
  if (j.contains("locked")) p.locked = IntFrom(j["locked"], "locked");
  if (j.contains("own")) {
    if (!j["own"].is_object()) Fail("own: expected an object");
    CharsFrom(m, d, j["own"], p.own.Mut(), {});
  }
  if (j.contains("textProps")) {
    if (!j["textProps"].is_object()) Fail("textProps: expected an object");
    CharsFrom(m, d, j["textProps"], p.textProps.Mut(), {});
  }
}

json PgfList(const Model &m, const Doc &d, const Chain &c) {
  json a = json::array();
  for (Handle p : m.Chained(c)) a.push_back(PgfJson(m, d, *m.PgfOf(p)));
  return a;
}

const json &ArrayAt(const json &j, const char *key) {
  static const json empty = json::array();
  if (!j.contains(key)) return empty;
  if (!j[key].is_array()) Fail(std::string(key) + ": expected a list");
  return j[key];
}

// Graphics: type, the page or text frame they were drawn in, and their vertices.
std::vector<Handle> AllFrames(const Model &m, const Doc &d) {
  std::vector<Handle> v;
  for (Handle f : m.Chained(d.flows))
    for (Handle fr : m.Chained(m.As<Flow>(f, Kind::Flow)->frames)) v.push_back(fr);
  return v;
}

json GraphicsJson(const Model &m, const Doc &d) {
  json a = json::array();
  std::vector<Handle> frames = AllFrames(m, d);
  for (Handle h : m.Chained(d.graphics)) {
    const Graphic *g = m.As<Graphic>(h, Kind::Graphic);
    json pts = json::array();
    for (const Point &p : g->points) pts.push_back({MetricJson(p.x), MetricJson(p.y)});
    json o{{"type", g->type}, {"points", pts}};
    if (const Page *pg = m.As<Page>(g->parent, Kind::Page)) o["page"] = pg->name;
    auto fr = std::find(frames.begin(), frames.end(), g->parent);
    if (fr != frames.end()) o["frame"] = fr - frames.begin();
    a.push_back(o);
  }
  return a;
}

void GraphicsFrom(Model &m, Doc &d, const json &a, const std::map<std::string, Handle> &pages) {
  std::vector<Handle> frames = AllFrames(m, d);
  for (const json &g : a) {
    if (!g.is_object()) Fail("graphic: expected an object");
    Handle parent = d.bodyPages.first;
    if (g.contains("page")) {
      auto it = pages.find(StrFrom(g["page"], "page"));
      if (it == pages.end()) Fail("graphic: unknown page " + g["page"].dump());
      parent = it->second;
    } else if (g.contains("frame")) {
      int32_t k = IntFrom(g["frame"], "frame");
      if (k < 0 || static_cast<size_t>(k) >= frames.size()) Fail("graphic: no such frame");
      parent = frames[static_cast<size_t>(k)];
    }
    Graphic *gr = m.AddGraphic(d, IntFrom(g.value("type", json(0)), "graphic type"), parent);
    for (const json &p : ArrayAt(g, "points")) {
      if (!p.is_array() || p.size() != 2) Fail("point: expected [x, y]");
      gr->points.push_back({MetricFrom(p[0], "x"), MetricFrom(p[1], "y")});
    }
  }
}

// Structure: the element definitions with their attribute definitions, and the element tree
// with each element's attributes, the places of the paragraphs it holds, and its children.
json AttrDefsJson(const std::vector<AttributeDef> &defs) {
  json a = json::array();
  for (const AttributeDef &ad : defs)
    a.push_back({{"name", ad.name},
                 {"required", ad.required},
                 {"readOnly", ad.readOnly},
                 {"type", ad.type},
                 {"choices", ad.choices},
                 {"defaults", ad.defaults},
                 {"min", ad.rangeMin},
                 {"max", ad.rangeMax}});
  return a;
}

std::vector<std::string> StringsOf(const json &j, const char *key) {
  std::vector<std::string> v;
  for (const json &s : ArrayAt(j, key)) v.push_back(StrFrom(s, key));
  return v;
}

json ElementJson(const Model &m, const Element &e, Places &pl) {
  json attrs = json::array();
  for (const Attribute &a : e.attrs) attrs.push_back({{"name", a.name}, {"values", a.values}});
  json pgfs = json::array();
  for (Handle p : e.pgfs)
    if (pl.of.count(p)) pgfs.push_back(pl.of[p]);
  json kids = json::array();
  for (Handle k : m.Chained(e.children))
    kids.push_back(ElementJson(m, *m.As<Element>(k, Kind::Element), pl));
  const ElementDef *def = m.As<ElementDef>(e.def, Kind::ElementDef);
  return {{"element", def ? def->name : ""},
          {"attributes", attrs},
          {"paragraphs", pgfs},
          {"children", kids}};
}

void ElementFrom(Model &m, Doc &d, const json &j, Handle parent, const Places &pl, int depth) {
  if (!j.is_object()) Fail("element: expected an object");
  if (depth >= kMaxElementDepth)
    Fail("elements nested deeper than " + std::to_string(kMaxElementDepth));
  const ElementDef *def = m.FindElementDef(d, StrFrom(j.value("element", json()), "element"));
  if (!def) Fail("element: unknown definition " + j.value("element", json()).dump());
  Element *e = m.AddElement(d, def->h, parent);
  for (const json &a : ArrayAt(j, "attributes")) {
    if (!a.is_object()) Fail("attribute: expected an object");
    e->attrs.push_back(
        {StrFrom(a.value("name", json()), "attribute name"), StringsOf(a, "values")});
  }
  for (const json &p : ArrayAt(j, "paragraphs")) {
    Pgf *pg = m.PgfOf(PlaceFrom(pl, p, "element paragraph"));
    if (pg->element) Fail("element: paragraph held twice");
    m.HoldPgf(*e, *pg);
  }
  for (const json &k : ArrayAt(j, "children")) ElementFrom(m, d, k, e->h, pl, depth + 1);
}

void ElementsFrom(Model &m, Doc &d, const json &j, const Places &pl) {
  for (const json &e : ArrayAt(j, "elementDefs")) {
    if (!e.is_object()) Fail("element definition: expected an object");
    std::string name = StrFrom(e.value("name", json()), "element name");
    if (name.empty() || m.FindElementDef(d, name)) Fail("element definition: empty or repeated");
    ElementDef *def = m.AddElementDef(d, name);
    for (const json &a : ArrayAt(e, "attributes")) {
      if (!a.is_object()) Fail("attribute definition: expected an object");
      def->attrDefs.push_back({StrFrom(a.value("name", json()), "attribute name"),
                               IntFrom(a.value("required", json(0)), "required"),
                               IntFrom(a.value("readOnly", json(0)), "readOnly"),
                               IntFrom(a.value("type", json(0)), "type"), StringsOf(a, "choices"),
                               StringsOf(a, "defaults"), StrFrom(a.value("min", json("")), "min"),
                               StrFrom(a.value("max", json("")), "max")});
    }
  }
  if (j.contains("elements")) ElementFrom(m, d, j["elements"], 0, pl, 0);
}

void BuildDoc(Model &m, Doc &d, const json &j) {
  if (j.contains("displayUnits")) d.displayUnits = UnitFrom(j["displayUnits"]);
  if (j.contains("fontDisplayUnits")) d.fontDisplayUnits = UnitFrom(j["fontDisplayUnits"]);
  if (j.contains("pageSize")) {
    const json &s = j["pageSize"];
    if (!s.is_array() || s.size() != 2) Fail("pageSize: expected [width, height]");
    d.pageWidth = MetricFrom(s[0], "page width");
    d.pageHeight = MetricFrom(s[1], "page height");
  }
  for (const json &c : ArrayAt(j, "colors")) m.AddColor(d, StrFrom(c, "colour"));
  std::map<std::string, Handle> pages;
  for (const json &p : ArrayAt(j, "pages")) {
    std::string name = StrFrom(p.value("name", json()), "page name");
    std::string list = p.value("list", std::string("body"));
    PageList l = list == "body"        ? PageList::Body
                 : list == "master"    ? PageList::A
                 : list == "reference" ? PageList::B
                                       : (Fail("unknown page list " + list), PageList::Body);
    if (pages.count(name)) Fail("page " + name + " given twice");
    pages[name] = m.AddPage(d, l, name)->h;
  }
  if (!d.bodyPages.first) pages["1"] = m.AddPage(d, PageList::Body, "1")->h;
  auto pageOf = [&](const json &fr) {
    if (!fr.contains("page")) return d.bodyPages.first;
    auto it = pages.find(StrFrom(fr["page"], "page"));
    if (it == pages.end()) Fail("unknown page " + fr["page"].dump());
    return it->second;
  };
  for (const json &f : ArrayAt(j, "formats")) {
    if (!f.is_object()) Fail("format: expected an object");
    PgfFmt *fmt = m.AddFormat(d, StrFrom(f.value("name", json()), "format name"));
    CharsFrom(m, d, f, fmt->chars, {"name"});
  }
  for (const json &f : ArrayAt(j, "flows")) {
    Flow *flow = m.AddFlow(d, f.value("tag", std::string("A")), f.value("main", false));
    for (const json &fr : ArrayAt(f, "frames")) {
      Frame *frame = m.AddFrame(*flow, pageOf(fr));
      for (const json &p : ArrayAt(fr, "paragraphs"))
        PgfFrom(m, d, *m.AddPgf(*frame, "Body", ""), p);
    }
  }
  Places before = IndexPlaces(m, d);
  std::vector<std::pair<Table *, json>> anchors;
  for (const json &t : ArrayAt(j, "tables")) {
    if (!t.is_object()) Fail("table: expected an object");
    Table *tb = m.AddTable(d, t.value("format", std::string("Format A")), 0);
    if (t.contains("initSetting")) tb->initSetting = IntFrom(t["initSetting"], "initSetting");
    size_t cols = 0;
    for (const json &r : ArrayAt(t, "rows")) {
      if (!r.is_array()) Fail("row: expected a list of cells");
      Row *row = m.AddRow(*tb);
      for (const json &c : r) {
        Cell *cell = m.AddCell(*row);
        // A cell is its paragraphs, one paragraph, or an object with its straddle.
        bool full = c.is_object() && c.contains("paragraphs");
        const json cellPgfs = full ? ArrayAt(c, "paragraphs") : c.is_array() ? c : json::array({c});
        for (const json &p : cellPgfs) PgfFrom(m, d, *m.AddCellPgf(*cell, "CellBody", ""), p);
        if (full && c.contains("straddle")) {
          const json &st = c["straddle"];
          if (!st.is_array() || st.size() != 2) Fail("straddle: expected [rows, columns]");
          cell->straddleRows = IntFrom(st[0], "straddle");
          cell->straddleCols = IntFrom(st[1], "straddle");
          if (cell->straddleRows < 1 || cell->straddleCols < 1) Fail("straddle: at least 1");
        }
      }
      cols = std::max(cols, r.size());
    }
    for (const json &p : ArrayAt(t, "title"))
      PgfFrom(m, d, *m.AddTitlePgf(*tb, "TableTitle", ""), p);
    if (t.contains("colWidths")) {
      for (const json &w : ArrayAt(t, "colWidths")) tb->colWidths.push_back(MetricFrom(w, "width"));
    } else {
      tb->colWidths.assign(cols, 0x480000);
    }
    if (t.contains("anchor")) anchors.push_back({tb, t["anchor"]});
  }
  for (auto &[tb, where] : anchors) tb->anchor = PlaceFrom(before, where, "anchor");
  Places all = IndexPlaces(m, d);
  GraphicsFrom(m, d, ArrayAt(j, "graphics"), pages);
  ElementsFrom(m, d, j, all);
  if (j.contains("selection")) {
    const json &s = j["selection"];
    if (!s.is_object() || !s.contains("begin")) Fail("selection: expected begin and end");
    const json &e = s.contains("end") ? s["end"] : s["begin"];
    d.selection.beg = {PlaceFrom(all, s["begin"], "selection"),
                       IntFrom(s["begin"].value("offset", json(0)), "offset")};
    d.selection.end = {PlaceFrom(all, e, "selection"),
                       IntFrom(e.value("offset", json(0)), "offset")};
  }
  if (j.contains("currentPage")) {
    auto it = pages.find(StrFrom(j["currentPage"], "currentPage"));
    if (it == pages.end()) Fail("unknown current page");
    d.currentPage = it->second;
  }
}

void BuildBook(Model &m, Book &b, const json &j) {
  std::filesystem::path dir = std::filesystem::path(b.path).parent_path();
  for (const json &c : ArrayAt(j, "components")) {
    std::filesystem::path p = StrFrom(c, "component");
    if (p.empty()) Fail("component: empty name");
    if (p.is_relative()) p = dir / p;
    m.AddComponent(b, p.lexically_normal().string());
  }
}

// The depth of the document's element tree (the root at 1), without recursion.
int ElementDepth(const Model &m, const Doc &d) {
  int deepest = 0;
  std::vector<std::pair<Handle, int>> todo;
  if (d.rootElement) todo.push_back({d.rootElement, 1});
  while (!todo.empty()) {
    auto [h, depth] = todo.back();
    todo.pop_back();
    deepest = std::max(deepest, depth);
    if (const Element *e = m.As<Element>(h, Kind::Element))
      for (Handle k : m.Chained(e->children)) todo.push_back({k, depth + 1});
  }
  return deepest;
}

}  // namespace

Handle FromJson(Model &m, const json &j, const std::string &path, std::string &err) {
  if (!j.is_object()) {
    err = "not a document or book description";
    return 0;
  }
  std::string type = j.value("type", std::string("document"));
  if (type != "document" && type != "book") {
    err = "unknown type " + type;
    return 0;
  }
  Handle h = 0;
  try {
    if (type == "book") {
      Book *b = m.NewBook(path);
      h = b->h;
      BuildBook(m, *b, j);
    } else {
      Doc *d = m.NewDoc(path);
      h = d->h;
      BuildDoc(m, *d, j);
    }
    return h;
  } catch (const Bad &b) {
    err = b.why;
  } catch (const json::exception &e) {
    err = e.what();
  }
  m.Close(h, 1);
  return 0;
}

json DocToJson(const Model &m, const Doc &d) {
  json j{{"type", "document"},
         {"displayUnits", UnitJson(d.displayUnits)},
         {"fontDisplayUnits", UnitJson(d.fontDisplayUnits)},
         {"pageSize", {MetricJson(d.pageWidth), MetricJson(d.pageHeight)}}};
  json colors = json::array();
  for (Handle c : m.Chained(d.colors)) colors.push_back(m.As<Color>(c, Kind::Color)->name);
  j["colors"] = colors;
  json pages = json::array();
  for (const Chain *c : {&d.bodyPages, &d.pagesA, &d.pagesB})
    for (Handle p : m.Chained(*c)) {
      const Page *pg = m.As<Page>(p, Kind::Page);
      const char *list = pg->list == PageList::Body ? "body"
                         : pg->list == PageList::A  ? "master"
                                                    : "reference";
      pages.push_back({{"name", pg->name}, {"list", list}});
    }
  j["pages"] = pages;
  if (const Page *cp = m.As<Page>(d.currentPage, Kind::Page)) j["currentPage"] = cp->name;
  json fmts = json::array();
  for (Handle f : m.Chained(d.fmts)) {
    const PgfFmt *fmt = m.FmtOf(f);
    json o{{"name", fmt->name}};
    o.update(CharsJson(m, d, fmt->chars, true));
    fmts.push_back(o);
  }
  j["formats"] = fmts;
  json flows = json::array();
  for (Handle f : m.Chained(d.flows)) {
    const Flow *flow = m.As<Flow>(f, Kind::Flow);
    json frames = json::array();
    for (Handle fr : m.Chained(flow->frames)) {
      const Frame *frame = m.As<Frame>(fr, Kind::Frame);
      json o{{"paragraphs", PgfList(m, d, frame->pgfs)}};
      if (const Page *pg = m.As<Page>(frame->page, Kind::Page)) o["page"] = pg->name;
      frames.push_back(o);
    }
    json o{{"tag", flow->tag}, {"frames", frames}};
    if (d.mainFlow == f) o["main"] = true;
    flows.push_back(o);
  }
  j["flows"] = flows;
  Places pl = IndexPlaces(m, d);
  json tables = json::array();
  for (Handle t : m.Chained(d.tables)) {
    const Table *tb = m.As<Table>(t, Kind::Table);
    json rows = json::array();
    for (Handle r : m.Chained(tb->rows)) {
      json cells = json::array();
      for (Handle c : m.Chained(m.As<Row>(r, Kind::Row)->cells)) {
        const Cell *cell = m.As<Cell>(c, Kind::Cell);
        json pgfs = PgfList(m, d, cell->pgfs);
        if (cell->straddleRows == 1 && cell->straddleCols == 1)
          cells.push_back(pgfs);
        else
          cells.push_back(
              {{"paragraphs", pgfs}, {"straddle", {cell->straddleRows, cell->straddleCols}}});
      }
      rows.push_back(cells);
    }
    json widths = json::array();
    for (int32_t w : tb->colWidths) widths.push_back(MetricJson(w));
    json o{{"format", tb->format}, {"colWidths", widths}, {"rows", rows}};
    if (tb->initSetting != 1) o["initSetting"] = tb->initSetting;
    if (!m.Chained(tb->title).empty()) o["title"] = PgfList(m, d, tb->title);
    if (pl.of.count(tb->anchor)) o["anchor"] = pl.of[tb->anchor];
    tables.push_back(o);
  }
  j["tables"] = tables;
  if (d.graphics.first) j["graphics"] = GraphicsJson(m, d);
  if (d.elemDefs.first) {
    json defs = json::array();
    for (Handle h : m.Chained(d.elemDefs)) {
      const ElementDef *e = m.As<ElementDef>(h, Kind::ElementDef);
      defs.push_back({{"name", e->name}, {"attributes", AttrDefsJson(e->attrDefs)}});
    }
    j["elementDefs"] = defs;
  }
  if (const Element *root = m.As<Element>(d.rootElement, Kind::Element))
    j["elements"] = ElementJson(m, *root, pl);
  if (pl.of.count(d.selection.beg.obj) && pl.of.count(d.selection.end.obj)) {
    json b = pl.of[d.selection.beg.obj], e = pl.of[d.selection.end.obj];
    b["offset"] = d.selection.beg.offset;
    e["offset"] = d.selection.end.offset;
    j["selection"] = {{"begin", b}, {"end", e}};
  }
  return j;
}

json BookToJson(const Model &m, const Book &b, const std::string &dir) {
  json comps = json::array();
  for (Handle c : m.Chained(b.comps)) {
    std::filesystem::path p = m.As<Component>(c, Kind::Component)->path;
    std::filesystem::path rel = p.lexically_relative(dir);
    bool below = !rel.empty() && *rel.begin() != "..";
    comps.push_back(below ? rel.string() : p.string());
  }
  return json{{"type", "book"}, {"components", comps}};
}

Handle LoadJson(Model &m, const std::string &path, std::string &err) {
  FdCloser fd(OpenForReading(path, err));
  std::string text;
  if (fd.Get() < 0) return 0;
  if (!ReadAll(fd.Get(), kMaxJsonSize, text, err)) {
    if (err.rfind("larger", 0) == 0) err += ", the most the host reads of a JSON document";
    return 0;
  }
  // Nesting is measured as the parser goes (it does not recurse); what lies deeper is dropped.
  bool tooDeep = false;
  auto depthCheck = [&](int depth, json::parse_event_t e, json &) {
    bool opens = e == json::parse_event_t::object_start || e == json::parse_event_t::array_start;
    if (opens && depth >= kMaxJsonDepth) tooDeep = true;
    return !tooDeep;
  };
  json j = json::parse(text, depthCheck, false);
  if (tooDeep) {
    err = "arrays and objects nested deeper than " + std::to_string(kMaxJsonDepth);
    return 0;
  }
  if (j.is_discarded()) {
    err = "not valid JSON";
    return 0;
  }
  return FromJson(m, j, path, err);
}

bool SaveJson(const Model &m, Handle docOrBook, const std::string &path, std::string &err) {
  json j;
  std::filesystem::path target(path);
  if (const Doc *d = m.DocOf(docOrBook)) {
    if (ElementDepth(m, *d) > kMaxElementDepth) {
      err = "elements nested deeper than " + std::to_string(kMaxElementDepth);
      return false;
    }
    j = DocToJson(m, *d);
  } else if (const Book *b = m.BookOf(docOrBook)) {
    j = BookToJson(m, *b, target.parent_path().string());
  } else {
    err = "not a document or book";
    return false;
  }
  std::string text;
  try {
    text = j.dump(2) + "\n";
  } catch (const json::exception &) {  // a text that is not UTF-8
    err = "a text to write is not UTF-8";
    return false;
  }
  return WriteFileAtomic(path, text, err);
}

namespace {

class Json final : public Format {
 public:
  std::string_view Name() const override { return "JSON"; }
  std::vector<std::string_view> Extensions() const override { return {".json"}; }
  bool Recognises(const Probe &p) const override {
    size_t i = p.head.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    while (i < p.head.size() && std::isspace(static_cast<unsigned char>(p.head[i]))) ++i;
    return !p.pkg && i < p.head.size() && (p.head[i] == '{' || p.head[i] == '[');
  }
  Handle Load(Model &m, const std::string &path, std::string &err) const override {
    return LoadJson(m, path, err);
  }
  bool Save(const Model &m, Handle docOrBook, const std::string &path,
            std::string &err) const override {
    return SaveJson(m, docOrBook, path, err);
  }
};

}  // namespace

const Format &JsonFormat() {
  static const Json f;
  return f;
}

}  // namespace qvhost
