// WordprocessingML paragraph (w:pPr) and run (w:rPr) properties and the model's
// characteristics: one table, from which reading a chain of styles, writing a format's
// characteristics and folding a deleted style into the styles based on it all come.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "host/formats/docx.h"
#include "host/formats/xml.h"
#include "host/model/props.h"
#include "quorvex/fcodes.h"

namespace qvhost::docx {

namespace {

constexpr int32_t kPt = 0x10000;

using Chars = CharMap;

const std::string *Get(const Props &pr, bool para, const char *el, const char *attr) {
  const auto &m = para ? pr.p : pr.r;
  auto it = m.find(el);
  if (it == m.end()) return nullptr;
  auto a = it->second.find(attr);
  return a == it->second.end() ? nullptr : &a->second;
}

// A toggle: present without w:val, or with a value other than 0/false/off.
bool On(const Props &pr, bool para, const char *el) {
  const auto &m = para ? pr.p : pr.r;
  auto it = m.find(el);
  if (it == m.end()) return false;
  auto v = it->second.find("val");
  return v == it->second.end() || (v->second != "0" && v->second != "false" && v->second != "off");
}

int32_t Twips(const std::string *s) {
  return s ? static_cast<int32_t>(std::lround(std::atof(s->c_str()) * kPt / 20.0)) : 0;
}

std::string Tw(int32_t metric) {  // twentieths of a point
  return std::to_string(std::lround(metric * 20.0 / kPt));
}

// Where a row writes: the w:pPr or w:rPr of a style, with the characteristics' values.
struct WriteCtx {
  const std::function<Value(int32_t)> &get;
  mutable pugi::xml_node pr;  // a handle: the tree it names is what a row writes to
  const Names &ns;
  const Model &m;
  bool para;
  pugi::xml_node El(std::string_view local) const {
    return Ensure(pr, local, ns, para ? PPrOrder : RPrOrder);
  }
  // Sets attributes of `el` that together make settings, dropping the other spellings of
  // those settings ("hanging" when "firstLine" is written, "lineRule" only when not written).
  void Attr(pugi::xml_node el,
            std::initializer_list<std::pair<std::string_view, std::string>> kv) const {
    std::string_view l = ns.Local(el);
    for (pugi::xml_attribute a = el.first_attribute(); a;) {
      pugi::xml_attribute next = a.next_attribute();
      std::string_view al = LocalName(a.name());
      bool written = false, same = false;
      for (const auto &[k, v] : kv)
        written = written || al == k, same = same || SameSetting(l, al, k);
      if (same && !written) el.remove_attribute(a);
      a = next;
    }
    for (const auto &[k, v] : kv) {
      std::string q = ns.W(k);
      pugi::xml_attribute a = el.attribute(q.c_str());
      if (!a) a = el.append_attribute(q.c_str());
      a.set_value(v.c_str());
    }
  }
  void Val(std::string_view local, const std::string &v) const { Attr(El(local), {{"val", v}}); }
  // A toggle on is the bare element; off, none (a new style inherits nothing that sets it).
  void Toggle(std::string_view local, bool on) const {
    if (on) {
      pugi::xml_node e = El(local);
      e.remove_attribute(ns.W("val").c_str());
    } else if (pugi::xml_node e = ns.Child(pr, local)) {
      pr.remove_child(e);
    }
  }
};

struct Row {
  std::vector<int32_t> codes = {};
  bool para = true;                                          // w:pPr, else w:rPr
  std::vector<const char *> elements = {};                   // the children it reads
  std::vector<std::vector<std::string_view>> settings = {};  // attributes that spell one setting
  bool tabs = false;  // entries add up along a chain, by position
  void (*read)(const Props &, const ReadEnv &, Chars &) = nullptr;
  void (*write)(const WriteCtx &) = nullptr;
};

// --- codecs ---

struct Word {
  const char *text;
  int32_t value;
};
constexpr Word kJc[] = {{"left", 1},   {"start", 1}, {"right", 2},      {"end", 2},
                        {"center", 3}, {"both", 4},  {"distribute", 4}, {"justify", 4}};

void ReadJc(const Props &pr, const ReadEnv &, Chars &c) {
  const std::string *jc = Get(pr, true, "jc", "val");
  if (!jc) return;
  int32_t a = 1;
  for (const Word &w : kJc)
    if (*jc == w.text) a = w.value;
  c[PROP_Alignment] = Value::Int(a);
}
void WriteJc(const WriteCtx &x) {
  int32_t a = x.get(PROP_Alignment).i;
  const char *v = "left";
  for (const Word &w : kJc)
    if (w.value == a && std::strcmp(w.text, "start") != 0 && std::strcmp(w.text, "end") != 0) {
      v = w.text;
      break;
    }
  x.Val("jc", v);
}

void ReadInd(const Props &pr, const ReadEnv &, Chars &c) {
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
}
void WriteInd(const WriteCtx &x) {
  pugi::xml_node ind = x.El("ind");
  int32_t left = x.get(PROP_LeftIndent).i, first = x.get(PROP_FirstIndent).i;
  x.Attr(ind, {{"left", Tw(left)}});
  x.Attr(ind, {{"right", Tw(x.get(PROP_RightIndent).i)}});
  if (first >= left)
    x.Attr(ind, {{"firstLine", Tw(first - left)}});
  else
    x.Attr(ind, {{"hanging", Tw(left - first)}});
}

// The model's line spacing is the leading: the line height less the font size. Single line
// spacing is 120 % of the font size; "auto" lines are 240ths of it, exact and at-least ones
// twips.
int32_t FontSizeOf(const Props &pr) {
  const std::string *sz = Get(pr, false, "sz", "val");
  return sz ? static_cast<int32_t>(std::lround(std::atof(sz->c_str()) * kPt / 2)) : 10 * kPt;
}
void ReadSpacing(const Props &pr, const ReadEnv &, Chars &c) {
  c[PROP_SpaceAbove] = Value::Metric(Twips(Get(pr, true, "spacing", "before")));
  c[PROP_SpaceBelow] = Value::Metric(Twips(Get(pr, true, "spacing", "after")));
  const std::string *line = Get(pr, true, "spacing", "line");
  const std::string *rule = Get(pr, true, "spacing", "lineRule");
  int32_t size = FontSizeOf(pr);
  if (line && rule && (*rule == "exact" || *rule == "atLeast")) {
    c[PROP_LineSpacing] = Value::Metric(Twips(line) - size);
    c[PROP_LineSpacingNotFixed] = Value::Int(*rule == "atLeast" ? 1 : 0);
  } else {
    double mult = line ? std::atof(line->c_str()) / 240.0 : 1.0;
    c[PROP_LineSpacing] =
        Value::Metric(static_cast<int32_t>(std::lround(size * 1.2 * mult)) - size);
    c[PROP_LineSpacingNotFixed] = Value::Int(1);
  }
}
void WriteSpacing(const WriteCtx &x) {
  pugi::xml_node sp = x.El("spacing");
  x.Attr(sp, {{"before", Tw(x.get(PROP_SpaceAbove).i)}});
  x.Attr(sp, {{"after", Tw(x.get(PROP_SpaceBelow).i)}});
  int32_t size = x.get(PROP_FontSize).i, height = size + x.get(PROP_LineSpacing).i;
  if (x.get(PROP_LineSpacingNotFixed).i && size > 0) {
    x.Attr(sp, {{"line", std::to_string(std::lround(height * 240.0 / (size * 1.2)))},
                {"lineRule", "auto"}});
  } else {
    x.Attr(sp, {{"line", Tw(height)}, {"lineRule", "exact"}});
  }
}

void ReadKeepNext(const Props &pr, const ReadEnv &, Chars &c) {
  c[PROP_KeepWithNext] = Value::Int(On(pr, true, "keepNext"));
}
void WriteKeepNext(const WriteCtx &x) {
  x.Toggle("keepNext", x.get(PROP_KeepWithNext).i != 0);
}
// A page break before: Top of Page (2); a column or a left or right page has no form.
void ReadPageBreak(const Props &pr, const ReadEnv &, Chars &c) {
  c[PROP_Start] = Value::Int(On(pr, true, "pageBreakBefore") ? 2 : 0);
}
void WritePageBreak(const WriteCtx &x) {
  x.Toggle("pageBreakBefore", x.get(PROP_Start).i >= 2);
}
// Widow control keeps two lines together at either end.
void ReadWidows(const Props &pr, const ReadEnv &, Chars &c) {
  c[PROP_WidowOrphanLines] = Value::Int(On(pr, true, "widowControl") ? 2 : 0);
}
void WriteWidows(const WriteCtx &x) {
  x.Val("widowControl", x.get(PROP_WidowOrphanLines).i ? "1" : "0");
}
void ReadHyphens(const Props &pr, const ReadEnv &, Chars &c) {
  if (On(pr, true, "suppressAutoHyphens")) c[PROP_Hyphenate] = Value::Int(0);
}
void WriteHyphens(const WriteCtx &x) {
  x.Toggle("suppressAutoHyphens", !x.get(PROP_Hyphenate).i);
}

struct Leader {
  const char *word, *text;
};
constexpr Leader kLeaders[] = {
    {"dot", "."}, {"hyphen", "-"}, {"underscore", "_"}, {"heavy", "_"}, {"middleDot", "\xC2\xB7"}};
constexpr Word kTabKinds[] = {{"left", 1},  {"start", 1}, {"center", 2},
                              {"right", 3}, {"end", 3},   {"decimal", 4}};

void ReadTabs(const Props &pr, const ReadEnv &, Chars &c) {
  Value tabs;
  tabs.type = PType::Tabs;
  for (const auto &[pos, t] : pr.tabs) {
    Tab tab;
    tab.position = static_cast<int32_t>(std::lround(pos * kPt / 20.0));
    tab.kind = 0;
    for (const Word &w : kTabKinds)
      if (t.first == w.text) tab.kind = static_cast<uint8_t>(w.value);
    if (tab.kind == 0) {
      if (t.first == "bar" || t.first == "num") continue;  // not tab stops
      tab.kind = 1;
    }
    if (tab.kind == 4) tab.decimal = '.';
    for (const Leader &l : kLeaders)
      if (t.second == l.word) {
        tab.leader = l.text;
        break;
      }
    tabs.Mut().tabs.push_back(tab);
  }
  c[PROP_Tabs] = tabs;
}
void WriteTabs(const WriteCtx &x) {
  const Value stops = x.get(PROP_Tabs);
  if (pugi::xml_node old = x.ns.Child(x.pr, "tabs")) x.pr.remove_child(old);
  if (stops.tabs().empty()) return;
  pugi::xml_node ts = x.El("tabs");
  for (const Tab &t : stops.tabs()) {
    pugi::xml_node n = ts.append_child(x.ns.W("tab").c_str());
    const char *kind = "left";
    for (const Word &w : kTabKinds)
      if (w.value == t.kind) {
        kind = w.text;
        break;
      }
    n.append_attribute(x.ns.W("val").c_str()) = kind;
    if (!t.leader.empty() && t.leader != " ") {
      const char *word = "underscore";
      for (const Leader &l : kLeaders)
        if (t.leader == l.text) {
          word = l.word;
          break;
        }
      n.append_attribute(x.ns.W("leader").c_str()) = word;
    }
    n.append_attribute(x.ns.W("pos").c_str()) = Tw(t.position).c_str();
  }
}

// A theme font stands for the font beside it in the same element.
void ReadFonts(const Props &pr, const ReadEnv &env, Chars &c) {
  std::string font;
  if (const std::string *t = Get(pr, false, "rFonts", "asciiTheme"))
    font = t->rfind("major", 0) == 0 ? env.majorFont : env.minorFont;
  if (const std::string *a = Get(pr, false, "rFonts", "ascii"); a && font.empty()) font = *a;
  if (const std::string *h = Get(pr, false, "rFonts", "hAnsi"); h && font.empty()) font = *h;
  if (int32_t i = font.empty() ? -1 : FontFamilyIndex(font); i >= 0)
    c[PROP_FontFamily] = Value::Int(i);
}
void WriteFonts(const WriteCtx &x) {
  const auto &fams = FontFamilyNames();
  int32_t fam = x.get(PROP_FontFamily).i;
  if (fam < 0 || static_cast<size_t>(fam) >= fams.size()) return;
  pugi::xml_node fonts = x.El("rFonts");
  const std::string &name = fams[static_cast<size_t>(fam)];
  x.Attr(fonts, {{"ascii", name}, {"hAnsi", name}, {"cs", name}});
}

// Bold is the model's Bold (5); Demi and heavier weights are written bold.
void ReadBold(const Props &pr, const ReadEnv &, Chars &c) {
  c[PROP_FontWeight] = Value::Int(On(pr, false, "b") ? 5 : 0);
}
void WriteBold(const WriteCtx &x) {
  x.Toggle("b", x.get(PROP_FontWeight).i >= 4);
}
void ReadItalic(const Props &pr, const ReadEnv &, Chars &c) {
  c[PROP_FontAngle] = Value::Int(On(pr, false, "i") ? 1 : 0);
}
void WriteItalic(const WriteCtx &x) {
  x.Toggle("i", x.get(PROP_FontAngle).i != 0);
}
// All capitals (3) or small capitals (1); lower case has no form.
void ReadCaps(const Props &pr, const ReadEnv &, Chars &c) {
  c[PROP_Capitalization] = Value::Int(On(pr, false, "caps")        ? 3
                                      : On(pr, false, "smallCaps") ? 1
                                                                   : 0);
}
void WriteCaps(const WriteCtx &x) {
  int32_t v = x.get(PROP_Capitalization).i;
  x.Toggle("caps", v == 3);
  x.Toggle("smallCaps", v == 1);
}
void ReadStrike(const Props &pr, const ReadEnv &, Chars &c) {
  c[PROP_Strikethrough] = Value::Int(On(pr, false, "strike") || On(pr, false, "dstrike"));
}
void WriteStrike(const WriteCtx &x) {
  x.Toggle("strike", x.get(PROP_Strikethrough).i != 0);
  x.Toggle("dstrike", false);
}

constexpr std::pair<const char *, const char *> kNamedColours[] = {
    {"000000", "Black"}, {"FFFFFF", "White"}, {"FF0000", "Red"},     {"00FF00", "Green"},
    {"0000FF", "Blue"},  {"00FFFF", "Cyan"},  {"FF00FF", "Magenta"}, {"FFFF00", "Yellow"}};

void ReadColour(const Props &pr, const ReadEnv &env, Chars &c) {
  const std::string *col = Get(pr, false, "color", "val");
  std::string up;
  for (char ch : col ? *col : std::string("auto"))
    up += static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  std::string name = up == "AUTO" || up.empty() ? "Black" : "#" + up;
  for (auto [h, n] : kNamedColours)
    if (up == h) name = n;
  c[PROP_Color] = Value::Id(env.colour(name));
}
void WriteColour(const WriteCtx &x) {
  const Color *c = x.m.As<Color>(static_cast<Handle>(x.get(PROP_Color).i), Kind::Color);
  if (!c) return;
  std::string hex = c->name.size() == 7 && c->name[0] == '#' ? c->name.substr(1) : "";
  for (auto [h, n] : kNamedColours)
    if (c->name == n) hex = h;
  if (!hex.empty()) x.Val("color", hex);
}

// Half points; 10 pt when nothing sets it.
void ReadSize(const Props &pr, const ReadEnv &, Chars &c) {
  c[PROP_FontSize] = Value::Metric(FontSizeOf(pr));
}
void WriteSize(const WriteCtx &x) {
  x.Val("sz", std::to_string(std::lround(x.get(PROP_FontSize).i * 2.0 / kPt)));
}
void ReadUnderline(const Props &pr, const ReadEnv &, Chars &c) {
  const std::string *u = Get(pr, false, "u", "val");
  c[PROP_Underlining] = Value::Int(!u || *u == "none" ? 0 : *u == "double" ? 2 : 1);
}
void WriteUnderline(const WriteCtx &x) {
  int32_t u = x.get(PROP_Underlining).i;
  if (u)
    x.Val("u", u == 2 ? "double" : "single");
  else if (pugi::xml_node e = x.ns.Child(x.pr, "u"))
    x.pr.remove_child(e);
}
void ReadVertAlign(const Props &pr, const ReadEnv &, Chars &c) {
  const std::string *va = Get(pr, false, "vertAlign", "val");
  c[PROP_Position] = Value::Int(!va ? 0 : *va == "superscript" ? 1 : *va == "subscript" ? 2 : 0);
}
void WriteVertAlign(const WriteCtx &x) {
  int32_t p = x.get(PROP_Position).i;
  if (p == 1 || p == 2)
    x.Val("vertAlign", p == 1 ? "superscript" : "subscript");
  else if (pugi::xml_node e = x.ns.Child(x.pr, "vertAlign"))
    x.pr.remove_child(e);
}

const std::vector<Row> &Rows() {
  static const std::vector<Row> rows{
      {.codes = {PROP_KeepWithNext},
       .elements = {"keepNext"},
       .read = ReadKeepNext,
       .write = WriteKeepNext},
      {.codes = {PROP_Start},
       .elements = {"pageBreakBefore"},
       .read = ReadPageBreak,
       .write = WritePageBreak},
      {.codes = {PROP_WidowOrphanLines},
       .elements = {"widowControl"},
       .read = ReadWidows,
       .write = WriteWidows},
      {.codes = {PROP_Tabs},
       .elements = {"tabs"},
       .tabs = true,
       .read = ReadTabs,
       .write = WriteTabs},
      {.codes = {PROP_Hyphenate},
       .elements = {"suppressAutoHyphens"},
       .read = ReadHyphens,
       .write = WriteHyphens},
      {.codes = {PROP_SpaceAbove, PROP_SpaceBelow, PROP_LineSpacing, PROP_LineSpacingNotFixed},
       .elements = {"spacing"},
       .settings = {{"before", "beforeLines", "beforeAutospacing"},
                    {"after", "afterLines", "afterAutospacing"},
                    {"line", "lineRule"}},
       .read = ReadSpacing,
       .write = WriteSpacing},
      {.codes = {PROP_LeftIndent, PROP_FirstIndent, PROP_RightIndent},
       .elements = {"ind"},
       .settings = {{"left", "start", "leftChars", "startChars"},
                    {"right", "end", "rightChars", "endChars"},
                    {"firstLine", "hanging", "firstLineChars", "hangingChars"}},
       .read = ReadInd,
       .write = WriteInd},
      {.codes = {PROP_Alignment}, .elements = {"jc"}, .read = ReadJc, .write = WriteJc},
      {.codes = {PROP_FontFamily},
       .para = false,
       .elements = {"rFonts"},
       .settings = {{"ascii", "asciiTheme"},
                    {"hAnsi", "hAnsiTheme"},
                    {"eastAsia", "eastAsiaTheme"},
                    {"cs", "cstheme"},
                    {"hint"}},
       .read = ReadFonts,
       .write = WriteFonts},
      {.codes = {PROP_FontWeight},
       .para = false,
       .elements = {"b"},
       .read = ReadBold,
       .write = WriteBold},
      {.codes = {PROP_FontAngle},
       .para = false,
       .elements = {"i"},
       .read = ReadItalic,
       .write = WriteItalic},
      {.codes = {PROP_Capitalization},
       .para = false,
       .elements = {"caps", "smallCaps"},
       .read = ReadCaps,
       .write = WriteCaps},
      {.codes = {PROP_Strikethrough},
       .para = false,
       .elements = {"strike", "dstrike"},
       .read = ReadStrike,
       .write = WriteStrike},
      {.codes = {PROP_Color},
       .para = false,
       .elements = {"color"},
       .read = ReadColour,
       .write = WriteColour},
      {.codes = {PROP_FontSize},
       .para = false,
       .elements = {"sz"},
       .read = ReadSize,
       .write = WriteSize},
      {.codes = {PROP_Underlining},
       .para = false,
       .elements = {"u"},
       .read = ReadUnderline,
       .write = WriteUnderline},
      {.codes = {PROP_Position},
       .para = false,
       .elements = {"vertAlign"},
       .read = ReadVertAlign,
       .write = WriteVertAlign},
      // The model has no language; its settings still combine along a chain.
      {.para = false, .elements = {"lang"}, .settings = {{"val"}, {"eastAsia"}, {"bidi"}}},
  };
  return rows;
}

const Row *RowOf(std::string_view element) {
  for (const Row &r : Rows())
    for (const char *e : r.elements)
      if (element == e) return &r;
  return nullptr;
}

}  // namespace

bool Combines(std::string_view element) {
  const Row *r = RowOf(element);
  return r && !r->settings.empty();
}

int SettingOf(std::string_view element, std::string_view attr) {
  if (const Row *r = RowOf(element))
    for (size_t i = 0; i < r->settings.size(); ++i)
      for (std::string_view a : r->settings[i])
        if (a == attr) return static_cast<int>(i);
  return -1;  // an attribute of its own
}

bool SameSetting(std::string_view element, std::string_view a, std::string_view b) {
  if (a == b) return true;
  int s = SettingOf(element, a);
  return s >= 0 && s == SettingOf(element, b);
}

const std::vector<int32_t> &MappedCodes() {
  static const std::vector<int32_t> v = [] {
    std::vector<int32_t> c;
    for (const Row &r : Rows()) c.insert(c.end(), r.codes.begin(), r.codes.end());
    return c;
  }();
  return v;
}

void ApplyProps(Props &to, pugi::xml_node pr, const Names &ns, bool para) {
  for (pugi::xml_node c : pr.children()) {
    std::string_view l = ns.Local(c);
    if (l.empty() || (para && Structural(l))) continue;
    const Row *row = RowOf(l);
    if (row && row->tabs) {
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
    if (!row || row->settings.empty()) a.clear();
    for (pugi::xml_attribute at : c.attributes())  // a setting replaces every spelling of it
      std::erase_if(a,
                    [&](const auto &kv) { return SameSetting(l, kv.first, LocalName(at.name())); });
    for (pugi::xml_attribute at : c.attributes()) a[std::string(LocalName(at.name()))] = at.value();
  }
}

void CharsOf(const Props &pr, const ReadEnv &env, CharMap &c) {
  for (const Row &r : Rows())
    if (r.read) r.read(pr, env, c);
}

void FormatToXml(const Model &m, const PgfFmt &f, pugi::xml_node pPr, pugi::xml_node rPr) {
  static const Names ns{pugi::xml_node()};  // "w:" prefixes
  std::function<Value(int32_t)> get = [&](int32_t code) { return m.FmtChar(f, code); };
  for (const Row &r : Rows())
    if (r.write) r.write(WriteCtx{get, r.para ? pPr : rPr, ns, m, r.para});
}

void FoldSettings(pugi::xml_node from, pugi::xml_node to, const Names &fromNs, const Names &toNs,
                  bool para) {
  for (pugi::xml_node e : from.children()) {
    std::string_view l = fromNs.Local(e);
    if (l.empty() ||
        (para &&
         (l == "pStyle" || l == "sectPr" || l == "pPrChange" || l == "rPr" || l == "cnfStyle")) ||
        l == "rPrChange")
      continue;
    pugi::xml_node have = toNs.Child(to, l);
    const Row *row = RowOf(l);
    if (!have) {
      pugi::xml_node c = InsertOrdered(to, e, toNs, para ? PPrOrder : RPrOrder);
      if (fromNs.w != toNs.w) c.set_name(toNs.W(l).c_str());
    } else if (row && !row->settings.empty()) {  // what `to` sets of a setting, in any spelling,
      for (pugi::xml_attribute a : e.attributes()) {  // stays
        bool set = false;
        for (pugi::xml_attribute b : have.attributes())
          set = set || SameSetting(l, LocalName(a.name()), LocalName(b.name()));
        if (!set) have.append_attribute(toNs.W(LocalName(a.name())).c_str()) = a.value();
      }
    } else if (row && row->tabs) {
      std::set<std::string> at;
      for (pugi::xml_node t : have.children()) at.insert(toNs.Attr(t, "pos"));
      for (pugi::xml_node t : e.children())
        if (!at.count(fromNs.Attr(t, "pos"))) have.append_copy(t);
    }
  }
}

}  // namespace qvhost::docx
