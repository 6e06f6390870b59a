// Tag lists and conversion tables: made by commands 3, 5, 11 and 13, found again and applied
// by commands 4, 6, 12 and 14.
#include "e2e_support.h"

namespace qvtest {
namespace {

using Strings = std::vector<std::string>;

class TagList : public ClientE2E {
 protected:
  // The first paragraph text of every cell of the newest table, row by row ("a|b" per row).
  Strings Table(Handle doc) {
    Strings out;
    const qvhost::Doc *d = m().DocOf(doc);
    const auto *t = d ? m().As<qvhost::Table>(d->tables.last, qvhost::Kind::Table) : nullptr;
    if (!t) return out;
    for (Handle r : m().Chained(t->rows)) {
      std::string row;
      bool first = true;
      for (Handle c : m().Chained(m().As<qvhost::Row>(r, qvhost::Kind::Row)->cells)) {
        const auto *cell = m().As<qvhost::Cell>(c, qvhost::Kind::Cell);
        if (!first) row += '|';
        row += m().PgfOf(cell->pgfs.first)->text;
        first = false;
      }
      out.push_back(row);
    }
    return out;
  }
  qvhost::Doc &Target() {
    qvhost::Doc &d =
        NewDoc("target.fm", {"Body", "Heading1", "Note", "Old", "New", "Tags to Keep"});
    Pgf(d, "Body");
    Pgf(d, "Old");
    Pgf(d, "Heading1");
    m().activeDoc = d.h;
    return d;
  }
  // Calls that switched the display of the session (a usage walk turns it off and on).
  size_t DisplaySwitches() const {
    size_t n = 0;
    for (const std::string &a : ArgsOf(1065)) n += a.rfind("0 0 92 ", 0) == 0;
    return n;
  }
  const qvhost::Table *NewestTable(Handle doc) {
    const qvhost::Doc *d = m().DocOf(doc);
    return d ? m().As<qvhost::Table>(d->tables.last, qvhost::Kind::Table) : nullptr;
  }
  // A file of the book: these catalogue formats, one paragraph of each tag.
  std::string MakeFile(const std::string &name, const Strings &fmts, const Strings &tags) {
    qvhost::Doc &d = NewDoc(name, fmts);
    for (const std::string &t : tags) Pgf(d, t);
    return SaveAndClose(d);
  }
  // An open, untitled document holding a table with these rows.
  Handle ListDoc(const std::vector<Strings> &rows) {
    qvhost::Doc &d = NewDoc("", {"CellBody"});
    Pgf(d, "CellBody");
    NewTable(d, rows);
    return d.h;
  }
};

TEST_F(TagList, EmptyListHasTenRowsAndNoWalk) {
  Target();
  Choose(0);
  EXPECT_EQ(Run(3), 1);
  Strings rows = Table(Output());
  ASSERT_EQ(rows.size(), 11u);
  EXPECT_EQ(rows[0], "Tags to Keep");
  EXPECT_EQ(rows[10], "");
  const qvhost::Table *t = NewestTable(Output());
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->colWidths, std::vector<int32_t>{144 * 0x10000});
  EXPECT_EQ(t->initSetting, 0);
  // No usage walk: the display is never switched, and the only text read is the client
  // directory.
  EXPECT_EQ(DisplaySwitches(), 0u);
  EXPECT_EQ(Calls(1070), 1u);
}

TEST_F(TagList, EmptyConversionTableHasTwoColumnsOf144Points) {
  Target();
  Choose(0);
  EXPECT_EQ(Run(5), 1);
  Strings want(11, "|");
  want[0] = "Source Tag|Destination Tag";
  EXPECT_EQ(Table(Output()), want);
  const qvhost::Table *t = NewestTable(Output());
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->colWidths, (std::vector<int32_t>{144 * 0x10000, 144 * 0x10000}));
  EXPECT_EQ(t->initSetting, 0);
  EXPECT_EQ(DisplaySwitches(), 0u);
  // The width list is read and written back once per column.
  EXPECT_EQ(Calls(1074), 2u);
  EXPECT_EQ(Calls(1075), 2u);
}

TEST_F(TagList, ConversionDocumentWithAllTags) {
  Target();
  Choose(2);
  EXPECT_EQ(Run(5), 1);
  EXPECT_EQ(Table(Output()), (Strings{"Source Tag|Destination Tag", "Body|", "Heading1|", "Old|",
                                      "New|", "Note|", "Tags to Keep|"}));
}

TEST_F(TagList, CancelledOrOutOfRangeChoiceCreatesNothing) {
  Target();
  Launch();
  Answer("cancel");
  EXPECT_EQ(host_.Command(3), 0);
  Choose(-1);  // "OK" without an item
  EXPECT_EQ(host_.Command(5), 0);
  Choose(3);
  EXPECT_EQ(host_.Command(11), 0);
  EXPECT_TRUE(m().created.empty());
}

