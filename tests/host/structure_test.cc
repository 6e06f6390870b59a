// The host model's structure elements, graphics, cell straddles, character properties over text
// and searching, and how documents holding them survive a save.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "host/files.h"
#include "host/formats/json.h"
#include "quorvex/fcodes.h"

namespace qvhost {
namespace {

// A standard document with three more paragraphs ("Alpha", "Beta", "Gamma" after the empty
// first one) and the definitions Chapter, Section and Para.
struct Structured {
  Model m;
  Doc *d = m.NewStandardDoc();
  Handle chapter, section, para;
  std::vector<Handle> pgfs;
  Structured() {
    TextLoc at = d->selection.beg, end;
    EXPECT_EQ(m.AddText(d->h, at, "\nAlpha\nBeta\nGamma", end), kOk);
    pgfs = m.WalkPgfs(*d);
    EXPECT_EQ(m.NewNamedObject(d->h, kObjElementDef, "Chapter", chapter), kOk);
    EXPECT_EQ(m.NewNamedObject(d->h, kObjElementDef, "Section", section), kOk);
    EXPECT_EQ(m.NewNamedObject(d->h, kObjElementDef, "Para", para), kOk);
  }
  Element *E(Handle h) { return m.As<Element>(h, Kind::Element); }
  std::vector<Handle> Kids(Handle h) { return m.Chained(E(h)->children); }
  Handle NewPara(size_t pgf) {
    Handle e;
    EXPECT_EQ(m.NewElement(d->h, para, {pgfs[pgf], 0}, e), kOk);
    return e;
  }
  void Select(Handle parent, Handle first, Handle last) {
    ASSERT_EQ(m.SetProp(d->h, d->h, kPropElementSelection,
                        Value::Elements({{parent, first, 0}, {parent, last, 0}})),
              kOk);
  }
};

TEST(HostStructure, ElementsFormATreeOverTheParagraphs) {
  Structured s;
  Handle root;
  ASSERT_EQ(s.m.NewElement(s.d->h, s.chapter, {0, 0}, root), kOk);
  EXPECT_EQ(s.d->rootElement, root);
  Handle a = s.NewPara(1), b = s.NewPara(2), c = s.NewPara(3);
  EXPECT_EQ(s.Kids(root), (std::vector<Handle>{a, b, c}));
  EXPECT_EQ(s.m.PgfOf(s.pgfs[2])->element, b);

  // Text and element locations map onto each other.
  ElementLoc el;
  ASSERT_EQ(s.m.TextToElement(s.d->h, {s.pgfs[2], 3}, el), kOk);
  EXPECT_EQ(el, (ElementLoc{root, b, 3}));
  TextLoc tl;
  ASSERT_EQ(s.m.ElementToText(s.d->h, {root, 0, 0}, tl), kOk);
  EXPECT_EQ(tl.obj, s.pgfs[1]);
  EXPECT_EQ(s.m.TextToElement(s.d->h, {s.pgfs[0], 0}, el), kBadInsertPos);  // held by none

  // Wrap b and c in a section, demote a into... nothing before it, promote c out again.
  s.Select(root, b, c);
  ASSERT_EQ(s.m.WrapElements(s.d->h, s.section), kOk);
  ASSERT_EQ(s.Kids(root).size(), 2u);
  Handle sec = s.Kids(root)[1];
  EXPECT_EQ(s.E(sec)->def, s.section);
  EXPECT_EQ(s.Kids(sec), (std::vector<Handle>{b, c}));
  s.Select(root, a, a);
  EXPECT_EQ(s.m.EditElements(s.d->h, Model::ElementOp::Demote), kBadParameter);
  s.Select(sec, c, c);
  ASSERT_EQ(s.m.EditElements(s.d->h, Model::ElementOp::Promote), kOk);
  EXPECT_EQ(s.Kids(root), (std::vector<Handle>{a, sec, c}));
  ASSERT_EQ(s.m.EditElements(s.d->h, Model::ElementOp::Demote), kOk);  // c back into sec
  EXPECT_EQ(s.Kids(sec), (std::vector<Handle>{b, c}));

  // Merging b and c leaves one element holding both paragraphs; unwrapping the section puts
  // it back under the root.
  s.Select(sec, b, c);
  ASSERT_EQ(s.m.EditElements(s.d->h, Model::ElementOp::MergeIntoFirst), kOk);
  EXPECT_EQ(s.E(b)->pgfs, (std::vector<Handle>{s.pgfs[2], s.pgfs[3]}));
  EXPECT_EQ(s.m.PgfOf(s.pgfs[3])->element, b);
  EXPECT_EQ(s.m.Find(c), nullptr);
  s.Select(root, sec, sec);
  ASSERT_EQ(s.m.EditElements(s.d->h, Model::ElementOp::Unwrap), kOk);
  EXPECT_EQ(s.Kids(root), (std::vector<Handle>{a, b}));
  s.Select(0, 0, 0);
  EXPECT_EQ(s.m.EditElements(s.d->h, Model::ElementOp::Split), kBadParameter);  // no selection

  // A paragraph split by a break stays in its element.
  TextLoc end;
  ASSERT_EQ(s.m.AddText(s.d->h, {s.pgfs[1], 2}, "\n", end), kOk);
  EXPECT_EQ(s.E(a)->pgfs.size(), 2u);
  EXPECT_EQ(s.m.PgfOf(end.obj)->element, a);

  // Merging into the last element keeps the text in order: a's paragraphs come first.
  s.Select(root, a, b);
  ASSERT_EQ(s.m.EditElements(s.d->h, Model::ElementOp::MergeIntoLast), kOk);
  EXPECT_EQ(s.E(b)->pgfs, (std::vector<Handle>{s.pgfs[1], end.obj, s.pgfs[2], s.pgfs[3]}));
  EXPECT_EQ(s.Kids(root), std::vector<Handle>{b});

  // A definition in use is not deleted; an element goes with its subtree.
  EXPECT_EQ(s.m.Delete(s.d->h, s.para), kNotDeletable);
  ASSERT_EQ(s.m.Delete(s.d->h, root), kOk);
  EXPECT_EQ(s.d->rootElement, 0u);
  EXPECT_EQ(s.m.PgfOf(s.pgfs[2])->element, 0u);
  EXPECT_EQ(s.m.Delete(s.d->h, s.para), kOk);
}

TEST(HostStructure, AttributesAndCatalogueAreCheckedProperties) {
  Structured s;
  Handle root, other;
  ASSERT_EQ(s.m.NewElement(s.d->h, s.chapter, {s.pgfs[1], 0}, root), kOk);
  Value v;
  ASSERT_EQ(s.m.GetProp(s.d->h, s.d->h, PROP_ElementCatalog, v), kOk);
  ASSERT_EQ(v.catalog().size(), 3u);
  EXPECT_EQ(v.catalog()[0].def, s.chapter);
  AttributeDef id{"Id", 1, 0, 2, {}, {"c1"}, "", ""};
  EXPECT_EQ(s.m.SetProp(s.d->h, s.chapter, PROP_AttributeDefs, Value::AttrDefs({id, id})),
            kBadParameter);  // a name given twice
  ASSERT_EQ(s.m.SetProp(s.d->h, s.chapter, PROP_AttributeDefs, Value::AttrDefs({id})), kOk);
  Value attrs = Value::Attrs({{"Id", {"ch1"}, 0, 0}, {"Stray", {"x"}, 0, 0}});
  ASSERT_EQ(s.m.SetProp(s.d->h, root, PROP_Attributes, attrs), kOk);
  EXPECT_EQ(s.m.SetProp(s.d->h, root, PROP_Attributes, Value::Str("x")), kBadPropType);
  ASSERT_EQ(s.m.DeleteUndefinedAttribute(s.d->h, "", 0), kOk);
  ASSERT_EQ(s.m.GetProp(s.d->h, root, PROP_Attributes, v), kOk);
  ASSERT_EQ(v.attrs().size(), 1u);
  EXPECT_EQ(v.attrs()[0].values, std::vector<std::string>{"ch1"});
  EXPECT_EQ(s.m.SetProp(s.d->h, root, kPropParentElement, Value::Id(0)), kReadOnly);

  // Definitions come over from another document by name.
  Doc *d2 = s.m.NewStandardDoc();
  ASSERT_EQ(s.m.ImportElementDefs(d2->h, s.d->h), kOk);
  ASSERT_NE(s.m.FindElementDef(*d2, "Chapter"), nullptr);
  EXPECT_EQ(s.m.FindElementDef(*d2, "Chapter")->attrDefs, std::vector<AttributeDef>{id});
  EXPECT_EQ(s.m.NewElement(d2->h, s.chapter, {0, 0}, other), kBadObjId);  // foreign definition
}

TEST(HostStructure, GraphicsStraddlesAndTextPropertiesKeepTheirValues) {
  Structured s;
  Handle frame = s.m.PgfOf(s.pgfs[0])->parent, g;
  EXPECT_EQ(s.m.NewGraphic(s.d->h, kObjPgf, frame, g), kBadObjType);
  ASSERT_EQ(s.m.NewGraphic(s.d->h, kObjPolyline, frame, g), kOk);
  Value pts = Value::Points({{1, 2}, {3, -4}});
  ASSERT_EQ(s.m.SetProp(s.d->h, g, kPropPoints, pts), kOk);
  Value v;
  ASSERT_EQ(s.m.GetProp(s.d->h, g, kPropPoints, v), kOk);
  EXPECT_EQ(v, pts);
  Handle found;
  ASSERT_EQ(s.m.GetUniqueObject(s.d->h, kObjPolyline, static_cast<int32_t>(g), found), kOk);
  EXPECT_EQ(found, g);
  EXPECT_EQ(s.m.GetUniqueObject(s.d->h, kObjTable, static_cast<int32_t>(g), found), kBadParameter);

  Handle tbl;
  ASSERT_EQ(s.m.NewTable(s.d->h, "Format A", 3, 2, 0, 0, {s.pgfs[1], 0}, tbl), kOk);
  Handle row = s.m.As<Table>(tbl, Kind::Table)->rows.first;
  Handle cell = s.m.As<Row>(row, Kind::Row)->cells.first;
  ASSERT_EQ(s.m.Straddle(s.d->h, cell, 2, 3, false), kOk);
  ASSERT_EQ(s.m.GetProp(s.d->h, cell, kPropStraddle, v), kOk);
  EXPECT_EQ(v.nums(), (std::vector<int32_t>{2, 3}));
  EXPECT_EQ(s.m.Straddle(s.d->h, cell, 3, 1, false), kBadParameter);  // past the last row
  ASSERT_EQ(s.m.GetProp(s.d->h, tbl, kPropTextLoc, v), kOk);
  EXPECT_EQ(v.loc(), (TextLoc{s.pgfs[1], 0}));

  // Character properties set over a range show at every location in it, and leave the
  // paragraphs' override alone.
  ASSERT_EQ(s.m.SetTextProps(s.d->h, {{s.pgfs[1], 0}, {s.pgfs[2], 2}},
                             {{PROP_FontWeight, Value::Int(5)}}),
            kOk);
  ASSERT_EQ(s.m.GetTextProp(s.d->h, {s.pgfs[2], 3}, PROP_FontWeight, v), kOk);
  EXPECT_EQ(v.i, 5);
  ASSERT_EQ(s.m.GetTextProp(s.d->h, {s.pgfs[3], 0}, PROP_FontWeight, v), kOk);
  EXPECT_EQ(v.i, 0);
  EXPECT_FALSE(s.m.PgfOf(s.pgfs[1])->override_);
  EXPECT_EQ(s.m.SetTextProps(s.d->h, {{s.pgfs[1], 0}, {s.pgfs[1], 1}},
                             {{PROP_SpaceAbove, Value::Metric(1)}}),
            kBadPropNum);  // a paragraph-only characteristic

  TextRange r;
  ASSERT_EQ(s.m.Find(s.d->h, {s.pgfs[0], 0}, "mm", r), kOk);
  EXPECT_EQ(r, (TextRange{{s.pgfs[3], 2}, {s.pgfs[3], 4}}));
  EXPECT_EQ(s.m.Find(s.d->h, {s.pgfs[3], 3}, "mm", r), kNotFound);
}

TEST(HostStructure, StructuredDocumentReadsBackIdentically) {
  Structured s;
  Handle root;
  ASSERT_EQ(s.m.NewElement(s.d->h, s.chapter, {0, 0}, root), kOk);
  Handle a = s.NewPara(1);
  s.NewPara(2);
  s.E(a)->attrs = {{"Id", {"p1", "p2"}, 0, 0}};
  s.m.FindElementDef(*s.d, "Para")->attrDefs = {{"Id", 0, 1, 3, {"p1", "p2"}, {}, "0", "9"}};
  Handle g, tbl;
  ASSERT_EQ(s.m.NewGraphic(s.d->h, kObjLine, s.d->bodyPages.first, g), kOk);
  s.m.As<Graphic>(g, Kind::Graphic)->points = {{0x10000, 0x28000}};
  ASSERT_EQ(s.m.NewTable(s.d->h, "Format A", 2, 1, 0, 0, {s.pgfs[3], 0}, tbl), kOk);
  Handle row = s.m.As<Table>(tbl, Kind::Table)->rows.first;
  ASSERT_EQ(s.m.Straddle(s.d->h, s.m.As<Row>(row, Kind::Row)->cells.first, 1, 2, false), kOk);
  ASSERT_EQ(
      s.m.SetTextProps(s.d->h, {{s.pgfs[2], 0}, {s.pgfs[2], 1}}, {{PROP_FontAngle, Value::Int(1)}}),
      kOk);

  char tmpl[] = "/tmp/qvhost-struct-XXXXXX";
  std::filesystem::path dir = mkdtemp(tmpl);
  std::string err, path = (dir / "s.fm").string();
  ASSERT_TRUE(SaveFile(s.m, s.d->h, path, err)) << err;
  Handle back = LoadFile(s.m, path, err);
  ASSERT_NE(back, 0u) << err;
  const Doc &b = *s.m.DocOf(back);
  EXPECT_EQ(DocToJson(s.m, b), DocToJson(s.m, *s.d));
  const Element *broot = s.m.As<Element>(b.rootElement, Kind::Element);
  ASSERT_NE(broot, nullptr);
  EXPECT_EQ(s.m.Chained(broot->children).size(), 2u);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace qvhost
