// OpenDocument paragraph styles: reading them, and the model's characteristics read from and
// written to their paragraph and text properties.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>

#include "host/formats/odt_internal.h"
#include "host/model/props.h"
#include "quorvex/fcodes.h"

namespace qvhost::odt {

namespace {

constexpr double kPt = 65536.0;

int32_t ToMetric(double pt) {
  double v = std::round(pt * kPt);
  return static_cast<int32_t>(std::clamp(v, -2147483647.0, 2147483647.0));
}
double ToPoints(int32_t m) {
  return m / kPt;
}

bool HasMasterPage(const Part &part, pugi::xml_node style) {
  return !style.attribute(part.n.masterPageName.c_str()).empty();
}

// Whether a property attribute is structural: a page break that starts a master page, and the
// page number it starts with.
bool Structural(const Part &part, pugi::xml_node style, const std::string &canon) {
  if (canon == "style:page-number") return true;
  return (canon == "fo:break-before" || canon == "fo:break-after") && HasMasterPage(part, style);
}

std::string Unquoted(std::string s) {
  size_t comma = s.find(',');
  if (comma != std::string::npos) s.resize(comma);
  while (!s.empty() && (s.front() == ' ' || s.front() == '\'' || s.front() == '"')) s.erase(0, 1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\'' || s.back() == '"')) s.pop_back();
  return s;
}

int32_t IntOf(const char *v, int32_t def) {
  char *end = nullptr;
  long n = std::strtol(v, &end, 10);
  return end && *end == 0 && end != v ? static_cast<int32_t>(std::clamp(n, -100000L, 100000L))
                                      : def;
}

struct Colour {
  const char *name, *hex;
};
constexpr Colour kColours[] = {{"Black", "#000000"},   {"White", "#ffffff"}, {"Red", "#ff0000"},
                               {"Green", "#00ff00"},   {"Blue", "#0000ff"},  {"Cyan", "#00ffff"},
                               {"Magenta", "#ff00ff"}, {"Yellow", "#ffff00"}};

// Applies a length that may be a percentage of the value it replaces.
void SetLength(Chars &c, int32_t code, const char *v) {
  double pt, pct;
  if (ParseLength(v, pt))
    c[code] = Value::Metric(ToMetric(pt));
  else if (ParsePercent(v, pct))
    c[code] = Value::Metric(ToMetric(ToPoints(c[code].i) * pct / 100));
}

// --- the mapping ------------------------------------------------------------------------
//
// A characteristic held in one attribute is a row of one table, read and written through its
// codec: a length (points; a percentage of the inherited value when read), a count (with
// words for special values), a set of words, or a percentage. The characteristics that take
// several attributes or the structure of the style (font family, weight, colour, underlining,
// capitalisation, position, the indents, line spacing, widows and orphans, Start, tab stops,
// next style) are read and written by the code below, beside the table.

enum class Codec : uint8_t { Length, Count, Words, Percent };
struct Word {
  const char *text;
  int32_t value;
};
struct Mapping {
  int32_t code;
  const char *props;  // "paragraph-properties" or "text-properties"
  const char *attr;   // canonical name
  Codec codec;
  std::vector<Word> words;     // the values by name; the first of a value is written
  int32_t other = 0;           // Words: an unknown word; Count: a number that does not read
  const char *otherWord = "";  // Words: written for a value no word has
};

constexpr const char *kP = "paragraph-properties", *kT = "text-properties";

const std::vector<Mapping> &Mappings() {
  static const std::vector<Word> kOnOff{{"false", 0}, {"true", 1}},
      kLine{{"none", 0}, {"solid", 1}};
  static const std::vector<Mapping> m{
      {PROP_FontSize, kT, "fo:font-size", Codec::Length, {}},
      {PROP_FontAngle,
       kT,
       "fo:font-style",
       Codec::Words,
       {{"normal", 0}, {"italic", 1}, {"oblique", 2}},
       0,
       "oblique"},
      {PROP_Strikethrough, kT, "style:text-line-through-style", Codec::Words, kLine, 1, "solid"},
      {PROP_Overline, kT, "style:text-overline-style", Codec::Words, kLine, 1, "solid"},
      {PROP_Alignment,
       kP,
       "fo:text-align",
       Codec::Words,
       {{"start", 1}, {"end", 2}, {"center", 3}, {"justify", 4}, {"left", 1}, {"right", 2}},
       1,
       "start"},
      {PROP_RightIndent, kP, "fo:margin-right", Codec::Length, {}},
      {PROP_SpaceAbove, kP, "fo:margin-top", Codec::Length, {}},
      {PROP_SpaceBelow, kP, "fo:margin-bottom", Codec::Length, {}},
      {PROP_KeepWithNext,
       kP,
       "fo:keep-with-next",
       Codec::Words,
       {{"auto", 0}, {"always", 1}},
       0,
       "always"},
      {PROP_Hyphenate, kT, "fo:hyphenate", Codec::Words, kOnOff, 0, "true"},
      {PROP_HyphShortestPrefix, kT, "fo:hyphenation-remain-char-count", Codec::Count, {}, 3},
      {PROP_HyphShortestSuffix, kT, "fo:hyphenation-push-char-count", Codec::Count, {}, 3},
      {PROP_HyphMaxAdjacent, kP, "fo:hyphenation-ladder-count", Codec::Count, {{"no-limit", 0}}, 2},
      {PROP_PairKern, kT, "style:letter-kerning", Codec::Words, kOnOff, 0, "true"},
      {PROP_Stretch, kT, "style:text-scale", Codec::Percent, {}},
  };
  return m;
}

const Mapping *MappingOf(const std::string &attr) {
  static const std::map<std::string, const Mapping *> by = [] {
    std::map<std::string, const Mapping *> m;
    for (const Mapping &mp : Mappings()) m[mp.attr] = &mp;
    return m;
  }();
  auto it = by.find(attr);
  return it == by.end() ? nullptr : it->second;
}

const Mapping *MappingFor(int32_t code) {
  static const std::map<int32_t, const Mapping *> by = [] {
    std::map<int32_t, const Mapping *> m;
    for (const Mapping &mp : Mappings()) m[mp.code] = &mp;
    return m;
  }();
  auto it = by.find(code);
  return it == by.end() ? nullptr : it->second;
}

void ReadMapped(const Mapping &mp, Chars &c, const char *v) {
  double pct;
  switch (mp.codec) {
    case Codec::Length:
      SetLength(c, mp.code, v);
      return;
    case Codec::Percent:
      if (ParsePercent(v, pct)) c[mp.code] = Value::Metric(ToMetric(pct / 100));
      return;
    case Codec::Count:
    case Codec::Words:
      for (const Word &w : mp.words)
        if (std::string_view(v) == w.text) {
          c[mp.code] = Value::Int(w.value);
          return;
        }
      c[mp.code] = Value::Int(mp.codec == Codec::Words ? mp.other : IntOf(v, mp.other));
      return;
  }
}

std::string WriteMapped(const Mapping &mp, const Value &v) {
  char buf[32];
  switch (mp.codec) {
    case Codec::Length:
      return FormatPoints(ToPoints(v.i));
    case Codec::Percent:
      std::snprintf(buf, sizeof buf, "%.0f%%", ToPoints(v.i) * 100);
      return buf;
    case Codec::Count:
    case Codec::Words:
      break;
  }
  for (const Word &w : mp.words)
    if (w.value == v.i) return w.text;
  return mp.codec == Codec::Words ? mp.otherWord : std::to_string(v.i);
}

// Property attributes the model's characteristics express: the table's, and those of the
// characteristics written by code.
const std::set<std::string> &Mapped() {
  static const std::set<std::string> s = [] {
    std::set<std::string> m{"fo:font-family",
                            "style:font-name",
                            "style:font-family-generic",
                            "style:font-pitch",
                            "fo:font-weight",
                            "fo:color",
                            "style:text-underline-style",
                            "style:text-underline-type",
                            "style:text-underline-width",
                            "style:text-underline-color",
                            "style:text-line-through-type",
                            "style:text-overline-color",
                            "fo:font-variant",
                            "fo:text-transform",
                            "style:text-position",
                            "fo:margin",
                            "fo:margin-left",
                            "fo:text-indent",
                            "style:auto-text-indent",
                            "fo:line-height",
                            "style:line-height-at-least",
                            "style:line-spacing",
                            "fo:widows",
                            "fo:orphans",
                            "fo:break-before"};
    for (const Mapping &mp : Mappings()) m.insert(mp.attr);
    return m;
  }();
  return s;
}

}  // namespace

