// OpenDocument Text files made by LibreOffice (and shipped by Debian packages), read into the
// model and written back.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>

#include "host/files.h"
#include "host/formats/format.h"
#include "host/formats/odt.h"
#include "host/formats/odt_internal.h"
#include "host/formats/package.h"
#include "host/model/model.h"
#include "host/model/props.h"
#include "quorvex/fcodes.h"

namespace qvhost {
namespace {

namespace fs = std::filesystem;

std::string Fixture(const std::string &name) {
  return std::string(QV_FIXTURES_DIR) + "/office/" + name;
}

[[maybe_unused]] const char *kOdtFixtures[] = {"rich.odt",
                                               "users-and-groups.odt",
                                               "python-policy.odt",
                                               "zlib_how.odt",
                                               "valgrind-quick-start.odt",
                                               "libxslt-functions.odt",
                                               "docutils-styles.odt",
                                               "lo-idxexample.odt",
                                               "lo-resume1page.ott",
                                               "ooo-fax-lines.ott",
                                               "lo-indexed.odt",
                                               "pandoc-writer.odt"};

struct Loaded {
  Model m;
  Doc *d = nullptr;
  std::string err;
  explicit Loaded(const std::string &path) {
    Handle h = LoadFile(m, path, err);
    d = m.DocOf(h);
  }
  // Paragraph count per flow tag, and in tables.
  std::map<std::string, int> PerFlow() const {
    std::map<std::string, int> out;
    for (Handle h : m.WalkPgfs(*d)) {
      const Pgf *p = m.PgfOf(h);
      if (p->home != PgfHome::Frame) {
        ++out["(tables)"];
        continue;
      }
      const Frame *fr = m.As<Frame>(p->parent, Kind::Frame);
      ++out[m.As<Flow>(fr->flow, Kind::Flow)->tag];
    }
    return out;
  }
  std::map<std::string, int> Used() const {
    std::map<std::string, int> out;
    for (Handle h : m.WalkPgfs(*d)) ++out[m.PgfOf(h)->tag];
    return out;
  }
  int Overrides() const {
    int n = 0;
    for (Handle h : m.WalkPgfs(*d)) n += m.PgfOf(h)->override_;
    return n;
  }
  std::vector<std::string> Catalogue() const {
    std::vector<std::string> v;
    for (Handle h : m.Chained(d->fmts)) v.push_back(m.FmtOf(h)->name);
    return v;
  }
  const PgfFmt *Fmt(const std::string &name) const { return m.FindFormat(*d, name); }
};

std::string Bytes(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string Entry(const std::string &path, const std::string &name) {
  std::string err, out;
  auto pkg = Package::Open(path, err);
  if (pkg) pkg->Read(name, out, err);
  return out;
}

// A scratch folder for one test.
struct Scratch {
  fs::path dir;
  Scratch() {
    dir =
        fs::temp_directory_path() /
        ("qv-odt-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  ~Scratch() { fs::remove_all(dir); }
  std::string operator/(const std::string &n) const { return (dir / n).string(); }
};

TEST(OdtLoad, EveryPlaceAParagraphCanBeIsAFlowOrATable) {
  Loaded l(Fixture("rich.odt"));
  ASSERT_TRUE(l.d) << l.err;
  // LibreOffice reads 26 paragraphs: 14 in the body outside tables (one of them in a text
  // box), 6 in table cells (2 in a nested table), 2 footnotes, 1 endnote, header 1, footer 2.
  std::map<std::string, int> flows{{"A", 13},
                                   {"", 1},
                                   {"(tables)", 6},
                                   {"Footnotes", 2},
                                   {"Endnotes", 1},
                                   {"Standard Header", 1},
                                   {"Standard Footer", 2}};
  EXPECT_EQ(l.PerFlow(), flows);
  std::map<std::string, int> used{{"Cell Text", 4},       {"Endnote", 1},       {"Footer Line", 2},
                                  {"Footnote", 1},        {"Footnote Line", 1}, {"Frame Text", 1},
                                  {"Header", 1},          {"Heading 1", 1},     {"Heading 2", 2},
                                  {"Inner Cell Text", 2}, {"List Item", 2},     {"Section Text", 2},
                                  {"Text body", 6}};
  EXPECT_EQ(l.Used(), used);
  EXPECT_EQ(l.Overrides(), 5);
  std::vector<std::string> cat = l.Catalogue();
  ASSERT_EQ(cat.size(), 24u);
  EXPECT_EQ(cat[0], "Standard");
  EXPECT_EQ(cat[2], "Text body");
  EXPECT_EQ(cat[6], "Heading 1");
  // Nested table: its two cells are a table of their own, anchored in an outer cell.
  int anchoredInCell = 0;
  for (Handle t : l.m.Chained(l.d->tables)) {
    const Table *tb = l.m.As<Table>(t, Kind::Table);
    const Pgf *a = l.m.PgfOf(tb->anchor);
    anchoredInCell += a && a->home == PgfHome::Cell;
  }
  EXPECT_EQ(anchoredInCell, 1);
}

TEST(OdtLoad, CharacteristicsComeFromTheStyleChain) {
  Loaded l(Fixture("rich.odt"));
  ASSERT_TRUE(l.d) << l.err;
  const PgfFmt *h1 = l.Fmt("Heading 1");
  ASSERT_TRUE(h1);
  EXPECT_EQ(l.m.FmtChar(*h1, PROP_FontSize).i, 18 << 16);
  EXPECT_EQ(l.m.FmtChar(*h1, PROP_FontWeight).i, 5);  // Bold
  EXPECT_EQ(l.m.FmtChar(*h1, PROP_NextTag).s, "Text body");
  EXPECT_EQ(l.m.FmtChar(*h1, PROP_UseNextTag).i, 1);
  // The family comes from "Heading", its parent, through the font face declarations.
  const PgfFmt *heading = l.Fmt("Heading");
  ASSERT_TRUE(heading);
  EXPECT_EQ(l.m.FmtChar(*h1, PROP_FontFamily).i, l.m.FmtChar(*heading, PROP_FontFamily).i);
  // The direct formatting of the overridden paragraphs shows as their own characteristics.
  int boldRed = 0, centred = 0;
  for (Handle h : l.m.WalkPgfs(*l.d)) {
    const Pgf *p = l.m.PgfOf(h);
    if (p->tag != "Text body") continue;
    Value c = l.m.PgfChar(*l.d, *p, PROP_Color);
    const Color *col = l.m.As<Color>(static_cast<Handle>(c.i), Kind::Color);
    boldRed += l.m.PgfChar(*l.d, *p, PROP_FontWeight).i == 5 && col && col->name == "#990000";
    centred += l.m.PgfChar(*l.d, *p, PROP_Alignment).i == 3 &&
               l.m.PgfChar(*l.d, *p, PROP_LeftIndent).i > 0;
  }
  EXPECT_EQ(boldRed, 1);
  EXPECT_EQ(centred, 1);
}

TEST(OdtLoad, FixturesAgreeWithWhatLibreOfficeReads) {
  // Counts from LibreOffice's own reading of each file (see the fixtures' README), except
  // where the file and LibreOffice's reading of it differ: LibreOffice adds a paragraph style
  // to docutils-styles.odt (2) and lo-idxexample.odt (1) when it writes them, and counts the
  // first paragraph of users-and-groups, python-policy and docutils-styles as overridden for
  // its page number, which belongs to the master page it starts (structural, not an override).
  struct Want {
    const char *file;
    size_t pgfs, defined;
    int overrides;
  } wants[] = {{"users-and-groups.odt", 148, 16, 126}, {"python-policy.odt", 289, 20, 76},
               {"zlib_how.odt", 266, 15, 52},          {"valgrind-quick-start.odt", 73, 21, 15},
               {"libxslt-functions.odt", 139, 19, 68}, {"docutils-styles.odt", 27, 117, 2},
               {"lo-idxexample.odt", 34, 14, 27}};
  for (const Want &w : wants) {
    Loaded l(Fixture(w.file));
    ASSERT_TRUE(l.d) << w.file << ": " << l.err;
    EXPECT_EQ(l.m.WalkPgfs(*l.d).size(), w.pgfs) << w.file;
    EXPECT_EQ(l.Catalogue().size(), w.defined) << w.file;
    EXPECT_EQ(l.Overrides(), w.overrides) << w.file;
  }
  Loaded doc(Fixture("docutils-styles.odt"));
  std::map<std::string, int> used{
      {"Table Contents", 18}, {"Standard", 7}, {"Header", 1}, {"Footer", 1}};
  EXPECT_EQ(doc.Used(), used);
}

// lo-indexed.odt with its "Boxed Text" paragraph written as older office suites write a
// paragraph of a conditional style: the style its condition applies in text:style-name, the
// conditional style in text:cond-style-name.
std::string OlderConditionalForm(const Scratch &s) {
  std::string path = s / "conditional.odt", err;
  std::string content = Entry(Fixture("lo-indexed.odt"), "content.xml");
  const std::string from = "<text:p text:style-name=\"Boxed_20_Text\">";
  size_t at = content.find(from);
  if (at == std::string::npos) return "";
  content.replace(at, from.size(),
                  "<text:p text:style-name=\"Boxed_20_Header\" "
                  "text:cond-style-name=\"Boxed_20_Text\">");
  return RewritePackage(Fixture("lo-indexed.odt"), path, {{"content.xml", content}}, err) ? path
                                                                                          : "";
}

TEST(OdtLoad, AParagraphOfAConditionalStyleCarriesTheStyleChosenNotTheOneApplied) {
  Scratch s;
  std::string path = OlderConditionalForm(s), err;
  ASSERT_FALSE(path.empty());
  std::string bytes = Bytes(path);
  {
    Loaded l(path);
    ASSERT_TRUE(l.d) << l.err;
    std::map<std::string, int> used = l.Used();
    EXPECT_EQ(used["Boxed Text"], 1);
    EXPECT_EQ(used.count("Boxed Header"), 0u);
    EXPECT_EQ(l.Overrides(), Loaded(Fixture("lo-indexed.odt")).Overrides());
    ASSERT_TRUE(SaveFile(l.m, l.d->h, path, err)) << err;
    EXPECT_EQ(Bytes(path), bytes);  // unchanged: not rewritten
    for (Handle h : l.m.WalkPgfs(*l.d))
      if (l.m.PgfOf(h)->tag == "Boxed Text") l.m.PgfOf(h)->tag = "Text body";
    ASSERT_TRUE(SaveFile(l.m, l.d->h, path, err)) << err;
  }
  // Retagged, it names the new style and no conditional style.
  std::string content = Entry(path, "content.xml");
  EXPECT_EQ(content.find("cond-style-name"), std::string::npos);
  Loaded back(path);
  ASSERT_TRUE(back.d) << back.err;
  EXPECT_EQ(back.Used().count("Boxed Text"), 0u);
  EXPECT_EQ(back.Used()["Text body"], Loaded(Fixture("lo-indexed.odt")).Used()["Text body"] + 1);
}

TEST(OdtRoundTrip, UnchangedIsByteIdenticalAndNotRewritten) {
  Scratch s;
  for (const char *f : kOdtFixtures) {
    std::string copy = s / f;
    fs::copy_file(Fixture(f), copy);
    auto before = fs::last_write_time(copy);
    Loaded l(copy);
    ASSERT_TRUE(l.d) << f << ": " << l.err;
    std::string err;
    ASSERT_TRUE(SaveFile(l.m, l.d->h, copy, err)) << err;
    EXPECT_EQ(fs::last_write_time(copy), before) << f;
    std::string other = s / (std::string("saved-") + f);
    ASSERT_TRUE(SaveFile(l.m, l.d->h, other, err)) << err;
    EXPECT_EQ(Bytes(other), Bytes(Fixture(f))) << f;
  }
}

// A copy of rich.odt in a scratch folder, loaded.
struct Edited {
  Scratch s;
  std::string path;
  std::unique_ptr<Loaded> l;
  Edited() : path(s / "rich.odt") {
    fs::copy_file(Fixture("rich.odt"), path);
    l = std::make_unique<Loaded>(path);
  }
  Model &m() { return l->m; }
  Handle doc() { return l->d->h; }
  std::vector<Pgf *> Tagged(const std::string &tag) {
    std::vector<Pgf *> v;
    for (Handle h : m().WalkPgfs(*l->d))
      if (m().PgfOf(h)->tag == tag) v.push_back(m().PgfOf(h));
    return v;
  }
  bool Save(std::string &err) { return SaveFile(m(), doc(), path, err); }
};

// The text of every paragraph in walk order, as our loader reads the file.
std::vector<std::string> Texts(const Loaded &l) {
  std::vector<std::string> v;
  for (Handle h : l.m.WalkPgfs(*l.d)) v.push_back(l.m.PgfOf(h)->text);
  return v;
}

TEST(OdtChange, RetagTouchesOnlyThatParagraph) {
  Edited e;
  ASSERT_TRUE(e.l->d) << e.l->err;
  std::vector<std::string> texts = Texts(*e.l);
  std::string styles = Entry(e.path, "styles.xml");
  // A paragraph with direct formatting (bold red "Text body") and a plain one.
  std::vector<Pgf *> body = e.Tagged("Text body");
  Pgf *over = nullptr, *plain = nullptr;
  for (Pgf *p : body) {
    const Color *c =
        e.m().As<Color>(static_cast<Handle>(e.m().PgfChar(*e.l->d, *p, PROP_Color).i), Kind::Color);
    if (c && c->name == "#990000") over = p;
    if (!p->override_) plain = p;
  }
  ASSERT_TRUE(over && plain);
  ASSERT_EQ(e.m().SetProp(e.doc(), plain->h, PROP_Name, Value::Str("Section Text")), 0);
  ASSERT_EQ(e.m().SetProp(e.doc(), over->h, PROP_Name, Value::Str("Heading 2")), 0);
  std::string err;
  ASSERT_TRUE(e.Save(err)) << err;
  EXPECT_EQ(Entry(e.path, "styles.xml"), styles);  // only content.xml changed
  Loaded back(e.path);
  ASSERT_TRUE(back.d) << back.err;
  EXPECT_EQ(Texts(back), texts);
  std::map<std::string, int> used = back.Used();
  EXPECT_EQ(used["Text body"], 4);
  EXPECT_EQ(used["Section Text"], 3);
  EXPECT_EQ(used["Heading 2"], 3);
  // The retagged paragraph keeps its bold red text as direct formatting.
  int boldRedHeadings = 0;
  for (Handle h : back.m.WalkPgfs(*back.d)) {
    const Pgf *p = back.m.PgfOf(h);
    const Color *c = back.m.As<Color>(
        static_cast<Handle>(back.m.PgfChar(*back.d, *p, PROP_Color).i), Kind::Color);
    boldRedHeadings += p->tag == "Heading 2" && c && c->name == "#990000" && p->override_;
  }
  EXPECT_EQ(boldRedHeadings, 1);
  // The plain paragraph keeps the look of "Text body" where "Section Text" differs (its
  // indent): a sixth override.
  EXPECT_EQ(back.Overrides(), 6);
}

TEST(OdtChange, OverrideRemovalLeavesNoDirectFormatting) {
  Edited e;
  ASSERT_TRUE(e.l->d) << e.l->err;
  std::vector<std::string> texts = Texts(*e.l);
  for (Handle h : e.m().WalkPgfs(*e.l->d)) {
    Pgf *p = e.m().PgfOf(h);
    if (!p->override_) continue;
    const PgfFmt *f = e.m().FindFormat(*e.l->d, p->tag);
    ASSERT_TRUE(f);
    std::vector<Model::PropVal> all;
    for (const auto &[code, v] : f->chars) all.push_back({code, v});
    ASSERT_EQ(e.m().SetProps(e.doc(), h, all), 0);
    ASSERT_EQ(e.m().SetProp(e.doc(), h, PROP_PgfOverride, Value::Int(0)), 0);
  }
  std::string err;
  ASSERT_TRUE(e.Save(err)) << err;
  Loaded back(e.path);
  ASSERT_TRUE(back.d) << back.err;
  EXPECT_EQ(back.Overrides(), 0);
  EXPECT_EQ(Texts(back), texts);
  EXPECT_EQ(back.Used(), Loaded(Fixture("rich.odt")).Used());
  // The list item keeps its list: its automatic style still names the list style.
  EXPECT_NE(Entry(e.path, "content.xml").find("style:list-style-name=\"L1\""), std::string::npos);
}

TEST(OdtChange, DeletingAStyleKeepsHowEverythingLooks) {
  Edited e;
  ASSERT_TRUE(e.l->d) << e.l->err;
  Doc &d = *e.l->d;
  // "Footer Line" is used only in the footer (once with a centred override); "Heading" is the
  // parent of both heading styles; "Text body" is the next style of the headings.
  auto look = [](const Loaded &l) {
    std::vector<std::vector<int32_t>> v;
    for (Handle h : l.m.WalkPgfs(*l.d)) {
      const Pgf *p = l.m.PgfOf(h);
      std::vector<int32_t> row;
      for (int32_t c : {PROP_FontSize, PROP_FontWeight, PROP_FontAngle, PROP_FontFamily,
                        PROP_Alignment, PROP_LeftIndent, PROP_SpaceAbove, PROP_SpaceBelow})
        row.push_back(l.m.PgfChar(*l.d, *p, c).i);
      v.push_back(row);
    }
    return v;
  };
  auto before = look(*e.l);
  for (const char *name : {"Footer Line", "Heading", "Text body"})
    ASSERT_EQ(e.m().Delete(e.doc(), e.m().FindFormat(d, name)->h), 0) << name;
  std::string err;
  ASSERT_TRUE(e.Save(err)) << err;
  Loaded back(e.path);
  ASSERT_TRUE(back.d) << back.err;
  EXPECT_EQ(back.Catalogue().size(), 21u);
  EXPECT_FALSE(back.Fmt("Heading"));
  EXPECT_EQ(look(back), before);
  EXPECT_EQ(back.m.FmtChar(*back.Fmt("Heading 1"), PROP_NextTag).s, "");
  EXPECT_EQ(back.m.FmtChar(*back.Fmt("Heading 1"), PROP_FontSize).i, 18 << 16);
}

// What a format or paragraph computes, comparable across loads: colours by name, lengths to
// a hundredth of a point (a folded value is written in points, to six digits).
std::map<std::string, std::string> Computes(const Model &m,
                                            const std::function<Value(int32_t)> &get) {
  std::map<std::string, std::string> out;
  for (const CharDef &cd : CharDefs()) {
    if (cd.code == PROP_NextTag || cd.code == PROP_UseNextTag) continue;
    Value v = get(cd.code);
    if (cd.code == PROP_Color) {
      const Color *c = m.As<Color>(static_cast<Handle>(v.i), Kind::Color);
      out[cd.key] = c ? c->name : "?";
    } else if (v.type == PType::Metric) {
      out[cd.key] = std::to_string(std::lround(v.i / 655.36));
    } else {
      out[cd.key] = std::to_string(v.i) + v.s + std::to_string(v.tabs().size());
    }
  }
  return out;
}

TEST(OdtChange, DeletingUnusedStylesKeepsWhatEveryOtherComputes) {
  // Templates of other producers give sizes and margins relative to a parent that nothing
  // uses ("Heading 1" at 130 % of "Heading"): deleting the parent must leave the child's
  // computed values as they were.
  Scratch s;
  for (const char *f : kOdtFixtures) {
    std::string path = s / f;
    fs::copy_file(Fixture(f), path);
    Loaded l(path);
    ASSERT_TRUE(l.d) << f << ": " << l.err;
    std::set<std::string> used;
    for (const auto &[tag, n] : l.Used()) used.insert(tag);
    std::map<std::string, std::map<std::string, std::string>> before;
    std::vector<Handle> gone;
    for (Handle h : l.m.Chained(l.d->fmts)) {
      const PgfFmt *fmt = l.m.FmtOf(h);
      if (!used.count(fmt->name)) gone.push_back(h);
      before[fmt->name] = Computes(l.m, [&](int32_t c) { return l.m.FmtChar(*fmt, c); });
    }
    for (Handle h : gone) l.m.Delete(l.d->h, h);
    std::string err;
    ASSERT_TRUE(SaveFile(l.m, l.d->h, path, err)) << f << ": " << err;
    Loaded back(path);
    ASSERT_TRUE(back.d) << f << ": " << back.err;
    for (Handle h : back.m.Chained(back.d->fmts)) {
      const PgfFmt *fmt = back.m.FmtOf(h);
      EXPECT_EQ(Computes(back.m, [&](int32_t c) { return back.m.FmtChar(*fmt, c); }),
                before[fmt->name])
          << f << ": " << fmt->name;
    }
    std::vector<Handle> was = l.m.WalkPgfs(*l.d), is = back.m.WalkPgfs(*back.d);
    ASSERT_EQ(was.size(), is.size()) << f;
    for (size_t i = 0; i < was.size(); ++i) {
      const Pgf &a = *l.m.PgfOf(was[i]), &b = *back.m.PgfOf(is[i]);
      EXPECT_EQ(Computes(back.m, [&](int32_t c) { return back.m.PgfChar(*back.d, b, c); }),
                Computes(l.m, [&](int32_t c) { return l.m.PgfChar(*l.d, a, c); }))
          << f << ": paragraph " << i;
    }
  }
}

TEST(OdtChange, ADeepStyleChainComputesItsTopAndKeepsItWhenTheMiddleGoes) {
  // A chain deeper than any walk of the XML tree, listed from the bottom up as a producer may
  // write it: only its top sets a font size, only its middle a space above, and one paragraph
  // takes the bottom style.
  Scratch s;
  constexpr int kDepth = 1500;
  std::string styles = Entry(Fixture("rich.odt"), "styles.xml");
  std::string content = Entry(Fixture("rich.odt"), "content.xml"), chain;
  for (int i = kDepth; i >= 1; --i) {
    std::string parent = i == 1 ? "Standard" : "Deep" + std::to_string(i - 1);
    chain += "<style:style style:name=\"Deep" + std::to_string(i) +
             "\" style:family=\"paragraph\" style:parent-style-name=\"" + parent + "\">" +
             (i == 1            ? "<style:text-properties fo:font-size=\"23pt\"/>"
              : i == kDepth / 2 ? "<style:paragraph-properties fo:margin-top=\"0.25in\"/>"
                                : "") +
             "</style:style>";
  }
  styles.insert(styles.find("</office:styles>"), chain);
  content.insert(content.find('>', content.find("<office:text")) + 1,
                 "<text:p text:style-name=\"Deep" + std::to_string(kDepth) + "\">deep</text:p>");
  std::string path = s / "deep.odt", err;
  ASSERT_TRUE(RewritePackage(Fixture("rich.odt"), path,
                             {{"styles.xml", styles}, {"content.xml", content}}, err))
      << err;
  auto computes = [](const Loaded &l, Handle pgf) {
    const Pgf &p = *l.m.PgfOf(pgf);
    return std::pair(l.m.PgfChar(*l.d, p, PROP_FontSize).i,
                     l.m.PgfChar(*l.d, p, PROP_SpaceAbove).i);
  };
  const std::string bottom = "Deep" + std::to_string(kDepth);
  Loaded l(path);
  ASSERT_TRUE(l.d) << l.err;
  ASSERT_TRUE(l.Fmt(bottom));
  EXPECT_EQ(l.m.FmtChar(*l.Fmt(bottom), PROP_FontSize).i, 23 << 16);
  EXPECT_EQ(l.m.FmtChar(*l.Fmt(bottom), PROP_SpaceAbove).i, 18 << 16);
  Handle deep = l.m.WalkPgfs(*l.d).front();
  ASSERT_EQ(l.m.PgfOf(deep)->tag, bottom);
  EXPECT_EQ(computes(l, deep), std::pair(23 << 16, 18 << 16));
  EXPECT_EQ(l.m.FmtChar(*l.Fmt("Deep1"), PROP_SpaceAbove).i, 0);
  // The styles above the bottom one go, top first: their settings fold into it.
  for (int i = 1; i < kDepth; ++i)
    ASSERT_EQ(l.m.Delete(l.d->h, l.Fmt("Deep" + std::to_string(i))->h), 0) << i;
  EXPECT_EQ(computes(l, deep), std::pair(23 << 16, 18 << 16));
  ASSERT_TRUE(SaveFile(l.m, l.d->h, path, err)) << err;
  Loaded back(path);
  ASSERT_TRUE(back.d) << back.err;
  EXPECT_FALSE(back.Fmt("Deep1"));
  ASSERT_TRUE(back.Fmt(bottom));
  EXPECT_EQ(back.m.FmtChar(*back.Fmt(bottom), PROP_FontSize).i, 23 << 16);
  EXPECT_EQ(back.m.FmtChar(*back.Fmt(bottom), PROP_SpaceAbove).i, 18 << 16);
  EXPECT_EQ(computes(back, back.m.WalkPgfs(*back.d).front()), std::pair(23 << 16, 18 << 16));
  std::vector<Handle> was = l.m.WalkPgfs(*l.d), is = back.m.WalkPgfs(*back.d);
  ASSERT_EQ(was.size(), is.size());
  for (size_t i = 0; i < was.size(); ++i) {
    const Pgf &a = *l.m.PgfOf(was[i]), &b = *back.m.PgfOf(is[i]);
    EXPECT_EQ(Computes(back.m, [&](int32_t c) { return back.m.PgfChar(*back.d, b, c); }),
              Computes(l.m, [&](int32_t c) { return l.m.PgfChar(*l.d, a, c); }))
        << "paragraph " << i;
  }
}

// The paragraph styles that index sources and templates, the notes configuration,
// conditions and next-style links name (as "element name=style"), and the styles defined.
struct StyleRefs {
  std::multimap<std::string, std::string> named;  // style -> "element attribute"
  std::set<std::string> defined;
  explicit StyleRefs(const std::string &path) {
    std::string xml = Entry(path, "content.xml") + Entry(path, "styles.xml");
    static const std::set<std::string> kElements{
        "text:index-source-style", "text:notes-configuration", "style:map", "style:style"};
    auto value = [](const std::string &tag, const std::string &attr) {
      size_t at = tag.find(" " + attr + "=\"");
      if (at == std::string::npos) return std::string();
      at += attr.size() + 3;
      return tag.substr(at, tag.find('"', at) - at);
    };
    for (size_t at = xml.find('<'); at != std::string::npos; at = xml.find('<', at + 1)) {
      std::string tag = xml.substr(at + 1, xml.find('>', at) - at - 1);
      std::string el = tag.substr(0, tag.find_first_of(" /"));
      bool known = kElements.count(el) || (el.rfind("text:", 0) == 0 && el.size() > 9 &&
                                           el.compare(el.size() - 9, 9, "-template") == 0);
      if (!known) continue;
      for (const char *attr : {"text:style-name", "text:default-style-name",
                               "style:apply-style-name", "style:next-style-name"})
        if (std::string v = value(tag, attr); !v.empty()) named.emplace(v, el + " " + attr);
      if (el == "style:style" && value(tag, "style:family") == "paragraph")
        defined.insert(value(tag, "style:name"));
    }
  }
  // References to styles `before` defined that are gone. (LibreOffice names its built-in
  // styles, "Contents 4", in templates without defining them.)
  std::vector<std::string> Dangling(const StyleRefs &before) const {
    std::vector<std::string> v;
    for (const auto &[style, where] : named)
      if (before.defined.count(style) && !defined.count(style)) v.push_back(where + "=" + style);
    return v;
  }
  std::string Of(const std::string &where) const {
    for (const auto &[style, w] : named)
      if (w == where) return style;
    return "";
  }
};

TEST(OdtChange, StylesNamedOutsideParagraphsFollowEveryChange) {
  Scratch s;
  std::string err;
  // Deleting the unused styles: "Note Text" of the notes configuration, "Contents 3" ... of
  // index templates, "Boxed Header" of a condition, "Appendix Title" of a next-style link.
  std::string path = s / "deleted.odt";
  fs::copy_file(Fixture("lo-indexed.odt"), path);
  {
    Loaded l(path);
    ASSERT_TRUE(l.d) << l.err;
    std::map<std::string, int> used = l.Used();
    for (Handle h : l.m.Chained(l.d->fmts))
      if (!used.count(l.m.FmtOf(h)->name)) l.m.Delete(l.d->h, h);
    ASSERT_TRUE(SaveFile(l.m, l.d->h, path, err)) << err;
  }
  StyleRefs orig(Fixture("lo-indexed.odt")), del(path);
  EXPECT_EQ(del.Dangling(orig), std::vector<std::string>{});
  EXPECT_EQ(del.Of("text:notes-configuration text:default-style-name"), "Standard");
  // The entries of level 4 were to be in the unused "Deep Entry": now in its parent.
  EXPECT_EQ(del.named.count("Deep_20_Entry"), 0u);
  EXPECT_NE(
      Entry(path, "content.xml").find("text:outline-level=\"4\" text:style-name=\"Text_20_body\""),
      std::string::npos);
  EXPECT_EQ(del.Of("style:map style:apply-style-name"), "");
  EXPECT_EQ(del.named.count("Chapter_20_Title"), 1u);
  // Converting every "Chapter Title" paragraph: the table of contents collects the new style.
  path = s / "converted.odt";
  fs::copy_file(Fixture("lo-indexed.odt"), path);
  {
    Loaded l(path);
    ASSERT_TRUE(l.d) << l.err;
    for (Handle h : l.m.WalkPgfs(*l.d))
      if (l.m.PgfOf(h)->tag == "Chapter Title")
        l.m.SetProp(l.d->h, h, PROP_Name, Value::Str("Appendix Title"));
    ASSERT_TRUE(SaveFile(l.m, l.d->h, path, err)) << err;
  }
  StyleRefs conv(path);
  EXPECT_EQ(conv.Of("text:index-source-style text:style-name"), "Appendix_20_Title");
  EXPECT_EQ(conv.named.count("Chapter_20_Title"), 0u);
  // Removing overrides keeps the drop cap and the exclusion from line numbering, which are
  // how the paragraph is built.
  path = s / "plain.odt";
  fs::copy_file(Fixture("lo-indexed.odt"), path);
  {
    Loaded l(path);
    ASSERT_TRUE(l.d) << l.err;
    for (Handle h : l.m.WalkPgfs(*l.d)) {
      Pgf *p = l.m.PgfOf(h);
      if (!p->override_) continue;
      std::vector<Model::PropVal> all;
      for (const auto &[c, v] : l.Fmt(p->tag)->chars) all.push_back({c, v});
      l.m.SetProps(l.d->h, h, all);
      l.m.SetProp(l.d->h, h, PROP_PgfOverride, Value::Int(0));
    }
    ASSERT_TRUE(SaveFile(l.m, l.d->h, path, err)) << err;
  }
  std::string content = Entry(path, "content.xml");
  EXPECT_NE(content.find("<style:drop-cap"), std::string::npos);
  EXPECT_NE(content.find("text:number-lines=\"false\""), std::string::npos);
  EXPECT_EQ(content.find("fo:font-weight=\"bold\""), std::string::npos);
}

TEST(OdtChange, NextStyleAndStyleSettings) {
  Edited e;
  ASSERT_TRUE(e.l->d) << e.l->err;
  PgfFmt *h1 = e.m().FindFormat(*e.l->d, "Heading 1");
  ASSERT_EQ(e.m().SetProp(e.doc(), h1->h, PROP_NextTag, Value::Str("List Item")), 0);
  ASSERT_EQ(e.m().SetProp(e.doc(), h1->h, PROP_SpaceAbove, Value::Metric(20 << 16)), 0);
  std::string content = Entry(e.path, "content.xml"), err;
  ASSERT_TRUE(e.Save(err)) << err;
  EXPECT_EQ(Entry(e.path, "content.xml"), content);
  Loaded back(e.path);
  ASSERT_TRUE(back.d) << back.err;
  EXPECT_EQ(back.m.FmtChar(*back.Fmt("Heading 1"), PROP_NextTag).s, "List Item");
  EXPECT_EQ(back.m.FmtChar(*back.Fmt("Heading 1"), PROP_SpaceAbove).i, 20 << 16);
  EXPECT_EQ(back.m.FmtChar(*back.Fmt("Heading 2"), PROP_NextTag).s, "Text body");
}

TEST(OdtChange, WhatHasNoMappingIsRefusedAndNothingWritten) {
  Edited e;
  ASSERT_TRUE(e.l->d) << e.l->err;
  std::string bytes = Bytes(e.path), err;
  e.Tagged("Heading 1")[0]->text += " (edited)";
  EXPECT_FALSE(e.Save(err));
  EXPECT_NE(err.find("text"), std::string::npos) << err;
  Pgf *p = e.Tagged("Header")[0];
  p->text.resize(p->text.size());
  Edited f;
  Handle out;
  ASSERT_EQ(f.m().NewPgfAfter(f.doc(), f.Tagged("Heading 1")[0]->h, out), 0);
  EXPECT_FALSE(f.Save(err));
  EXPECT_NE(err.find("added"), std::string::npos) << err;
  EXPECT_EQ(Bytes(e.path), bytes);
  EXPECT_EQ(Bytes(f.path), bytes);
}

TEST(OdtChange, TheDefaultStyleStaysAndAnEmptyBodyIsOneParagraphInIt) {
  // A body with no paragraph shows one empty paragraph in the default style in an office
  // suite; it is written as a paragraph once a change gives it a tag of its own.
  Scratch s;
  std::string good = Fixture("rich.odt"), path = s / "empty.odt", err;
  std::string content = Entry(good, "content.xml");
  size_t from = content.find("<office:text"), to = content.find("</office:text>");
  ASSERT_TRUE(RewritePackage(
      good, path,
      {{"content.xml", content.substr(0, from) + "<office:text/>" + content.substr(to + 14)}}, err))
      << err;
  Loaded l(path);
  ASSERT_TRUE(l.d) << l.err;
  std::map<std::string, int> used{{"Standard", 1}, {"Header", 1}, {"Footer Line", 2}};
  EXPECT_EQ(l.Used(), used);
  EXPECT_EQ(l.Overrides(), 1);  // the centred footer line
  // "Standard" is the style of paragraphs that name none: it is never deleted.
  EXPECT_NE(l.m.Delete(l.d->h, l.Fmt("Standard")->h), 0);
  EXPECT_TRUE(l.Fmt("Standard"));
  Pgf *body = l.m.PgfOf(l.m.WalkPgfs(*l.d)[0]);
  ASSERT_EQ(l.m.SetProp(l.d->h, body->h, PROP_Name, Value::Str("Heading 1")), 0);
  ASSERT_TRUE(SaveFile(l.m, l.d->h, path, err)) << err;
  Loaded back(path);
  ASSERT_TRUE(back.d) << back.err;
  EXPECT_EQ(back.m.PgfOf(back.m.WalkPgfs(*back.d)[0])->tag, "Heading 1");
  EXPECT_EQ(back.m.WalkPgfs(*back.d).size(), 4u);
}

// Damaged and hostile packages, made from a real one.
// Two sets of values for every characteristic OpenDocument expresses; each value has an exact
// form in the file (a line height of 150 % of 1.2 x 14 pt, a stretch of 75 %).
std::map<int32_t, Value> Samples(Model &m, Doc &d, int set) {
  auto colour = [&](const char *n) {
    Color *c = m.FindColor(d, n);
    return Value::Id((c ? c : m.AddColor(d, n))->h);
  };
  Tab left{36 << 16, 1, ".", 0}, dec{200 << 16, 4, "", ','}, centre{100 << 16, 2, "", 0};
  const bool a = set == 0;
  return {
      {PROP_FontSize, Value::Metric((a ? 10 : 14) << 16)},
      {PROP_FontFamily, Value::Int(FontFamilyIndex(a ? "DejaVu Serif" : "Quorvex Test Mono"))},
      {PROP_FontWeight, Value::Int(a ? 5 : 7)},
      {PROP_FontAngle, Value::Int(a ? 1 : 2)},
      {PROP_Color, colour(a ? "Red" : "#123456")},
      {PROP_Underlining, Value::Int(a ? 2 : 1)},
      {PROP_Strikethrough, Value::Int(a ? 1 : 0)},
      {PROP_Overline, Value::Int(a ? 0 : 1)},
      {PROP_Capitalization, Value::Int(a ? 1 : 3)},
      {PROP_Position, Value::Int(a ? 1 : 2)},
      {PROP_Hyphenate, Value::Int(a ? 1 : 0)},
      {PROP_HyphShortestPrefix, Value::Int(a ? 4 : 2)},
      {PROP_HyphShortestSuffix, Value::Int(a ? 5 : 2)},
      {PROP_PairKern, Value::Int(a ? 0 : 1)},
      {PROP_Stretch, Value::Metric(a ? 49152 : 78643)},  // 75 %, 120 %
      {PROP_Alignment, Value::Int(a ? 3 : 4)},
      {PROP_LeftIndent, Value::Metric((a ? 36 : 9) << 16)},
      {PROP_FirstIndent, Value::Metric((a ? 18 : 27) << 16)},
      {PROP_RightIndent, Value::Metric((a ? 12 : 0) << 16)},
      {PROP_SpaceAbove, Value::Metric((a ? 6 : 15) << 16)},
      {PROP_SpaceBelow, Value::Metric((a ? 3 : 9) << 16)},
      {PROP_LineSpacing, Value::Metric(a ? 4 << 16 : 734003)},  // fixed 14 pt; 150 %
      {PROP_LineSpacingNotFixed, Value::Int(a ? 0 : 1)},
      {PROP_KeepWithNext, Value::Int(a ? 1 : 0)},
      {PROP_HyphMaxAdjacent, Value::Int(a ? 0 : 3)},
      {PROP_WidowOrphanLines, Value::Int(a ? 3 : 4)},
      {PROP_Start, Value::Int(a ? 2 : 1)},
      {PROP_Tabs, Value::Tabs(a ? std::vector<Tab>{left, centre} : std::vector<Tab>{dec})},
      {PROP_NextTag, Value::Str(a ? "Heading 2" : "Text body")},
      {PROP_UseNextTag, Value::Int(1)},
  };
}

TEST(OdtMapping, EveryCharacteristicReadsBackAndSurvivesItsParentsDeletion) {
  // "Heading 1" sets every characteristic itself; its parent "Heading", with other values,
  // is then deleted: what each writes reads back, and nothing of the parent's settings reaches
  // into the child's (an underline type, a font face beside the child's font family).
  Edited e;
  ASSERT_TRUE(e.l->d) << e.l->err;
  Doc &d = *e.l->d;
  std::map<int32_t, Value> parent = Samples(e.m(), d, 0), child = Samples(e.m(), d, 1);
  for (int32_t code : odt::MappedCodes())
    ASSERT_TRUE(parent.count(code) && child.count(code)) << "no sample for " << code;
  for (const auto &[name, values] : {std::pair{"Heading", &parent}, {"Heading 1", &child}})
    for (const auto &[code, v] : *values)
      ASSERT_EQ(e.m().SetProp(e.doc(), e.l->Fmt(name)->h, code, v), 0) << name << " " << code;
  std::map<int32_t, std::string> colourName;  // colours are compared by name across loads
  for (const auto *values : {&parent, &child}) {
    int32_t id = values->at(PROP_Color).i;
    colourName[id] = e.m().As<Color>(static_cast<Handle>(id), Kind::Color)->name;
  }
  std::string err;
  ASSERT_TRUE(e.Save(err)) << err;
  auto expect = [&](const char *when, const std::string &name,
                    const std::map<int32_t, Value> &want) {
    Loaded back(e.path);
    ASSERT_TRUE(back.d) << back.err;
    ASSERT_TRUE(back.Fmt(name)) << name;
    for (const auto &[code, v] : want) {
      Value got = back.m.FmtChar(*back.Fmt(name), code);
      if (code == PROP_Color) {
        const Color *g = back.m.As<Color>(static_cast<Handle>(got.i), Kind::Color);
        EXPECT_TRUE(g && g->name == colourName[v.i]) << when << " " << name << " colour";
      } else {
        EXPECT_EQ(got, v) << when << " " << name << " " << FindCharDef(code)->key;
      }
    }
  };
  expect("written", "Heading", parent);
  expect("written", "Heading 1", child);
  Loaded before(e.path);
  ASSERT_TRUE(before.d) << before.err;
  std::map<int32_t, Value> h2 = before.Fmt("Heading 2")->chars;
  e.l = std::make_unique<Loaded>(e.path);
  ASSERT_EQ(e.m().Delete(e.doc(), e.l->Fmt("Heading")->h), 0);
  ASSERT_TRUE(e.Save(err)) << err;
  expect("parent deleted", "Heading 1", child);
  // "Heading 2" sets few characteristics: the rest it had from "Heading" it now has itself.
  h2.erase(PROP_Color);
  expect("parent deleted", "Heading 2", h2);
}

TEST(OdtBadInput, EachGivesAClearErrorAndLeavesNothing) {
  Scratch s;
  std::string good = Fixture("rich.odt");
  std::string content = Entry(good, "content.xml"), styles = Entry(good, "styles.xml");
  auto variant = [&](const std::string &name, std::map<std::string, std::string> replace) {
    std::string path = s / name, err;
    EXPECT_TRUE(RewritePackage(good, path, replace, err)) << err;
    return path;
  };
  auto replaced = [](std::string s, const std::string &from, const std::string &to) {
    size_t at = s.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) s.replace(at, from.size(), to);
    return s;
  };
  std::string truncated = s / "truncated.odt";
  {
    std::string b = Bytes(good);
    std::ofstream(truncated, std::ios::binary) << b.substr(0, b.size() / 2);
  }
  std::string notZip = s / "not-zip.odt";
  std::ofstream(notZip) << "plain text, not a package\n";
  std::string noContent = s / "no-content.odt";
  {
    std::vector<std::pair<std::string, std::string>> entries{
        {"mimetype", "application/vnd.oasis.opendocument.text"}, {"styles.xml", styles}};
    std::string err;
    ASSERT_TRUE(WritePackage(noContent, entries, true, err)) << err;
  }
  std::string body = content.substr(0, content.find("<office:text"));
  struct Case {
    std::string path, want;
  } cases[] = {
      {notZip, "not a supported document"},
      {truncated, "ZIP"},
      {noContent, "no content.xml"},
      {variant("malformed.odt", {{"content.xml", content.substr(0, content.size() - 40)}}),
       "not well-formed"},
      {variant("doctype.odt",
               {{"content.xml", replaced(content, "?>", "?><!DOCTYPE x [<!ENTITY a \"aaaa\">]>")}}),
       "document type declaration"},
      {variant("loop.odt",
               {{"styles.xml", replaced(styles,
                                        "style:name=\"Heading\" style:family=\"paragraph\" "
                                        "style:parent-style-name=\"Standard\"",
                                        "style:name=\"Heading\" style:family=\"paragraph\" "
                                        "style:parent-style-name=\"Heading_20_1\"")}}),
       "inherits from itself"},
      {variant("duplicate.odt", {{"styles.xml", replaced(styles, "style:name=\"Unused_20_Beta\"",
                                                         "style:name=\"Unused_20_Alpha\"")}}),
       "duplicate paragraph style name"},
      {variant(
           "encrypted.odt",
           {{"META-INF/manifest.xml",
             replaced(Entry(good, "META-INF/manifest.xml"), "manifest:media-type=\"text/xml\"/>",
                      "manifest:media-type=\"text/xml\"><manifest:encryption-data/></"
                      "manifest:file-entry>")}}),
       "encrypted"},
  };
  for (const Case &c : cases) {
    Model m;
    std::string err;
    EXPECT_EQ(LoadFile(m, c.path, err), 0u) << c.path;
    EXPECT_NE(err.find(c.want), std::string::npos) << c.path << ": " << err;
    EXPECT_NE(err.find(c.path), std::string::npos) << err;
    EXPECT_TRUE(m.OpenDocs().empty()) << c.path;
  }
}

}  // namespace
}  // namespace qvhost
