// The host model on its own: handles, refusals, the walks, formats onto paragraphs, text,
// tables, menus and scripted answers.
#include <gtest/gtest.h>

#include "host/file_access.h"
#include "host/model/model.h"
#include "quorvex/fcodes.h"

namespace qvhost {
namespace {

// A document with a catalogue Body/Heading1/Note, a main flow whose first frame is empty, two
// paragraphs in a second frame, and a 2x2 table with a title.
struct Fixture {
  Model m;
  Doc *d = m.NewDoc("/tmp/a.fm");
  Handle body, head, note, p1, p2, tbl, cell11, title;
  Fixture() {
    m.AddColor(*d, "Black");
    body = m.AddFormat(*d, "Body")->h;
    head = m.AddFormat(*d, "Heading1")->h;
    note = m.AddFormat(*d, "Note")->h;
    m.FmtOf(head)->chars[PROP_FontSize] = Value::Metric(18 << 16);
    Page *pg = m.AddPage(*d, PageList::Body, "1");
    Flow *f = m.AddFlow(*d, "A", true);
    m.AddFrame(*f, pg->h);
    Frame *fr = m.AddFrame(*f, pg->h);
    p1 = m.AddPgf(*fr, "Heading1", "Title")->h;
    p2 = m.AddPgf(*fr, "Body", "Some text")->h;
    Table *t = m.AddTable(*d, "Format A", p2);
    tbl = t->h;
    t->colWidths = {72 << 16, 72 << 16};
    for (int r = 0; r < 2; ++r) {
      Row *row = m.AddRow(*t);
      for (int c = 0; c < 2; ++c) {
        Handle p =
            m.AddCellPgf(*m.AddCell(*row), "CellBody", std::string("r").append(std::to_string(r)))
                ->h;
        if (r == 1 && c == 1) cell11 = p;
      }
    }
    title = m.AddTitlePgf(*t, "Title", "Table 1")->h;
  }
  Handle Id(Handle doc, Handle obj, int32_t prop) {
    Value v;
    EXPECT_EQ(m.GetProp(doc, obj, prop, v), kOk) << prop;
    return static_cast<Handle>(v.i);
  }
  int32_t Int(Handle obj, int32_t prop) {
    Value v;
    EXPECT_EQ(m.GetProp(d->h, obj, prop, v), kOk) << prop;
    return v.i;
  }
};

TEST(HostModel, HandlesAreNeverReusedAndStaleOnesAreRefused) {
  Model m;
  Handle a = m.NewDoc("/tmp/x.fm")->h;
  ASSERT_EQ(m.Close(a, 1), kOk);
  Handle b = m.NewDoc("/tmp/x.fm")->h;
  EXPECT_NE(a, b);
  Value v;
  EXPECT_EQ(m.GetProp(0, a, PROP_Name, v), kBadObjId);
  m.Reset();
  Handle c = m.NewDoc("/tmp/y.fm")->h;
  EXPECT_GT(c, b);
  EXPECT_EQ(m.GetProp(b, b, PROP_Name, v), kBadObjId);
  EXPECT_EQ(m.GetProp(c, c, PROP_Name, v), kOk);
}

TEST(HostModel, HandleZeroWrongKindsAndForeignObjectsAreRefused) {
  Fixture f;
  Value v;
  EXPECT_EQ(f.m.GetProp(f.d->h, 0, PROP_Name, v), kBadObjId);
  EXPECT_EQ(f.m.GetProp(f.p1, f.p2, PROP_Name, v), kBadDocId);  // doc is a paragraph
  EXPECT_EQ(f.m.GetProp(0, f.p1, PROP_FirstPgfFmtInDoc, v), kBadPropNum);
  EXPECT_EQ(f.m.GetProp(0, f.tbl, PROP_Name, v), kBadPropNum);
  Doc *other = f.m.NewDoc("/tmp/b.fm");
  EXPECT_EQ(f.m.GetProp(other->h, f.p1, PROP_Name, v), kBadObjId);  // not in that document
  EXPECT_EQ(f.m.SetProp(0, f.p1, PROP_NextPgfInFlow, Value::Id(f.p2)), kReadOnly);
  EXPECT_EQ(f.m.SetProp(0, f.p1, PROP_Name, Value::Int(3)), kBadPropType);
  EXPECT_EQ(f.m.SetProp(0, f.p1, PROP_Color, Value::Id(f.p2)), kBadParameter);
  EXPECT_EQ(f.m.Delete(f.d->h, f.d->h), kNotDeletable);
  Handle h;
  EXPECT_EQ(f.m.GetNamedObject(f.p1, OBJ_PgfFmt, "Body", h), kBadDocId);
  EXPECT_EQ(f.m.GetNamedObject(f.d->h, OBJ_PgfFmt, "body", h), kBadName);
  EXPECT_EQ(h, 0u);
  EXPECT_EQ(f.m.GetNamedObject(f.d->h, 9999, "Body", h), kBadObjType);
  // Both forms of a document's own properties are accepted.
  EXPECT_EQ(f.Id(0, f.d->h, PROP_FirstPgfFmtInDoc), f.body);
  EXPECT_EQ(f.Id(f.d->h, f.d->h, PROP_FirstPgfFmtInDoc), f.body);
}

TEST(HostModel, WalksFollowTheLinksTheToolsUse) {
  Fixture f;
  Handle flow = f.Id(0, f.d->h, PROP_FirstFlowInDoc);
  Handle fr = f.Id(f.d->h, flow, PROP_FirstTextFrameInFlow);
  EXPECT_EQ(f.Id(f.d->h, fr, PROP_FirstPgf), 0u);  // the empty first frame
  EXPECT_EQ(f.Id(0, 0, PROP_ActiveDoc), 0u);
  EXPECT_EQ(f.Id(f.d->h, f.p2, PROP_NextPgfInFlow), 0u);
  std::vector<Handle> walk = f.m.WalkPgfs(*f.d);
  ASSERT_EQ(walk.size(), 7u);
  EXPECT_EQ(walk.front(), f.p1);
  EXPECT_EQ(walk[5], f.cell11);
  EXPECT_EQ(walk.back(), f.title);
  Handle cell = f.Id(f.d->h, f.cell11, PROP_PgfCell);
  EXPECT_EQ(f.Int(cell, PROP_CellColNum), 1);
  EXPECT_EQ(f.Id(f.d->h, f.Id(f.d->h, cell, PROP_CellRow), PROP_NextRowInTbl), 0u);
  EXPECT_EQ(f.Id(f.d->h, f.tbl, PROP_FirstPgf), f.title);
  // The selection in a cell names its table; the show-selection code turns to its page.
  ASSERT_EQ(
      f.m.SetProp(0, f.d->h, PROP_TextSelection, Value::Range({{f.cell11, 0}, {f.cell11, 1}})),
      kOk);
  EXPECT_EQ(f.Id(0, f.d->h, PROP_SelectedTbl), f.tbl);
  f.d->currentPage = 0;
  f.m.Fcodes({FCODE_ShowSelection});
  EXPECT_EQ(f.d->currentPage, f.d->bodyPages.first);
  EXPECT_EQ(f.m.SetProp(0, f.d->h, PROP_TextSelection, Value::Range({{f.tbl, 0}, {f.tbl, 0}})),
            kBadParameter);
}

TEST(HostModel, FormatPropsOntoParagraphTakeTagAndClearOverride) {
  Fixture f;
  // A paragraph's own setting is an override; setting it back to the format's value is not.
  ASSERT_EQ(f.m.SetProp(0, f.p2, PROP_FontSize, Value::Metric(14 << 16)), kOk);
  EXPECT_EQ(f.Int(f.p2, PROP_PgfOverride), 1);
  EXPECT_EQ(f.Int(f.p2, PROP_FontSize), 14 << 16);
  std::vector<Model::PropVal> props;
  ASSERT_EQ(f.m.GetProps(f.d->h, f.head, props), kOk);
  EXPECT_EQ(props.front().code, PROP_Name);
  EXPECT_EQ(props.size(), CharDefs().size() + 1);
  ASSERT_EQ(f.m.SetProps(f.d->h, f.p2, props), kOk);
  EXPECT_EQ(f.m.PgfOf(f.p2)->tag, "Heading1");
  EXPECT_EQ(f.Int(f.p2, PROP_PgfOverride), 0);
  EXPECT_EQ(f.Int(f.p2, PROP_FontSize), 18 << 16);
  // Retagging alone keeps the look, so the paragraph now differs from Body.
  ASSERT_EQ(f.m.SetProp(0, f.p2, PROP_Name, Value::Str("Body")), kOk);
  EXPECT_EQ(f.Int(f.p2, PROP_FontSize), 18 << 16);
  EXPECT_EQ(f.Int(f.p2, PROP_PgfOverride), 1);
  // Deleting a format leaves its paragraphs as they were; the catalogue walk skips it.
  ASSERT_EQ(f.m.Delete(f.d->h, f.head), kOk);
  EXPECT_EQ(f.Int(f.p1, PROP_FontSize), 18 << 16);
  EXPECT_EQ(f.Id(0, f.body, PROP_NextPgfFmtInDoc), f.note);
  Value v;
  EXPECT_EQ(f.m.GetProp(0, f.head, PROP_Name, v), kBadObjId);
}

TEST(HostModel, AddTextSplitsAtParagraphBreaksAndTextComesBackInRanges) {
  Fixture f;
  TextLoc out;
  ASSERT_EQ(f.m.AddText(f.d->h, {f.p2, 4}, " more\nNew", out), kOk);
  Handle q = f.m.PgfOf(f.p2)->next;
  ASSERT_NE(q, 0u);
  EXPECT_EQ(f.m.PgfOf(f.p2)->text, "Some more");
  EXPECT_EQ(f.m.PgfOf(q)->text, "New text");
  EXPECT_EQ(f.m.PgfOf(q)->tag, "Body");
  EXPECT_EQ(out.obj, q);
  EXPECT_EQ(out.offset, 3);
  std::vector<Model::TextItem> items;
  ASSERT_EQ(f.m.GetTextForRange(f.d->h, {{f.p2, 5}, {q, VAL_ObjEndOffset}}, TI_String, items), kOk);
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].text, "more");
  EXPECT_EQ(items[1].text, "New text");
  ASSERT_EQ(f.m.AddText(f.d->h, {q, VAL_ObjEndOffset}, "\n", out), kOk);
  EXPECT_EQ(f.m.PgfOf(out.obj)->text, "");
  ASSERT_EQ(
      f.m.GetTextForRange(f.d->h, {{out.obj, 0}, {out.obj, VAL_ObjEndOffset}}, TI_String, items),
      kOk);
  EXPECT_TRUE(items.empty());
  EXPECT_EQ(f.m.GetTextForRange(f.d->h, {{q, 0}, {f.p1, 0}}, TI_String, items), kBadParameter);
  EXPECT_EQ(f.m.AddText(f.d->h, {f.tbl, 0}, "x", out), kBadInsertPos);
  EXPECT_EQ(f.m.AddText(0, {f.p2, 0}, "x", out), kBadDocId);
}

