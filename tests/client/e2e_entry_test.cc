// Initialisation (the menus and where the "Paragraphs" menus land) and client calls.
#include "e2e_support.h"

namespace qvtest {
namespace {

class Entry : public ClientE2E {
 protected:
  // Names of the items of a menu, in order, joined by commas.
  std::string Items(const std::string &menu) {
    std::string out;
    auto *mn = m().As<qvhost::Menu>(m().FindMenuItem(qvhost::Kind::Menu, menu), qvhost::Kind::Menu);
    if (!mn) return "<none>";
    for (Handle h : mn->items)
      out += (out.empty() ? "" : ",") + static_cast<qvhost::MenuItem *>(m().Find(h))->name;
    return out;
  }
  // True when the menu holds an item of exactly this name ("KVTools" is not "KVToolsBook").
  bool Holds(const std::string &menu, const std::string &item) {
    std::string all = "," + Items(menu) + ",";
    return all.find("," + item + ",") != std::string::npos;
  }
  qvhost::Menu *Tools(const std::vector<std::string> &labels) {
    qvhost::Menu *tools = m().DefineMenu("KVTools", "Tools");
    int n = 500;
    for (const std::string &l : labels) {
      ++n;
      m().AppendItem(*tools, m().DefineCommand(n, "Item" + std::to_string(n), l, "")->h);
    }
    return tools;
  }
  int InitFirst() {
    qvhost::Host::LaunchOptions o;
    o.client_path = QUORVEX_CLIENT_BIN;
    o.client_number = -1;
    std::string err;
    EXPECT_TRUE(host_.Launch(o, &err)) << err;
    return host_.Initialize(1);
  }
};

TEST_F(Entry, FirstInitialisationBuildsBothMenus) {
  EXPECT_EQ(InitFirst(), 1);  // bails out after defining the menus
  EXPECT_EQ(m().notifications[13], 1);
  EXPECT_EQ(Items("KVTools"), "Quorvex");
  EXPECT_TRUE(Holds("!MakerMainMenu", "KVTools"));
  EXPECT_FALSE(Holds("!MakerMainMenu", "KVToolsBook"));
  EXPECT_TRUE(Holds("!QuickMakerMainMenu", "KVTools"));
  EXPECT_TRUE(Holds("!QuickMakerMainMenu", "KVToolsBook"));
  EXPECT_TRUE(Holds("!BookMainMenu", "KVToolsBook"));
  EXPECT_FALSE(Holds("!BookMainMenu", "KVTools"));
  EXPECT_EQ(Items("Quorvex"),
            "ListParagraphUsage,DeleteUnusedParagraphs,Separator1,CreateParagraphList,"
            "RemoveNonlistParagraphs,Separator2,CreateConversionDocument,ConvertParagraphsInDoc,"
            "Separator3,RemoveOverrides,FindNextOverride,Separator4,ParagraphTagReport,"
            "Separator5,QuorvexAbout");
  EXPECT_EQ(Items("ParagraphTagReport"),
            "GenerateParagraphTagReport,GenerateParagraphTagReportSingle");
  EXPECT_EQ(Items("QuorvexBook"),
            "ListParagraphUsageBook,ListParagraphUsageBookIndFiles,DeleteUnusedParagraphsBook,"
            "Separator1,CreateParagraphListBook,RemoveNonlistParagraphsBook,Separator2,"
            "CreateConversionDocumentBook,ConvertParagraphsBook,Separator3,RemoveOverridesBook,"
            "Separator4,QuorvexAbout");
  qvhost::Command *find = m().CommandByNumber(8), *about = m().CommandByNumber(1000);
  ASSERT_TRUE(find && about);
  EXPECT_EQ(find->shortcut, "\\!ov");
  EXPECT_EQ(about->label, "About Quorvex...");
  EXPECT_EQ(Calls(1067), 0u);  // a lone item needs no move
}

// About is defined once and the book menu takes that same command object; choosing it shows the
// About text, whichever menu it came from.
TEST_F(Entry, AboutIsOneCommandInBothMenus) {
  EXPECT_EQ(InitFirst(), 1);
  auto *doc =
      m().As<qvhost::Menu>(m().FindMenuItem(qvhost::Kind::Menu, "Quorvex"), qvhost::Kind::Menu);
  auto *book =
      m().As<qvhost::Menu>(m().FindMenuItem(qvhost::Kind::Menu, "QuorvexBook"), qvhost::Kind::Menu);
  ASSERT_TRUE(doc && book);
  ASSERT_FALSE(doc->items.empty() || book->items.empty());
  EXPECT_EQ(doc->items.back(), book->items.back());
  qvhost::Command *about = m().CommandByNumber(1000);
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(doc->items.back(), about->h);
  size_t defined = 0;  // commands defined by that name, alone or with their menu
  for (unsigned proc : {1250u, 1254u})
    for (const std::string &args : ArgsOf(proc))
      defined += args.find("\"QuorvexAbout\"") != std::string::npos;
  EXPECT_EQ(defined, 1u);
  ASSERT_EQ(host_.WaitExit(5000), 0);
  EXPECT_EQ(Run(1000), 1);
  ASSERT_EQ(Shown("alert").size(), 1u);
  EXPECT_NE(Shown("alert")[0].find("Quorvex"), std::string::npos);
  EXPECT_NE(Shown("alert")[0].find("Version 2.1 Build 100"), std::string::npos);
}

// With the first initialisation the client asks for client calls after building the menus, as
// the last call of the callback, and the hand-back carries the bail-out: the client serves no
// further callback and ends.
TEST_F(Entry, FirstInitialisationAsksForClientCallsLastThenEnds) {
  EXPECT_EQ(InitFirst(), 1);
  const std::vector<qvhost::LoggedCall> &log = host_.CallLog();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(Calls(1015), 1u);
  EXPECT_EQ(log[log.size() - 2].proc, 1015u);
  EXPECT_EQ(log[log.size() - 2].args, std::to_string(NOTE_ClientCall) + " 1");
  EXPECT_EQ(log.back().proc, 1002u);  // the hand-back
  EXPECT_LT(LastCall(1255), FirstCall(1015));
  EXPECT_LT(LastCall(1252), FirstCall(1015));
  EXPECT_EQ(host_.WaitExit(5000), 0);
}

TEST_F(Entry, ParagraphsMenuPlacedByLabelIgnoringCase) {
  Tools({"Book Tools", "Word Count"});
  EXPECT_EQ(InitFirst(), 1);
  EXPECT_EQ(Items("KVTools"), "Item501,Quorvex,Item502");
  EXPECT_FALSE(Holds("!MakerMainMenu", "KVTools"));  // used unchanged, added nowhere
  EXPECT_FALSE(Holds("!QuickMakerMainMenu", "KVTools"));
  EXPECT_TRUE(Holds("!QuickMakerMainMenu", "KVToolsBook"));
}

TEST_F(Entry, LowerCaseLabelStopsThePlacementWalk) {
  Tools({"Alpha", "paragraphs", "Zoom"});
  EXPECT_EQ(InitFirst(), 1);
  EXPECT_EQ(Items("KVTools"), "Item501,Quorvex,Item502,Item503");
}

TEST_F(Entry, OtherInitialisationCodeDefinesNothingAndStays) {
  Launch();  // initialisation code 2: no menus, no bail-out
  EXPECT_EQ(Items("Quorvex"), "<none>");
  EXPECT_EQ(m().notifications[13], 1);
  EXPECT_TRUE(host_.ClientRunning());
}

// The listing's first line names the document the command acted on.
class ClientCalls : public ClientE2E {
 protected:
  void SetUp() override {
    ClientE2E::SetUp();
    qvhost::Doc &active = NewDoc("active.fm", {"Body"});
    Pgf(active, "Body");
    m().activeDoc = active.h;
    qvhost::Doc &other = NewDoc("other.fm", {"Body"});
    Pgf(other, "Body");
    other_ = other.h;
  }
  std::string Listed() {
    std::vector<std::string> lines = Lines(Output());
    return lines.empty() ? "<nothing>" : lines[0];
  }
  int Send(const std::string &text) { return host_.Notify(13, 0, text, 0); }
  Handle other_ = 0;
};

TEST_F(ClientCalls, SetDocIdWithBlanksTargetsThatDocument) {
  Launch();
  EXPECT_EQ(Send("SetDocId   " + std::to_string(other_) + "  "), 0);
  EXPECT_EQ(Send("SetDocId"), 0);  // no blank: the id stays
  EXPECT_EQ(Send("ListParagraphUsage"), 1);
  EXPECT_EQ(Listed(), "Heading1|other.fm");
}

TEST_F(ClientCalls, NumbersOutsideUnsigned32BitsStoreNothing) {
  Launch();
  Send("SetDocId " + std::to_string(other_));
  Send("SetDocId 4294967296");  // too large: 0, so the active document
  EXPECT_EQ(Send("ListParagraphUsage"), 1);
  EXPECT_EQ(Listed(), "Heading1|active.fm");
}

TEST_F(ClientCalls, LargestHandleIsParsed) {
  Launch();
  Send("SetDocId 4294967295");  // above 2^31: no such document, so no name
  EXPECT_EQ(Send("ListParagraphUsage"), 1);
  EXPECT_EQ(Listed(), "Heading1|Untitled");
}

TEST_F(ClientCalls, OnlyTheClientCallSpellingsRunCommands) {
  Launch();
  EXPECT_EQ(Send("ConvertParagraphsInDoc"), 0);
  EXPECT_EQ(Send("ListParagraphUsageBookIndFiles"), 0);
  EXPECT_EQ(host_.Notify(12, 0, "ListParagraphUsage", 0), 0);  // not a client call
  EXPECT_TRUE(m().shown.empty());
  EXPECT_EQ(Send("ConvertParagraphsDoc"), 1);
  EXPECT_EQ(Shown("alert"),
            std::vector<std::string>{"The list of paragraph tags to convert could not be found."});
}

TEST_F(ClientCalls, IndividualListingBySpelling) {
  EXPECT_EQ(Call("ListParagraphUsageBookIndvidual"), 1);
  EXPECT_EQ(Lines(Output()), std::vector<std::string>{"Heading1|Untitled"});
}

}  // namespace
}  // namespace qvtest
