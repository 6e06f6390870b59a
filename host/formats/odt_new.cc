// Writing a model document as a new OpenDocument Text package.
#include "host/formats/odt_new.h"

#include "host/formats/odt.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <map>
#include <set>
#include <sstream>
#include <utility>
#include <vector>

#include <pugixml.hpp>

#include "host/formats/package.h"
#include "host/model/props.h"
#include "host/model/render.h"

namespace qvhost {

namespace {

constexpr const char *kMime = "application/vnd.oasis.opendocument.text";
constexpr const char *kOdfVersion = "1.3";
constexpr double kMetricPerPoint = 65536.0;

const std::pair<const char *, const char *> kNamespaces[] = {
    {"xmlns:office", "urn:oasis:names:tc:opendocument:xmlns:office:1.0"},
    {"xmlns:style", "urn:oasis:names:tc:opendocument:xmlns:style:1.0"},
    {"xmlns:text", "urn:oasis:names:tc:opendocument:xmlns:text:1.0"},
    {"xmlns:table", "urn:oasis:names:tc:opendocument:xmlns:table:1.0"},
    {"xmlns:fo", "urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"},
    {"xmlns:svg", "urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"},
    {"xmlns:meta", "urn:oasis:names:tc:opendocument:xmlns:meta:1.0"},
};

// Colours the host's documents name, as ODF colours; other names keep the suite's default.
const std::pair<const char *, const char *> kColours[] = {
    {"Black", "#000000"}, {"White", "#ffffff"}, {"Red", "#ff0000"},     {"Green", "#00ff00"},
    {"Blue", "#0000ff"},  {"Cyan", "#00ffff"},  {"Magenta", "#ff00ff"}, {"Yellow", "#ffff00"},
};

// CSS-like weights of the host's weight names (Regular, Light, Book, Medium, Demi, Bold, Heavy,
// Black).
const char *const kWeights[] = {"normal", "300", "normal", "500", "600", "bold", "800", "900"};

std::string Num(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.3f", v);
  std::string s = buf;
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s == "-0" ? "0" : s;
}

std::string Pt(int32_t metric) {
  return Num(metric / kMetricPerPoint) + "pt";
}
std::string Percent(int32_t metric) {
  return Num(metric / kMetricPerPoint * 100) + "%";
}

pugi::xml_node Child(pugi::xml_node parent, const char *name) {
  return parent.append_child(name);
}

void Attr(pugi::xml_node n, const char *name, const std::string &value) {
  n.append_attribute(name).set_value(value.c_str());
}

// The document root of one part, with its namespaces and version.
pugi::xml_node Root(pugi::xml_document &doc, const char *name) {
  pugi::xml_node decl = doc.append_child(pugi::node_declaration);
  decl.append_attribute("version").set_value("1.0");
  decl.append_attribute("encoding").set_value("UTF-8");
  pugi::xml_node root = doc.append_child(name);
  for (const auto &[attr, uri] : kNamespaces) Attr(root, attr, uri);
  Attr(root, "office:version", kOdfVersion);
  return root;
}

std::string Serialise(const pugi::xml_document &doc) {
  std::ostringstream out;
  doc.save(out, "", pugi::format_raw, pugi::encoding_utf8);
  return out.str();
}

// Builds the styles of one document: the paragraph properties of formats and of paragraphs
// that differ from them, and the fonts they use.
class StyleWriter {
 public:
  explicit StyleWriter(const Model &m) : m_(m) {}