TEST(HostModel, NewTableHasRowsCellsAndWidths) {
  Fixture f;
  Handle t;
  ASSERT_EQ(f.m.NewTable(f.d->h, "Format A", 2, 3, 1, 0, {f.p1, 0}, t), kOk);
  EXPECT_EQ(f.m.Chained(f.m.As<Table>(t, Kind::Table)->rows).size(), 4u);
  Value w;
  ASSERT_EQ(f.m.GetProp(f.d->h, t, PROP_TblColWidths, w), kOk);
  ASSERT_EQ(w.nums().size(), 2u);
  w.Mut().nums[1] = 0x900000;
  ASSERT_EQ(f.m.SetProp(f.d->h, t, PROP_TblColWidths, w), kOk);
  w.Mut().nums.push_back(1);
  EXPECT_EQ(f.m.SetProp(f.d->h, t, PROP_TblColWidths, w), kBadParameter);
  EXPECT_EQ(f.m.As<Table>(t, Kind::Table)->colWidths[1], 0x900000);
  EXPECT_EQ(f.m.NewTable(f.d->h, "Format A", 0, 3, 1, 0, {f.p1, 0}, t), kBadParameter);
  EXPECT_EQ(f.m.NewTable(f.d->h, "Format A", 1, -1, 1, 0, {f.p1, 0}, t), kBadParameter);
}