bool ParseLength(std::string_view s, double &pt) {
  static const struct {
    const char *unit;
    double pt;
  } kUnits[] = {{"pt", 1},         {"in", 72}, {"cm", 72 / 2.54},
                {"mm", 72 / 25.4}, {"pc", 12}, {"px", 0.75}};
  for (const auto &u : kUnits) {
    size_t n = std::strlen(u.unit);
    if (s.size() <= n || s.substr(s.size() - n) != u.unit) continue;
    std::string num(s.substr(0, s.size() - n));
    char *end = nullptr;
    double v = std::strtod(num.c_str(), &end);
    if (!end || *end || !std::isfinite(v) || std::fabs(v) > 1e6) return false;
    pt = v * u.pt;
    return true;
  }
  return false;
}

bool ParsePercent(std::string_view s, double &pct) {
  if (s.empty() || s.back() != '%') return false;
  std::string n(s.substr(0, s.size() - 1));
  char *end = nullptr;
  pct = std::strtod(n.c_str(), &end);
  return end && *end == 0 && !n.empty() && std::isfinite(pct) && std::fabs(pct) <= 1e6;
}

const std::vector<RelativeKind> &RelativeKinds() {
  static const char *P = "paragraph-properties", *T = "text-properties";
  static const std::vector<RelativeKind> k{
      {T, "fo:font-size", nullptr, "style:font-size-rel", 12},
      {T, "style:font-size-asian", nullptr, "style:font-size-rel-asian", 12},
      {T, "style:font-size-complex", nullptr, "style:font-size-rel-complex", 12},
      {P, "fo:margin-left", "fo:margin", nullptr, 0},
      {P, "fo:margin-right", "fo:margin", nullptr, 0},
      {P, "fo:margin-top", "fo:margin", nullptr, 0},
      {P, "fo:margin-bottom", "fo:margin", nullptr, 0},
      {P, "fo:text-indent", nullptr, nullptr, 0}};
  return k;
}