  // Writes the characteristics in `chars` (all of them when `all`, missing ones taken from the
  // format's defaults) as paragraph and text properties under `style`.
  void Properties(pugi::xml_node style, const std::map<int32_t, Value> &chars, bool all) {
    auto has = [&](int32_t code) { return all || chars.count(code) > 0; };
    auto get = [&](int32_t code) {
      auto it = chars.find(code);
      if (it != chars.end()) return it->second;
      const CharDef *def = FindCharDef(code);
      return def ? DefaultValue(*def) : Value{};
    };
    auto num = [&](int32_t code) { return get(code).i; };
    pugi::xml_node pp = Child(style, "style:paragraph-properties");
    if (has(PROP_Alignment)) {
      static const char *const kAlign[] = {"start", "end", "center", "justify"};
      int32_t a = num(PROP_Alignment);
      Attr(pp, "fo:text-align", a >= 1 && a <= 4 ? kAlign[a - 1] : "start");
    }
    if (has(PROP_LeftIndent)) Attr(pp, "fo:margin-left", Pt(num(PROP_LeftIndent)));
    if (has(PROP_RightIndent)) Attr(pp, "fo:margin-right", Pt(num(PROP_RightIndent)));
    if (has(PROP_FirstIndent) || has(PROP_LeftIndent))  // ODF counts it from the left margin
      Attr(pp, "fo:text-indent", Pt(num(PROP_FirstIndent) - num(PROP_LeftIndent)));
    if (has(PROP_SpaceAbove)) Attr(pp, "fo:margin-top", Pt(num(PROP_SpaceAbove)));
    if (has(PROP_SpaceBelow)) Attr(pp, "fo:margin-bottom", Pt(num(PROP_SpaceBelow)));
    if (has(PROP_LineSpacing) || has(PROP_LineSpacingNotFixed)) {
      if (num(PROP_LineSpacingNotFixed))
        Attr(pp, "style:line-height-at-least", Pt(num(PROP_LineSpacing)));
      else
        Attr(pp, "fo:line-height", Pt(num(PROP_LineSpacing)));
    }
    if (has(PROP_KeepWithNext))
      Attr(pp, "fo:keep-with-next", num(PROP_KeepWithNext) ? "always" : "auto");
    if (has(PROP_WidowOrphanLines)) {
      std::string n = std::to_string(std::max(0, num(PROP_WidowOrphanLines)));
      Attr(pp, "fo:widows", n);
      Attr(pp, "fo:orphans", n);
    }
    if (has(PROP_Start)) {
      int32_t s = num(PROP_Start);  // anywhere, top of column, top of (left, right) page
      Attr(pp, "fo:break-before", s == 0 ? "auto" : s == 1 ? "column" : "page");
    }
    if (has(PROP_HyphMaxAdjacent))
      Attr(pp, "fo:hyphenation-ladder-count",
           std::to_string(std::max(0, num(PROP_HyphMaxAdjacent))));
    if (has(PROP_Tabs) && (!all || !get(PROP_Tabs).tabs().empty())) {
      pugi::xml_node stops = Child(pp, "style:tab-stops");
      const Value tabs = get(PROP_Tabs);  // the loop reads into it: it must outlive the loop
      for (const Tab &t : tabs.tabs()) {
        static const char *const kKind[] = {"left", "center", "right", "char"};
        pugi::xml_node stop = Child(stops, "style:tab-stop");
        Attr(stop, "style:position", Pt(t.position));
        Attr(stop, "style:type", t.kind >= 1 && t.kind <= 4 ? kKind[t.kind - 1] : "left");
        if (t.kind == 4)
          Attr(stop, "style:char",
               std::string(
                   1, t.decimal > 0x20 && t.decimal < 0x7f ? static_cast<char>(t.decimal) : '.'));
        if (!t.leader.empty() && t.leader != " ")
          Attr(stop, "style:leader-text", t.leader.substr(0, 1));
      }
    }
    pugi::xml_node tp = Child(style, "style:text-properties");
    if (has(PROP_FontFamily)) {
      const auto &names = FontFamilyNames();
      int32_t f = num(PROP_FontFamily);
      if (f >= 0 && static_cast<size_t>(f) < names.size()) {
        fonts_.insert(names[static_cast<size_t>(f)]);
        Attr(tp, "style:font-name", names[static_cast<size_t>(f)]);
      }
    }
    if (has(PROP_FontSize)) Attr(tp, "fo:font-size", Pt(num(PROP_FontSize)));
    if (has(PROP_FontWeight)) {
      int32_t w = num(PROP_FontWeight);
      Attr(tp, "fo:font-weight", w >= 0 && w < 8 ? kWeights[w] : "normal");
    }
    if (has(PROP_FontAngle)) {
      int32_t a = num(PROP_FontAngle);  // regular, italic, oblique, kursiv
      Attr(tp, "fo:font-style", a == 0 ? "normal" : a == 2 ? "oblique" : "italic");
    }
    if (has(PROP_Underlining)) {
      int32_t u = num(PROP_Underlining);  // none, single, double, numeric
      Attr(tp, "style:text-underline-style", u ? "solid" : "none");
      if (u) {
        Attr(tp, "style:text-underline-width", "auto");
        Attr(tp, "style:text-underline-color", "font-color");
        if (u == 2) Attr(tp, "style:text-underline-type", "double");
      }
    }
    if (has(PROP_Strikethrough))
      Attr(tp, "style:text-line-through-style", num(PROP_Strikethrough) ? "solid" : "none");
    if (has(PROP_Overline))
      Attr(tp, "style:text-overline-style", num(PROP_Overline) ? "solid" : "none");
    if (has(PROP_Capitalization)) {
      int32_t c = num(PROP_Capitalization);  // normal, small caps, lowercase, uppercase
      Attr(tp, "fo:font-variant", c == 1 ? "small-caps" : "normal");
      Attr(tp, "fo:text-transform", c == 2 ? "lowercase" : c == 3 ? "uppercase" : "none");
    }
    if (has(PROP_Position)) {
      int32_t p = num(PROP_Position);  // normal, superscript, subscript
      Attr(tp, "style:text-position", p == 1 ? "super 58%" : p == 2 ? "sub 58%" : "0% 100%");
    }
    if (has(PROP_Color))
      if (const Color *c = m_.As<Color>(static_cast<Handle>(num(PROP_Color)), Kind::Color))
        for (const auto &[name, rgb] : kColours)
          if (c->name == name) Attr(tp, "fo:color", rgb);
    if (has(PROP_PairKern)) Attr(tp, "style:letter-kerning", num(PROP_PairKern) ? "true" : "false");
    if (has(PROP_Spread) || has(PROP_FontSize)) {
      // Spread is a percentage of the em; ODF wants a length.
      int32_t spread = num(PROP_Spread);
      double pts = num(PROP_FontSize) / kMetricPerPoint * spread / kMetricPerPoint / 100;
      if (has(PROP_Spread) || spread)
        Attr(tp, "fo:letter-spacing", spread ? Num(pts) + "pt" : "normal");
    }
    if (has(PROP_Stretch)) Attr(tp, "style:text-scale", Percent(num(PROP_Stretch)));
    if (has(PROP_Hyphenate)) Attr(tp, "fo:hyphenate", num(PROP_Hyphenate) ? "true" : "false");
    if (has(PROP_HyphShortestPrefix))
      Attr(tp, "fo:hyphenation-remain-char-count",
           std::to_string(std::max(0, num(PROP_HyphShortestPrefix))));
    if (has(PROP_HyphShortestSuffix))
      Attr(tp, "fo:hyphenation-push-char-count",
           std::to_string(std::max(0, num(PROP_HyphShortestSuffix))));
    if (!pp.first_attribute() && !pp.first_child()) style.remove_child(pp);
    if (!tp.first_attribute()) style.remove_child(tp);
  }

