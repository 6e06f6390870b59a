// OpenDocument paragraph styles: reading them, and the model's characteristics read from and
// written to their paragraph and text properties.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <functional>
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
// Every characteristic of the model that OpenDocument expresses is a row of one table: the
// characteristics, the properties element, the attributes that make the setting (in the
// order they are looked at: the first one a style sets wins), a shorthand that sets it with
// others ("fo:margin"), and its codec. Simple codecs (a length, a count with words for special
// values, a set of words, a percentage) read and write the first attribute; composite codecs
// are a pair of functions. Reading a style, writing characteristics into one, the list of
// attributes the model expresses, and carrying a deleted style's settings into the styles
// that inherit from it are loops over this table. Rows without characteristics describe
// settings the model does not express but that must move as one when a style is folded into
// another (borders, padding, the Asian and complex-script fonts).

constexpr size_t kMaxAttrs = 8;

struct ReadCtx {
  const Part &part;
  pugi::xml_node style, props;
  Chars &c;
  int &lineKind;
  double &line;
  const StyleSet &s;
  const std::function<Handle(const std::string &)> &colour;
  const char *v[kMaxAttrs] = {};  // the row's attributes as the style sets them, or nullptr
};

struct WriteCtx {
  Part &part;
  pugi::xml_node style;
  const char *props;
  const std::vector<int32_t> &codes;
  const std::function<Value(int32_t)> &get;
  const Model &m;
  const StyleSet &s;
  std::string &err;
  void Set(const std::string &canon, const std::string &v) const {
    pugi::xml_node p = PropsOf(part, style, props, true);
    std::string q = part.n.Local(canon);
    pugi::xml_attribute a = p.attribute(q.c_str());
    if (!a) a = p.append_attribute(q.c_str());
    a.set_value(v.c_str());
  }
  void Unset(const std::string &canon) const {
    if (pugi::xml_node p = PropsOf(part, style, props, false))
      p.remove_attribute(part.n.Local(canon).c_str());
  }
  bool Has(int32_t code) const {
    return std::find(codes.begin(), codes.end(), code) != codes.end();
  }
  Value Get(int32_t code) const { return get(code); }
  std::string Pts(int32_t metric) const { return FormatPoints(ToPoints(metric)); }
};

enum class Codec : uint8_t { Length, Count, Words, Percent, Composite };
// How a row's attributes move when a deleted style is folded into a style that inherits from
// it: each one where the child does not set it, or all of them only where the child sets none
// (office suites hold them as one setting: a line height given as at-least replaces a
// proportional one).
enum class FoldAs : uint8_t { Each, Whole, Never };
struct Word {
  const char *text;
  int32_t value;
};
struct Row {
  std::vector<int32_t> codes = {};
  const char *props = nullptr;  // kP, kT, or nullptr: the style element's own attributes
  std::vector<const char *> attrs = {};
  Codec codec = Codec::Composite;
  std::vector<Word> words = {};  // the values by name; the first of a value is written
  int32_t other = 0;             // Words: an unknown word; Count: a number that does not read
  const char *otherWord = "";    // Words: written for a value no word has
  void (*read)(ReadCtx &) = nullptr;
  bool (*write)(const WriteCtx &) = nullptr;
  FoldAs fold = FoldAs::Each;
  const char *shorthand = nullptr;  // sets the first attribute when the style does not
  const char *element = nullptr;    // a child element of the properties ("style:tab-stops")
  bool relative = false;            // a percentage (or a size-rel) is of the parent's value
  const char *rel = nullptr;
  double fallback = 0;  // the relative value at the top of every chain
};

constexpr const char *kP = "paragraph-properties", *kT = "text-properties";

// --- composite codecs: read ---

void ReadFontSize(ReadCtx &x) {
  double len;
  if (x.v[0])
    SetLength(x.c, PROP_FontSize, x.v[0]);
  else if (x.v[1] && ParseLength(x.v[1], len))
    x.c[PROP_FontSize] = Value::Metric(x.c[PROP_FontSize].i + ToMetric(len));
}

void ReadFont(ReadCtx &x) {
  std::string fam;
  if (x.v[0]) {
    auto f = x.s.fonts.find(x.v[0]);
    fam = f != x.s.fonts.end() && !f->second.empty() ? f->second : x.v[0];
  } else if (x.v[1]) {
    fam = Unquoted(x.v[1]);
  }
  if (int32_t i = fam.empty() ? -1 : FontFamilyIndex(fam); i >= 0)
    x.c[PROP_FontFamily] = Value::Int(i);
}

