// Hostile files in every format the host reads: nesting deep enough to exhaust a recursive
// walk, bytes that are not UTF-8 and NUL characters are refused with a clear error, while real
// documents nested deeply but within the limits still load and save; element trees built
// through the model may be of any depth.
#include <gtest/gtest.h>

#include <filesystem>

#include "host/files.h"
#include "host/formats/json.h"
#include "host/formats/xml.h"
#include "host/handlers/wire.h"
#include "quorvex/fcodes.h"
#include "tests/host/hostile_files.h"

namespace qvhost {
namespace {

using namespace hostile;

// Loading fails, naming the file and saying `why`; nothing stays open.
void Refused(const std::string &path, const std::string &why) {
  SCOPED_TRACE(path);
  Model m;
  std::string err;
  EXPECT_EQ(LoadFile(m, path, err), 0u);
  EXPECT_NE(err.find(path), std::string::npos) << err;
  EXPECT_NE(err.find(why), std::string::npos) << err;
  EXPECT_TRUE(m.OpenDocs().empty());
}

TEST(HostileInput, NestingBeyondTheLimitIsRefusedNamingThePartOnEveryFormat) {
  Scratch s;
  const std::string xmlWhy = "elements nested deeper than " + std::to_string(kMaxXmlDepth);
  const std::string body = "<w:body>", text = "<office:text>";
  struct Case {
    const char *fixture, *part, *name;
    std::string from, to;
  } cases[] = {
      {"pydocx.docx", "word/document.xml", "custom.docx", body,
       body + Nest("<w:customXml>", "<w:p/>", "</w:customXml>", 30000)},
      {"pydocx.docx", "word/document.xml", "tables.docx", body,
       body + Nest("<w:tbl><w:tr><w:tc>", "<w:p/>", "</w:tc></w:tr></w:tbl>", 10000)},
      // Deep where the reading walk does not go (an element it does not know): found all the same.
      {"pydocx.docx", "word/document.xml", "skipped.docx", body,
       body + Nest("<w:x>", "", "</w:x>", 30000)},
      {"rich.odt", "content.xml", "sections.odt", text,
       text + Nest("<text:section>", "<text:p/>", "</text:section>", 100000)},
      {"rich.odt", "content.xml", "changes.odt", text,
       text + "<text:tracked-changes>" + Nest("<text:x>", "", "</text:x>", 30000) +
           "</text:tracked-changes>"},
      {"rich.odt", "styles.xml", "styles.odt", "<office:styles>",
       "<office:styles>" + Nest("<style:x>", "", "</style:x>", 600)},
      {"master.odm", "content.xml", "sections.odm",
       "<office:text text:use-soft-page-breaks=\"true\">",
       "<office:text>" + Nest("<text:section>", "", "</text:section>", 100000)},
  };
  for (const Case &c : cases) Refused(s.Edited(c.fixture, c.part, c.from, c.to, c.name), xmlWhy);

  const std::string jsonWhy = "nested deeper than " + std::to_string(kMaxJsonDepth);
  Refused(s.Write("arrays.json", Repeat("[", 100000) + Repeat("]", 100000)), jsonWhy);
  Refused(s.Write("deep.book", "{\"type\": \"book\", \"components\": " + Repeat("[", 5000) +
                                   "\"a.json\"" + Repeat("]", 5000) + "}"),
          jsonWhy);
  std::string element = "{\"element\": \"E\", \"children\": [";
  Refused(s.Write("elements.json", "{\"elementDefs\": [{\"name\": \"E\"}], \"elements\": " +
                                       Nest(element, "{\"element\": \"E\"}", "]}", 2000) + "}"),
          jsonWhy);
}

// What the client's ApplyStyle does: the format's whole property list onto the paragraph.
void Retag(Model &m, const Doc &d, Handle pgf, const std::string &tag) {
  Handle f = 0;
  ASSERT_EQ(m.GetNamedObject(d.h, kObjPgfFmt, tag, f), 0) << tag;
  std::vector<Model::PropVal> props;
  ASSERT_EQ(m.GetProps(d.h, f, props), 0);
  ASSERT_EQ(m.SetProps(d.h, pgf, props), 0);
}

// The paragraph whose text is `text`, or 0.
Handle PgfWithText(const Model &m, const Doc &d, const std::string &text) {
  for (Handle p : m.WalkPgfs(d))
    if (m.PgfOf(p)->text == text) return p;
  for (Handle t : m.Chained(d.tables))
    for (Handle r : m.Chained(m.As<Table>(t, Kind::Table)->rows))
      for (Handle c : m.Chained(m.As<Row>(r, Kind::Row)->cells))
        for (Handle p : m.Chained(m.As<Cell>(c, Kind::Cell)->pgfs))
          if (m.PgfOf(p)->text == text) return p;
  return 0;
}

TEST(HostileInput, RealDocumentsNestedDeeplyWithinTheLimitLoadRetagSaveAndReadBack) {
  Scratch s;
  size_t n = kMaxXmlDepth - 12;  // what the part's own structure adds stays under the limit
  struct Case {
    const char *fixture, *part, *name;
    std::string from, to;
  } cases[] = {
      {"rich.odt", "content.xml", "deep.odt", "<office:text>",
       "<office:text>" + Nest("<text:section>",
                              "<text:p text:style-name=\"Standard\">deep</text:p>",
                              "</text:section>", n)},
      {"pydocx.docx", "word/document.xml", "deep.docx", "<w:body>",
       "<w:body>" +
           Nest("<w:customXml>", "<w:p><w:r><w:t>deep</w:t></w:r></w:p>", "</w:customXml>", n)},
      {"pydocx.docx", "word/document.xml", "tables.docx", "<w:body>",
       "<w:body>" +
           Nest("<w:tbl><w:tr><w:tc>", "<w:p><w:r><w:t>deep</w:t></w:r></w:p>",
                "</w:tc></w:tr></w:tbl>", n / 3) +
           "<w:p/>"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = s.Edited(c.fixture, c.part, c.from, c.to, c.name), err;
    std::string tag;
    {
      Model m;
      Handle h = LoadFile(m, path, err);
      ASSERT_NE(h, 0u) << err;
      const Doc &d = *m.DocOf(h);
      Handle p = PgfWithText(m, d, "deep");
      ASSERT_NE(p, 0u);
      for (Handle f : m.Chained(d.fmts))
        if (m.FmtOf(f)->name != m.PgfOf(p)->tag) tag = m.FmtOf(f)->name;
      Retag(m, d, p, tag);
      ASSERT_TRUE(SaveFile(m, h, path, err)) << err;
    }
    Model m;
    Handle h = LoadFile(m, path, err);
    ASSERT_NE(h, 0u) << err;
    Handle p = PgfWithText(m, *m.DocOf(h), "deep");
    ASSERT_NE(p, 0u);
    EXPECT_EQ(m.PgfOf(p)->tag, tag);
  }
}

TEST(HostileInput, TextThatIsNotUtf8OrNoXmlCharacterIsRefusedWhereItComesIn) {
  Scratch s;
  const std::string name = "style:display-name=\"Text body\"", wname = "<w:name w:val=\"header\"";
  struct Case {
    const char *fixture, *part, *name, *from;
    std::string to, why;
  } cases[] = {
      {"rich.odt", "styles.xml", "latin1.odt", name.c_str(), "style:display-name=\"Caf\xE9\"",
       "malformed UTF-8"},
      {"rich.odt", "styles.xml", "overlong.odt", name.c_str(), "style:display-name=\"\xC0\xAF\"",
       "malformed UTF-8"},
      {"rich.odt", "styles.xml", "nulref.odt", name.c_str(), "style:display-name=\"Text&#0; body\"",
       "not allowed"},
      {"rich.odt", "styles.xml", "surrogate.odt", name.c_str(), "style:display-name=\"&#xD800;\"",
       "not allowed"},
      {"pydocx.docx", "word/styles.xml", "latin1.docx", wname.c_str(), "<w:name w:val=\"Caf\xE9\"",
       "malformed UTF-8"},
      {"pydocx.docx", "word/styles.xml", "nulref.docx", wname.c_str(),
       "<w:name w:val=\"head&#x00;er\"", "not allowed"},
      {"pydocx.docx", "word/styles.xml", "control.docx", wname.c_str(),
       "<w:name w:val=\"head&#1;er\"", "not allowed"},
      {"pydocx.docx", "word/styles.xml", "rawcontrol.docx", wname.c_str(),
       "<w:name w:val=\"head\x01"
       "er\"",
       "a control character"},
      {"pydocx.docx", "word/styles.xml", "nul.docx", wname.c_str(),
       std::string("<w:name w:val=\"head\0er\"", 22), "a NUL character"},
      {"pydocx.docx", "word/_rels/document.xml.rels", "link.docx", "Target=\"styles.xml\"",
       "Target=\"styles.xml%00.png\"", "NUL character"},
      {"master.odm", "content.xml", "link.odm", "xlink:href=\"../rich.odt\"",
       "xlink:href=\"../rich.odt%00.png\"", "NUL character"},
  };
  for (const Case &c : cases) Refused(s.Edited(c.fixture, c.part, c.from, c.to, c.name), c.why);
  Refused(s.Write("nul.json", "{\"formats\": [{\"name\": \"Body\\u0000x\"}]}"), "NUL character");
}

TEST(HostileInput, ClientTextIsRepairedToUtf8AndNothingInvalidReachesAFile) {
  EXPECT_EQ(wire::Str("Caf\xE9"), "Caf\xEF\xBF\xBD");
  EXPECT_EQ(wire::Str("\xE2\x82"), "\xEF\xBF\xBD\xEF\xBF\xBD");  // cut short
  EXPECT_EQ(wire::Str("Caf\xC3\xA9 \xF0\x9F\x93\x84"), "Caf\xC3\xA9 \xF0\x9F\x93\x84");
  EXPECT_EQ(wire::Str("a\tb\nc\x01"
                      "d\x1F"),
            "a\tb\nc\xEF\xBF\xBD"
            "d\xEF\xBF\xBD");

  // A text that got into the model some other way is refused by the JSON writer, not thrown.
  Scratch s;
  Model m;
  Doc *d = m.NewDoc((s.dir / "x.json").string());
  m.AddFormat(*d, "Caf\xE9");
  std::string err, out = (s.dir / "out.json").string();
  EXPECT_FALSE(SaveFile(m, d->h, out, err));
  EXPECT_NE(err.find("not UTF-8"), std::string::npos) << err;
  EXPECT_FALSE(fs::exists(out));
}

TEST(HostileInput, ElementTreesOfAnyDepthCloseAndDeepOnesAreNotWrittenAsJson) {
  Scratch s;
  Model m;
  Doc *d = m.NewDoc((s.dir / "x.json").string());
  Handle def = m.AddElementDef(*d, "E")->h, parent = 0;
  for (int i = 0; i < 1'000'000; ++i) parent = m.AddElement(*d, def, parent)->h;
  TextLoc at;
  EXPECT_EQ(m.ElementToText(d->h, {d->rootElement, 0, 0}, at), kBadInsertPos);
  std::string err, out = (s.dir / "out.json").string();
  EXPECT_FALSE(SaveFile(m, d->h, out, err));
  EXPECT_NE(err.find("nested deeper than " + std::to_string(kMaxElementDepth)), std::string::npos)
      << err;
  EXPECT_FALSE(fs::exists(out));
  EXPECT_EQ(m.Close(d->h, 1), kOk);
}

}  // namespace
}  // namespace qvhost