  const std::set<std::string> &Fonts() const { return fonts_; }

 private:
  const Model &m_;
  std::set<std::string> fonts_;
};

// A named paragraph style for one format (or for a tag the catalogue does not hold).
void NamedStyle(pugi::xml_node styles, const std::string &name, const PgfFmt *f,
                const std::set<std::string> &catalogue, StyleWriter &sw) {
  pugi::xml_node st = Child(styles, "style:style");
  std::string odfName = OdfStyleName(name);
  Attr(st, "style:name", odfName);
  if (odfName != name) Attr(st, "style:display-name", name);
  Attr(st, "style:family", "paragraph");
  if (!f) return;
  auto next = f->chars.find(PROP_NextTag);
  auto use = f->chars.find(PROP_UseNextTag);
  if (next != f->chars.end() && use != f->chars.end() && use->second.i &&
      catalogue.count(next->second.s))
    Attr(st, "style:next-style-name", OdfStyleName(next->second.s));
  sw.Properties(st, f->chars, true);
}

// Appends a paragraph's text, with runs of spaces, tabs and line breaks as ODF elements (XML
// collapses white space) and characters XML cannot carry left out.
void AppendText(pugi::xml_node p, const std::string &text) {
  std::string run;
  auto flush = [&] {
    if (!run.empty()) p.append_child(pugi::node_pcdata).set_value(run.c_str());
    run.clear();
  };
  for (size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == ' ') {
      // One space between words stays text; a run keeps one and counts the rest with text:s,
      // and at either end of the paragraph every space is a text:s.
      size_t n = 0;
      while (i + n < text.size() && text[i + n] == ' ') ++n;
      size_t asText = i == 0 || i + n == text.size() ? 0 : 1;
      run.append(asText, ' ');
      if (n > asText) {
        flush();
        pugi::xml_node s = Child(p, "text:s");
        if (n - asText > 1) Attr(s, "text:c", std::to_string(n - asText));
      }
      i += n;
    } else if (c == '\t' || c == '\n' || c == '\r') {
      flush();
      Child(p, c == '\t' ? "text:tab" : "text:line-break");
      ++i;
    } else {
      if (c >= 0x20) run += static_cast<char>(c);
      ++i;
    }
  }
  flush();
}

class ContentWriter {
 public:
  ContentWriter(const Model &m, pugi::xml_node autoStyles, StyleWriter &sw)
      : m_(m), auto_(autoStyles), sw_(sw) {}