TEST_F(TagList, BookListOfTagsInUse) {
  qvhost::Doc &a = NewDoc("a.fm", {"Body", "Note"});
  Pgf(a, "Body");
  qvhost::Doc &b = NewDoc("b.fm", {"Body", "Note"});
  Pgf(b, "Note");
  NewBook({SaveAndClose(a), SaveAndClose(b)});
  Choose(1);
  EXPECT_EQ(Run(11), 1);
  EXPECT_EQ(Table(Output()), (Strings{"Tags to Keep", "Body", "Note"}));
}

// A listed name keeps its formats in any case ("NOTE" keeps "Note"), and only those.
TEST_F(TagList, KeepListReadOnceAndMatchedIgnoringCase) {
  qvhost::Doc &d = Target();
  ListDoc({{"Tags to Keep and more"}, {"Body"}, {"NOTE"}, {"Body"}, {"Missing"}, {"Ol"}});
  Answer("ok");
  EXPECT_EQ(Run(4), 1);
  EXPECT_EQ(Shown("alert"),
            Strings{"Are you sure you want to keep only the paragraph tags listed?"});
  EXPECT_EQ(Formats(d.h), (Strings{"Body", "Note"}));
  // The heading is read to find the document and then its table; then each of the six rows
  // once, however many formats the catalogue holds.
  EXPECT_EQ(Calls(1081), 8u);
}

// Case twins in use: the list of tags in use names one spelling, and that unedited list,
// applied, keeps both (each carries paragraphs); a tag in no case on it still goes.
TEST_F(TagList, UneditedUsedListKeepsCaseTwins) {
  qvhost::Doc &d = NewDoc("twins.fm", {"Memo", "MEMO", "Body", "Spare"});
  Pgf(d, "Memo");
  Pgf(d, "MEMO");
  Pgf(d, "Body");
  m().activeDoc = d.h;
  Choose(1);
  EXPECT_EQ(Run(3), 1);
  EXPECT_EQ(Table(Output()), (Strings{"Tags to Keep", "Body", "Memo"}));
  Answer("ok");
  EXPECT_EQ(Run(4), 1);
  EXPECT_EQ(Formats(d.h), (Strings{"Memo", "MEMO", "Body"}));
}

// Command 12 on a book whose first file holds the keep list: the list is read once, before the
// pass opens (and so closes) that file, and every file keeps only the listed tags.
TEST_F(TagList, BookKeepListReadOnceBeforeAnyFileChanges) {
  qvhost::Doc &a = NewDoc("a.fm", {"Body", "CellBody", "Note", "Old"});
  Pgf(a, "Old");
  NewTable(a, {{"Tags to Keep"}, {"Body"}, {"CellBody"}});
  std::string pathA = SaveAndClose(a);
  std::string pathB = MakeFile("b.fm", {"Body", "Note", "Old"}, {"Note"});
  Reload(pathA);  // the list is open, in the book's first file
  NewBook({pathA, pathB});
  Answer("ok");
  EXPECT_EQ(Run(12), 1);
  EXPECT_EQ(Shown("alert"),
            Strings{"Are you sure you want to keep only the paragraph tags listed?"});
  EXPECT_EQ(Shown("status"), (Strings{"Processing: a.fm", "Processing: b.fm", ""}));
  EXPECT_EQ(m().saved, (Strings{pathA, pathB}));
  EXPECT_EQ(Formats(Reload(pathA)), (Strings{"Body", "CellBody"}));
  EXPECT_EQ(Formats(Reload(pathB)), (Strings{"Body"}));
  // The heading twice (finding the document, then its table), then each of the three rows:
  // all before the first file is opened and the first format deleted.
  EXPECT_EQ(Calls(1081), 5u);
  ASSERT_NE(FirstCall(1019), std::string::npos);
  ASSERT_NE(FirstCall(1050), std::string::npos);
  EXPECT_LT(LastCall(1081), FirstCall(1019));
  EXPECT_LT(LastCall(1081), FirstCall(1050));
}

TEST_F(TagList, BookConversionDocumentOfTagsInUse) {
  std::string a = MakeFile("a.fm", {"Body", "Note", "Old"}, {"Body"});
  std::string b = MakeFile("b.fm", {"Body", "Note", "Old"}, {"Note", "Body"});
  NewBook({a, b});
  Choose(1);
  EXPECT_EQ(Run(13), 1);
  EXPECT_EQ(Table(Output()), (Strings{"Source Tag|Destination Tag", "Body|", "Note|"}));
  const qvhost::Table *t = NewestTable(Output());
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->colWidths, (std::vector<int32_t>{144 * 0x10000, 144 * 0x10000}));
  EXPECT_EQ(Shown("status"), (Strings{"Examining: a.fm", "Examining: b.fm", ""}));
  EXPECT_TRUE(m().saved.empty());  // the files were only read
  EXPECT_EQ(m().OpenDocs(), std::vector<Handle>{Output()});
  // The usage of every file is gathered before the output document is made.
  EXPECT_LT(LastCall(1019), FirstCall(1205));
}