// Font weights 100-900 against the model's scale (Regular, Light, Book, Medium, Demi, Bold,
// Heavy, Black); Book has no weight of its own and is written as normal.
constexpr int kWeightOf[] = {400, 300, 400, 500, 600, 700, 800, 900};

void ReadWeight(ReadCtx &x) {
  std::string_view sv(x.v[0]);
  int w = sv == "bold" ? 700 : sv == "normal" ? 400 : IntOf(x.v[0], 400);
  int best = 0;
  for (int i = 7; i >= 0; --i)
    if (i != 2 && std::abs(kWeightOf[i] - w) <= std::abs(kWeightOf[best] - w)) best = i;
  x.c[PROP_FontWeight] = Value::Int(best);
}

void ReadColour(ReadCtx &x) {
  std::string_view sv(x.v[0]);
  if (sv.size() == 7 && sv[0] == '#') x.c[PROP_Color] = Value::Id(x.colour(x.v[0]));
}

void ReadUnderline(ReadCtx &x) {
  // style, type, width, colour, mode: the style says whether, the type whether double.
  int u = !x.v[0] || std::string_view(x.v[0]) != "none";
  if (u && x.v[1] && std::string_view(x.v[1]) == "double") u = 2;
  if (!x.v[0] && !x.v[1]) return;
  x.c[PROP_Underlining] = Value::Int(u);
}

void ReadCaps(ReadCtx &x) {
  std::string_view variant = x.v[0] ? x.v[0] : "", transform = x.v[1] ? x.v[1] : "";
  int cap = variant == "small-caps" ? 1 : 0;
  if (transform == "uppercase") cap = 3;
  if (transform == "lowercase") cap = 2;
  x.c[PROP_Capitalization] = Value::Int(cap);
}

void ReadPosition(ReadCtx &x) {
  double pct = 0;
  std::string_view sv(x.v[0]);
  std::string first(sv.substr(0, sv.find(' ')));
  int pos = first == "super" ? 1 : first == "sub" ? 2 : 0;
  if (!pos && ParsePercent(first, pct)) pos = pct > 0 ? 1 : pct < 0 ? 2 : 0;
  x.c[PROP_Position] = Value::Int(pos);
}

void ReadLeft(ReadCtx &x) {
  if (!x.v[0]) return;
  // The first line keeps its place against the left margin the style inherits.
  int32_t first = x.c[PROP_FirstIndent].i - x.c[PROP_LeftIndent].i;
  SetLength(x.c, PROP_LeftIndent, x.v[0]);
  x.c[PROP_FirstIndent] = Value::Metric(x.c[PROP_LeftIndent].i + first);
}

void ReadFirst(ReadCtx &x) {
  if (!x.v[0]) return;
  // A percentage is of the parent's indent.
  Chars indent{{PROP_FirstIndent, Value::Metric(x.c[PROP_FirstIndent].i - x.c[PROP_LeftIndent].i)}};
  SetLength(indent, PROP_FirstIndent, x.v[0]);
  x.c[PROP_FirstIndent] = Value::Metric(x.c[PROP_LeftIndent].i + indent[PROP_FirstIndent].i);
}

// The line height is kept as a kind and a value: the spacing follows from it and the font size
// the whole chain ends with (CharReader::EffOf).
void ReadLine(ReadCtx &x) {
  double len, pct;
  if (x.v[0]) {
    std::string_view sv(x.v[0]);
    if (ParseLength(sv, len))
      x.lineKind = 1, x.line = len;
    else if (ParsePercent(sv, pct))
      x.lineKind = 0, x.line = pct;
    else if (sv == "normal")
      x.lineKind = 0, x.line = 100;
  } else if (x.v[1] && ParseLength(x.v[1], len)) {
    x.lineKind = 2, x.line = len;
  } else if (x.v[2] && ParseLength(x.v[2], len)) {
    x.lineKind = 3, x.line = len;
  }
}

void ReadWidows(ReadCtx &x) {
  int32_t n = x.c[PROP_WidowOrphanLines].i;
  if (x.v[0]) n = IntOf(x.v[0], n);
  if (x.v[1]) n = std::max(n, IntOf(x.v[1], n));
  x.c[PROP_WidowOrphanLines] = Value::Int(n);
}

void ReadStart(ReadCtx &x) {
  std::string_view sv(x.v[0]);
  if (!Structural(x.part, x.style, "fo:break-before"))
    x.c[PROP_Start] = Value::Int(sv == "page" ? 2 : sv == "column" ? 1 : 0);
}

