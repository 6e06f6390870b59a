// New WordprocessingML documents: the catalogue as paragraph styles, the flows as the body,
// tables as real tables after the paragraph they are anchored in.
#include <cctype>
#include <cmath>
#include <set>

#include "host/formats/docx.h"
#include "host/formats/package.h"
#include "host/model/props.h"
#include "quorvex/fcodes.h"

namespace qvhost::docx {

namespace {

std::string Tw(int32_t metric) {  // twentieths of a point
  return std::to_string(std::lround(metric * 20.0 / 0x10000));
}

void Val(pugi::xml_node parent, const char *el, const std::string &v) {
  parent.append_child(el).append_attribute("w:val") = v.c_str();
}

struct StringOut : pugi::xml_writer {
  std::string s;
  void write(const void *data, size_t size) override {
    s.append(static_cast<const char *>(data), size);
  }
};

std::string Print(const pugi::xml_document &doc) {
  StringOut o;
  doc.save(o, "", pugi::format_raw, pugi::encoding_utf8);
  return o.s;
}

pugi::xml_node Root(pugi::xml_document &doc, const char *name) {
  pugi::xml_node decl = doc.append_child(pugi::node_declaration);
  decl.append_attribute("version") = "1.0";
  decl.append_attribute("encoding") = "UTF-8";
  decl.append_attribute("standalone") = "yes";
  pugi::xml_node r = doc.append_child(name);
  r.append_attribute("xmlns:w") = kWordNs;
  return r;
}

struct Writer {
  const Model &m;
  const Doc &d;
  std::map<std::string, std::string> ids;  // format name -> style id
  std::map<Handle, std::vector<Handle>> anchored;

  void Para(pugi::xml_node parent, const Pgf &p) {
    pugi::xml_node w = parent.append_child("w:p");
    auto it = ids.find(p.tag);
    if (it != ids.end()) Val(w.append_child("w:pPr"), "w:pStyle", it->second);
    pugi::xml_node r = w.append_child("w:r");
    std::string run;
    auto flush = [&] {
      if (run.empty()) return;
      pugi::xml_node t = r.append_child("w:t");
      t.append_attribute("xml:space") = "preserve";
      t.text().set(run.c_str());
      run.clear();
    };
    for (char c : p.text) {
      if (c == '\t' || c == '\n') {
        flush();
        r.append_child(c == '\t' ? "w:tab" : "w:br");
      } else if (static_cast<unsigned char>(c) >= 0x20 || c < 0) {
        run += c;
      }
    }
    flush();
  }

  // A paragraph and the tables anchored in it. Returns whether a table came last.
  bool Block(pugi::xml_node parent, Handle h) {
    Para(parent, *m.PgfOf(h));
    bool table = false;
    for (Handle t : anchored[h]) {
      Table(parent, *m.As<qvhost::Table>(t, Kind::Table));
      table = true;
    }
    return table;
  }

