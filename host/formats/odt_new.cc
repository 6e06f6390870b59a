// Writing a model document as a new OpenDocument Text package.
#include "host/formats/odt_new.h"

#include "host/formats/odt.h"
#include "host/formats/odt_internal.h"

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
  explicit StyleWriter(const Model &m) : m_(m) {
    for (const std::string &f : FontFamilyNames()) faces_.fonts[f] = f;
  }

  // Writes the characteristics in `chars` (all of them when `all`, missing ones taken from the
  // format's defaults) as paragraph and text properties under `style`, through the table the
  // adapter reads documents with.
  void Properties(pugi::xml_node style, const std::map<int32_t, Value> &chars, bool all) {
    auto has = [&](int32_t code) { return all || chars.count(code) > 0; };
    std::function<Value(int32_t)> get = [&](int32_t code) {
      auto it = chars.find(code);
      const CharDef *def = FindCharDef(code);
      Value v = it != chars.end() ? it->second : def ? DefaultValue(*def) : Value{};
      if (code == PROP_Start && v.i > 2) v.i = 2;  // a left or right page: a page
      return v;
    };
    auto num = [&](int32_t code) { return get(code).i; };
    odt::Part &part = PartOf(style);
    for (int32_t code : odt::MappedCodes()) {
      if (!has(code) || code == PROP_NextTag || code == PROP_UseNextTag) continue;
      if (code == PROP_Tabs && all && get(code).tabs().empty()) continue;
      std::string err;  // a characteristic without a form (a colour with no RGB) is left out
      if (!odt::WriteChars(part, style, {code}, get, m_, faces_, err)) continue;
      const auto &names = FontFamilyNames();
      if (int32_t f = num(code); code == PROP_FontFamily && f >= 0 &&
                                 static_cast<size_t>(f) < names.size() &&
                                 faces_.fonts.count(names[static_cast<size_t>(f)]))
        fonts_.insert(names[static_cast<size_t>(f)]);
    }
    pugi::xml_node tp = odt::PropsOf(part, style, "text-properties", true);
    if (has(PROP_Spread) || has(PROP_FontSize)) {
      // Spread is a percentage of the em; ODF wants a length.
      int32_t spread = num(PROP_Spread);
      double pts = num(PROP_FontSize) / kMetricPerPoint * spread / kMetricPerPoint / 100;
      if (has(PROP_Spread) || spread)
        Attr(tp, "fo:letter-spacing", spread ? Num(pts) + "pt" : "normal");
    }
    if (!tp.first_attribute() && !tp.first_child()) style.remove_child(tp);
  }

  const std::set<std::string> &Fonts() const { return fonts_; }

 private:
  // The part a style is written in, as the adapter's writing code sees it.
  odt::Part &PartOf(pugi::xml_node style) {
    pugi::xml_node root = style.root().first_child();
    while (root && root.type() != pugi::node_element) root = root.next_sibling();
    std::unique_ptr<odt::Part> &p = parts_[root.internal_object()];
    if (!p) {
      p = std::make_unique<odt::Part>();
      p->n = odt::Names(root);
    }
    return *p;
  }

  const Model &m_;
  std::set<std::string> fonts_;
  odt::StyleSet faces_;  // every font family, written by name through a font face
  std::map<pugi::xml_node_struct *, std::unique_ptr<odt::Part>> parts_;
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