  void Paragraph(pugi::xml_node parent, const Pgf &p) {
    pugi::xml_node el = Child(parent, "text:p");
    std::map<int32_t, Value> own = p.own;
    for (const auto &[code, v] : p.textProps)
      if (FindCharDef(code)) own[code] = v;
    if (own.empty()) {
      if (!p.tag.empty()) Attr(el, "text:style-name", OdfStyleName(p.tag));
    } else {
      // What the paragraph sets of its own: an automatic style whose parent is its format.
      pugi::xml_node st = Child(auto_, "style:style");
      std::string name = "P";
      name += std::to_string(++autoParas_);
      Attr(st, "style:name", name);
      Attr(st, "style:family", "paragraph");
      if (!p.tag.empty()) Attr(st, "style:parent-style-name", OdfStyleName(p.tag));
      sw_.Properties(st, own, false);
      Attr(el, "text:style-name", name);
    }
    AppendText(el, p.text);
  }

  void Table(pugi::xml_node parent, const qvhost::Table &t) {
    std::string name = "Table" + std::to_string(++tables_);
    for (Handle h : m_.Chained(t.title)) Paragraph(parent, *m_.PgfOf(h));
    // The grid: rows of cells, and which places a straddling cell covers.
    std::vector<std::vector<const Cell *>> rows;
    size_t cols = t.colWidths.size();
    for (Handle r : m_.Chained(t.rows)) {
      rows.emplace_back();
      for (Handle c : m_.Chained(m_.As<Row>(r, Kind::Row)->cells))
        rows.back().push_back(m_.As<Cell>(c, Kind::Cell));
      cols = std::max(cols, rows.back().size());
    }
    std::vector<int32_t> widths = t.colWidths;
    widths.resize(cols, 72 * 65536);  // a column the table does not size: one inch
    int64_t total = 0;
    for (int32_t w : widths) total += std::max(w, 0);

    pugi::xml_node tst = Child(auto_, "style:style");
    Attr(tst, "style:name", name);
    Attr(tst, "style:family", "table");
    pugi::xml_node tp = Child(tst, "style:table-properties");
    Attr(tp, "style:width", Pt(static_cast<int32_t>(std::min<int64_t>(total, INT32_MAX))));
    Attr(tp, "table:align", "left");

    pugi::xml_node tbl = Child(parent, "table:table");
    Attr(tbl, "table:name", name);
    Attr(tbl, "table:style-name", name);
    for (size_t c = 0; c < cols; ++c) {
      std::string colName = name + "." + ColumnLetters(c);
      pugi::xml_node cst = Child(auto_, "style:style");
      Attr(cst, "style:name", colName);
      Attr(cst, "style:family", "table-column");
      Attr(Child(cst, "style:table-column-properties"), "style:column-width",
           Pt(std::max(widths[c], 0)));
      Attr(Child(tbl, "table:table-column"), "table:style-name", colName);
    }
    // Places covered by a cell that straddles from above or from the left.
    std::set<std::pair<size_t, size_t>> covered;
    for (size_t r = 0; r < rows.size(); ++r) {
      pugi::xml_node row = Child(tbl, "table:table-row");
      for (size_t c = 0; c < rows[r].size(); ++c) {
        const Cell &cell = *rows[r][c];
        bool isCovered = covered.count({r, c}) > 0;
        pugi::xml_node el = Child(row, isCovered ? "table:covered-table-cell" : "table:table-cell");
        if (!isCovered) {
          Attr(el, "office:value-type", "string");
          size_t spanR = static_cast<size_t>(std::max(cell.straddleRows, 1));
          size_t spanC = static_cast<size_t>(std::max(cell.straddleCols, 1));
          if (spanR > 1) Attr(el, "table:number-rows-spanned", std::to_string(spanR));
          if (spanC > 1) Attr(el, "table:number-columns-spanned", std::to_string(spanC));
          for (size_t i = 0; i < spanR; ++i)
            for (size_t j = 0; j < spanC; ++j)
              if (i || j) covered.insert({r + i, c + j});
        }
        for (Handle p : m_.Chained(cell.pgfs)) Paragraph(el, *m_.PgfOf(p));
      }
      // Rows shorter than the table are filled, as ODF wants every row as wide as the columns.
      for (size_t c = rows[r].size(); c < cols; ++c)
        Child(row, covered.count({r, c}) ? "table:covered-table-cell" : "table:table-cell");
    }
  }

