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