bool OwnRelative(const Part &part, pugi::xml_node style, const RelativeKind &k, Relative &out) {
  pugi::xml_node props = style.child(part.n.ns.Q(kStyleNs, k.props).c_str());
  if (!props) return false;
  auto parse = [&](const char *canon, bool rel) {
    if (!canon) return false;
    pugi::xml_attribute a = props.attribute(part.n.Local(canon).c_str());
    double v = 0;
    if (a.empty()) return false;
    if (ParseLength(a.value(), v)) return out = rel ? Relative{1, v} : Relative{0, v}, true;
    if (!rel && ParsePercent(a.value(), v)) return out = {v / 100, 0}, true;
    return false;
  };
  return parse(k.attr, false) || parse(k.shorthand, false) || parse(k.rel, true);
}

std::string FormatPoints(double pt) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.4g", pt);
  std::string s(buf);
  if (s.find('e') != std::string::npos) std::snprintf(buf, sizeof buf, "%.2f", pt), s = buf;
  return s + "pt";
}

std::string EncodeStyleName(const std::string &display) {
  std::string out;
  for (size_t i = 0; i < display.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(display[i]);
    bool ok = std::isalnum(c) || c >= 0x80 || (i > 0 && (c == '-' || c == '.'));
    if (ok) {
      out += static_cast<char>(c);
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "_%x_", c);
      out += buf;
    }
  }
  return out.empty() ? "_" : out;
}

Names::Names(pugi::xml_node root) : ns(root) {
  auto q = [&](const std::string &uri, const char *l) { return ns.Q(uri, l); };
  p = q(kTextNs, "p");
  h = q(kTextNs, "h");
  styleName = q(kTextNs, "style-name");
  note = q(kTextNs, "note");
  noteClass = q(kTextNs, "note-class");
  noteBody = q(kTextNs, "note-body");
  frame = q(kDrawNs, "frame");
  textBox = q(kDrawNs, "text-box");
  annotation = q(kOfficeNs, "annotation");
  trackedChanges = q(kTextNs, "tracked-changes");
  table = q(kTableNs, "table");
  row = q(kTableNs, "table-row");
  cell = q(kTableNs, "table-cell");
  coveredCell = q(kTableNs, "covered-table-cell");
  colsSpanned = q(kTableNs, "number-columns-spanned");
  rowsSpanned = q(kTableNs, "number-rows-spanned");
  sStyle = q(kStyleNs, "style");
  sName = q(kStyleNs, "name");
  sFamily = q(kStyleNs, "family");
  sParent = q(kStyleNs, "parent-style-name");
  sNext = q(kStyleNs, "next-style-name");
  sDisplay = q(kStyleNs, "display-name");
  sDefault = q(kStyleNs, "default-style");
  pProps = q(kStyleNs, "paragraph-properties");
  tProps = q(kStyleNs, "text-properties");
  tabStops = q(kStyleNs, "tab-stops");
  tabStop = q(kStyleNs, "tab-stop");
  masterPage = q(kStyleNs, "master-page");
  masterPageName = q(kStyleNs, "master-page-name");
  listStyleName = q(kStyleNs, "list-style-name");
  autoStyles = q(kOfficeNs, "automatic-styles");
  officeStyles = q(kOfficeNs, "styles");
  masterStyles = q(kOfficeNs, "master-styles");
  body = q(kOfficeNs, "body");
  officeText = q(kOfficeNs, "text");
  fontFaceDecls = q(kOfficeNs, "font-face-decls");
  fontFace = q(kStyleNs, "font-face");
  svgFontFamily = q(kSvgNs, "font-family");
  textS = q(kTextNs, "s");
  textC = q(kTextNs, "c");
  textTab = q(kTextNs, "tab");
  lineBreak = q(kTextNs, "line-break");
}

std::string Names::Canon(const char *qname) const {
  std::string uri = ns.UriOf(qname);
  std::string_view local = LocalName(qname);
  if (uri == kFoNs) return "fo:" + std::string(local);
  if (uri == kStyleNs) return "style:" + std::string(local);
  if (uri == kSvgNs) return "svg:" + std::string(local);
  return {};
}