TEST_F(TagList, KeepListWithoutDocumentAsksAndChangesNothing) {
  Handle list = ListDoc({{"Tags to Keep"}, {"Body"}});
  m().activeDoc = 0;
  Answer("ok");
  EXPECT_EQ(Run(4), 1);
  EXPECT_EQ(Shown("alert"),
            Strings{"Are you sure you want to keep only the paragraph tags listed?"});
  EXPECT_EQ(Formats(list), Strings{"CellBody"});  // the list's own document is untouched
  EXPECT_EQ(Table(list), (Strings{"Tags to Keep", "Body"}));
  EXPECT_EQ(Calls(1050), 0u);  // no format of any document was deleted
}

TEST_F(TagList, FirstOpenDocumentWithAListWins) {
  qvhost::Doc &d = Target();
  ListDoc({{"Tags to Keep"}, {"Note"}});
  ListDoc({{"Tags to Keep"}, {"Body"}});
  Answer("ok");
  EXPECT_EQ(Run(4), 1);
  EXPECT_EQ(Formats(d.h), (Strings{"Note", "Tags to Keep"}));
}

TEST_F(TagList, MissingListsAreReported) {
  Target();
  Launch();
  EXPECT_EQ(host_.Command(4), 1);
  Launch();
  EXPECT_EQ(host_.Command(14), 1);
  EXPECT_EQ(Shown("alert"), (Strings{"The list of paragraph tags to keep could not be found.",
                                     "The list of paragraph tags to convert could not be found."}));
}

TEST_F(TagList, ConvertRetagsParagraphsAndNextTags) {
  qvhost::Doc &d = Target();
  m().FindFormat(d, "Body")->chars[PROP_UseNextTag] = qvhost::Value::Int(1);
  m().FindFormat(d, "Body")->chars[PROP_NextTag] = qvhost::Value::Str("Old");
  m().FindFormat(d, "Note")->chars[PROP_UseNextTag] = qvhost::Value::Int(2);  // not exactly 1
  m().FindFormat(d, "Note")->chars[PROP_NextTag] = qvhost::Value::Str("Old");
  qvhost::Pgf *locked = Pgf(d, "Old");
  locked->locked = 1;
  qvhost::Pgf *lower = Pgf(d, "body");
  qvhost::Table &t = NewTable(d, {{"x"}});
  qvhost::Pgf *title = m().AddTitlePgf(t, "Old", "title");
  ListDoc({{"Source Tag", "Destination Tag"},
           {"Old", "New"},
           {"Old", "Heading1"},
           {"Body", "Nowhere"}});
  Answer("ok");
  EXPECT_EQ(Run(6), 1);
  EXPECT_EQ(Shown("alert"), Strings{"Are you sure you want to convert paragraph tags?"});
  std::vector<Handle> p = m().WalkPgfs(d);
  EXPECT_EQ(m().PgfOf(p[1])->tag, "New");  // first matching row only
  EXPECT_EQ(locked->tag, "Old");
  EXPECT_EQ(lower->tag, "body");
  EXPECT_EQ(title->tag, "New");
  EXPECT_EQ(m().PgfOf(p[0])->tag, "Body");  // destination Nowhere is not a format
  EXPECT_EQ(m().FindFormat(d, "Body")->chars[PROP_NextTag].s, "New");
  EXPECT_EQ(m().FindFormat(d, "Note")->chars[PROP_NextTag].s, "Old");
}

TEST_F(TagList, BookConversionSavesEveryFile) {
  qvhost::Doc &a = NewDoc("a.fm", {"Old", "New"});
  Pgf(a, "Old");
  std::string path = SaveAndClose(a);
  NewBook({path});
  ListDoc({{"Source Tag", "Destination Tag"}, {"Old", "New"}});
  Answer("ok");
  EXPECT_EQ(Run(14), 1);
  EXPECT_EQ(m().saved, Strings{path});
  EXPECT_EQ(m().PgfOf(m().WalkPgfs(*m().DocOf(Reload(path)))[0])->tag, "New");
}

TEST_F(TagList, ConvertWithoutDocumentAsksForOne) {
  ListDoc({{"Source Tag", "Destination Tag"}});
  m().activeDoc = 0;
  EXPECT_EQ(Run(6), 0);
  EXPECT_EQ(Shown("alert"), Strings{"Please open a document first."});
}

}  // namespace
}  // namespace qvtest