TEST(HostModel, RowsAndColumnsComeAndGoWithTheirCells) {
  Fixture f;
  Table *t = f.m.As<Table>(f.tbl, Kind::Table);
  Handle first = t->rows.first;
  ASSERT_EQ(f.m.AddRows(f.d->h, first, false, 2), kOk);  // above the first row
  EXPECT_EQ(f.m.Chained(t->rows).size(), 4u);
  EXPECT_EQ(f.m.Chained(t->rows)[2], first);
  ASSERT_EQ(f.m.AddCols(f.d->h, f.tbl, 0, true, 1), kOk);
  Row *r = f.m.As<Row>(first, Kind::Row);
  std::vector<Handle> cells = f.m.Chained(r->cells);
  ASSERT_EQ(cells.size(), 3u);
  EXPECT_EQ(f.m.As<Cell>(cells[2], Kind::Cell)->col, 2);
  EXPECT_EQ(f.m.PgfOf(f.m.As<Cell>(cells[1], Kind::Cell)->pgfs.first)->text, "");
  EXPECT_EQ(t->colWidths.size(), 3u);
  ASSERT_EQ(f.m.DeleteCols(f.d->h, f.tbl, 1, 1), kOk);
  EXPECT_EQ(f.m.PgfOf(f.m.As<Cell>(f.m.Chained(r->cells)[1], Kind::Cell)->pgfs.first)->text, "r0");
  EXPECT_EQ(f.m.DeleteCols(f.d->h, f.tbl, 0, 2), kBadParameter);  // a table keeps a column
  ASSERT_EQ(f.m.DeleteRows(f.d->h, f.tbl, first, 10), kOk);       // to the end
  EXPECT_EQ(f.m.Chained(t->rows).size(), 2u);
  EXPECT_EQ(f.m.AddRows(f.d->h, f.tbl, true, 1), kBadObjId);
  // Formats come over by name, with their colour.
  Doc *other = f.m.NewStandardDoc();
  ASSERT_EQ(f.m.ImportFormats(f.d->h, other->h), kOk);
  PgfFmt *h2 = f.m.FindFormat(*f.d, "Heading2");
  ASSERT_NE(h2, nullptr);
  EXPECT_EQ(f.m.FmtChar(*h2, PROP_FontSize),
            f.m.FmtChar(*f.m.FindFormat(*other, "Heading2"), PROP_FontSize));
  EXPECT_EQ(f.m.DocOwner(static_cast<Handle>(f.m.FmtChar(*h2, PROP_Color).i)), f.d->h);
}

