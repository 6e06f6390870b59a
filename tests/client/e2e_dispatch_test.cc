// The dispatcher: targets, the end steps and the outcomes that skip them, confirmations,
// the book pass, and the output document.
#include <filesystem>

#include "e2e_support.h"

namespace qvtest {
namespace {

using Strings = std::vector<std::string>;

TEST_F(ClientE2E, NoTargetDocumentEndsEachDocumentCommandAtOnce) {
  Launch();
  for (int id : {1, 2, 3, 5, 6, 7, 8}) EXPECT_EQ(host_.Command(id), 0) << id;
  EXPECT_EQ(Shown("alert"), Strings(7, "Please open a document first."));
  EXPECT_TRUE(host_.ClientRunning());
  EXPECT_TRUE(m().created.empty());
}

// Command 1 without a document ends at once, so the book id of an earlier "SetBookId" is
// still pending: the next book command lists that book although no book is active.
TEST_F(ClientE2E, NoDocumentKeepsThePendingClientCallBook) {
  qvhost::Doc &a = NewDoc("a.fm", {"Body", "Note"});
  Pgf(a, "Body");
  Handle book = NewBook({SaveAndClose(a)});
  m().activeBook = 0;
  Launch();
  EXPECT_EQ(host_.Notify(13, 0, "SetBookId " + std::to_string(book), 0), 0);
  EXPECT_EQ(host_.Command(1), 0);
  EXPECT_EQ(Shown("alert"), Strings{"Please open a document first."});
  EXPECT_TRUE(host_.ClientRunning());
  EXPECT_EQ(host_.Command(9), 1);
  EXPECT_EQ(Lines(Output()),
            (Strings{"Heading1|manual.book", "Heading2|Paragraph Tags Used:", "Body|Body",
                     "Heading2|Paragraph Tags Not Used:", "Body|Note"}));
  EXPECT_EQ(Shown("status"), (Strings{"Examining: a.fm", ""}));
}

// Book commands without a book visit no file; each goes on as for an empty book: 11 and 13
// still make their table, 10, 12, 14 and 15 still ask their question.
TEST_F(ClientE2E, BookCommandsWithoutABookVisitNoFile) {
  qvhost::Doc &lists = NewDoc("", {"CellBody"});
  Pgf(lists, "CellBody");
  NewTable(lists, {{"Tags to Keep"}, {"Body"}});
  NewTable(lists, {{"Source Tag", "Destination Tag"}, {"Old", "New"}});
  m().activeBook = 0;
  for (int id = 10; id <= 15; ++id) {
    if (id == 11 || id == 13)
      Choose(1);
    else
      Answer("ok");
    EXPECT_EQ(Run(id), 1) << id;
    ASSERT_EQ(host_.WaitExit(5000), 0) << id;
  }
  EXPECT_EQ(
      Shown("alert"),
      (Strings{"Are you sure you want to delete unused paragraph tags for all files in the book?",
               "Are you sure you want to keep only the paragraph tags listed?",
               "Are you sure you want to convert paragraph tags for all files in the book?",
               "Are you sure you want to remove paragraph overrides for all files in the book?"}));
  // The only files opened are the output template of the two tables.
  Strings opened = ArgsOf(1019);
  EXPECT_EQ(opened.size(), 2u);
  for (const std::string &args : opened)
    EXPECT_NE(args.find("/clientdir/KVOutput.fm\""), std::string::npos) << args;
  EXPECT_TRUE(m().saved.empty());
  EXPECT_TRUE(Shown("status").empty());  // the status line of handle 0 is refused
  // Tables of the used tags of no file: the heading row alone.
  ASSERT_EQ(m().created.size(), 2u);
  std::vector<std::string> headings;
  for (Handle doc : m().created) {
    const qvhost::Doc *d = m().DocOf(doc);
    const auto *t = d ? m().As<qvhost::Table>(d->tables.last, qvhost::Kind::Table) : nullptr;
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(m().Chained(t->rows).size(), 1u);
    const auto *row = m().As<qvhost::Row>(t->rows.first, qvhost::Kind::Row);
    const auto *cell = m().As<qvhost::Cell>(row->cells.first, qvhost::Kind::Cell);
    headings.push_back(m().PgfOf(cell->pgfs.first)->text);
  }
  EXPECT_EQ(headings, (Strings{"Tags to Keep", "Source Tag"}));
}

TEST_F(ClientE2E, UnknownCommandRunsOnlyTheEndSteps) {
  EXPECT_EQ(Run(77), 1);
  EXPECT_TRUE(m().shown.empty());
  EXPECT_EQ(host_.WaitExit(5000), 0);
}

TEST_F(ClientE2E, DeclinedConfirmationChangesNothing) {
  qvhost::Doc &d = NewDoc("d.fm", {"Body", "Note"});
  Pgf(d, "Body");
  m().activeDoc = d.h;
  Answer("cancel");
  EXPECT_EQ(Run(2), 1);
  EXPECT_EQ(Formats(d.h), (Strings{"Body", "Note"}));
}

TEST_F(ClientE2E, BookPassReportsComponentThatCannotBeOpened) {
  qvhost::Doc &ok = NewDoc("ok.fm", {"Body"});
  Pgf(ok, "Body", true);
  std::string missing = dir_ + "/missing.fm";
  NewBook({missing, SaveAndClose(ok)});
  Answer("ok");
  EXPECT_EQ(Run(15), 1);
  EXPECT_EQ(Stderr(), "Could not open file:" + missing + "\n");
  EXPECT_EQ(Shown("status"), (Strings{"Processing: missing.fm", "Processing: ok.fm", ""}));
  EXPECT_EQ(m().saved, Strings{dir_ + "/ok.fm"});
  EXPECT_TRUE(m().OpenDocs().empty());  // the pass closed what it opened
}

TEST_F(ClientE2E, BookPassLeavesDocumentsTheUserHadOpen) {
  qvhost::Doc &a = NewDoc("a.fm", {"Body"});
  Pgf(a, "Body", true);
  std::string pathA = SaveAndClose(a);
  qvhost::Doc &b = NewDoc("b.fm", {"Body"});
  Pgf(b, "Body", true);
  std::string pathB = b.path;
  SaveAndClose(b);
  Handle openB = Reload(pathB);  // the user has b.fm open
  NewBook({pathA, pathB});
  Answer("ok");
  EXPECT_EQ(Run(15), 1);
  EXPECT_EQ(m().saved, (Strings{pathA, pathB}));  // saved, but left open
  EXPECT_EQ(m().OpenDocs(), std::vector<Handle>{openB});
  EXPECT_FALSE(m().PgfOf(m().WalkPgfs(*m().DocOf(openB))[0])->override_);
}

TEST_F(ClientE2E, OutputDocumentFromTemplateElseBlank) {
  qvhost::Doc &d = NewDoc("d.fm", {"Body"});
  Pgf(d, "Body");
  m().activeDoc = d.h;
  EXPECT_EQ(Run(1), 1);
  EXPECT_EQ(Formats(Output()), (Strings{"Heading1", "Heading2", "Body"}));
  EXPECT_EQ(Calls(1021), 0u);
  ASSERT_EQ(host_.WaitExit(5000), 0);
  std::filesystem::remove(dir_ + "/clientdir/KVOutput.fm");
  host_.ClearLog();
  EXPECT_EQ(Run(1), 1);
  EXPECT_EQ(Calls(1021), 1u);  // the custom blank document
  EXPECT_EQ(m().DocOf(Output())->pageWidth, 576 * 0x10000);
  EXPECT_EQ(Lines(Output())[0], "Heading1|d.fm");
}

// A probe client that writes straight into an output document.
TEST_F(ClientE2E, WriteToOutputDocumentWithEmptyTextAndNullTag) {
  qvhost::Host::LaunchOptions o;
  o.client_path = QUORVEX_UTILS_PROBE_BIN;
  o.client_number = -1;
  std::string err;
  ASSERT_TRUE(host_.Launch(o, &err)) << err;
  ASSERT_EQ(host_.Initialize(2), 0);
  EXPECT_EQ(host_.Command(1), 1);
  EXPECT_EQ(Lines(Output()), (Strings{"Heading1|First", "Body|", "Body|Same format"}));
}

}  // namespace
}  // namespace qvtest