void ReadTabs(ReadCtx &x) {
  const Names &n = x.part.n;
  pugi::xml_node tabs = x.props.child(n.tabStops.c_str());
  if (!tabs) return;
  std::vector<Tab> v;
  for (pugi::xml_node t : tabs.children(n.tabStop.c_str())) {
    Tab tab;
    double pos = 0;
    ParseLength(t.attribute(n.Local("style:position").c_str()).value(), pos);
    tab.position = ToMetric(pos);
    std::string_view type = t.attribute(n.Local("style:type").c_str()).value();
    tab.kind = type == "center" ? 2 : type == "right" ? 3 : type == "char" ? 4 : 1;
    if (tab.kind == 4)
      tab.decimal = static_cast<uint8_t>(t.attribute(n.Local("style:char").c_str()).value()[0]);
    std::string_view lstyle = t.attribute(n.Local("style:leader-style").c_str()).value();
    pugi::xml_attribute ltext = t.attribute(n.Local("style:leader-text").c_str());
    if (!ltext.empty())
      tab.leader = ltext.value();
    else if (!lstyle.empty() && lstyle != "none")
      tab.leader = lstyle == "dotted" ? "." : lstyle == "dash" ? "-" : "_";
    if (v.size() < 256) v.push_back(tab);
  }
  x.c[PROP_Tabs] = Value::Tabs(std::move(v));
}

void ReadNext(ReadCtx &x) {
  const Style *ns = x.s.Find(kStyles, x.v[0]);
  if (ns && !ns->automatic) {
    x.c[PROP_NextTag] = Value::Str(ns->display);
    x.c[PROP_UseNextTag] = Value::Int(1);
  }
}

// --- composite codecs: write ---

bool WriteFont(const WriteCtx &x) {
  const auto &names = FontFamilyNames();
  int32_t i = x.Get(PROP_FontFamily).i;
  if (i < 0 || static_cast<size_t>(i) >= names.size()) return true;
  const std::string &fam = names[static_cast<size_t>(i)];
  if (x.s.fonts.count(fam)) {
    x.Set("style:font-name", fam);
    x.Unset("fo:font-family");
  } else {
    x.Set("fo:font-family", fam.find(' ') != std::string::npos ? "'" + fam + "'" : fam);
    x.Unset("style:font-name");
  }
  x.Unset("style:font-family-generic");
  x.Unset("style:font-pitch");
  return true;
}

bool WriteWeight(const WriteCtx &x) {
  int w = kWeightOf[std::clamp(x.Get(PROP_FontWeight).i, 0, 7)];
  x.Set("fo:font-weight", w == 400 ? "normal" : w == 700 ? "bold" : std::to_string(w));
  return true;
}

bool WriteColour(const WriteCtx &x) {
  const Color *c = x.m.As<Color>(static_cast<Handle>(x.Get(PROP_Color).i), Kind::Color);
  std::string hex = c && c->name.size() == 7 && c->name[0] == '#' ? c->name : "";
  for (const Colour &k : kColours)
    if (c && c->name == k.name) hex = k.hex;
  if (hex.empty()) {
    x.err = "the colour \"" + (c ? c->name : std::string("?")) + "\" has no RGB value";
    return false;
  }
  x.Set("fo:color", hex);
  return true;
}

bool WriteUnderline(const WriteCtx &x) {
  int32_t u = x.Get(PROP_Underlining).i;
  x.Set("style:text-underline-style", u ? "solid" : "none");
  if (u) {
    x.Set("style:text-underline-width", "auto");
    x.Set("style:text-underline-color", "font-color");
  }
  if (u == 2)
    x.Set("style:text-underline-type", "double");
  else
    x.Unset("style:text-underline-type");
  return true;
}

bool WriteCaps(const WriteCtx &x) {
  // Small capitals and upper or lower case are one setting in office suites, which read the
  // two attributes together in an order of their own: only the one that says it is written
  // (both, to say neither).
  int32_t v = x.Get(PROP_Capitalization).i;
  if (v == 1 || v == 0)
    x.Set("fo:font-variant", v == 1 ? "small-caps" : "normal");
  else
    x.Unset("fo:font-variant");
  if (v != 1)
    x.Set("fo:text-transform", v == 2 ? "lowercase" : v == 3 ? "uppercase" : "none");
  else
    x.Unset("fo:text-transform");
  return true;
}

bool WritePosition(const WriteCtx &x) {
  int32_t v = x.Get(PROP_Position).i;
  x.Set("style:text-position", v == 1 ? "super 58%" : v == 2 ? "sub 58%" : "0% 100%");
  return true;
}