std::string Names::Local(const std::string &canon) const {
  size_t c = canon.find(':');
  std::string pre = canon.substr(0, c);
  const std::string &uri = pre == "fo" ? kFoNs : pre == "svg" ? kSvgNs : kStyleNs;
  return ns.Q(uri, canon.c_str() + c + 1);
}

// --- the styles of a file ------------------------------------------------------------------

namespace {

bool ReadStyles(const Part &part, pugi::xml_node list, bool automatic,
                std::map<std::string, Style> &into, std::vector<std::string> *order,
                std::string &err) {
  const Names &n = part.n;
  for (pugi::xml_node s : list.children(n.sStyle.c_str())) {
    if (std::string_view(s.attribute(n.sFamily.c_str()).value()) != "paragraph") continue;
    Style st;
    st.name = s.attribute(n.sName.c_str()).value();
    if (st.name.empty()) {
      err = "a paragraph style has no name";
      return false;
    }
    st.display = s.attribute(n.sDisplay.c_str()).value();
    if (st.display.empty()) st.display = st.name;
    st.parent = s.attribute(n.sParent.c_str()).value();
    st.next = s.attribute(n.sNext.c_str()).value();
    st.node = s;
    st.automatic = automatic;
    if (into.count(st.name)) {
      err = "duplicate paragraph style name \"" + st.name + "\"";
      return false;
    }
    if (into.size() >= kMaxStyles) {
      err = "too many paragraph styles";
      return false;
    }
    if (order) order->push_back(st.name);
    into.emplace(st.name, std::move(st));
  }
  return true;
}

}  // namespace

bool StyleSet::Build(Part parts[2], std::string &err) {
  const Part &sp = parts[kStyles];
  pugi::xml_node root = sp.xml.Root();
  pugi::xml_node office = root.child(sp.n.officeStyles.c_str());
  if (!ReadStyles(sp, office, false, common, &order, err)) return false;
  for (pugi::xml_node d : office.children(sp.n.sDefault.c_str()))
    if (std::string_view(d.attribute(sp.n.sFamily.c_str()).value()) == "paragraph")
      defaultStyle = d;
  for (int i : {kContent, kStyles}) {
    const Part &p = parts[i];
    if (!ReadStyles(p, p.xml.Root().child(p.n.autoStyles.c_str()), true, autos[i], nullptr, err))
      return false;
    for (pugi::xml_node f :
         p.xml.Root().child(p.n.fontFaceDecls.c_str()).children(p.n.fontFace.c_str()))
      fonts.emplace(f.attribute(p.n.sName.c_str()).value(),
                    Unquoted(f.attribute(p.n.svgFontFamily.c_str()).value()));
  }
  std::set<std::string> displays;
  for (const std::string &name : order)
    if (!displays.insert(common[name].display).second) {
      err = "duplicate paragraph style name \"" + common[name].display + "\"";
      return false;
    }
  // Inheritance must end: follow every chain of common styles, refusing one that comes back
  // on itself. (An automatic style's parent is a common style.)
  if (const std::string *loop = FirstInheritanceLoop(
          common, [](const Style &s) -> const std::string & { return s.parent; })) {
    err = "paragraph style \"" + common[*loop].display + "\" inherits from itself";
    return false;
  }
  return true;
}

const Style *StyleSet::Find(int part, const std::string &name) const {
  if (auto it = autos[part].find(name); it != autos[part].end()) return &it->second;
  if (auto it = common.find(name); it != common.end()) return &it->second;
  return nullptr;
}

const Style *StyleSet::Named(int part, const std::string &name) const {
  const Style *s = Find(part, name);
  if (s && s->automatic) {
    auto it = common.find(s->parent);
    return it == common.end() ? nullptr : &it->second;
  }
  return s;
}

std::string StyleSet::NewAutoName(int part) {
  for (;;) {
    std::string n = "QP" + std::to_string(++serial);
    if (!autos[part].count(n) && !common.count(n)) return n;
  }
}

// --- characteristics read ------------------------------------------------------------------

Handle CharReader::ColorOf(const std::string &hexIn) {
  std::string hex = hexIn;
  for (char &c : hex) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::string name = hex;
  for (const Colour &c : kColours)
    if (hex == c.hex) name = c.name;
  if (Color *c = m_.FindColor(d_, name)) return c->h;
  return m_.AddColor(d_, name)->h;
}