TEST(HostModel, MenusPlaceItemsAndWalkThemPerParent) {
  Model m;
  Handle bar, tools, a, b;
  ASSERT_EQ(m.GetNamedObject(0, OBJ_Menu, "!MakerMainMenu", bar), kOk);
  ASSERT_EQ(m.DefineAndAddMenu(bar, "KVTools", "Tools", tools), kOk);
  ASSERT_EQ(m.DefineAndAddCommand(1, tools, "One", "Alpha", "", a), kOk);
  ASSERT_EQ(m.DefineAndAddCommand(2, tools, "Two", "Beta", "", b), kOk);
  Handle sep;
  ASSERT_EQ(m.GetNamedObject(0, OBJ_MenuItemSeparator, "Separator3", sep), kOk);
  ASSERT_EQ(m.AddItemToMenu(tools, sep), kOk);
  // Item b is moved before a; with the menu as parent the walk sees the new order.
  ASSERT_EQ(m.SetProp(tools, b, PROP_NextMenuItemInMenu, Value::Id(a)), kOk);
  Value v;
  ASSERT_EQ(m.GetProp(0, tools, PROP_FirstMenuItemInMenu, v), kOk);
  EXPECT_EQ(static_cast<Handle>(v.i), b);
  ASSERT_EQ(m.GetProp(tools, a, PROP_NextMenuItemInMenu, v), kOk);
  EXPECT_EQ(static_cast<Handle>(v.i), sep);
  // Defining again reuses the objects; a menu cannot go into itself; handle 0 is refused.
  Handle again;
  ASSERT_EQ(m.DefineAndAddCommand(1, tools, "One", "Alpha", "", again), kOk);
  EXPECT_EQ(again, a);
  EXPECT_EQ(m.As<Menu>(tools, Kind::Menu)->items.size(), 3u);
  EXPECT_EQ(m.AddItemToMenu(tools, tools), kBadParameter);
  EXPECT_EQ(m.AddItemToMenu(a, tools), kBadObjId);
  EXPECT_EQ(m.DefineAndAddCommand(3, 0, "Three", "Gamma", "", again), kBadObjId);
  EXPECT_EQ(m.CommandByNumber(2)->h, b);
}

