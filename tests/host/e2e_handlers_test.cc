// The host handlers end to end: a probe client makes interface calls over RPC and the answers
// it saw are compared with the model they came from.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "host/core/host.h"
#include "host/files.h"
#include "host/handlers/handlers.h"
#include "host/model/units.h"
#include "quorvex/fcodes.h"

namespace qvhost {
namespace {

namespace fs = std::filesystem;

class HostHandlers : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { RegisterModelHandlers(); }

  void SetUp() override {
    char tmpl[] = "/tmp/qvhost-e2e-XXXXXX";
    dir_ = mkdtemp(tmpl);
    m_.Reset();
    m_.clientDir = std::string(QV_EXAMPLES_DIR) + "/clientdir";
    std::string err;
    ASSERT_TRUE(host_.Start(&err)) << err;
  }
  void TearDown() override {
    host_.Stop();
    fs::remove_all(dir_);
  }

  // Runs one probe command; returns its observations by key (a repeated key keeps every
  // value, in order).
  std::multimap<std::string, std::string> Probe(int command) {
    Host::LaunchOptions o;
    o.client_path = QV_PROBE_BIN;
    o.extra_env = {"QV_PROBE_OUT=" + (dir_ / "out").string(), "QV_PROBE_DIR=" + dir_.string()};
    std::string err;
    EXPECT_TRUE(host_.Launch(o, &err)) << err;
    EXPECT_EQ(host_.Command(command), 1);
    EXPECT_EQ(host_.WaitExit(10000), 0);
    std::multimap<std::string, std::string> obs;
    std::ifstream in(dir_ / "out");
    for (std::string line; std::getline(in, line);) {
      size_t sp = line.find(' ');
      obs.emplace(line.substr(0, sp), sp == std::string::npos ? "" : line.substr(sp + 1));
    }
    return obs;
  }
  static std::string One(const std::multimap<std::string, std::string> &obs, const char *key) {
    auto it = obs.find(key);
    return it == obs.end() ? "<none>" : it->second;
  }