 private:
  static std::string ColumnLetters(size_t c) {
    std::string s;
    for (++c; c; c = (c - 1) / 26) s.insert(s.begin(), static_cast<char>('A' + (c - 1) % 26));
    return s;
  }

  const Model &m_;
  pugi::xml_node auto_;
  StyleWriter &sw_;
  int autoParas_ = 0, tables_ = 0;
};

void FontFaces(pugi::xml_node root, const std::set<std::string> &fonts, pugi::xml_node before) {
  pugi::xml_node decls = root.insert_child_before("office:font-face-decls", before);
  for (const std::string &f : fonts) {
    pugi::xml_node face = Child(decls, "style:font-face");
    Attr(face, "style:name", f);
    Attr(face, "svg:font-family", f.find(' ') == std::string::npos ? f : "'" + f + "'");
  }
}

std::string Manifest() {
  pugi::xml_document doc;
  pugi::xml_node decl = doc.append_child(pugi::node_declaration);
  decl.append_attribute("version").set_value("1.0");
  decl.append_attribute("encoding").set_value("UTF-8");
  pugi::xml_node root = doc.append_child("manifest:manifest");
  Attr(root, "xmlns:manifest", "urn:oasis:names:tc:opendocument:xmlns:manifest:1.0");
  Attr(root, "manifest:version", kOdfVersion);
  const std::pair<const char *, const char *> entries[] = {
      {"/", kMime},
      {"content.xml", "text/xml"},
      {"styles.xml", "text/xml"},
      {"meta.xml", "text/xml"},
  };
  for (const auto &[path, type] : entries) {
    pugi::xml_node e = Child(root, "manifest:file-entry");
    Attr(e, "manifest:full-path", path);
    if (std::string(path) == "/") Attr(e, "manifest:version", kOdfVersion);
    Attr(e, "manifest:media-type", type);
  }
  return Serialise(doc);
}

std::string Meta() {
  pugi::xml_document doc;
  pugi::xml_node meta = Child(Root(doc, "office:document-meta"), "office:meta");
  Child(meta, "meta:generator").text().set("Quorvex host");
  return Serialise(doc);
}

}  // namespace