bool WriteLeft(const WriteCtx &x) {
  int32_t left = x.Get(PROP_LeftIndent).i;
  x.Set("fo:margin-left", x.Pts(left));
  // The first line stays where it is unless it is written too.
  if (!x.Has(PROP_FirstIndent)) x.Set("fo:text-indent", x.Pts(x.Get(PROP_FirstIndent).i - left));
  return true;
}

bool WriteFirst(const WriteCtx &x) {
  x.Set("fo:text-indent", x.Pts(x.Get(PROP_FirstIndent).i - x.Get(PROP_LeftIndent).i));
  x.Unset("style:auto-text-indent");
  return true;
}

bool WriteLine(const WriteCtx &x) {
  double size = ToPoints(x.Get(PROP_FontSize).i);
  double height = size + ToPoints(x.Get(PROP_LineSpacing).i);
  x.Unset("style:line-height-at-least");
  x.Unset("style:line-spacing");
  if (x.Get(PROP_LineSpacingNotFixed).i == 0 || size <= 0) {
    x.Set("fo:line-height", FormatPoints(height));
  } else {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.0f%%", height / (1.2 * size) * 100);
    x.Set("fo:line-height", buf);
  }
  return true;
}

bool WriteWidows(const WriteCtx &x) {
  std::string n = std::to_string(x.Get(PROP_WidowOrphanLines).i);
  x.Set("fo:widows", n);
  x.Set("fo:orphans", n);
  return true;
}

bool WriteStart(const WriteCtx &x) {
  int32_t v = x.Get(PROP_Start).i;
  if (v == 0 || v == 1 || v == 2) {
    x.Set("fo:break-before", v == 2 ? "page" : v == 1 ? "column" : "auto");
    return true;
  }
  x.err = "a paragraph that starts on a left or right page has no OpenDocument form";
  return false;
}

bool WriteTabs(const WriteCtx &x) {
  const Names &n = x.part.n;
  pugi::xml_node props = PropsOf(x.part, x.style, x.props, true);
  props.remove_child(n.tabStops.c_str());
  pugi::xml_node tabs = props.append_child(n.tabStops.c_str());
  const Value stops = x.Get(PROP_Tabs);
  for (const Tab &t : stops.tabs()) {
    pugi::xml_node e = tabs.append_child(n.tabStop.c_str());
    e.append_attribute(n.Local("style:position").c_str()) = x.Pts(t.position).c_str();
    static const char *kK[] = {"left", "left", "center", "right", "char"};
    if (t.kind != 1)
      e.append_attribute(n.Local("style:type").c_str()) = kK[std::min<int>(t.kind, 4)];
    if (t.kind == 4)
      e.append_attribute(n.Local("style:char").c_str()) =
          std::string(1, static_cast<char>(t.decimal ? t.decimal : '.')).c_str();
    if (!t.leader.empty() && t.leader != " ") {
      e.append_attribute(n.Local("style:leader-style").c_str()) = "solid";
      e.append_attribute(n.Local("style:leader-text").c_str()) = t.leader.c_str();
    }
  }
  return true;
}

// The next style is the style element's own attribute, written by the caller (it names a
// style, which only the caller knows by its internal name).
bool WriteNothing(const WriteCtx &) {
  return true;
}

