// WordprocessingML documents made by LibreOffice, python3-docx and pandoc: what the model
// reads from them, byte-identical round trips, each kind of change written back, and bad
// packages refused.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>
#include <regex>
#include <sstream>

#include "host/files.h"
#include "host/formats/docx.h"
#include "host/model/props.h"
#include "host/model/status.h"
#include "host/formats/package.h"
#include "host/formats/style_refs.h"
#include "quorvex/fcodes.h"

namespace qvhost {
namespace {

namespace fs = std::filesystem;

int32_t Twips(int n) {  // a length in twentieths of a point, as a metric
  return static_cast<int32_t>(std::lround(n * 65536.0 / 20));
}

struct TempDir {
  fs::path dir;
  TempDir() {
    char tmpl[] = "/tmp/qvdocx-XXXXXX";
    dir = mkdtemp(tmpl);
  }
  ~TempDir() { fs::remove_all(dir); }
  std::string Copy(const std::string &fixture) {
    fs::copy_file(Fixture(fixture), dir / fixture);
    return (dir / fixture).string();
  }
  static std::string Fixture(const std::string &name) {
    return std::string(QV_FIXTURES_DIR) + "/office/" + name;
  }
};

std::string Bytes(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string Entry(const std::string &path, const std::string &name) {
  std::string err, out;
  auto pkg = Package::Open(path, err);
  if (!pkg || !pkg->Read(name, out, err)) ADD_FAILURE() << path << " " << name << ": " << err;
  return out;
}

// Paragraphs per flow tag, and tag use per flow.
struct Census {
  std::map<std::string, int> perFlow;
  std::map<std::string, std::set<std::string>> tagsIn;  // flow -> tags
  std::map<std::string, int> tags;
  int total = 0, inCells = 0, overrides = 0;
};

Census Count(const Model &m, const Doc &d) {
  Census c;
  for (Handle f : m.Chained(d.flows)) {
    const Flow *fl = m.As<Flow>(f, Kind::Flow);
    for (Handle fr : m.Chained(fl->frames))
      for (Handle p : m.Chained(m.As<Frame>(fr, Kind::Frame)->pgfs)) {
        ++c.perFlow[fl->tag];
        c.tagsIn[fl->tag].insert(m.PgfOf(p)->tag);
      }
  }
  for (Handle h : m.WalkPgfs(d)) {
    const Pgf *p = m.PgfOf(h);
    ++c.total;
    ++c.tags[p->tag];
    c.inCells += p->home == PgfHome::Cell;
    c.overrides += p->override_;
  }
  return c;
}

std::vector<std::string> Catalogue(const Model &m, const Doc &d) {
  std::vector<std::string> v;
  for (Handle f : m.Chained(d.fmts)) v.push_back(m.FmtOf(f)->name);
  return v;
}

Doc &Open(Model &m, const std::string &path) {
  std::string err;
  Handle h = LoadFile(m, path, err);
  EXPECT_NE(h, 0u) << err;
  if (!h) throw std::runtime_error(err);
  return *m.DocOf(h);
}

// What the client's ApplyStyle does: the format's whole property list onto the paragraph.
void ApplyStyle(Model &m, Doc &d, Handle pgf, const std::string &tag) {
  Handle f = 0;
  ASSERT_EQ(m.GetNamedObject(d.h, kObjPgfFmt, tag, f), 0);
  std::vector<Model::PropVal> props;
  ASSERT_EQ(m.GetProps(d.h, f, props), 0);
  ASSERT_EQ(m.SetProps(d.h, pgf, props), 0);
}

const char *const kDocx[] = {"rich.docx",
                             "pydocx.docx",
                             "pydocx-default.docx",
                             "pandoc-reference.docx",
                             "users-and-groups.docx",
                             "valgrind-quick-start.docx",
                             "gdocs-export.docx"};

TEST(Docx, StoriesTablesAndStylesOfRealDocuments) {
  Model m;
  {  // LibreOffice's export of a document with every kind of place a paragraph can be.
    Doc &d = Open(m, TempDir::Fixture("rich.docx"));
    Census c = Count(m, d);
    // LibreOffice reads 27: it drops the two empty paragraphs that carry section breaks.
    EXPECT_EQ(c.total, 29);
    EXPECT_EQ(c.perFlow["A"], 16);  // and 7 in table cells
    EXPECT_EQ(c.perFlow["header1"], 1);
    EXPECT_EQ(c.perFlow["footer1"], 2);
    EXPECT_EQ(c.perFlow["Footnotes"], 2);
    EXPECT_EQ(c.perFlow["Endnotes"], 1);
    EXPECT_EQ(c.inCells, 7);  // with the empty paragraph that ends the outer cell
    // Styles used in one story only are used.
    EXPECT_EQ(c.tagsIn["footer1"], (std::set<std::string>{"Footer Line"}));
    EXPECT_TRUE(c.tagsIn["Footnotes"].count("Footnote Line"));
    EXPECT_FALSE(c.tagsIn["A"].count("Footnote Line"));
    EXPECT_EQ(c.tags["Inner Cell Text"], 2);
    EXPECT_EQ(c.tags["Frame Text"], 1);  // the text box's paragraph
    std::vector<std::string> cat = Catalogue(m, d);
    EXPECT_TRUE(std::count(cat.begin(), cat.end(), "Unused Alpha"));
    EXPECT_FALSE(std::count(cat.begin(), cat.end(), "Footnote Characters"));  // a character style
    EXPECT_EQ(c.tags.count("Unused Alpha"), 0u);
    // Heading 1: bold 18 pt of its own, keep-with-next and 238 twips above from "Heading".
    const PgfFmt *h1 = m.FindFormat(d, "Heading 1");
    ASSERT_TRUE(h1);
    EXPECT_EQ(m.FmtChar(*h1, PROP_FontWeight).i, 5);
    EXPECT_EQ(m.FmtChar(*h1, PROP_FontSize).i, 18 * 0x10000);
    EXPECT_EQ(m.FmtChar(*h1, PROP_KeepWithNext).i, 1);
    EXPECT_EQ(m.FmtChar(*h1, PROP_SpaceAbove).i, Twips(238));
    EXPECT_EQ(m.FmtChar(*h1, PROP_NextTag).s, "Body Text");
    const auto &fams = FontFamilyNames();
    EXPECT_EQ(fams.at(static_cast<size_t>(m.FmtChar(*h1, PROP_FontFamily).i)), "DejaVu Serif");
  }
  {  // python3-docx: default style paragraphs without a style reference, a table, a footer.
    Doc &d = Open(m, TempDir::Fixture("pydocx.docx"));
    Census c = Count(m, d);
    EXPECT_EQ(c.total, 28);
    EXPECT_EQ(c.inCells, 9);
    EXPECT_EQ(c.tags["Normal"], 4);
    EXPECT_EQ(c.tags["Cell Text"], 6);
    EXPECT_EQ(c.tags["heading 1"], 2);  // the file's own name, as Word stores its built-ins
    int hf = 0;
    for (auto &[flow, n] : c.perFlow)
      if (flow.rfind("header", 0) == 0 || flow.rfind("footer", 0) == 0) hf += n;
    EXPECT_EQ(hf, 3);
    EXPECT_EQ(c.tags["Footer Only"], 1);
    EXPECT_EQ(c.overrides, 3);  // centre + indent, space before, the right-aligned quote
    std::vector<std::string> cat = Catalogue(m, d);
    EXPECT_TRUE(std::count(cat.begin(), cat.end(), "Never Used"));
    const PgfFmt *title = m.FindFormat(d, "Title");
    ASSERT_TRUE(title);
  }
  {
    Doc &d = Open(m, TempDir::Fixture("pandoc-reference.docx"));
    Census c = Count(m, d);
    EXPECT_EQ(c.total, 28);
    EXPECT_EQ(c.perFlow["Footnotes"], 1);
    EXPECT_EQ(c.tags["Compact"], 4);
    EXPECT_TRUE(m.FindFormat(d, "Heading 9"));  // pandoc writes its names capitalised
  }
  {
    Doc &d = Open(m, TempDir::Fixture("users-and-groups.docx"));
    Census c = Count(m, d);
    EXPECT_EQ(c.total, 148);
    EXPECT_EQ(c.overrides, 148);
  }
}

TEST(Docx, UnchangedDocumentsSaveByteIdentically) {
  for (const char *name : kDocx) {
    SCOPED_TRACE(name);
    TempDir t;
    std::string path = t.Copy(name);
    auto before = fs::last_write_time(path);
    Model m;
    Doc &d = Open(m, path);
    std::string err;
    ASSERT_TRUE(SaveFile(m, d.h, path, err)) << err;
    EXPECT_EQ(fs::last_write_time(path), before);  // nothing written
    std::string other = (t.dir / "copy.docx").string();
    ASSERT_TRUE(SaveFile(m, d.h, other, err)) << err;
    EXPECT_EQ(Bytes(other), Bytes(TempDir::Fixture(name)));
  }
}

Handle FmtHandle(const Model &m, const Doc &d, const std::string &name) {
  const PgfFmt *f = m.FindFormat(d, name);
  return f ? f->h : 0;
}

// Entries of two packages that differ.
std::set<std::string> Changed(const std::string &a, const std::string &b) {
  std::string err;
  auto pa = Package::Open(a, err), pb = Package::Open(b, err);
  std::set<std::string> out;
  for (const std::string &n : pa->Names()) {
    std::string x, y;
    pa->Read(n, x, err);
    if (!pb->Has(n) || !pb->Read(n, y, err) || x != y) out.insert(n);
  }
  return out;
}

TEST(Docx, DeletingStylesKeepsTheLookOfWhatDependedOnThem) {
  TempDir t;
  std::string path = t.Copy("rich.docx");
  {
    Model m;
    Doc &d = Open(m, path);
    // "Heading" is the parent of Heading 1 and 2 and used by no paragraph; "Body Text" is
    // used, is the next style of the headings and the parent of "List".
    ASSERT_EQ(m.Delete(d.h, FmtHandle(m, d, "Heading")), 0);
    ASSERT_EQ(m.Delete(d.h, FmtHandle(m, d, "Body Text")), 0);
    ASSERT_EQ(m.Delete(d.h, FmtHandle(m, d, "Unused Alpha")), 0);
    std::string err;
    ASSERT_TRUE(SaveFile(m, d.h, path, err)) << err;
  }
  EXPECT_EQ(Changed(TempDir::Fixture("rich.docx"), path),
            (std::set<std::string>{"word/styles.xml", "word/document.xml"}));
  Model m;
  Doc &d = Open(m, path);
  std::vector<std::string> cat = Catalogue(m, d);
  for (const char *gone : {"Heading", "Body Text", "Unused Alpha"})
    EXPECT_FALSE(std::count(cat.begin(), cat.end(), gone)) << gone;
  const PgfFmt *h1 = m.FindFormat(d, "Heading 1");
  ASSERT_TRUE(h1);
  EXPECT_EQ(m.FmtChar(*h1, PROP_KeepWithNext).i, 1);  // folded in from "Heading"
  EXPECT_EQ(m.FmtChar(*h1, PROP_SpaceAbove).i, Twips(238));
  EXPECT_EQ(m.FmtChar(*h1, PROP_FontSize).i, 18 * 0x10000);
  EXPECT_EQ(m.FmtChar(*h1, PROP_NextTag).s, "");  // its next style was deleted
  EXPECT_EQ(m.FmtChar(*m.FindFormat(d, "List"), PROP_SpaceBelow).i, Twips(142));
  // The six "Body Text" paragraphs now carry its parent and keep its spacing directly.
  Census c = Count(m, d);
  EXPECT_EQ(c.total, 29);
  EXPECT_EQ(c.tags.count("Body Text"), 0u);
  int kept = 0;
  for (Handle h : m.WalkPgfs(d))
    if (const Pgf *p = m.PgfOf(h);
        p->tag == "Normal" && p->override_ && m.PgfChar(d, *p, PROP_SpaceBelow).i == Twips(142))
      ++kept;
  EXPECT_GE(kept, 6);
  std::string doc = Entry(path, "word/document.xml");
  EXPECT_EQ(doc.find("w:val=\"TextBody\""), std::string::npos);
}

TEST(Docx, RetagOverrideRemovalAndNextStyleAreWrittenBack) {
  TempDir t;
  std::string path = t.Copy("pydocx.docx");
  {
    Model m;
    Doc &d = Open(m, path);
    for (Handle h : m.WalkPgfs(d)) {
      Pgf *p = m.PgfOf(h);
      if (p->tag == "Quote") {
        ApplyStyle(m, d, h, "heading 2");
      } else if (p->override_) {
        ApplyStyle(m, d, h, p->tag);
        ASSERT_EQ(m.SetProp(d.h, h, PROP_PgfOverride, Value::Int(0)), 0);
      }
    }
    ASSERT_EQ(m.SetProp(d.h, FmtHandle(m, d, "heading 1"), PROP_NextTag, Value::Str("Title")), 0);
    ASSERT_EQ(m.SetProp(d.h, FmtHandle(m, d, "heading 1"), PROP_UseNextTag, Value::Int(1)), 0);
    std::string err;
    std::string other = (t.dir / "out.docx").string();
    ASSERT_TRUE(SaveFile(m, d.h, other, err)) << err;
    EXPECT_EQ(Bytes(path), Bytes(TempDir::Fixture("pydocx.docx")));  // the source untouched
    fs::rename(other, path);
  }
  EXPECT_EQ(Changed(TempDir::Fixture("pydocx.docx"), path),
            (std::set<std::string>{"word/styles.xml", "word/document.xml"}));
  Model m;
  Doc &d = Open(m, path);
  Census c = Count(m, d);
  EXPECT_EQ(c.total, 28);
  EXPECT_EQ(c.overrides, 0);
  EXPECT_EQ(c.tags.count("Quote"), 0u);
  EXPECT_EQ(c.tags["heading 2"], 2);
  EXPECT_EQ(m.FmtChar(*m.FindFormat(d, "heading 1"), PROP_NextTag).s, "Title");
}

TEST(Docx, ChangesWithoutAMappingAreRefusedAndNothingIsWritten) {
  TempDir t;
  std::string path = t.Copy("rich.docx");
  Model m;
  Doc &d = Open(m, path);
  Handle first = m.WalkPgfs(d).front();
  TextLoc end;
  ASSERT_EQ(m.AddText(d.h, TextLoc{first, 0}, "typed ", end), 0);
  std::string err;
  EXPECT_FALSE(SaveFile(m, d.h, path, err));
  EXPECT_NE(err.find("text"), std::string::npos) << err;
  EXPECT_EQ(Bytes(path), Bytes(TempDir::Fixture("rich.docx")));
  Handle added = 0;
  ASSERT_EQ(m.NewPgfAfter(d.h, first, added), 0);
  EXPECT_FALSE(SaveFile(m, d.h, path, err));
  EXPECT_NE(err.find("added"), std::string::npos) << err;
}

// A package like `fixture` with some entries replaced (or, with an empty text, left out).
std::string Variant(TempDir &t, const std::string &fixture, const std::string &name,
                    std::map<std::string, std::string> change) {
  std::string err;
  auto pkg = Package::Open(TempDir::Fixture(fixture), err);
  std::vector<std::pair<std::string, std::string>> entries;
  for (const std::string &n : pkg->Names()) {
    std::string bytes;
    pkg->Read(n, bytes, err);
    auto it = change.find(n);
    if (it != change.end()) bytes = it->second;
    if (!bytes.empty()) entries.emplace_back(n, bytes);
  }
  std::string path = (t.dir / name).string();
  EXPECT_TRUE(WritePackage(path, entries, false, err)) << err;
  return path;
}

std::string Replaced(std::string s, const std::string &from, const std::string &to) {
  size_t at = s.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) s.replace(at, from.size(), to);
  return s;
}

TEST(Docx, BrokenPackagesAreRefusedWithAReason) {
  TempDir t;
  std::string styles = Entry(TempDir::Fixture("rich.docx"), "word/styles.xml");
  std::string document = Entry(TempDir::Fixture("rich.docx"), "word/document.xml");
  std::string types = Entry(TempDir::Fixture("rich.docx"), "[Content_Types].xml");
  std::string big(70u << 20, ' ');
  std::string real = Bytes(TempDir::Fixture("rich.docx"));
  std::ofstream(t.dir / "truncated.docx", std::ios::binary) << real.substr(0, real.size() / 2);
  std::ofstream(t.dir / "text.docx") << "just some text, not a package\n";
  struct Case {
    std::string path, expect;
  } cases[] = {
      {Variant(t, "rich.docx", "no-types.docx", {{"[Content_Types].xml", ""}}),
       "[Content_Types].xml"},
      {Variant(t, "rich.docx", "bad-types.docx", {{"[Content_Types].xml", "<Types><Default"}}),
       "not well-formed"},
      {Variant(t, "rich.docx", "xlsx-like.docx",
               {{"[Content_Types].xml",
                 Replaced(types, "wordprocessingml.document.main", "spreadsheetml.sheet.main")}}),
       "not a WordprocessingML document"},
      {Variant(t, "rich.docx", "no-header.docx", {{"word/header1.xml", ""}}), "word/header1.xml"},
      {Variant(t, "rich.docx", "loop.docx",
               {{"word/styles.xml",
                 Replaced(styles, "<w:basedOn w:val=\"Normal\"/><w:next w:val=\"TextBody\"/>",
                          "<w:basedOn w:val=\"Heading1\"/><w:next w:val=\"TextBody\"/>")}}),
       "basedOn loop"},
      {Variant(
           t, "rich.docx", "dup.docx",
           {{"word/styles.xml", Replaced(styles, "w:styleId=\"List\"", "w:styleId=\"Heading\"")}}),
       "two styles have the id"},
      {Variant(t, "rich.docx", "dtd.docx",
               {{"word/document.xml",
                 Replaced(document, "?>", "?><!DOCTYPE w:document [<!ENTITY x \"xx\">]>")}}),
       "document type declaration"},
      {Variant(t, "rich.docx", "bomb.docx", {{"word/document.xml", big}}), "document.xml"},
      {(t.dir / "truncated.docx").string(), "ZIP"},
      {(t.dir / "text.docx").string(), "not a supported document"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.path);
    auto before = Bytes(c.path);
    Model m;
    std::string err;
    EXPECT_EQ(LoadFile(m, c.path, err), 0u);
    EXPECT_NE(err.find(c.expect), std::string::npos) << err;
    EXPECT_NE(err.find(c.path), std::string::npos) << err;
    EXPECT_TRUE(m.OpenDocs().empty());
    EXPECT_EQ(Bytes(c.path), before);
  }
}

TEST(Docx, NewDocumentsHaveRealStylesAndTablesAndReadBack) {
  TempDir t;
  Model m;
  Doc *d = m.NewStandardDoc();
  Handle body = m.WalkPgfs(*d).front();
  TextLoc end;
  ASSERT_EQ(m.AddText(d->h, TextLoc{body, 0}, "Tags to keep", end), 0);
  Handle tbl = 0;
  ASSERT_EQ(m.NewTable(d->h, "", 2, 3, 1, 0, end, tbl), 0);
  std::string path = (t.dir / "list.docx").string(), err;
  ASSERT_TRUE(SaveFile(m, d->h, path, err)) << err;
  Model back;
  Doc &r = Open(back, path);
  EXPECT_EQ(Catalogue(back, r), Catalogue(m, *d));
  ASSERT_EQ(back.Chained(r.tables).size(), 1u);
  const Table *rt = back.As<Table>(r.tables.first, Kind::Table);
  EXPECT_EQ(back.Chained(rt->rows).size(), 4u);
  EXPECT_EQ(rt->colWidths.size(), 2u);
  EXPECT_EQ(back.FmtChar(*back.FindFormat(r, "Heading1"), PROP_FontWeight).i, 5);
  EXPECT_EQ(back.PgfOf(back.WalkPgfs(r).front())->text, "Tags to keep");
}

TEST(Docx, NewDocumentsOfEitherFormatReadBackEveryCharacteristicTheyWrite) {
  // One format given a value other than the default for every characteristic, each one a value
  // both formats can say exactly; written as a new .docx and a new .odt and read back.
  TempDir t;
  Model m;
  Doc *d = m.NewStandardDoc();
  const PgfFmt *body = m.FindFormat(*d, "Body");
  ASSERT_TRUE(body);
  Tab left{36 << 16, 1, ".", 0}, mid{72 << 16, 2, "\xC2\xB7", 0}, right{90 << 16, 3, "-", 0},
      dec{200 << 16, 4, "", '.'};
  const std::map<int32_t, Value> want{
      {PROP_FontSize, Value::Metric(10 << 16)},
      {PROP_FontFamily, Value::Int(FontFamilyIndex("DejaVu Serif"))},
      {PROP_FontWeight, Value::Int(5)},
      {PROP_FontAngle, Value::Int(1)},
      {PROP_Color, Value::Id(m.AddColor(*d, "#123456")->h)},
      {PROP_Underlining, Value::Int(2)},
      {PROP_Strikethrough, Value::Int(1)},
      {PROP_Overline, Value::Int(1)},
      {PROP_Capitalization, Value::Int(3)},
      {PROP_Position, Value::Int(2)},
      {PROP_Hyphenate, Value::Int(0)},
      {PROP_HyphShortestPrefix, Value::Int(4)},
      {PROP_HyphShortestSuffix, Value::Int(5)},
      {PROP_PairKern, Value::Int(0)},
      {PROP_Stretch, Value::Metric(49152)},  // 75 %
      {PROP_Alignment, Value::Int(4)},
      {PROP_LeftIndent, Value::Metric(36 << 16)},
      {PROP_FirstIndent, Value::Metric(18 << 16)},
      {PROP_RightIndent, Value::Metric(12 << 16)},
      {PROP_SpaceAbove, Value::Metric(6 << 16)},
      {PROP_SpaceBelow, Value::Metric(3 << 16)},
      {PROP_LineSpacing, Value::Metric(8 << 16)},  // 18 pt lines: 150 % of single spacing
      {PROP_LineSpacingNotFixed, Value::Int(1)},
      {PROP_KeepWithNext, Value::Int(1)},
      {PROP_HyphMaxAdjacent, Value::Int(0)},
      {PROP_WidowOrphanLines, Value::Int(0)},
      {PROP_Start, Value::Int(2)},
      {PROP_Tabs, Value::Tabs({left, mid, right, dec})},
  };
  for (const auto &[code, v] : want) ASSERT_EQ(m.SetProp(d->h, body->h, code, v), 0) << code;
  for (const char *ext : {"docx", "odt"}) {
    std::string path = (t.dir / (std::string("new.") + ext)).string(), err;
    ASSERT_TRUE(SaveFile(m, d->h, path, err)) << err;
    Model back;
    Doc &r = Open(back, path);
    const PgfFmt *f = back.FindFormat(r, "Body");
    ASSERT_TRUE(f) << ext;
    int compared = 0;
    for (const auto &[code, v] : want) {
      Value got = back.FmtChar(*f, code);
      if (code == PROP_Color) {
        const Color *c = back.As<Color>(static_cast<Handle>(got.i), Kind::Color);
        EXPECT_TRUE(c && c->name == "#123456") << ext << " colour";
        continue;
      }
      bool mapped = ext[0] == 'd'
                        ? std::count(docx::MappedCodes().begin(), docx::MappedCodes().end(), code)
                        : true;
      if (!mapped) continue;
      ++compared;
      EXPECT_EQ(got, v) << ext << " " << code;
    }
    EXPECT_GT(compared, 20) << ext;
  }
}

TEST(Docx, BooksMixFormatsAndMasterDocumentsAreBooks) {
  Model m;
  m.files = &FormatFiles();
  std::string err;
  Handle b = LoadFile(m, TempDir::Fixture("mixed.book"), err);
  ASSERT_NE(b, 0u) << err;
  int docx = 0;
  for (Handle c : m.Chained(m.BookOf(b)->comps)) {
    std::string p = m.As<Component>(c, Kind::Component)->path;
    if (p.size() > 5 && p.substr(p.size() - 5) == ".docx") {
      Handle h = 0;
      ASSERT_EQ(m.Open(p, false, h), 0) << m.lastError;
      EXPECT_FALSE(m.WalkPgfs(*m.DocOf(h)).empty());
      ++docx;
    }
  }
  EXPECT_EQ(docx, 2);
}

// The references to paragraph styles a package holds that name no style it defines: w:pStyle,
// w:basedOn, w:next, w:link in every XML part, STYLEREF fields and TOC \t lists (by name).
std::vector<std::string> Dangling(const std::string &path) {
  std::string styles = Entry(path, "word/styles.xml");
  std::set<std::string> ids, names;
  std::regex style("<w:style [^>]*w:styleId=\"([^\"]*)\"[^>]*>(<w:name w:val=\"([^\"]*)\")?");
  for (std::sregex_iterator i(styles.begin(), styles.end(), style), e; i != e; ++i) {
    ids.insert((*i)[1]);
    std::string n = (*i)[3];
    for (char &c : n) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    names.insert(n);
  }
  std::vector<std::string> out;
  std::string err;
  auto pkg = Package::Open(path, err);
  std::regex ref("<w:(pStyle|basedOn|next|link|clickAndTypeStyle) w:val=\"([^\"]*)\"");
  std::regex field("(STYLEREF|\\\\t) +\"([^\"]*)\"");
  for (const std::string &n : pkg->Names()) {
    if (n.size() < 4 || n.substr(n.size() - 4) != ".xml") continue;
    if (n == "word/stylesWithEffects.xml") continue;  // Word 2010's copy names its own styles
    std::string x = std::regex_replace(Entry(path, n), std::regex("&quot;"), "\"");
    for (std::sregex_iterator i(x.begin(), x.end(), ref), e; i != e; ++i)
      if (!ids.count((*i)[2])) out.push_back(n + ": " + (*i)[0].str());
    for (std::sregex_iterator i(x.begin(), x.end(), field), e; i != e; ++i) {
      std::string list = (*i)[2];
      for (char &c : list) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      std::stringstream parts(list);
      int k = 0;
      for (std::string item; std::getline(parts, item, ','); ++k)
        if ((k % 2 == 0 || (*i)[1] == "STYLEREF") && !names.count(item))
          out.push_back(n + ": " + (*i)[0].str());
    }
  }
  return out;
}

const PgfFmt &Format(const Model &m, const Doc &d, const std::string &name) {
  const PgfFmt *f = m.FindFormat(d, name);
  if (!f) throw std::runtime_error("no format " + name);
  return *f;
}

std::string FontOf(const Model &m, const PgfFmt &f) {
  int32_t i = m.FmtChar(f, PROP_FontFamily).i;
  return i >= 0 ? FontFamilyNames().at(static_cast<size_t>(i)) : "";
}

TEST(Docx, DeletedParentsFoldTheSettingsAsWrittenNotAsResolved) {
  TempDir t;
  std::string path = t.Copy("pydocx-refs.docx");
  {
    Model m;
    Doc &d = Open(m, path);
    // "My Heading 2" writes Times New Roman over the theme's major font of "heading 2".
    EXPECT_EQ(FontOf(m, Format(m, d, "My Heading 2")), "Times New Roman");
    EXPECT_NE(FontOf(m, Format(m, d, "heading 2")), "Times New Roman");
    ASSERT_EQ(m.Delete(d.h, Format(m, d, "heading 2").h), 0);
    std::string err;
    ASSERT_TRUE(SaveFile(m, d.h, path, err)) << err;
  }
  Model m;
  Doc &d = Open(m, path);
  const PgfFmt &mine = Format(m, d, "My Heading 2");
  EXPECT_EQ(FontOf(m, mine), "Times New Roman");
  EXPECT_EQ(m.FmtChar(mine, PROP_FontWeight).i, 5);  // the rest of heading 2 folded in
  EXPECT_EQ(m.FmtChar(mine, PROP_FontSize).i, 13 * 0x10000);
  EXPECT_EQ(m.FmtChar(mine, PROP_KeepWithNext).i, 1);
  std::string styles = Entry(path, "word/styles.xml");
  size_t at = styles.find("w:styleId=\"MyHeading2\"");
  ASSERT_NE(at, std::string::npos);
  std::string own = styles.substr(at, styles.find("</w:style>", at) - at);
  // The theme fonts of the scripts it did not set come with it; those it set stay its own.
  EXPECT_NE(own.find("w:eastAsiaTheme=\"majorEastAsia\""), std::string::npos) << own;
  EXPECT_EQ(own.find("w:asciiTheme"), std::string::npos) << own;
  EXPECT_EQ(own.find("w:hAnsiTheme"), std::string::npos) << own;
}

TEST(Docx, DeletingAStyleWithoutAnIdEndsAndTouchesNoOtherStyle) {
  // Typed by hand: a paragraph style that gives no w:styleId (so no style can be based on it)
  // and no w:basedOn, centred.
  TempDir t;
  std::string styles = Entry(TempDir::Fixture("pydocx.docx"), "word/styles.xml");
  std::string path =
      Variant(t, "pydocx.docx", "nameless.docx",
              {{"word/styles.xml",
                Replaced(styles, "</w:styles>",
                         "<w:style w:type=\"paragraph\"><w:name w:val=\"Nameless\"/><w:pPr><w:jc "
                         "w:val=\"center\"/></w:pPr></w:style></w:styles>")}});
  auto looks = [](const Model &m, const Doc &d) {
    std::map<std::string, std::vector<int32_t>> v;
    for (Handle h : m.Chained(d.fmts)) {
      const PgfFmt *f = m.FmtOf(h);
      for (int32_t c : {PROP_Alignment, PROP_FontSize, PROP_SpaceAbove, PROP_LeftIndent})
        v[f->name].push_back(m.FmtChar(*f, c).i);
    }
    return v;
  };
  std::map<std::string, std::vector<int32_t>> before;
  {
    Model m;
    Doc &d = Open(m, path);
    EXPECT_EQ(m.FmtChar(Format(m, d, "Nameless"), PROP_Alignment).i, 3);
    EXPECT_EQ(m.FmtChar(Format(m, d, "Normal"), PROP_Alignment).i, 1);  // not based on it
    ASSERT_EQ(m.Delete(d.h, Format(m, d, "Nameless").h), 0);
    before = looks(m, d);
    std::string err;
    ASSERT_TRUE(SaveFile(m, d.h, path, err)) << err;
  }
  Model m;
  Doc &d = Open(m, path);
  EXPECT_FALSE(m.FindFormat(d, "Nameless"));
  EXPECT_EQ(looks(m, d), before);
  EXPECT_EQ(Entry(path, "word/styles.xml").find("Nameless"), std::string::npos);
}

TEST(Docx, StylesAreListedByTheFilesOwnNamesAndDuplicateNamesAreToldApart) {
  Model m;
  {  // Word writes its built-ins' names in lower case; the catalogue shows them as written.
    Doc &d = Open(m, TempDir::Fixture("word-known-styles.docx"));
    std::vector<std::string> cat = Catalogue(m, d);
    for (const char *name : {"heading 1", "caption", "No Spacing", "TOC Heading"})
      EXPECT_TRUE(std::count(cat.begin(), cat.end(), name)) << name;
    EXPECT_FALSE(std::count(cat.begin(), cat.end(), "Caption"));
    Handle typed = 0;  // a name typed as Word shows it finds the style
    ASSERT_EQ(m.GetNamedObject(d.h, kObjPgfFmt, "Heading 1", typed), 0);
    EXPECT_EQ(m.FmtOf(typed)->name, "heading 1");
  }
  // LibreOffice's export of python3-docx's template names two styles "List Bullet 3".
  TempDir t;
  std::string path = t.Copy("lo-pydocx-default.docx");
  std::vector<std::string> before;
  {
    Model m2;
    Doc &d = Open(m2, path);
    before = Catalogue(m2, d);
    EXPECT_EQ(std::count(before.begin(), before.end(), "List Bullet 3"), 1);
    EXPECT_EQ(std::count(before.begin(), before.end(), "List Bullet 3 [ListBullet3]"), 1);
    ASSERT_EQ(m2.Delete(d.h, Format(m2, d, "List Bullet 3 [ListBullet3]").h), 0);
    std::string err;
    ASSERT_TRUE(SaveFile(m2, d.h, path, err)) << err;
  }
  Model m3;
  Doc &d = Open(m3, path);
  std::vector<std::string> after = Catalogue(m3, d);
  std::erase(before, "List Bullet 3 [ListBullet3]");
  EXPECT_EQ(after, before);  // the others keep their names, the first its plain one
}

TEST(Docx, RemovingOverridesKeepsStructure) {
  TempDir t;
  std::string path = t.Copy("pydocx-refs.docx");
  {
    Model m;
    Doc &d = Open(m, path);
    int stripped = 0;
    for (Handle h : m.WalkPgfs(d)) {
      Pgf *p = m.PgfOf(h);
      if (!p->override_) continue;
      ApplyStyle(m, d, h, p->tag);
      ASSERT_EQ(m.SetProp(d.h, h, PROP_PgfOverride, Value::Int(0)), 0);
      ++stripped;
    }
    EXPECT_EQ(stripped, 1);  // the drop cap's paragraph: its keepNext is an override
    std::string err;
    ASSERT_TRUE(SaveFile(m, d.h, path, err)) << err;
  }
  std::string doc = Entry(path, "word/document.xml");
  EXPECT_NE(doc.find("<w:framePr w:dropCap=\"drop\""), std::string::npos);  // still a drop cap
  EXPECT_EQ(doc.find("<w:keepNext w:val=\"0\"/>"), std::string::npos);
}

TEST(Docx, AnEmptyBodyIsOneParagraphInTheDefaultStyleWhichIsNeverDeleted) {
  TempDir t;
  std::string path = t.Copy("pydocx-default.docx");
  {
    Model m;
    Doc &d = Open(m, path);
    std::vector<Handle> ps = m.WalkPgfs(d);
    ASSERT_EQ(ps.size(), 1u);
    EXPECT_EQ(m.PgfOf(ps[0])->tag, "Normal");
    EXPECT_EQ(m.Delete(d.h, Format(m, d, "Normal").h), kNotDeletable);
    std::string err;
    ASSERT_TRUE(SaveFile(m, d.h, path, err)) << err;  // nothing changed: nothing written
    EXPECT_EQ(Bytes(path), Bytes(TempDir::Fixture("pydocx-default.docx")));
    ApplyStyle(m, d, ps[0], "heading 1");
    ASSERT_TRUE(SaveFile(m, d.h, path, err)) << err;
    ApplyStyle(m, d, ps[0], "heading 2");  // the paragraph written is the one edited next
    ASSERT_TRUE(SaveFile(m, d.h, path, err)) << err;
    ApplyStyle(m, d, ps[0], "heading 1");
    ASSERT_TRUE(SaveFile(m, d.h, path, err)) << err;
  }
  Model m;
  Doc &d = Open(m, path);
  std::vector<Handle> ps = m.WalkPgfs(d);
  ASSERT_EQ(ps.size(), 1u);
  EXPECT_EQ(m.PgfOf(ps[0])->tag, "heading 1");
  EXPECT_LT(Entry(path, "word/document.xml").find("<w:pStyle w:val=\"Heading1\"/>"),
            Entry(path, "word/document.xml").find("<w:sectPr"));
}

TEST(Docx, FieldsAndNumberingNameOnlyStylesThatExistAndFollowConvertedStyles) {
  // The instruction rewriting on its own: lists in either separator, a list emptied.
  docx::StyleChanges c;
  c.Delete("Never Used", "Normal");
  c.Move("heading 1", "Title");
  EXPECT_EQ(docx::Instruction(" TOC \\t \"Never Used;2\" \\h ", c), " TOC \\h ");
  EXPECT_EQ(docx::Instruction(" TOC \\o \"1-3\" \\t \"A;1;never used;2\"", c),
            " TOC \\o \"1-3\" \\t \"A;1;Title;1\"");
  EXPECT_EQ(docx::Instruction(" TOC \\o \"2-3\" \\h", c), " TOC \\o \"2-3\" \\h");
  EXPECT_EQ(docx::Instruction(" STYLEREF Heading\\ 1 ", c), " STYLEREF Heading\\ 1 ");
  EXPECT_EQ(docx::Instruction(" STYLEREF \"Heading 1\" \\l", c), " STYLEREF \"Title\" \\l");
  EXPECT_EQ(docx::Instruction(" STYLEREF 1 ", c), " STYLEREF 1 ");

  TempDir t;
  std::string path = t.Copy("pydocx-refs.docx");
  {
    Model m;
    Doc &d = Open(m, path);
    for (Handle h : m.WalkPgfs(d)) {
      const std::string tag = m.PgfOf(h)->tag;
      if (tag == "Quote") ApplyStyle(m, d, h, "Intense Quote");
      if (tag == "heading 1") ApplyStyle(m, d, h, "Title");
    }
    ASSERT_EQ(m.Delete(d.h, Format(m, d, "Never Used").h), 0);
    ASSERT_EQ(m.Delete(d.h, Format(m, d, "List Number").h), 0);  // used, and a list's style
    std::string err;
    ASSERT_TRUE(SaveFile(m, d.h, path, err)) << err;
  }
  std::string doc = Entry(path, "word/document.xml");
  EXPECT_NE(doc.find("\\t \"My Heading 2,2,Title,1\""), std::string::npos) << doc;
  EXPECT_NE(doc.find("STYLEREF \"Intense Quote\""), std::string::npos);
  EXPECT_NE(Entry(path, "word/header1.xml").find("STYLEREF &quot;Intense Quote&quot;"),
            std::string::npos);
  // The settings' click-and-type style moved with every "Quote" paragraph.
  EXPECT_NE(Entry(path, "word/settings.xml").find("<w:clickAndTypeStyle w:val=\"IntenseQuote\"/>"),
            std::string::npos);
  EXPECT_EQ(Dangling(path), std::vector<std::string>{});
  // Deleted, it names the style the deleted one's paragraphs now carry; explain sees it.
  std::string deleted = (t.dir / "deleted.docx").string();
  fs::copy_file(TempDir::Fixture("pydocx-refs.docx"), deleted);
  {
    Model m;
    Doc &d = Open(m, deleted);
    StyleFacts facts;
    std::string err;
    ASSERT_TRUE(ReadStyleFacts(m, d, facts, err)) << err;
    EXPECT_EQ(std::count_if(facts.refs.begin(), facts.refs.end(),
                            [](const StyleRef &r) {
                              return r.kind == StyleRef::Setting && r.style == "Quote" && r.follows;
                            }),
              1);
    ASSERT_EQ(m.Delete(d.h, Format(m, d, "Quote").h), 0);
    ASSERT_TRUE(SaveFile(m, d.h, deleted, err)) << err;
  }
  EXPECT_NE(Entry(deleted, "word/settings.xml").find("<w:clickAndTypeStyle w:val=\"Normal\"/>"),
            std::string::npos);
  EXPECT_EQ(Dangling(deleted), std::vector<std::string>{});
  // Word's numbering part ties a list level to "List Number".
  std::string numbered = t.Copy("word-numbering.docx");
  {
    Model m;
    Doc &d = Open(m, numbered);
    ASSERT_EQ(m.Delete(d.h, Format(m, d, "List Number").h), 0);
    std::string err;
    ASSERT_TRUE(SaveFile(m, d.h, numbered, err)) << err;
  }
  EXPECT_EQ(Dangling(numbered), std::vector<std::string>{});
}

}  // namespace
}  // namespace qvhost