std::string OdfStyleName(const std::string &name) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  for (size_t i = 0; i < name.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    bool keep = std::isalpha(c) || c == '_' || c >= 0x80 ||
                (i > 0 && (std::isdigit(c) || c == '-' || c == '.'));
    if (keep && c != '_') {
      out += static_cast<char>(c);
    } else {
      out += '_';
      out += kHex[c >> 4];
      out += kHex[c & 15];
      out += '_';
    }
  }
  return out.empty() ? "_" : out;
}

bool WriteNewOdt(const Model &m, const Doc &d, const std::string &path, std::string &err) {
  StyleWriter sw(m);

  // content.xml: the body, and the automatic styles of paragraphs and tables.
  pugi::xml_document content;
  pugi::xml_node croot = Root(content, "office:document-content");
  pugi::xml_node autoStyles = Child(croot, "office:automatic-styles");
  pugi::xml_node text = Child(Child(croot, "office:body"), "office:text");
  ContentWriter cw(m, autoStyles, sw);
  std::set<std::string> tags;
  auto noteTags = [&](const Pgf &p) { tags.insert(p.tag); };
  for (const Block &b : DocBlocks(m, d, false)) {
    if (b.pgf) {
      cw.Paragraph(text, *b.pgf);
      noteTags(*b.pgf);
    } else {
      cw.Table(text, *b.table);
      for (Handle p : m.Chained(b.table->title)) noteTags(*m.PgfOf(p));
      for (Handle r : m.Chained(b.table->rows))
        for (Handle c : m.Chained(m.As<Row>(r, Kind::Row)->cells))
          for (Handle p : m.Chained(m.As<Cell>(c, Kind::Cell)->pgfs)) noteTags(*m.PgfOf(p));
    }
  }

  // styles.xml: every format of the catalogue as a named paragraph style, in catalogue order,
  // then a plain style for each tag a paragraph carries that the catalogue lacks.
  pugi::xml_document styles;
  pugi::xml_node sroot = Root(styles, "office:document-styles");
  pugi::xml_node common = Child(sroot, "office:styles");
  std::set<std::string> catalogue;
  for (Handle h : m.Chained(d.fmts)) catalogue.insert(m.FmtOf(h)->name);
  std::set<std::string> written;
  for (Handle h : m.Chained(d.fmts)) {
    const PgfFmt &f = *m.FmtOf(h);
    if (written.insert(f.name).second) NamedStyle(common, f.name, &f, catalogue, sw);
  }
  for (const std::string &t : tags)
    if (!t.empty() && written.insert(t).second) NamedStyle(common, t, nullptr, catalogue, sw);
  pugi::xml_node pageAuto = Child(sroot, "office:automatic-styles");
  pugi::xml_node layout = Child(pageAuto, "style:page-layout");
  Attr(layout, "style:name", "pm1");
  pugi::xml_node lp = Child(layout, "style:page-layout-properties");
  Attr(lp, "fo:page-width", Pt(d.pageWidth));
  Attr(lp, "fo:page-height", Pt(d.pageHeight));
  for (const char *side :
       {"fo:margin-top", "fo:margin-bottom", "fo:margin-left", "fo:margin-right"})
    Attr(lp, side, "72pt");
  pugi::xml_node master = Child(Child(sroot, "office:master-styles"), "style:master-page");
  Attr(master, "style:name", "Standard");
  Attr(master, "style:page-layout-name", "pm1");

  // Both parts name the fonts the styles use.
  FontFaces(sroot, sw.Fonts(), common);
  FontFaces(croot, sw.Fonts(), autoStyles);

  std::vector<std::pair<std::string, std::string>> entries = {
      {"mimetype", kMime},
      {"content.xml", Serialise(content)},
      {"styles.xml", Serialise(styles)},
      {"meta.xml", Meta()},
      {"META-INF/manifest.xml", Manifest()},
  };
  return WritePackage(path, entries, true, err);
}

}  // namespace qvhost