const std::vector<Row> &Rows() {
  static const std::vector<Word> kOnOff{{"false", 0}, {"true", 1}};
  static const std::vector<Word> kLine{{"none", 0}, {"solid", 1}};
  // Names made up of parts, kept for the life of the table.
  static std::deque<std::string> made;
  auto lines = [](const char *what) {
    std::vector<const char *> a;
    for (const char *part :
         {"-style", "-type", "-width", "-color", "-mode", "-text", "-text-style"})
      a.push_back(made.emplace_back(std::string("style:text-") + what + part).c_str());
    return a;
  };
  auto side = [](const char *prefix, const char *s) {
    return made.emplace_back(std::string(prefix) + "-" + s).c_str();
  };
  static const std::vector<Row> rows = [&] {
    std::vector<Row> r{
        {.codes = {PROP_FontSize},
         .props = kT,
         .attrs = {"fo:font-size", "style:font-size-rel"},
         .codec = Codec::Length,
         .read = ReadFontSize,
         .fold = FoldAs::Whole,
         .relative = true,
         .rel = "style:font-size-rel",
         .fallback = 12},
        {.codes = {PROP_FontFamily},
         .props = kT,
         .attrs = {"style:font-name", "fo:font-family", "style:font-family-generic",
                   "style:font-pitch", "style:font-style-name", "style:font-charset"},
         .read = ReadFont,
         .write = WriteFont,
         .fold = FoldAs::Whole},
        {.codes = {PROP_FontWeight},
         .props = kT,
         .attrs = {"fo:font-weight"},
         .read = ReadWeight,
         .write = WriteWeight},
        {.codes = {PROP_FontAngle},
         .props = kT,
         .attrs = {"fo:font-style"},
         .codec = Codec::Words,
         .words = {{"normal", 0}, {"italic", 1}, {"oblique", 2}},
         .other = 0,
         .otherWord = "oblique"},
        {.codes = {PROP_Color},
         .props = kT,
         .attrs = {"fo:color"},
         .read = ReadColour,
         .write = WriteColour},
        {.codes = {PROP_Underlining},
         .props = kT,
         .attrs = lines("underline"),
         .read = ReadUnderline,
         .write = WriteUnderline,
         .fold = FoldAs::Whole},
        {.codes = {PROP_Strikethrough},
         .props = kT,
         .attrs = lines("line-through"),
         .codec = Codec::Words,
         .words = kLine,
         .other = 1,
         .otherWord = "solid",
         .fold = FoldAs::Whole},
        {.codes = {PROP_Overline},
         .props = kT,
         .attrs = lines("overline"),
         .codec = Codec::Words,
         .words = kLine,
         .other = 1,
         .otherWord = "solid",
         .fold = FoldAs::Whole},
        {.codes = {PROP_Capitalization},
         .props = kT,
         .attrs = {"fo:font-variant", "fo:text-transform"},
         .read = ReadCaps,
         .write = WriteCaps,
         .fold = FoldAs::Whole},
        {.codes = {PROP_Position},
         .props = kT,
         .attrs = {"style:text-position"},
         .read = ReadPosition,
         .write = WritePosition},
        {.codes = {PROP_Hyphenate},
         .props = kT,
         .attrs = {"fo:hyphenate"},
         .codec = Codec::Words,
         .words = kOnOff,
         .other = 0,
         .otherWord = "true"},
        {.codes = {PROP_HyphShortestPrefix},
         .props = kT,
         .attrs = {"fo:hyphenation-remain-char-count"},
         .codec = Codec::Count,
         .other = 3},
        {.codes = {PROP_HyphShortestSuffix},
         .props = kT,
         .attrs = {"fo:hyphenation-push-char-count"},
         .codec = Codec::Count,
         .other = 3},
        {.codes = {PROP_PairKern},
         .props = kT,
         .attrs = {"style:letter-kerning"},
         .codec = Codec::Words,
         .words = kOnOff,
         .other = 0,
         .otherWord = "true"},
        {.codes = {PROP_Stretch},
         .props = kT,
         .attrs = {"style:text-scale"},
         .codec = Codec::Percent},
        {.codes = {PROP_Alignment},
         .props = kP,
         .attrs = {"fo:text-align"},
         .codec = Codec::Words,
         .words =
             {{"start", 1}, {"end", 2}, {"center", 3}, {"justify", 4}, {"left", 1}, {"right", 2}},
         .other = 1,
         .otherWord = "start"},
        // The left margin before the first-line indent: the indent is read against it.
        {.codes = {PROP_LeftIndent},
         .props = kP,
         .attrs = {"fo:margin-left"},
         .read = ReadLeft,
         .write = WriteLeft,
         .shorthand = "fo:margin",
         .relative = true},
        {.codes = {PROP_FirstIndent},
         .props = kP,
         .attrs = {"fo:text-indent", "style:auto-text-indent"},
         .read = ReadFirst,
         .write = WriteFirst,
         .relative = true},
        {.codes = {PROP_RightIndent},
         .props = kP,
         .attrs = {"fo:margin-right"},
         .codec = Codec::Length,
         .shorthand = "fo:margin",
         .relative = true},
        {.codes = {PROP_SpaceAbove},
         .props = kP,
         .attrs = {"fo:margin-top"},
         .codec = Codec::Length,
         .shorthand = "fo:margin",
         .relative = true},
        {.codes = {PROP_SpaceBelow},
         .props = kP,
         .attrs = {"fo:margin-bottom"},
         .codec = Codec::Length,
         .shorthand = "fo:margin",
         .relative = true},
        {.codes = {PROP_LineSpacing, PROP_LineSpacingNotFixed},
         .props = kP,
         .attrs = {"fo:line-height", "style:line-height-at-least", "style:line-spacing"},
         .read = ReadLine,
         .write = WriteLine,
         .fold = FoldAs::Whole},
        {.codes = {PROP_KeepWithNext},
         .props = kP,
         .attrs = {"fo:keep-with-next"},
         .codec = Codec::Words,
         .words = {{"auto", 0}, {"always", 1}},
         .other = 0,
         .otherWord = "always"},
        {.codes = {PROP_HyphMaxAdjacent},
         .props = kP,
         .attrs = {"fo:hyphenation-ladder-count"},
         .codec = Codec::Count,
         .words = {{"no-limit", 0}},
         .other = 2},
        {.codes = {PROP_WidowOrphanLines},
         .props = kP,
         .attrs = {"fo:widows", "fo:orphans"},
         .read = ReadWidows,
         .write = WriteWidows},
        {.codes = {PROP_Start},
         .props = kP,
         .attrs = {"fo:break-before"},
         .read = ReadStart,
         .write = WriteStart},
        {.codes = {PROP_Tabs},
         .props = kP,
         .read = ReadTabs,
         .write = WriteTabs,
         .element = "style:tab-stops"},
        {.codes = {PROP_NextTag, PROP_UseNextTag},
         .attrs = {"style:next-style-name"},
         .read = ReadNext,
         .write = WriteNothing,
         .fold = FoldAs::Never},
        // Settings the model does not express, each one setting of its own.
        {.props = kT,
         .attrs = {"style:font-size-asian", "style:font-size-rel-asian"},
         .fold = FoldAs::Whole,
         .relative = true,
         .rel = "style:font-size-rel-asian",
         .fallback = 12},
        {.props = kT,
         .attrs = {"style:font-size-complex", "style:font-size-rel-complex"},
         .fold = FoldAs::Whole,
         .relative = true,
         .rel = "style:font-size-rel-complex",
         .fallback = 12},
        {.props = kT,
         .attrs = {"style:font-name-asian", "style:font-family-asian",
                   "style:font-family-generic-asian", "style:font-pitch-asian",
                   "style:font-style-name-asian", "style:font-charset-asian"},
         .fold = FoldAs::Whole},
        {.props = kT,
         .attrs = {"style:font-name-complex", "style:font-family-complex",
                   "style:font-family-generic-complex", "style:font-pitch-complex",
                   "style:font-style-name-complex", "style:font-charset-complex"},
         .fold = FoldAs::Whole},
    };
    for (const char *s : {"left", "right", "top", "bottom"}) {
      r.push_back({.props = kP, .attrs = {side("fo:border", s)}, .shorthand = "fo:border"});
      r.push_back({.props = kP, .attrs = {side("fo:padding", s)}, .shorthand = "fo:padding"});
      r.push_back({.props = kP,
                   .attrs = {side("style:border-line-width", s)},
                   .shorthand = "style:border-line-width"});
    }
    return r;
  }();
  return rows;
}

