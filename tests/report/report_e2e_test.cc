// The tag report commands end to end: the client runs against the substitute host on the
// document formats.fm, and the output document it leaves in the host is read back. Each test
// runs over both transports, with the same calls (two_transports.h).
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include <quorvex/fcodes.h>

#include "host/core/host.h"
#include "host/files.h"
#include "host/handlers/handlers.h"
#include "host/model/model.h"
#include "tests/support/two_transports.h"

namespace {

using qvhost::Answer;
using qvhost::TheModel;
using Lines = std::vector<std::string>;  // paragraphs as "Tag|text"

constexpr int kAllTags = 16, kSelectedTag = 17, kAbout = 1000;

class ReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static bool registered = false;
    if (!registered) qvhost::RegisterModelHandlers();
    registered = true;
    TheModel().Reset(true);
    transports_.Begin();
    TheModel().clientDir = QV_SOURCE_DIR "/examples/clientdir";
    std::string err;
    TheModel().activeDoc = qvhost::LoadFile(TheModel(), QV_TEST_DIR "/formats.fm", err);
    doc_ = TheModel().DocOf(TheModel().activeDoc);
    ASSERT_TRUE(doc_) << err;
    ASSERT_TRUE(host_.Start(&err)) << err;
  }
  void TearDown() override {
    host_.Stop();
    transports_.End(host_, "");
    TheModel().Reset();
  }

  // A document of exactly these formats instead of formats.fm.
  void UseFormats(const Lines &names) {
    doc_ = TheModel().NewDoc("/tmp/report-catalogue.fm");
    for (const std::string &n : names) TheModel().AddFormat(*doc_, n);
    TheModel().activeDoc = doc_->h;
  }

  static void Script(Answer::What what, int32_t index = 0) {
    Answer a;
    a.what = what;
    a.index = index;
    TheModel().answers.push_back(a);
  }

  // Runs one command in a freshly started client; true when the client bailed out.
  bool Run(int command) {
    qvhost::Host::LaunchOptions opt;
    opt.client_path = QUORVEX_CLIENT_BIN;
    opt.client_number = -1;
    transports_.Use(opt, "");
    std::string err;
    EXPECT_TRUE(host_.Launch(opt, &err)) << err;
    TheModel().created.clear();
    shownBefore_ = TheModel().shown.size();
    EXPECT_EQ(host_.Initialize(2), 0);
    int bailout = host_.Command(command);
    EXPECT_EQ(host_.WaitExit(10000), 0);
    return bailout == 1;
  }

  // The paragraphs of the one document the last command made, without the empty last
  // paragraph that every write leaves for the next.
  Lines Output() const {
    const qvhost::Model &m = TheModel();
    if (m.created.size() != 1) return {"(" + std::to_string(m.created.size()) + " documents)"};
    Lines lines;
    auto *flow = m.As<qvhost::Flow>(m.DocOf(m.created[0])->mainFlow, qvhost::Kind::Flow);
    for (qvhost::Handle fr : m.Chained(flow->frames))
      for (qvhost::Handle p : m.Chained(m.As<qvhost::Frame>(fr, qvhost::Kind::Frame)->pgfs))
        lines.push_back(m.PgfOf(p)->tag + "|" + m.PgfOf(p)->text);
    if (!lines.empty() && lines.back().back() == '|') lines.pop_back();
    return lines;
  }

  std::vector<qvhost::ShownItem> Shown() const {
    return {TheModel().shown.begin() + shownBefore_, TheModel().shown.end()};
  }

  qvhost::Host host_;
  qvtest::TwoTransports transports_;
  qvhost::Doc *doc_ = nullptr;
  size_t shownBefore_ = 0;
};

// The hand-written report of a file: "$" ends each line (so trailing spaces show) and
// "{inches|centimetres}" gives the two forms of a length.
Lines Expected(const std::string &file, bool centimetres) {
  std::ifstream in(QV_TEST_DIR "/" + file);
  Lines lines;
  for (std::string l; std::getline(in, l);) {
    if (size_t open = l.find('{'); open != std::string::npos) {
      size_t bar = l.find('|', open), close = l.find('}', bar);
      std::string inch = l.substr(open + 1, bar - open - 1),
                  cm = l.substr(bar + 1, close - bar - 1);
      l = l.substr(0, open) + (centimetres ? cm : inch) + l.substr(close + 1);
    }
    lines.push_back(l.substr(0, l.size() - 1));
  }
  return lines;
}

// The value of the report line with this label; "(none)" when there is no such line.
std::string Item(const Lines &lines, const std::string &label) {
  for (const std::string &l : lines)
    if (l.rfind("Body|" + label + ": ", 0) == 0) return l.substr(label.size() + 7);
  return "(none)";
}