  Model &m_ = TheModel();
  Host host_;
  fs::path dir_;
};

TEST_F(HostHandlers, PropertiesTextAndTablesCrossTheWire) {
  Doc *d = m_.NewDoc((dir_ / "d.fm").string());
  m_.AddColor(*d, "Black");
  m_.AddFormat(*d, "Body");
  PgfFmt *h1 = m_.AddFormat(*d, "Heading1");
  h1->chars[PROP_FontSize] = Value::Metric(18 << 16);
  h1->chars[PROP_Tabs] = Value::Tabs({{0x480000, 4, "..", '.'}, {0x900000, 3, "", 0}});
  Frame *fr = m_.AddFrame(*m_.AddFlow(*d, "A", true), m_.AddPage(*d, PageList::Body, "1")->h);
  Handle p1 = m_.AddPgf(*fr, "Heading1", "Title")->h;
  Pgf *p2 = m_.AddPgf(*fr, "Body", "Some text");
  ASSERT_EQ(m_.SetProp(0, p2->h, PROP_FontSize, Value::Metric(9 << 16)), kOk);
  m_.activeDoc = d->h;
  Handle fmt = h1->h;  // the probe deletes the format at the end

  auto obs = Probe(1);
  EXPECT_EQ(One(obs, "fmt"), std::to_string(fmt));
  EXPECT_EQ(One(obs, "pgfs"), std::to_string(p1) + " " + std::to_string(p2->h));
  EXPECT_EQ(One(obs, "override-before"), "1");
  EXPECT_EQ(One(obs, "props"), std::to_string(CharDefs().size() + 1));
  EXPECT_EQ(One(obs, "after"), "Heading1 0 " + std::to_string(18 << 16));
  auto tabs = obs.equal_range("tab");
  ASSERT_EQ(std::distance(tabs.first, tabs.second), 2);
  EXPECT_EQ(tabs.first->second, std::to_string(0x480000) + " 4 .. 46");
  EXPECT_EQ(std::next(tabs.first)->second, std::to_string(0x900000) + " 3  0");
  EXPECT_EQ(One(obs, "families"),
            std::to_string(FontFamilyNames().size()) + " " + FontFamilyNames()[0]);
  int32_t helv;
  ASSERT_EQ(m_.FontValue(0, "Helvetica", helv), kOk);
  EXPECT_EQ(One(obs, "helvetica"), std::to_string(helv));
  // The break split the paragraph; the text range spans both halves.
  Handle q = p2->next;
  ASSERT_NE(q, 0u);
  EXPECT_EQ(One(obs, "added"), std::to_string(q) + " 3");
  EXPECT_EQ(One(obs, "text"), "[Some more][New text]");
  Handle tbl = d->tables.first;
  ASSERT_NE(tbl, 0u);
  EXPECT_EQ(One(obs, "table"), std::to_string(tbl) + " 2 " + std::to_string(0x900000));
  EXPECT_EQ(m_.As<Table>(tbl, Kind::Table)->anchor, p1);
  EXPECT_EQ(m_.Chained(m_.As<Table>(tbl, Kind::Table)->rows).size(), 4u);
  EXPECT_EQ(One(obs, "init"), "0");
  // Refusals carry the model's status into FA_errno.
  EXPECT_EQ(One(obs, "missing"), "0 errno " + std::to_string(kBadName));
  EXPECT_EQ(One(obs, "zero"), "0 errno " + std::to_string(kBadObjId));
  EXPECT_EQ(One(obs, "wrongprop"), "(null) errno " + std::to_string(kBadPropNum));
  EXPECT_EQ(One(obs, "wrongshape"), "0 errno " + std::to_string(kBadPropType));
  EXPECT_EQ(One(obs, "delete"), "0");
  EXPECT_EQ(One(obs, "deleted"), "(null) errno " + std::to_string(kBadObjId));
  EXPECT_EQ(m_.FindFormat(*d, "Heading1"), nullptr);
  EXPECT_EQ(m_.PgfOf(p1)->own.at(PROP_FontSize).i, 18 << 16);  // kept its look
}

TEST_F(HostHandlers, DocumentsAreMadeSavedAndOpened) {
  auto obs = Probe(2);
  ASSERT_EQ(m_.created.size(), 2u);
  Handle nd = m_.created[0], cd = m_.created[1];
  EXPECT_EQ(One(obs, "new"), std::to_string(nd) + " ");  // untitled copy of the template
  ASSERT_NE(m_.DocOf(nd), nullptr);
  EXPECT_NE(m_.FindFormat(*m_.DocOf(nd), "Heading2"), nullptr);
  std::string path = fs::weakly_canonical(dir_ / "saved.fm").string();
  EXPECT_EQ(One(obs, "save"), std::to_string(cd) + " " + std::to_string(cd));
  EXPECT_EQ(One(obs, "close"), "0");
  EXPECT_EQ(m_.DocOf(cd), nullptr);
  std::string open = One(obs, "open");
  EXPECT_NE(open.substr(0, open.find(' ')), "0");
  EXPECT_EQ(open.substr(open.find(' ') + 1), path);
  EXPECT_EQ(One(obs, "close-open"), "0");
  EXPECT_EQ(One(obs, "absent"), "0 errno " + std::to_string(kFileError));
  // The file on disk is the custom document with its one line of text.
  Model fresh;
  std::string err;
  Handle back = LoadFile(fresh, path, err);
  ASSERT_NE(back, 0u) << err;
  std::vector<Handle> walk = fresh.WalkPgfs(*fresh.DocOf(back));
  ASSERT_EQ(walk.size(), 1u);
  EXPECT_EQ(fresh.PgfOf(walk[0])->text, "Hello");
  EXPECT_EQ(m_.OpenDocs(), std::vector<Handle>{nd});
}

TEST_F(HostHandlers, QuestionsAreAnsweredFromTheScript) {
  m_.answers = {{Answer::Cancel, 0, ""}, {Answer::Choose, 1, ""}, {Answer::Text, 0, "Ada"}};
  auto obs = Probe(3);
  EXPECT_NE(One(obs, "alert"), "0");
  EXPECT_EQ(One(obs, "scrollbox"), "0 1");
  EXPECT_EQ(One(obs, "prompt"), "0 Ada");
  m_.answers = {{Answer::Ok, 0, ""}, {Answer::Cancel, 0, ""}, {Answer::Cancel, 0, ""}};
  obs = Probe(3);
  EXPECT_EQ(One(obs, "alert"), "0");
  EXPECT_EQ(One(obs, "scrollbox"), "-1 -7");  // cancelled: the variable is untouched
  EXPECT_EQ(One(obs, "prompt"), "-1 (null)");
}

// A standard document whose main flow holds "Start" and "Beta data", made active.
Doc *TwoParagraphs(Model &m, const std::string &path) {
  Doc *d = m.NewStandardDoc();
  d->path = path;
  TextLoc end;
  EXPECT_EQ(m.AddText(d->h, d->selection.beg, "Start\nBeta data", end), kOk);
  m.activeDoc = d->h;
  return d;
}

TEST_F(HostHandlers, StructureGraphicsStraddlesAndTextPropertiesCrossTheWire) {
  Doc *d = TwoParagraphs(m_, (dir_ / "s.fm").string());
  std::vector<Handle> pgfs = m_.WalkPgfs(*d);
  auto obs = Probe(4);
  Handle chapter = m_.FindElementDef(*d, "Chapter")->h;
  EXPECT_EQ(One(obs, "catalog"), "3 " + std::to_string(chapter) + " " + std::to_string(chapter));
  const Element *root = m_.As<Element>(d->rootElement, Kind::Element);
  ASSERT_NE(root, nullptr);
  std::vector<Handle> kids = m_.Chained(root->children);
  ASSERT_EQ(kids.size(), 2u);  // the wrapper was unwrapped again
  Handle a = kids[0], b = kids[1];
  EXPECT_EQ(One(obs, "elements"),
            std::to_string(root->h) + " " + std::to_string(a) + " " + std::to_string(b));
  EXPECT_EQ(One(obs, "text-to-element"), std::to_string(root->h) + " " + std::to_string(b) + " 1");
  EXPECT_EQ(One(obs, "element-to-text"), std::to_string(pgfs[0]) + " 0");
  std::string wrapped = One(obs, "wrapped");
  EXPECT_EQ(wrapped.substr(0, wrapped.find(' ')),
            std::to_string(m_.FindElementDef(*d, "Section")->h));
  EXPECT_NE(wrapped.find(" " + std::to_string(a) + " "), std::string::npos);
  EXPECT_EQ(One(obs, "unwrapped"), std::to_string(root->h));
  EXPECT_EQ(One(obs, "demote-first"), std::to_string(kBadParameter));
  EXPECT_EQ(One(obs, "attributes"), "1 Id=x1 1 1");
  EXPECT_EQ(m_.As<Element>(a, Kind::Element)->attrs[0].values, std::vector<std::string>{"x1"});

  EXPECT_EQ(One(obs, "straddle"), "0");
  EXPECT_EQ(One(obs, "ints"), "2 1 2");
  EXPECT_EQ(One(obs, "textloc"), std::to_string(pgfs[0]) + " " + std::to_string(pgfs[1]));
  EXPECT_EQ(m_.As<Table>(d->tables.first, Kind::Table)->anchor, pgfs[1]);
  EXPECT_EQ(One(obs, "points"), "1,2 3,-4 1");
  EXPECT_EQ(One(obs, "center"), "0 " + std::to_string(kBadObjId) + " errno " +
                                    std::to_string(kBadObjId));  // a table is not a graphic
  EXPECT_EQ(One(obs, "ubytes"), "3 255");
  // Bold over part of the first paragraph: an int value, the whole list of character
  // properties at a location, and no paragraph override.
  EXPECT_EQ(One(obs, "textprops"), std::to_string(TV_Int) + " 5 15 0");
  EXPECT_EQ(m_.PgfOf(pgfs[0])->textProps.at(PROP_FontWeight).i, 5);
}

TEST_F(HostHandlers, SearchExportImportAndPromptsCrossTheWire) {
  Doc *d = TwoParagraphs(m_, (dir_ / "e.fm").string());
  std::vector<Handle> pgfs = m_.WalkPgfs(*d);
  m_.answers = {{Answer::Text, 0, "2cm"}, {Answer::Text, 0, "/tmp/chosen.fm"}};
  auto obs = Probe(5);
  EXPECT_EQ(One(obs, "find"), std::to_string(pgfs[1]) + " 5 7");  // "Beta data"
  EXPECT_EQ(One(obs, "find-absent"), "0 errno " + std::to_string(kNotFound));
  std::string exported = fs::weakly_canonical(dir_ / "exported.fm").string();
  EXPECT_EQ(One(obs, "export"), "0 2 " + (dir_ / "exported.fm").string());
  ASSERT_TRUE(fs::exists(exported));
  // The import put the exported text in at the start; the document kept its own name.
  EXPECT_EQ(One(obs, "import"), "1 1 " + d->path);
  std::vector<Handle> after = m_.WalkPgfs(*d);
  ASSERT_EQ(after.size(), 3u);
  EXPECT_EQ(m_.PgfOf(after[0])->text, "Start");
  EXPECT_EQ(m_.PgfOf(after[1])->text, "Beta dataStart");
  EXPECT_EQ(One(obs, "add-word"), "0");
  EXPECT_EQ(One(obs, "dictionary"), "0 1 quorvex");
  EXPECT_EQ(One(obs, "spell"), "0 0 0");  // every word passes
  int32_t cm;
  ASSERT_TRUE(PointsToMetric(72 / 2.54 * 2, cm));
  EXPECT_EQ(One(obs, "metric"), "0 " + std::to_string(cm));
  EXPECT_EQ(One(obs, "choose"), "0 /tmp/chosen.fm");
  EXPECT_EQ(m_.OpenDocs(), std::vector<Handle>{d->h});  // the imported file was closed again
}

}  // namespace
}  // namespace qvhost