  void Table(pugi::xml_node parent, const qvhost::Table &t) {
    for (Handle p : m.Chained(t.title)) Para(parent, *m.PgfOf(p));
    pugi::xml_node tbl = parent.append_child("w:tbl");
    pugi::xml_node pr = tbl.append_child("w:tblPr");
    pugi::xml_node tw = pr.append_child("w:tblW");
    tw.append_attribute("w:w") = "0";
    tw.append_attribute("w:type") = "auto";
    pugi::xml_node borders = pr.append_child("w:tblBorders");
    for (const char *side : {"w:top", "w:left", "w:bottom", "w:right", "w:insideH", "w:insideV"}) {
      pugi::xml_node b = borders.append_child(side);
      b.append_attribute("w:val") = "single";
      b.append_attribute("w:sz") = "4";
      b.append_attribute("w:space") = "0";
      b.append_attribute("w:color") = "000000";
    }
    size_t cols = t.colWidths.size();
    for (Handle r : m.Chained(t.rows))
      cols = std::max(cols, m.Chained(m.As<Row>(r, Kind::Row)->cells).size());
    pugi::xml_node grid = tbl.append_child("w:tblGrid");
    auto width = [&](size_t c) { return c < t.colWidths.size() ? t.colWidths[c] : 0x480000; };
    for (size_t c = 0; c < cols; ++c)
      grid.append_child("w:gridCol").append_attribute("w:w") = Tw(width(c)).c_str();
    for (Handle r : m.Chained(t.rows)) {
      pugi::xml_node tr = tbl.append_child("w:tr");
      size_t c = 0;
      for (Handle ch : m.Chained(m.As<Row>(r, Kind::Row)->cells)) {
        const Cell *cell = m.As<Cell>(ch, Kind::Cell);
        pugi::xml_node tc = tr.append_child("w:tc");
        pugi::xml_node tcPr = tc.append_child("w:tcPr");
        pugi::xml_node w = tcPr.append_child("w:tcW");
        w.append_attribute("w:w") = Tw(width(c)).c_str();
        w.append_attribute("w:type") = "dxa";
        if (cell->straddleCols > 1) Val(tcPr, "w:gridSpan", std::to_string(cell->straddleCols));
        c += static_cast<size_t>(std::max(1, cell->straddleCols));
        bool tableLast = true;
        for (Handle p : m.Chained(cell->pgfs)) tableLast = Block(tc, p);
        if (tableLast) tc.append_child("w:p");  // a cell ends with a paragraph
      }
    }
  }
};

}  // namespace

bool WriteNew(const Model &m, const Doc &d, const std::string &path, std::string &err) {
  Writer w{m, d, {}, {}};
  pugi::xml_document styles;
  pugi::xml_node sroot = Root(styles, "w:styles");
  std::set<std::string> used;
  const PgfFmt *def = m.FindFormat(d, "Body");
  if (!def && d.fmts.first) def = m.FmtOf(d.fmts.first);
  for (Handle h : m.Chained(d.fmts)) {
    const PgfFmt *f = m.FmtOf(h);
    w.ids[f->name] = NewStyleId(f->name, used);
  }
  for (Handle h : m.Chained(d.fmts)) {
    const PgfFmt *f = m.FmtOf(h);
    pugi::xml_node s = sroot.append_child("w:style");
    s.append_attribute("w:type") = "paragraph";
    if (f == def) s.append_attribute("w:default") = "1";
    s.append_attribute("w:styleId") = w.ids[f->name].c_str();
    Val(s, "w:name", f->name);
    if (m.FmtChar(*f, PROP_UseNextTag).i)
      if (auto it = w.ids.find(m.FmtChar(*f, PROP_NextTag).s); it != w.ids.end())
        Val(s, "w:next", it->second);
    s.append_child("w:qFormat");
    pugi::xml_node pPr = s.append_child("w:pPr");  // before w:rPr, as the schema wants
    FormatToXml(m, *f, pPr, s.append_child("w:rPr"));
  }

  for (Handle t : m.Chained(d.tables)) w.anchored[m.As<Table>(t, Kind::Table)->anchor].push_back(t);
  pugi::xml_document doc;
  pugi::xml_node body = Root(doc, "w:document").append_child("w:body");
  for (Handle f : m.Chained(d.flows))
    for (Handle fr : m.Chained(m.As<Flow>(f, Kind::Flow)->frames))
      for (Handle p : m.Chained(m.As<Frame>(fr, Kind::Frame)->pgfs)) w.Block(body, p);
  // Tables whose anchor is not a paragraph of a flow (none, or a cell's) that was written.
  std::set<Handle> inFlows;
  for (Handle f : m.Chained(d.flows))
    for (Handle fr : m.Chained(m.As<Flow>(f, Kind::Flow)->frames))
      for (Handle p : m.Chained(m.As<Frame>(fr, Kind::Frame)->pgfs)) inFlows.insert(p);
  for (Handle t : m.Chained(d.tables)) {
    const Table *tb = m.As<Table>(t, Kind::Table);
    const Pgf *a = m.PgfOf(tb->anchor);
    if (!a || (a->home == PgfHome::Frame && !inFlows.count(a->h))) w.Table(body, *tb);
  }
  if (!body.first_child()) body.append_child("w:p");
  pugi::xml_node sect = body.append_child("w:sectPr");
  pugi::xml_node pg = sect.append_child("w:pgSz");
  pg.append_attribute("w:w") = Tw(d.pageWidth).c_str();
  pg.append_attribute("w:h") = Tw(d.pageHeight).c_str();
  pugi::xml_node mar = sect.append_child("w:pgMar");
  for (const char *side : {"w:top", "w:right", "w:bottom", "w:left"})
    mar.append_attribute(side) = "1440";
  for (const char *side : {"w:header", "w:footer", "w:gutter"}) mar.append_attribute(side) = "720";
  mar.attribute("w:gutter").set_value("0");

  const std::string ct =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
      "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
      "<Default Extension=\"rels\" "
      "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
      "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
      "<Override PartName=\"/word/document.xml\" "
      "ContentType=\"application/"
      "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
      "<Override PartName=\"/word/styles.xml\" "
      "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml\"/>"
      "</Types>";
  const std::string rels =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
      "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
      "<Relationship Id=\"rId1\" "
      "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
      "Target=\"word/document.xml\"/>"
      "</Relationships>";
  const std::string docRels =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
      "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
      "<Relationship Id=\"rId1\" "
      "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
      "Target=\"styles.xml\"/>"
      "</Relationships>";
  return WritePackage(path,
                      {{"[Content_Types].xml", ct},
                       {"_rels/.rels", rels},
                       {"word/_rels/document.xml.rels", docRels},
                       {"word/document.xml", Print(doc)},
                       {"word/styles.xml", Print(styles)}},
                      false, err);
}

}  // namespace qvhost::docx