void CharReader::Apply(int part, pugi::xml_node style, Eff &e) {
  const Part &pt = p_[part];
  Chars &c = e.c;
  for (const std::string &which : {pt.n.pProps, pt.n.tProps}) {
    pugi::xml_node props = style.child(which.c_str());
    if (!props) continue;
    std::string fontName;
    for (pugi::xml_attribute a : props.attributes()) {
      std::string k = pt.n.Canon(a.name());
      const char *v = a.value();
      std::string_view sv(v);
      double len = 0;
      if (k.empty()) continue;
      if (const Mapping *mp = MappingOf(k)) {
        ReadMapped(*mp, c, v);
      } else if (k == "style:font-size-rel") {
        if (ParseLength(v, len) && props.attribute(pt.n.Local("fo:font-size").c_str()).empty())
          c[PROP_FontSize] = Value::Metric(c[PROP_FontSize].i + ToMetric(len));
      } else if (k == "fo:font-family") {
        if (int32_t i = FontFamilyIndex(Unquoted(v)); i >= 0) c[PROP_FontFamily] = Value::Int(i);
      } else if (k == "style:font-name") {
        fontName = v;
      } else if (k == "fo:font-weight") {
        int w = sv == "bold" ? 700 : sv == "normal" ? 400 : IntOf(v, 400);
        int idx = w <= 150   ? 1
                  : w <= 350 ? 1
                  : w <= 450 ? 0
                  : w <= 550 ? 3
                  : w <= 650 ? 4
                  : w <= 750 ? 5
                  : w <= 850 ? 6
                             : 7;
        if (w > 150 && w <= 250) idx = 1;
        c[PROP_FontWeight] = Value::Int(idx);
      } else if (k == "fo:color") {
        if (sv.size() == 7 && sv[0] == '#') c[PROP_Color] = Value::Id(ColorOf(v));
      } else if (k == "style:text-underline-style") {
        c[PROP_Underlining] = Value::Int(sv == "none" ? 0 : 1);
      } else if (k == "style:text-underline-type") {
        if (sv == "double") c[PROP_Underlining] = Value::Int(2);
      } else if (k == "fo:font-variant") {
        c[PROP_Capitalization] = Value::Int(sv == "small-caps" ? 1 : 0);
      } else if (k == "fo:text-transform") {
        if (sv == "uppercase") c[PROP_Capitalization] = Value::Int(3);
        if (sv == "lowercase") c[PROP_Capitalization] = Value::Int(2);
        if (sv == "none" && c[PROP_Capitalization].i != 1) c[PROP_Capitalization] = Value::Int(0);
      } else if (k == "style:text-position") {
        double pct = 0;
        std::string first(sv.substr(0, sv.find(' ')));
        int pos = first == "super" ? 1 : first == "sub" ? 2 : 0;
        if (!pos && ParsePercent(first, pct)) pos = pct > 0 ? 1 : pct < 0 ? 2 : 0;
        c[PROP_Position] = Value::Int(pos);
      } else if (k == "fo:margin-left" || k == "fo:margin") {
        int32_t first = c[PROP_FirstIndent].i - c[PROP_LeftIndent].i;
        SetLength(c, PROP_LeftIndent, v);
        c[PROP_FirstIndent] = Value::Metric(c[PROP_LeftIndent].i + first);
        if (k == "fo:margin") {
          SetLength(c, PROP_RightIndent, v);
          SetLength(c, PROP_SpaceAbove, v);
          SetLength(c, PROP_SpaceBelow, v);
        }
      } else if (k == "fo:text-indent") {
        // A percentage is of the parent's indent (the left margin keeps it while it is read).
        Chars indent{
            {PROP_FirstIndent, Value::Metric(c[PROP_FirstIndent].i - c[PROP_LeftIndent].i)}};
        SetLength(indent, PROP_FirstIndent, v);
        c[PROP_FirstIndent] = Value::Metric(c[PROP_LeftIndent].i + indent[PROP_FirstIndent].i);
      } else if (k == "fo:line-height") {
        double pct;
        if (ParseLength(v, len))
          e.lineKind = 1, e.line = len;
        else if (ParsePercent(v, pct))
          e.lineKind = 0, e.line = pct;
        else if (sv == "normal")
          e.lineKind = 0, e.line = 100;
      } else if (k == "style:line-height-at-least") {
        if (ParseLength(v, len)) e.lineKind = 2, e.line = len;
      } else if (k == "style:line-spacing") {
        if (ParseLength(v, len)) e.lineKind = 3, e.line = len;
      } else if (k == "fo:widows" || k == "fo:orphans") {
        int32_t n = IntOf(v, c[PROP_WidowOrphanLines].i);
        if (k == "fo:widows" || n > c[PROP_WidowOrphanLines].i)
          c[PROP_WidowOrphanLines] = Value::Int(n);
      } else if (k == "fo:break-before") {
        if (!Structural(pt, style, k))
          c[PROP_Start] = Value::Int(sv == "page" ? 2 : sv == "column" ? 1 : 0);
      }
    }
    if (!fontName.empty()) {
      auto f = s_.fonts.find(fontName);
      std::string fam = f != s_.fonts.end() && !f->second.empty() ? f->second : fontName;
      if (int32_t i = FontFamilyIndex(fam); i >= 0) c[PROP_FontFamily] = Value::Int(i);
    }
    if (pugi::xml_node tabs = props.child(pt.n.tabStops.c_str())) {
      std::vector<Tab> v;
      for (pugi::xml_node t : tabs.children(pt.n.tabStop.c_str())) {
        Tab tab;
        double pos = 0;
        ParseLength(t.attribute(pt.n.Local("style:position").c_str()).value(), pos);
        tab.position = ToMetric(pos);
        std::string_view type = t.attribute(pt.n.Local("style:type").c_str()).value();
        tab.kind = type == "center" ? 2 : type == "right" ? 3 : type == "char" ? 4 : 1;
        if (tab.kind == 4)
          tab.decimal =
              static_cast<uint8_t>(t.attribute(pt.n.Local("style:char").c_str()).value()[0]);
        std::string_view lstyle = t.attribute(pt.n.Local("style:leader-style").c_str()).value();
        pugi::xml_attribute ltext = t.attribute(pt.n.Local("style:leader-text").c_str());
        if (!ltext.empty())
          tab.leader = ltext.value();
        else if (!lstyle.empty() && lstyle != "none")
          tab.leader = lstyle == "dotted" ? "." : lstyle == "dash" ? "-" : "_";
        if (v.size() < 256) v.push_back(tab);
      }
      c[PROP_Tabs] = Value::Tabs(std::move(v));
    }
  }
  if (pugi::xml_attribute next = style.attribute(pt.n.sNext.c_str()); !next.empty()) {
    const Style *ns = s_.Find(kStyles, next.value());
    if (ns && !ns->automatic) {
      c[PROP_NextTag] = Value::Str(ns->display);
      c[PROP_UseNextTag] = Value::Int(1);
    }
  }
}

