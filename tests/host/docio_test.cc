// Documents and books on disk: round trips, atomic saves, the example files and bad input.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "host/files.h"
#include "host/formats/json.h"
#include "tests/host/scratch.h"
#include "quorvex/fcodes.h"

namespace qvhost {
namespace {

namespace fs = std::filesystem;

std::string Examples(const std::string &rel) {
  return std::string(QV_EXAMPLES_DIR) + "/" + rel;
}

TEST(HostDocs, ExampleChapterReadsBackIdenticallyAfterSave) {
  TempDir t;
  Model m;
  std::string err;
  Handle h = LoadFile(m, Examples("manual/install.fm"), err);
  ASSERT_NE(h, 0u) << err;
  const Doc &d = *m.DocOf(h);
  // Spot checks that the file really became the model it describes.
  const PgfFmt *code = m.FindFormat(d, "Code");
  ASSERT_NE(code, nullptr);
  EXPECT_EQ(m.FmtChar(*code, PROP_FontSize).i, 9 << 16);
  EXPECT_EQ(m.FmtChar(*code, PROP_FontFamily).i, 0);  // Courier
  const Table *tb = m.As<Table>(d.tables.first, Kind::Table);
  ASSERT_NE(tb, nullptr);
  EXPECT_EQ(tb->colWidths, (std::vector<int32_t>{108 << 16, 144 << 16, 180 << 16}));
  EXPECT_EQ(m.PgfOf(tb->anchor)->text, "Check the requirements below, then follow the steps.");
  std::vector<Handle> walk = m.WalkPgfs(d);
  EXPECT_EQ(m.PgfOf(walk.back())->text, "Table 1: Requirements");
  EXPECT_TRUE(m.PgfOf(walk[6])->override_);

  std::string out = (t.dir / "copy.fm").string();
  ASSERT_TRUE(SaveFile(m, h, out, err)) << err;
  Handle back = LoadFile(m, out, err);
  ASSERT_NE(back, 0u) << err;
  EXPECT_EQ(DocToJson(m, *m.DocOf(back)), DocToJson(m, d));
  // Nothing but the saved file is left in the folder.
  EXPECT_EQ(std::distance(fs::directory_iterator(t.dir), fs::directory_iterator()), 1);
}

TEST(HostDocs, EditedDocumentWithOddValuesSurvivesARoundTrip) {
  TempDir t;
  Model m;
  Doc *d = m.NewStandardDoc();
  d->displayUnits = 0x1C58B1;   // centimetres
  d->fontDisplayUnits = 12345;  // a unit not in the table
  PgfFmt *f = m.AddFormat(*d, "Odd");
  f->chars[PROP_FirstIndent] = Value::Metric(-0x12345);
  f->chars[PROP_MinWordSpacing] = Value::Metric(58982);
  f->chars[PROP_FontFamily] = Value::Int(99);  // outside the name list
  Value tabs = Value::Tabs({{0x480000, 4, ".", '.'}, {10, 7, "", 0}});
  f->chars[PROP_Tabs] = tabs;
  f->chars[PROP_Color] = Value::Id(m.FindColor(*d, "Red")->h);
  Pgf *p = m.PgfOf(d->selection.beg.obj);
  TextLoc loc;
  ASSERT_EQ(m.AddText(d->h, {p->h, 0}, "one\ntwo", loc), kOk);
  ASSERT_EQ(m.SetProp(0, loc.obj, PROP_SpaceAbove, Value::Metric(3)), kOk);
  Handle tbl;
  ASSERT_EQ(m.NewTable(d->h, "Format A", 2, 1, 1, 0, loc, tbl), kOk);
  d->selection = {{loc.obj, 1}, {loc.obj, 2}};
  std::string err, path = (t.dir / "odd.fm").string();
  ASSERT_TRUE(SaveFile(m, d->h, path, err)) << err;
  Handle back = LoadFile(m, path, err);
  ASSERT_NE(back, 0u) << err;
  EXPECT_EQ(DocToJson(m, *m.DocOf(back)), DocToJson(m, *d));
  const PgfFmt *odd = m.FindFormat(*m.DocOf(back), "Odd");
  EXPECT_EQ(m.FmtChar(*odd, PROP_Tabs), tabs);
  EXPECT_EQ(m.FmtChar(*odd, PROP_FirstIndent).i, -0x12345);
  EXPECT_EQ(m.DocOf(back)->fontDisplayUnits, 12345);
}

TEST(HostDocs, BookComponentsAreFullPathsAndOpeningTwiceGivesOneHandle) {
  Model m;
  m.files = &FormatFiles();
  Handle b;
  ASSERT_EQ(m.Open(Examples("manual/manual.book"), false, b), kOk) << m.lastError;
  Value v;
  ASSERT_EQ(m.GetProp(0, b, PROP_FirstComponentInBook, v), kOk);
  Handle c = static_cast<Handle>(v.i);
  ASSERT_EQ(m.GetProp(b, c, PROP_Name, v), kOk);
  EXPECT_EQ(v.s, fs::weakly_canonical(Examples("manual/intro.fm")).string());
  Handle d1, d2, fresh;
  ASSERT_EQ(m.Open(v.s, false, d1), kOk);
  ASSERT_EQ(m.Open(Examples("manual/../manual/intro.fm"), false, d2), kOk);
  EXPECT_EQ(d1, d2);
  ASSERT_EQ(m.Open(v.s, true, fresh), kOk);  // a new untitled copy
  EXPECT_NE(fresh, d1);
  EXPECT_EQ(m.DocOf(fresh)->path, "");
  EXPECT_EQ(m.created, std::vector<Handle>{fresh});
}

TEST(HostDocs, SavesAreAtomicAndRefusedWhenTheyCannotBeWritten) {
  TempDir t;
  Model m;
  m.files = &FormatFiles();
  std::string path = t.Write("doc.fm", "{\"type\": \"document\"}");
  Handle h, out;
  ASSERT_EQ(m.Open(path, false, h), kOk);
  ASSERT_EQ(m.SetProp(0, h, PROP_DisplayUnits, Value::Metric(0x10000)), kOk);
  EXPECT_EQ(m.Close(h, 0), kDocModified);
  EXPECT_EQ(m.Save(h, (t.dir / "missing" / "x.fm").string(), out), kFileError);
  EXPECT_EQ(out, 0u);
  ASSERT_EQ(m.Save(h, "", out), kOk);
  EXPECT_EQ(out, h);
  EXPECT_EQ(m.Close(h, 0), kOk);
  std::ifstream in(path);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("\"displayUnits\": \"points\""), std::string::npos);
  // Without writing, the save is noted but the file stays as it was.
  m.writeSaves = false;
  ASSERT_EQ(m.Open(path, false, h), kOk);
  ASSERT_EQ(m.SetProp(0, h, PROP_DisplayUnits, Value::Metric(0x480000)), kOk);
  ASSERT_EQ(m.Save(h, "", out), kOk);
  std::ifstream again(path);
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(again)), {}), text);
  EXPECT_EQ(m.saved.size(), 2u);
}

