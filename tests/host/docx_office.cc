// Saved .docx files opened by LibreOffice: after each kind of change the text and the number
// of paragraphs are as LibreOffice read them in the original, and the styles are what the
// change should leave, as LibreOffice's own conversion reports them (tests/office/lo_inspect.py).
// Run by the "office" CTest label.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "host/files.h"
#include "quorvex/fcodes.h"

namespace qvhost {
namespace {

namespace fs = std::filesystem;

std::string Fixture(const std::string &name) {
  return std::string(QV_FIXTURES_DIR) + "/office/" + name;
}

nlohmann::json Inspect(const std::vector<std::string> &files) {
  std::string cmd = "python3 " + std::string(QV_FIXTURES_DIR) + "/../office/lo_inspect.py";
  for (const std::string &f : files) cmd += " '" + f + "'";
  std::string out;
  if (FILE *p = popen(cmd.c_str(), "r")) {
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    pclose(p);
  }
  return nlohmann::json::parse(out, nullptr, false);
}

int Count(const nlohmann::json &styles, const std::string &name) {
  int n = 0;
  for (const auto &s : styles) n += s.is_string() && s.get<std::string>() == name;
  return n;
}

void ApplyStyle(Model &m, Handle doc, Handle pgf, const std::string &tag) {
  Handle f = 0;
  ASSERT_EQ(m.GetNamedObject(doc, kObjPgfFmt, tag, f), 0);
  std::vector<Model::PropVal> props;
  ASSERT_EQ(m.GetProps(doc, f, props), 0);
  ASSERT_EQ(m.SetProps(doc, pgf, props), 0);
}

TEST(DocxOffice, LibreOfficeReadsChangedDocumentsAsTheChangeLeftThem) {
  char tmpl[] = "/tmp/qvdocx-lo-XXXXXX";
  fs::path dir = mkdtemp(tmpl);
  std::string deleted = (dir / "deleted.docx").string(),
              retagged = (dir / "retagged.docx").string(), fresh = (dir / "new.docx").string(), err;
  {  // styles deleted: one unused, one parent of others, one used by paragraphs
    Model m;
    Handle h = LoadFile(m, Fixture("rich.docx"), err);
    ASSERT_NE(h, 0u) << err;
    Doc &d = *m.DocOf(h);
    for (const char *name : {"Heading", "Body Text", "Unused Alpha"})
      ASSERT_EQ(m.Delete(h, m.FindFormat(d, name)->h), 0);
    ASSERT_TRUE(SaveFile(m, h, deleted, err)) << err;
  }
  {  // retag by ApplyStyle, overrides removed, a next style rewritten
    Model m;
    Handle h = LoadFile(m, Fixture("pydocx.docx"), err);
    ASSERT_NE(h, 0u) << err;
    Doc &d = *m.DocOf(h);
    for (Handle p : m.WalkPgfs(d)) {
      if (m.PgfOf(p)->tag == "Quote") {
        ApplyStyle(m, h, p, "heading 2");
      } else if (m.PgfOf(p)->override_) {
        ApplyStyle(m, h, p, m.PgfOf(p)->tag);
        m.SetProp(h, p, PROP_PgfOverride, Value::Int(0));
      }
    }
    ASSERT_EQ(m.SetProp(h, m.FindFormat(d, "heading 1")->h, PROP_NextTag, Value::Str("Title")), 0);
    ASSERT_TRUE(SaveFile(m, h, retagged, err)) << err;
  }
  {  // a new document with a table, as the client makes tag lists
    Model m;
    Doc *d = m.NewStandardDoc();
    TextLoc end;
    ASSERT_EQ(m.AddText(d->h, TextLoc{m.WalkPgfs(*d).front(), 0}, "Tags", end), 0);
    Handle t = 0;
    ASSERT_EQ(m.NewTable(d->h, "", 1, 2, 1, 0, end, t), 0);
    ASSERT_TRUE(SaveFile(m, d->h, fresh, err)) << err;
  }
  nlohmann::json lo =
      Inspect({Fixture("rich.docx"), deleted, Fixture("pydocx.docx"), retagged, fresh});
  ASSERT_TRUE(lo.is_object()) << "lo_inspect.py gave no JSON";
  nlohmann::json richBefore = lo[Fixture("rich.docx")], richAfter = lo[deleted];
  nlohmann::json pyBefore = lo[Fixture("pydocx.docx")], pyAfter = lo[retagged];
  for (const std::string &f : {deleted, retagged, fresh})
    EXPECT_TRUE(lo[f]["opens"].get<bool>()) << f;
  EXPECT_EQ(richAfter["text"], richBefore["text"]);
  EXPECT_EQ(richAfter["paragraphs"]["total"], richBefore["paragraphs"]["total"]);
  EXPECT_EQ(Count(richAfter["styles_defined"], "Unused Alpha"), 0);
  EXPECT_EQ(Count(richBefore["styles_used"], "Text body"), 1);
  EXPECT_EQ(Count(richAfter["styles_used"], "Text body"), 0);  // LibreOffice's "Body Text"
  EXPECT_EQ(Count(richAfter["paragraph_styles"], "Heading 1"), 1);
  EXPECT_EQ(pyAfter["text"], pyBefore["text"]);
  EXPECT_EQ(pyAfter["paragraphs"]["total"], pyBefore["paragraphs"]["total"]);
  EXPECT_EQ(Count(pyAfter["paragraph_styles"], "Quote"), 0);
  EXPECT_EQ(Count(pyAfter["paragraph_styles"], "Heading 2"),
            Count(pyBefore["paragraph_styles"], "Heading 2") +
                Count(pyBefore["paragraph_styles"], "Quote"));
  EXPECT_LT(pyAfter["overrides"].get<int>(), pyBefore["overrides"].get<int>());
  EXPECT_EQ(Count(lo[fresh]["styles_defined"], "Heading1"), 1);
  EXPECT_EQ(lo[fresh]["paragraphs"]["tables"], 3);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace qvhost