CharReader::Eff CharReader::Defaults() {
  Eff e;
  for (const CharDef &cd : CharDefs()) e.c[cd.code] = DefaultValue(cd);
  if (Color *black = m_.FindColor(d_, "Black")) e.c[PROP_Color] = Value::Id(black->h);
  e.c[PROP_Hyphenate] = Value::Int(0);  // OpenDocument hyphenates only where a style says so
  if (s_.defaultStyle) Apply(kStyles, s_.defaultStyle, e);
  Finish(e);
  return e;
}

void CharReader::Over(int part, const Style &st, Eff &e) {
  Apply(part, st.node, e);
  // The next style is the style's own: never inherited.
  if (st.next.empty()) {
    e.c[PROP_NextTag] = Value::Str("");
    e.c[PROP_UseNextTag] = Value::Int(0);
  }
  Finish(e);
}

// The spacing between lines follows from the font size and the line height the chain ends
// with: set again at each level, so that a style's memo is what its paragraphs show.
void CharReader::Finish(Eff &e) {
  double size = ToPoints(e.c[PROP_FontSize].i);
  double height = e.lineKind == 0   ? size * 1.2 * e.line / 100
                  : e.lineKind == 3 ? size * 1.2 + e.line
                                    : e.line;
  e.c[PROP_LineSpacing] = Value::Metric(ToMetric(height - size));
  e.c[PROP_LineSpacingNotFixed] = Value::Int(e.lineKind == 1 ? 0 : 1);
}

const CharReader::Eff &CharReader::CommonEff(const std::string &name) {
  auto &memo = eff_[kCommon];
  if (auto it = memo.find(name); it != memo.end()) return it->second;
  // The styles up the chain that have no memo yet (inheritance loops are refused when the
  // styles are read), then each over its parent, from the top down: each style once.
  std::vector<const std::pair<const std::string, Style> *> todo;
  const std::string *top = &name;
  for (auto it = s_.common.find(*top); !memo.count(*top); it = s_.common.find(*top)) {
    if (it == s_.common.end() || todo.size() > s_.common.size()) {
      memo.emplace(*top, Defaults());
      break;
    }
    todo.push_back(&*it);
    top = &it->second.parent;
  }
  for (auto it = todo.rbegin(); it != todo.rend(); ++it) {
    const auto &[styleName, st] = **it;
    Eff e = memo.at(st.parent);
    Over(kStyles, st, e);
    memo.emplace(styleName, std::move(e));
  }
  return memo.at(name);
}

const CharReader::Eff &CharReader::EffOf(int where, const std::string &name) {
  if (where == kCommon) return CommonEff(name);
  // Automatic styles are many and each serves a few paragraphs that come together: only the
  // last one is kept (every characteristic of a style takes several kilobytes).
  auto &memo = eff_[where];
  if (auto it = memo.find(name); it != memo.end()) return it->second;
  memo.clear();
  auto st = s_.autos[where].find(name);
  if (st == s_.autos[where].end()) return memo[name] = Defaults();
  // An automatic style without a (known) parent is over the style of unstyled paragraphs.
  const std::string &parent = !s_.common.count(st->second.parent) && s_.common.count(kDefaultStyle)
                                  ? kDefaultStyle
                                  : st->second.parent;
  Eff e = CommonEff(parent);
  Over(where, st->second, e);
  return memo[name] = std::move(e);
}

