// List Paragraph Usage and Delete Unused Paragraph Tags, for a document and for books.
#include "e2e_support.h"

namespace qvtest {
namespace {

using Strings = std::vector<std::string>;

class Usage : public ClientE2E {
 protected:
  // Catalogue and paragraphs that exercise every rule of the walk: a tag only in a table cell
  // and one only in a title, one in a flow whose first frame is empty, one missing from the
  // catalogue, and NOTE met before Note.
  Handle Rich() {
    qvhost::Doc &d = NewDoc(
        "rich.fm", {"Body", "CellBody", "Extra", "Heading1", "Note", "Title", "Zeta", "alpha"});
    Pgf(d, "Body");
    Pgf(d, "NOTE");
    Pgf(d, "Note");
    Pgf(d, "Ghost");
    qvhost::Flow *side = m().AddFlow(d, "B", false);
    Handle page = d.bodyPages.first;
    m().AddFrame(*side, page);  // empty first frame
    m().AddPgf(*m().AddFrame(*side, page), "Zeta", "z");
    qvhost::Table &t = NewTable(d, {{"c"}});
    m().AddTitlePgf(t, "Title", "t");
    m().activeDoc = d.h;
    return d.h;
  }
  std::string MakeFile(const std::string &name, const Strings &fmts, const Strings &tags) {
    qvhost::Doc &d = NewDoc(name, fmts);
    for (const std::string &t : tags) Pgf(d, t);
    return SaveAndClose(d);
  }
};

TEST_F(Usage, ListsUsedAndUnusedTagsOfTheDocument) {
  Rich();
  EXPECT_EQ(Run(1), 1);
  EXPECT_EQ(
      Lines(Output()),
      (Strings{"Heading1|rich.fm", "Heading2|Paragraph Tags Used:", "Body|Body", "Body|CellBody",
               "Body|Ghost", "Body|NOTE", "Body|Title", "Body|Zeta",
               "Heading2|Paragraph Tags Not Used:", "Body|Extra", "Body|Heading1", "Body|alpha"}));
  EXPECT_EQ(m().displaying, 1);
}

TEST_F(Usage, DeletesOnlyFormatsNoParagraphCarries) {
  Handle d = Rich();
  Answer("ok");
  EXPECT_EQ(Run(2), 1);
  EXPECT_EQ(Shown("alert"), Strings{"Are you sure you want to delete unused paragraph tags?"});
  EXPECT_EQ(Formats(d), (Strings{"Body", "CellBody", "Note", "Title", "Zeta"}));  // Note stays
}

TEST_F(Usage, BookListingCombinesFiles) {
  NewBook({MakeFile("ch1.fm", {"Body", "Note", "Old"}, {"Body"}),
           MakeFile("ch2.fm", {"Body", "Note"}, {"Note"})});
  EXPECT_EQ(Run(9), 1);
  EXPECT_EQ(Lines(Output()),
            (Strings{"Heading1|manual.book", "Heading2|Paragraph Tags Used:", "Body|Body",
                     "Body|Note", "Heading2|Paragraph Tags Not Used:", "Body|Old"}));
  EXPECT_EQ(Shown("status"), (Strings{"Examining: ch1.fm", "Examining: ch2.fm", ""}));
  EXPECT_EQ(m().OpenDocs(), std::vector<Handle>{Output()});
}

TEST_F(Usage, IndividualListingHasOneBlockPerFile) {
  NewBook({MakeFile("ch1.fm", {"Body", "Note"}, {"Body"}), dir_ + "/gone.fm"});
  EXPECT_EQ(Run(18), 1);
  EXPECT_EQ(Lines(Output()),
            (Strings{"Heading1|manual.book", "Heading1|ch1.fm",
                     "Heading2|Paragraph Tags Used:", "Body|Body",
                     "Heading2|Paragraph Tags Not Used:", "Body|Note", "Heading1|Untitled",
                     "Heading2|Paragraph Tags Used:", "Heading2|Paragraph Tags Not Used:"}));
}

TEST_F(Usage, BookListingWithoutBookIsUntitled) {
  EXPECT_EQ(Run(9), 1);
  EXPECT_EQ(Lines(Output()), (Strings{"Heading1|Untitled", "Heading2|Paragraph Tags Used:",
                                      "Heading2|Paragraph Tags Not Used:"}));
}

TEST_F(Usage, BookDeletionSparesTagsAnyFileUsesAndFilesNotExamined) {
  std::string ch1 = MakeFile("ch1.fm", {"Body", "Note", "Old"}, {"Body"});
  std::string ch2 = MakeFile("ch2.fm", {"Body", "Note", "Old"}, {"Note"});
  std::string gone = dir_ + "/later.fm";
  NewBook({ch1, gone, ch2});
  Answer("ok");
  EXPECT_EQ(Run(10), 1);
  EXPECT_EQ(
      Shown("alert"),
      Strings{"Are you sure you want to delete unused paragraph tags for all files in the book?"});
  EXPECT_EQ(m().saved, (Strings{ch1, ch2}));
  EXPECT_EQ(Formats(Reload(ch1)), (Strings{"Body", "Note"}));
  EXPECT_EQ(Formats(Reload(ch2)), (Strings{"Body", "Note"}));
  // The file that could not be examined is not visited again (one warning only).
  EXPECT_EQ(Stderr(), "Could not open file:" + gone + "\n");
  EXPECT_EQ(Shown("status"),
            (Strings{"Examining: ch1.fm", "Examining: later.fm", "Examining: ch2.fm", "",
                     "Removing Unused Tags: ch1.fm", "Removing Unused Tags: ch2.fm", ""}));
}

TEST_F(Usage, DeclinedBookDeletionSavesNothing) {
  NewBook({MakeFile("ch1.fm", {"Body", "Old"}, {"Body"})});
  Answer("cancel");
  EXPECT_EQ(Run(10), 1);
  EXPECT_TRUE(m().saved.empty());
  EXPECT_TRUE(m().OpenDocs().empty());
}

}  // namespace
}  // namespace qvtest