void ReadMapped(const Row &r, Chars &c, const char *v) {
  double pct;
  int32_t code = r.codes[0];
  switch (r.codec) {
    case Codec::Length:
      SetLength(c, code, v);
      return;
    case Codec::Percent:
      if (ParsePercent(v, pct)) c[code] = Value::Metric(ToMetric(pct / 100));
      return;
    case Codec::Count:
    case Codec::Words:
      for (const Word &w : r.words)
        if (std::string_view(v) == w.text) {
          c[code] = Value::Int(w.value);
          return;
        }
      c[code] = Value::Int(r.codec == Codec::Words ? r.other : IntOf(v, r.other));
      return;
    case Codec::Composite:
      return;
  }
}

std::string WriteMapped(const Row &r, const Value &v) {
  char buf[32];
  switch (r.codec) {
    case Codec::Length:
      return FormatPoints(ToPoints(v.i));
    case Codec::Percent:
      std::snprintf(buf, sizeof buf, "%.0f%%", ToPoints(v.i) * 100);
      return buf;
    case Codec::Count:
    case Codec::Words:
    case Codec::Composite:
      break;
  }
  for (const Word &w : r.words)
    if (w.value == v.i) return w.text;
  return r.codec == Codec::Words ? r.otherWord : std::to_string(v.i);
}

// Where a canonical attribute name is in the table: its row and its place in the row's
// attributes (kMaxAttrs: the row's shorthand).
struct Place {
  const Row *row;
  size_t at;
};
const std::multimap<std::string, Place> &Places() {
  static const std::multimap<std::string, Place> by = [] {
    std::multimap<std::string, Place> m;
    for (const Row &r : Rows()) {
      for (size_t i = 0; i < r.attrs.size() && i < kMaxAttrs; ++i)
        m.emplace(r.attrs[i], Place{&r, i});
      if (r.shorthand) m.emplace(r.shorthand, Place{&r, kMaxAttrs});
    }
    return m;
  }();
  return by;
}

