// Remove Overrides and Find Next Override.
#include "e2e_support.h"

namespace qvtest {
namespace {

using Strings = std::vector<std::string>;

class Overrides : public ClientE2E {
 protected:
  qvhost::Doc &Doc() {
    qvhost::Doc &d = NewDoc("d.fm", {"Body", "Note"});
    m().activeDoc = d.h;
    return d;
  }
  void Select(qvhost::Doc &d, Handle pgf) { d.selection = {{pgf, 0}, {pgf, 0}}; }
  // The selection the user is left with: paragraph and both offsets.
  std::string Selection(const qvhost::Doc &d) {
    return std::to_string(d.selection.beg.obj) + ":" + std::to_string(d.selection.beg.offset) +
           "-" + std::to_string(d.selection.end.obj) + ":" + std::to_string(d.selection.end.offset);
  }
  static std::string Sel(Handle p, int from, int to) {
    return std::to_string(p) + ":" + std::to_string(from) + "-" + std::to_string(p) + ":" +
           std::to_string(to);
  }
};

TEST_F(Overrides, RemoveResetsFlowAndTableParagraphs) {
  qvhost::Doc &d = Doc();
  qvhost::Pgf *flow = Pgf(d, "Body", true);
  flow->own[PROP_SpaceAbove] = qvhost::Value::Metric(99);
  qvhost::Pgf *orphan = Pgf(d, "Gone", true);  // its format is not in the catalogue
  qvhost::Table &t = NewTable(d, {{"cell"}}, "Note");
  qvhost::Pgf *cell = m().PgfOf(m().WalkPgfs(d).back());
  cell->override_ = true;
  (void)t;
  Answer("ok");
  EXPECT_EQ(Run(7), 1);
  EXPECT_FALSE(flow->override_);
  EXPECT_FALSE(flow->own.count(PROP_SpaceAbove) && flow->own[PROP_SpaceAbove].i == 99);
  EXPECT_FALSE(orphan->override_);  // cleared in a body flow even without a format
  EXPECT_FALSE(cell->override_);
  EXPECT_EQ(d.batchFlag, 0);
}

TEST_F(Overrides, DeclinedRemovalKeepsOverrides) {
  qvhost::Doc &d = Doc();
  qvhost::Pgf *p = Pgf(d, "Body", true);
  Answer("cancel");
  EXPECT_EQ(Run(7), 1);
  EXPECT_TRUE(p->override_);
}

TEST_F(Overrides, BookRemovalSavesEachComponent) {
  Strings files;
  for (const char *name : {"a.fm", "b.fm", "c.fm"}) {
    qvhost::Doc &d = NewDoc(name, {"Body"});
    Pgf(d, "Body", true);
    files.push_back(SaveAndClose(d));
  }
  NewBook(files);
  Answer("ok");
  EXPECT_EQ(Run(15), 1);
  EXPECT_EQ(Shown("status"),
            (Strings{"Processing: a.fm", "Processing: b.fm", "Processing: c.fm", ""}));
  EXPECT_EQ(m().saved, files);
  EXPECT_FALSE(m().PgfOf(m().WalkPgfs(*m().DocOf(Reload(files[1])))[0])->override_);
}

TEST_F(Overrides, FindComesRoundToTheFirstParagraph) {
  qvhost::Doc &d = Doc();
  qvhost::Pgf *first = Pgf(d, "Body", true);
  Pgf(d, "Body");
  Select(d, Pgf(d, "Body")->h);
  EXPECT_EQ(Run(8), 0);  // found: the client stays for the next use
  EXPECT_EQ(Selection(d), Sel(first->h, 0, 0x4FFFFFFF));
  EXPECT_TRUE(Shown("alert").empty());
}

TEST_F(Overrides, FindWithoutOverridesReachesTheEnd) {
  qvhost::Doc &d = Doc();
  Pgf(d, "Body");
  qvhost::Pgf *start = Pgf(d, "Body");
  Select(d, start->h);
  EXPECT_EQ(Run(8), 1);
  EXPECT_EQ(Shown("alert"), Strings{"End of document reached."});
  EXPECT_EQ(Selection(d), Sel(start->h, 0, 0));
}

TEST_F(Overrides, FindsTheStartParagraphAgain) {
  qvhost::Doc &d = Doc();
  Pgf(d, "Body");
  qvhost::Pgf *start = Pgf(d, "Body", true);
  Select(d, start->h);
  EXPECT_EQ(Run(8), 0);
  EXPECT_EQ(Selection(d), Sel(start->h, 0, 0x4FFFFFFF));
}

TEST_F(Overrides, OverrideOffTheBodyPagesEndsTheSearch) {
  qvhost::Doc &d = Doc();
  qvhost::Pgf *last = Pgf(d, "Body");
  Select(d, last->h);
  qvhost::Page *master = m().AddPage(d, qvhost::PageList::A, "Right");
  m().AddPgf(*m().AddFrame(*m().AddFlow(d, "M", false), master->h), "Body", "x")->override_ = true;
  EXPECT_EQ(Run(8), 0);
  EXPECT_EQ(Shown("alert"), Strings{"End of document reached."});
  EXPECT_EQ(Selection(d), Sel(last->h, 0, 0x4FFFFFFF));  // the paragraph visited before
}

TEST_F(Overrides, StartOffEveryFlowChainStopsAfterOneRound) {
  qvhost::Doc &d = Doc();
  Pgf(d, "Body");
  qvhost::Flow *loose = m().AddFlow(d, "L", false);
  qvhost::Pgf *start = m().AddPgf(*m().AddFrame(*loose, d.bodyPages.first), "Body", "x");
  // Take the flow out of the document's flow list: its paragraph is on no chain the search
  // walks, so coming round never meets it.
  m().Find(d.flows.first)->next = 0;
  d.flows.last = d.flows.first;
  Select(d, start->h);
  EXPECT_EQ(Run(8), 1);
  EXPECT_EQ(Shown("alert"), Strings{"End of document reached."});
}

TEST_F(Overrides, FindInsideATableLooksOnlyForward) {
  qvhost::Doc &d = Doc();
  Pgf(d, "Body");
  NewTable(d, {{"a", "b"}, {"c", "d"}});
  std::vector<Handle> cells = m().WalkPgfs(d);  // body paragraph, then a, b, c, d
  Select(d, cells[2]);
  m().PgfOf(cells[4])->override_ = true;
  Launch();
  EXPECT_EQ(host_.Command(8), 0);
  EXPECT_EQ(Selection(d), Sel(cells[4], 0, 0x4FFFFFFF));
  m().PgfOf(cells[4])->override_ = false;
  m().PgfOf(cells[1])->override_ = true;  // only an earlier cell
  Select(d, cells[3]);
  EXPECT_EQ(host_.Command(8), 1);
  EXPECT_EQ(Shown("alert"), Strings{"End of table reached."});
}

// After the last cell the table search walks the table's own (title) paragraphs and selects the
// first overridden one from offset 0.
TEST_F(Overrides, FindInsideATableGoesOnToTheTitle) {
  qvhost::Doc &d = Doc();
  Pgf(d, "Body");
  qvhost::Table &t = NewTable(d, {{"a", "b"}, {"c", "d"}});
  std::vector<Handle> cells = m().WalkPgfs(d);  // body paragraph, then a, b, c, d
  m().PgfOf(cells[1])->override_ = true;        // before the start: never reached
  qvhost::Pgf *plain = m().AddTitlePgf(t, "Body", "Table 1");
  qvhost::Pgf *title = m().AddTitlePgf(t, "Body", "continued");
  title->override_ = true;
  (void)plain;
  Select(d, cells[2]);
  EXPECT_EQ(Run(8), 0);  // found: no end steps
  EXPECT_EQ(Selection(d), Sel(title->h, 0, 0x4FFFFFFF));
  EXPECT_TRUE(Shown("alert").empty());
  EXPECT_TRUE(host_.ClientRunning());
}

// The document search ends silently, selection unchanged and without the end steps, when the
// flow it leaves ends in a paragraph that has no text frame...
TEST_F(Overrides, FindEndsSilentlyAtAParagraphWithoutATextFrame) {
  qvhost::Doc &d = Doc();
  Pgf(d, "Body", true);  // would be found by coming round
  qvhost::Pgf *start = Pgf(d, "Body");
  start->parent = 0;  // the last paragraph of the flow, in no text frame
  Select(d, start->h);
  EXPECT_EQ(Run(8), 0);
  EXPECT_TRUE(Shown("alert").empty());
  EXPECT_EQ(Selection(d), Sel(start->h, 0, 0));
  EXPECT_TRUE(host_.ClientRunning());
}

// ... and when the next flow's text frames hold no paragraph.
TEST_F(Overrides, FindEndsSilentlyAtAFlowWithoutParagraphs) {
  qvhost::Doc &d = Doc();
  Pgf(d, "Body", true);  // would be found by coming round
  qvhost::Pgf *start = Pgf(d, "Body");
  qvhost::Flow *empty = m().AddFlow(d, "B", false);
  m().AddFrame(*empty, d.bodyPages.first);
  m().AddFrame(*empty, d.bodyPages.first);
  Select(d, start->h);
  EXPECT_EQ(Run(8), 0);
  EXPECT_TRUE(Shown("alert").empty());
  EXPECT_EQ(Selection(d), Sel(start->h, 0, 0));
  EXPECT_EQ(Calls(1014), 0u);  // nothing was brought into view
  EXPECT_TRUE(host_.ClientRunning());
}

TEST_F(Overrides, FindWithoutInsertionPoint) {
  qvhost::Doc &d = Doc();
  Pgf(d, "Body", true);
  d.selection = {};
  EXPECT_EQ(Run(8), 0);
  EXPECT_EQ(Shown("alert"), Strings{"No insertion point."});
}

}  // namespace
}  // namespace qvtest