const Chars &CharReader::Of(int part, const std::string &name) {
  return EffOf(s_.autos[part].count(name) ? part : kCommon, name).c;
}

// --- properties ----------------------------------------------------------------------------

pugi::xml_node PropsOf(const Part &part, pugi::xml_node style, const char *local, bool make) {
  std::string q = part.n.ns.Q(kStyleNs, local);
  pugi::xml_node p = style.child(q.c_str());
  if (p || !make) return p;
  // Paragraph properties come before text properties.
  if (std::strcmp(local, "paragraph-properties") == 0)
    if (pugi::xml_node t = style.child(part.n.tProps.c_str()))
      return style.insert_child_before(q.c_str(), t);
  return style.append_child(q.c_str());
}

bool SetsOwnProperties(const Part &part, pugi::xml_node style) {
  for (const std::string &which : {part.n.pProps, part.n.tProps}) {
    pugi::xml_node props = style.child(which.c_str());
    for (pugi::xml_attribute a : props.attributes()) {
      std::string k = part.n.Canon(a.name());
      if ((k.rfind("fo:", 0) == 0 || k.rfind("style:", 0) == 0) && !Structural(part, style, k))
        return true;
    }
    if (props.child(part.n.tabStops.c_str()).first_child()) return true;
  }
  return false;
}

void RemoveProperties(const Part &part, pugi::xml_node style, bool allOwn) {
  for (const std::string &which : {part.n.pProps, part.n.tProps}) {
    pugi::xml_node props = style.child(which.c_str());
    if (!props) continue;
    for (pugi::xml_attribute a = props.first_attribute(); a;) {
      pugi::xml_attribute next = a.next_attribute();
      std::string k = part.n.Canon(a.name());
      // Bookkeeping of the suite that wrote the file (revision ids) is not formatting, and
      // whether the paragraph's lines are numbered (text:number-lines, text:line-number) is
      // how it is built.
      std::string uri = part.n.ns.UriOf(a.name());
      bool bookkeeping = uri == "http://openoffice.org/2009/office" || uri == kTextNs;
      bool drop = allOwn ? !bookkeeping && !Structural(part, style, k)
                         : Mapped().count(k) && !Structural(part, style, k);
      if (drop) props.remove_attribute(a);
      a = next;
    }
    if (allOwn) {
      // A drop cap is how the paragraph is built, not formatting laid over its style.
      for (pugi::xml_node c = props.first_child(); c;) {
        pugi::xml_node next = c.next_sibling();
        if (c.type() != pugi::node_element || part.n.Canon(c.name()) != "style:drop-cap")
          props.remove_child(c);
        c = next;
      }
    } else {
      props.remove_child(part.n.tabStops.c_str());
    }
    if (!props.first_attribute() && !props.first_child()) style.remove_child(props);
  }
}