const Row *RowFor(int32_t code) {
  static const std::map<int32_t, const Row *> by = [] {
    std::map<int32_t, const Row *> m;
    for (const Row &r : Rows())
      for (int32_t c : r.codes) m[c] = &r;
    return m;
  }();
  auto it = by.find(code);
  return it == by.end() ? nullptr : it->second;
}

// Property attributes the model's characteristics express.
const std::set<std::string> &Mapped() {
  static const std::set<std::string> s = [] {
    std::set<std::string> m;
    for (const Row &r : Rows()) {
      if (r.codes.empty() || !r.props) continue;
      m.insert(r.attrs.begin(), r.attrs.end());
      if (r.shorthand) m.insert(r.shorthand);
    }
    return m;
  }();
  return s;
}

// Before one side of a shorthand is written, the shorthand becomes its sides, so that the
// others keep their value.
void ExpandShorthand(const WriteCtx &x, const char *shorthand) {
  pugi::xml_node props = PropsOf(x.part, x.style, x.props, false);
  pugi::xml_attribute sh = props.attribute(x.part.n.Local(shorthand).c_str());
  if (!sh) return;
  std::string v = sh.value();
  props.remove_attribute(sh);
  for (const Row &r : Rows())
    if (r.shorthand && std::strcmp(r.shorthand, shorthand) == 0 &&
        !props.attribute(x.part.n.Local(r.attrs[0]).c_str()))
      x.Set(r.attrs[0], v);
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
  static const std::vector<RelativeKind> k = [] {
    std::vector<RelativeKind> v;
    for (const Row &r : Rows())
      if (r.relative) v.push_back({r.props, r.attrs[0], r.shorthand, r.rel, r.fallback});
    return v;
  }();
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
  condStyleName = q(kTextNs, "cond-style-name");
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
  const std::vector<Row> &rows = Rows();
  // The values of every row's attributes in this style, found in one pass over each
  // properties element (and the style element, for the rows of its own attributes).
  using Values = std::array<const char *, kMaxAttrs + 1>;  // the last: the shorthand
  std::vector<Values> vals(rows.size(), Values{});
  std::vector<char> seen(rows.size(), 0);
  pugi::xml_node props[2] = {style.child(pt.n.pProps.c_str()), style.child(pt.n.tProps.c_str())};
  auto collect = [&](pugi::xml_node n, const char *which) {
    for (pugi::xml_attribute a : n.attributes()) {
      std::string k = pt.n.Canon(a.name());
      if (k.empty()) continue;
      auto [lo, hi] = Places().equal_range(k);
      for (auto it = lo; it != hi; ++it) {
        const Row &r = *it->second.row;
        if (r.props != which) continue;
        size_t i = static_cast<size_t>(&r - rows.data());
        vals[i][it->second.at] = a.value();
        seen[i] = 1;
      }
    }
  };
  collect(props[0], kP);
  collect(props[1], kT);
  collect(style, nullptr);
  std::function<Handle(const std::string &)> colour = [this](const std::string &hex) {
    return ColorOf(hex);
  };
  for (size_t i = 0; i < rows.size(); ++i) {
    const Row &r = rows[i];
    pugi::xml_node where = !r.props ? style : r.props == kP ? props[0] : props[1];
    bool element = r.element && where.child(pt.n.Local(r.element).c_str());
    if (r.codes.empty() || (!seen[i] && !element)) continue;
    ReadCtx x{pt, style, where, e.c, e.lineKind, e.line, s_, colour};
    std::copy(vals[i].begin(), vals[i].begin() + kMaxAttrs, x.v);
    if (!x.v[0]) x.v[0] = vals[i][kMaxAttrs];  // the shorthand, when the style sets no side
    if (r.read)
      r.read(x);
    else if (x.v[0])
      ReadMapped(r, e.c, x.v[0]);
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
    Eff e = Copy(memo.at(st.parent));
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
  Eff e = Copy(CommonEff(parent));
  Over(where, st->second, e);
  return memo[name] = std::move(e);
}

const Chars &CharReader::Of(int part, const std::string &name) {
  return EffOf(s_.autos[part].count(name) ? part : kCommon, name).C();
}

void CharReader::Lend(const std::string &name, const Chars &chars) {
  auto it = eff_[kCommon].find(name);
  if (it == eff_[kCommon].end()) return;
  it->second.c = Chars();
  it->second.lent = &chars;
}

CharReader::Eff CharReader::Copy(const Eff &e) {
  Eff out = e;
  if (e.lent) {
    out.c = *e.lent;
    out.lent = nullptr;
  }
  return out;
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

const std::vector<int32_t> &MappedCodes() {
  static const std::vector<int32_t> v = [] {
    std::vector<int32_t> c;
    for (const Row &r : Rows()) c.insert(c.end(), r.codes.begin(), r.codes.end());
    return c;
  }();
  return v;
}

bool SetsCharacteristic(const Part &part, pugi::xml_node style, int32_t code) {
  const Row *r = RowFor(code);
  if (!r) return false;
  pugi::xml_node props = r->props ? PropsOf(part, style, r->props, false) : style;
  if (!props) return false;
  auto has = [&](const char *canon) {
    return canon && !props.attribute(part.n.Local(canon).c_str()).empty();
  };
  bool any = has(r->shorthand) || (r->element && props.child(part.n.Local(r->element).c_str()));
  for (const char *a : r->attrs) any = any || has(a);
  // The next style is the style's own, never inherited.
  return any || !r->props;
}

bool WriteChars(Part &part, pugi::xml_node style, const std::vector<int32_t> &codes,
                const std::function<Value(int32_t)> &get, const Model &m, const StyleSet &s,
                std::string &err) {
  std::set<const Row *> done;
  for (int32_t code : codes) {
    const Row *r = RowFor(code);
    if (!r) {
      const CharDef *cd = FindCharDef(code);
      err = std::string("the characteristic \"") + (cd ? cd->key : "?") +
            "\" has no OpenDocument form";
      return false;
    }
    if (!done.insert(r).second) continue;  // a row of several characteristics is written once
    WriteCtx x{part, style, r->props, codes, get, m, s, err};
    if (r->shorthand) ExpandShorthand(x, r->shorthand);
    if (r->write) {
      if (!r->write(x)) return false;
    } else {
      x.Set(r->attrs[0], WriteMapped(*r, get(r->codes[0])));
    }
  }
  return true;
}

void FoldProperties(const Part &from, pugi::xml_node src, const Part &to, pugi::xml_node dst) {
  for (const char *local : {kP, kT}) {
    pugi::xml_node sp = PropsOf(from, src, local, false);
    if (!sp) continue;
    pugi::xml_node dp = PropsOf(to, dst, local, true);
    auto has = [](pugi::xml_node n, const Part &p, const char *canon) {
      return canon && !n.attribute(p.n.Local(canon).c_str()).empty();
    };
    auto value = [&](const Row &r, size_t i) -> const char * {
      pugi::xml_attribute a = sp.attribute(from.n.Local(r.attrs[i]).c_str());
      if (a.empty() && i == 0 && r.shorthand) a = sp.attribute(from.n.Local(r.shorthand).c_str());
      return a.empty() ? nullptr : a.value();
    };
    auto put = [&](const Row &r, size_t i) {
      if (const char *v = value(r, i)) dp.append_attribute(to.n.Local(r.attrs[i]).c_str()) = v;
    };
    for (const Row &r : Rows()) {
      if (!r.props || std::strcmp(r.props, local) != 0 || r.fold == FoldAs::Never) continue;
      if (r.fold == FoldAs::Whole) {
        bool any = has(dp, to, r.shorthand);
        for (const char *a : r.attrs) any = any || has(dp, to, a);
        for (size_t i = 0; !any && i < r.attrs.size(); ++i) put(r, i);
        continue;
      }
      for (size_t i = 0; i < r.attrs.size(); ++i)
        if (!has(dp, to, r.attrs[i]) && !(i == 0 && has(dp, to, r.shorthand))) put(r, i);
    }
    // What no row describes is a setting of its own; elements (tab stops, a drop cap, a
    // background image) are each one setting.
    for (pugi::xml_attribute a : sp.attributes()) {
      if (Places().count(from.n.Canon(a.name()))) continue;
      std::string q = Translate(a.name(), from.n, to.n);
      if (!dp.attribute(q.c_str())) dp.append_attribute(q.c_str()) = a.value();
    }
    for (pugi::xml_node c : sp.children()) {
      if (c.type() != pugi::node_element) continue;
      std::string q = Translate(c.name(), from.n, to.n);
      if (!dp.child(q.c_str())) dp.append_copy(c).set_name(q.c_str());
    }
    if (!dp.first_attribute() && !dp.first_child()) dst.remove_child(dp);
  }
}

}  // namespace qvhost::odt