TEST(HostDocs, BadFilesAreRefusedWithAReasonAndLeaveNothingOpen) {
  TempDir t;
  Model m;
  const std::pair<const char *, const char *> cases[] = {
      {"{not json", "not valid JSON"},
      {"[1, 2]", "not a document"},
      {"{\"type\": \"picture\"}", "unknown type"},
      {"{\"formats\": [{\"name\": \"B\", \"fontSize\": \"big\"}]}", "fontSize"},
      {"{\"formats\": [{\"name\": \"B\", \"sparkle\": 1}]}", "unknown characteristic sparkle"},
      {"{\"colors\": [\"Black\"], \"formats\": [{\"name\": \"B\", \"color\": \"Mauve\"}]}",
       "unknown colour"},
      {"{\"formats\": [{\"name\": \"B\", \"fontWeight\": \"Feather\"}]}", "unknown name"},
      {"{\"formats\": [{\"name\": \"B\", \"fontSize\": 1e12}]}", "fontSize"},
      {"{\"flows\": [{\"frames\": [{\"page\": \"9\"}]}]}", "unknown page"},
      {"{\"selection\": {\"begin\": {\"flow\": 0, \"pgf\": 3}}}", "no paragraph"},
      {"{\"flows\": [{\"main\": \"yes\"}]}", "type"},
      {"{\"type\": \"book\", \"components\": [\"\"]}", "empty name"},
  };
  for (const auto &[text, why] : cases) {
    std::string err;
    EXPECT_EQ(LoadFile(m, t.Write("bad.fm", text), err), 0u) << text;
    EXPECT_NE(err.find(why), std::string::npos) << text << " -> " << err;
  }
  Handle h;
  EXPECT_EQ(m.Open((t.dir / "absent.fm").string(), false, h), kFileError);
  EXPECT_TRUE(m.OpenDocs().empty());
  EXPECT_TRUE(m.OpenBooks().empty());
}

}  // namespace
}  // namespace qvhost