TEST(HostModel, ScriptedAnswersAreUsedInOrder) {
  Model m;
  m.answers = {{Answer::Cancel, 0, ""}, {Answer::Choose, 7, ""}, {Answer::Ok, 0, ""}};
  EXPECT_EQ(m.Alert("note", VAL_AlertNote), 0);  // a note takes no answer
  EXPECT_NE(m.Alert("sure?", VAL_AlertOkCancel), 0);
  int32_t chosen = -5;
  // A user cannot pick an item that is not there: the scripted choice is refused.
  EXPECT_EQ(m.ScrollBox("pick", {"a", "b"}, -1, chosen), kBadParameter);
  EXPECT_EQ(chosen, -5);
  EXPECT_EQ(m.ScrollBox("pick", {"a", "b"}, -1, chosen), kCancelled);  // OK with nothing chosen
  EXPECT_EQ(m.ScrollBox("pick", {"a", "b"}, 1, chosen), kOk);          // script used up
  EXPECT_EQ(chosen, 1);
  EXPECT_EQ(m.Alert("sure?", VAL_AlertOkCancel), 0);
  ASSERT_EQ(m.shown.size(), 6u);
  EXPECT_EQ(m.shown[1].answer, -1);
  EXPECT_EQ(m.shown[2].items, (std::vector<std::string>{"a", "b"}));
}

// Files a test hands out by name: a known name reads as a one-paragraph document, a name with
// "bad" in it fails to load or save; every call is noted.
struct NotedFiles : DocumentFiles {
  mutable std::vector<std::string> calls;
  Handle Load(Model &m, const std::string &path, std::string &err) const override {
    calls.push_back("load " + path);
    if (path.find("bad") != std::string::npos) {
      err = path + ": unreadable";
      return 0;
    }
    Doc *d = m.NewDoc(path);
    Flow *f = m.AddFlow(*d, "A", true);
    m.AddPgf(*m.AddFrame(*f, m.AddPage(*d, PageList::Body, "1")->h), "Body", "from " + path);
    return d->h;
  }
  bool Save(const Model &, Handle, const std::string &path, std::string &err) const override {
    calls.push_back("save " + path);
    if (path.find("bad") == std::string::npos) return true;
    err = path + ": unwritable";
    return false;
  }
};

TEST(HostModel, FilesAreReachedOnlyThroughTheAccessLentToTheModel) {
  Model m;
  Handle h = 0, out = 0;
  const std::string path = ResolvedPath("/tmp/qv-model-files/a.fm");
  EXPECT_EQ(m.Open(path, false, h), kFileError);  // lent nothing, it reads nothing
  EXPECT_NE(m.lastError.find("reads no files"), std::string::npos) << m.lastError;
  EXPECT_TRUE(m.OpenDocs().empty());

  NotedFiles files;
  m.files = &files;
  m.Reset();  // the access outlives a reset
  ASSERT_EQ(m.Open(path, false, h), kOk) << m.lastError;
  ASSERT_EQ(m.Open(path, false, out), kOk);  // already open: not read again
  EXPECT_EQ(out, h);
  EXPECT_EQ(m.PgfOf(m.WalkPgfs(*m.DocOf(h)).front())->text, "from " + path);
  EXPECT_EQ(m.Open(ResolvedPath("/tmp/qv-model-files/bad.fm"), false, out), kFileError);
  EXPECT_NE(m.lastError.find("unreadable"), std::string::npos) << m.lastError;
  EXPECT_EQ(m.failedOpens.size(), 1u);

  ASSERT_EQ(m.Save(h, "", out), kOk);
  const std::string bad = ResolvedPath("/tmp/qv-model-files/bad-copy.fm");
  EXPECT_EQ(m.Save(h, bad, out), kFileError);
  EXPECT_EQ(m.DocOf(h)->path, path);  // a failed save leaves the document its file
  EXPECT_EQ(m.Export(h, bad), kFileError);
  m.writeSaves = false;  // due saves are noted, not written
  ASSERT_EQ(m.Save(h, bad, out), kOk);
  EXPECT_EQ(files.calls, (std::vector<std::string>{
                             "load " + path, "load " + ResolvedPath("/tmp/qv-model-files/bad.fm"),
                             "save " + path, "save " + bad, "save " + bad}));
  EXPECT_EQ(m.saved, (std::vector<std::string>{path, bad}));
}

}  // namespace
}  // namespace qvhost