TEST_F(ReportTest, SelectedFormatInInchesThenCentimetres) {
  for (bool cm : {false, true}) {
    if (cm) doc_->displayUnits = 0x1C58B1;
    Script(Answer::Choose, 1);  // Body, Figure, Odd
    ASSERT_TRUE(Run(kSelectedTag));
    Lines got = Output(), want = Expected("figure.txt", cm);
    for (size_t i = 0; i < std::max(got.size(), want.size()); i++)
      EXPECT_EQ(i < got.size() ? got[i] : "(missing)", i < want.size() ? want[i] : "(extra)");
  }
}

TEST_F(ReportTest, ValuesOutsideTheirListsAndAnUnreadableUnit) {
  doc_->displayUnits = 0;
  Script(Answer::Choose, 2);
  ASSERT_TRUE(Run(kSelectedTag));
  Lines out = Output();
  EXPECT_EQ(Item(out, "Capitalization"), "(none)");
  EXPECT_EQ(Item(out, "Alignment"), "(none)");
  EXPECT_EQ(Item(out, "Font Family"), " ");
  EXPECT_EQ(Item(out, "Language"), " ");
  EXPECT_EQ(Item(out, "Widow-Orphan Lines"), "-2147483648 ");
  EXPECT_EQ(Item(out, "Bookmark Level"), "123456789 ");
  EXPECT_EQ(Item(out, "First Indent"), "0.000 ");
  EXPECT_EQ(Item(out, "Top Margin - Custom"), "0.00 points");
  EXPECT_EQ(Item(out, "Right Margin - Custom"), "0.00 points");
  EXPECT_EQ(Item(out, "Spread"), "0.00%");
}

TEST_F(ReportTest, AllTagsInByteOrderEachBlockClosedByAnEmptyBody) {
  UseFormats({"body", "Body", "Heading1"});
  ASSERT_TRUE(Run(kAllTags));
  Lines out = Output(), heads;
  for (size_t i = 0; i < out.size(); i++)
    if (out[i].rfind("Heading1|", 0) == 0) {
      heads.push_back(out[i].substr(9));
      EXPECT_EQ(i == 0 ? "Body|" : out[i - 1], "Body|");
    }
  EXPECT_EQ(heads, (Lines{"Body", "Heading1", "body"}));
  ASSERT_FALSE(out.empty());
  EXPECT_EQ(out.back(), "Body|");
  EXPECT_EQ(out.size() % 3, 0u);
}

TEST_F(ReportTest, SelectedTagReportsTheChosenEntryOnly) {
  UseFormats({"body", "Body", "Heading1"});
  Script(Answer::Choose, 1);
  ASSERT_TRUE(Run(kSelectedTag));
  Lines out = Output();
  EXPECT_EQ(out.front(), "Heading1|Heading1");
  EXPECT_EQ(std::count_if(out.begin(), out.end(),
                          [](const std::string &l) { return l.rfind("Heading1|", 0) == 0; }),
            1);
  EXPECT_EQ(out.back().rfind("Body|Structure Level: ", 0), 0u);
  std::vector<qvhost::ShownItem> shown = Shown();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, "Choose a format.");
  EXPECT_EQ(shown[0].items, (Lines{"Body", "Heading1", "body"}));
  EXPECT_EQ(shown[0].type, 0);  // the first entry preselected
}

TEST_F(ReportTest, NoReportWithoutAChoiceInTheList) {
  Script(Answer::Cancel);
  EXPECT_TRUE(Run(kSelectedTag));
  EXPECT_TRUE(TheModel().created.empty());
  Script(Answer::Choose, 3);  // past the three entries
  EXPECT_TRUE(Run(kSelectedTag));
  EXPECT_TRUE(TheModel().created.empty());
}

TEST_F(ReportTest, EmptyCatalogue) {
  UseFormats({});
  ASSERT_TRUE(Run(kAllTags));
  EXPECT_EQ(Output(), Lines{});
  ASSERT_TRUE(Run(kSelectedTag));
  EXPECT_TRUE(TheModel().created.empty());
}

TEST_F(ReportTest, NoTargetDocumentDoesNothingAndShowsNothing) {
  TheModel().activeDoc = 0;
  for (int command : {kAllTags, kSelectedTag}) {
    EXPECT_TRUE(Run(command));
    EXPECT_TRUE(TheModel().created.empty());
    EXPECT_TRUE(Shown().empty());
  }
}

TEST_F(ReportTest, AboutFromEitherMenu) {
  for (bool book : {false, true}) {  // a document window, then a book window alone
    if (book) {
      TheModel().activeDoc = 0;
      TheModel().activeBook = TheModel().NewBook("/tmp/report-test.book")->h;
    }
    EXPECT_TRUE(Run(kAbout));
    std::vector<qvhost::ShownItem> shown = Shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].what, "alert");
    EXPECT_EQ(shown[0].type, VAL_AlertNote);
    EXPECT_EQ(shown[0].text, "Quorvex\nVersion 2.1 Build 100");
  }
}

}  // namespace