bool WriteChars(Part &part, pugi::xml_node style, const std::vector<int32_t> &codes,
                const std::function<Value(int32_t)> &get, const Model &m, const StyleSet &s,
                std::string &err) {
  auto set = [&](const char *local, const std::string &canon, const std::string &v) {
    pugi::xml_node props = PropsOf(part, style, local, true);
    std::string q = part.n.Local(canon);
    pugi::xml_attribute a = props.attribute(q.c_str());
    if (!a) a = props.append_attribute(q.c_str());
    a.set_value(v.c_str());
  };
  auto unset = [&](const char *local, const std::string &canon) {
    if (pugi::xml_node props = PropsOf(part, style, local, false))
      props.remove_attribute(part.n.Local(canon).c_str());
  };
  const char *P = "paragraph-properties", *T = "text-properties";
  auto has = [&](int32_t code) {
    return std::find(codes.begin(), codes.end(), code) != codes.end();
  };
  auto pts = [&](int32_t code) { return FormatPoints(ToPoints(get(code).i)); };
  for (int32_t code : codes) {
    Value v = get(code);
    if (const Mapping *mp = MappingFor(code)) {
      set(mp->props, mp->attr, WriteMapped(*mp, v));
      continue;
    }
    switch (code) {
      case PROP_FontFamily: {
        const auto &names = FontFamilyNames();
        if (v.i < 0 || static_cast<size_t>(v.i) >= names.size()) break;
        const std::string &fam = names[static_cast<size_t>(v.i)];
        if (s.fonts.count(fam)) {
          set(T, "style:font-name", fam);
          unset(T, "fo:font-family");
        } else {
          set(T, "fo:font-family", fam.find(' ') != std::string::npos ? "'" + fam + "'" : fam);
          unset(T, "style:font-name");
        }
        break;
      }
      case PROP_FontWeight: {
        static const char *kW[] = {"normal", "300", "350", "500", "600", "bold", "800", "900"};
        set(T, "fo:font-weight", kW[std::clamp(v.i, 0, 7)]);
        break;
      }
      case PROP_Color: {
        const Color *c = m.As<Color>(static_cast<Handle>(v.i), Kind::Color);
        std::string hex = c && c->name.size() == 7 && c->name[0] == '#' ? c->name : "";
        for (const Colour &k : kColours)
          if (c && c->name == k.name) hex = k.hex;
        if (hex.empty()) {
          err = "the colour \"" + (c ? c->name : std::string("?")) + "\" has no RGB value";
          return false;
        }
        set(T, "fo:color", hex);
        break;
      }
      case PROP_Underlining:
        set(T, "style:text-underline-style", v.i ? "solid" : "none");
        if (v.i)
          set(T, "style:text-underline-width", "auto"),
              set(T, "style:text-underline-color", "font-color");
        if (v.i == 2)
          set(T, "style:text-underline-type", "double");
        else
          unset(T, "style:text-underline-type");
        break;
      case PROP_Capitalization:
        set(T, "fo:font-variant", v.i == 1 ? "small-caps" : "normal");
        set(T, "fo:text-transform", v.i == 2 ? "lowercase" : v.i == 3 ? "uppercase" : "none");
        break;
      case PROP_Position:
        set(T, "style:text-position", v.i == 1 ? "super 58%" : v.i == 2 ? "sub 58%" : "0% 100%");
        break;
      case PROP_LeftIndent:
        set(P, "fo:margin-left", pts(code));
        unset(P, "fo:margin");
        if (!has(PROP_FirstIndent))
          set(P, "fo:text-indent", FormatPoints(ToPoints(get(PROP_FirstIndent).i - v.i)));
        break;
      case PROP_FirstIndent:
        set(P, "fo:text-indent", FormatPoints(ToPoints(v.i - get(PROP_LeftIndent).i)));
        unset(P, "style:auto-text-indent");
        break;
      case PROP_LineSpacing:
      case PROP_LineSpacingNotFixed: {
        if (code == PROP_LineSpacingNotFixed && has(PROP_LineSpacing)) break;
        double size = ToPoints(get(PROP_FontSize).i);
        double height = size + ToPoints(get(PROP_LineSpacing).i);
        unset(P, "style:line-height-at-least");
        unset(P, "style:line-spacing");
        if (get(PROP_LineSpacingNotFixed).i == 0 || size <= 0) {
          set(P, "fo:line-height", FormatPoints(height));
        } else {
          char buf[32];
          std::snprintf(buf, sizeof buf, "%.0f%%", height / (1.2 * size) * 100);
          set(P, "fo:line-height", buf);
        }
        break;
      }
      case PROP_WidowOrphanLines:
        set(P, "fo:widows", std::to_string(v.i));
        set(P, "fo:orphans", std::to_string(v.i));
        break;
      case PROP_Start:
        if (v.i == 0 || v.i == 1 || v.i == 2) {
          set(P, "fo:break-before", v.i == 2 ? "page" : v.i == 1 ? "column" : "auto");
          break;
        }
        err = "a paragraph that starts on a left or right page has no OpenDocument form";
        return false;
      case PROP_Tabs: {
        pugi::xml_node props = PropsOf(part, style, P, true);
        props.remove_child(part.n.tabStops.c_str());
        pugi::xml_node tabs = props.append_child(part.n.tabStops.c_str());
        for (const Tab &t : v.tabs()) {
          pugi::xml_node e = tabs.append_child(part.n.tabStop.c_str());
          e.append_attribute(part.n.Local("style:position").c_str()) =
              FormatPoints(ToPoints(t.position)).c_str();
          static const char *kK[] = {"left", "left", "center", "right", "char"};
          if (t.kind != 1)
            e.append_attribute(part.n.Local("style:type").c_str()) = kK[std::min<int>(t.kind, 4)];
          if (t.kind == 4)
            e.append_attribute(part.n.Local("style:char").c_str()) =
                std::string(1, static_cast<char>(t.decimal ? t.decimal : '.')).c_str();
          if (!t.leader.empty() && t.leader != " ") {
            e.append_attribute(part.n.Local("style:leader-style").c_str()) = "solid";
            e.append_attribute(part.n.Local("style:leader-text").c_str()) = t.leader.c_str();
          }
        }
        break;
      }
      case PROP_NextTag:
      case PROP_UseNextTag:
        break;  // the style element's own attribute, written by the caller
      default: {
        const CharDef *cd = FindCharDef(code);
        err = std::string("the characteristic \"") + (cd ? cd->key : "?") +
              "\" has no OpenDocument form";
        return false;
      }
    }
  }
  return true;
}

}  // namespace qvhost::odt
