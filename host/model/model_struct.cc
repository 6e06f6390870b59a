// Structure elements, graphics, cell straddles, character properties over text, searching, and
// the properties that come with them.
#include <algorithm>

#include "host/model/model.h"

namespace qvhost {

namespace {

// The characteristics that apply to characters as well as to whole paragraphs.
constexpr int32_t kTextPropCodes[] = {
    PROP_FontFamily,    PROP_FontVariation,  PROP_FontWeight, PROP_FontAngle, PROP_Underlining,
    PROP_Strikethrough, PROP_Overline,       PROP_ChangeBar,  PROP_PairKern,  PROP_FontSize,
    PROP_Spread,        PROP_Capitalization, PROP_Position,   PROP_Stretch,   PROP_Color};

bool IsTextProp(int32_t code) {
  return std::find(std::begin(kTextPropCodes), std::end(kTextPropCodes), code) !=
         std::end(kTextPropCodes);
}

Kind KindOfType(int32_t type, bool &known) {
  known = true;
  switch (type) {
    case kObjColor:
      return Kind::Color;
    case kObjDoc:
      return Kind::Doc;
    case kObjPgf:
      return Kind::Pgf;
    case kObjPgfFmt:
      return Kind::PgfFmt;
    case kObjBook:
      return Kind::Book;
    case kObjTable:
      return Kind::Table;
    case kObjElementDef:
      return Kind::ElementDef;
    case kObjElement:
      return Kind::Element;
    case kObjLine:
    case kObjPolyline:
    case kObjRectangle:
      return Kind::Graphic;
  }
  known = false;
  return Kind::Doc;
}

}  // namespace

// --- building ---------------------------------------------------------------------------------

ElementDef *Model::AddElementDef(Doc &d, const std::string &name) {
  ElementDef *e = Make<ElementDef>(d.h);
  e->name = name;
  Link(d.elemDefs, *e);
  return e;
}

ElementDef *Model::FindElementDef(const Doc &d, const std::string &name) const {
  return FindByName<ElementDef>(d.elemDefs, Kind::ElementDef, name);
}

Element *Model::AddElement(Doc &d, Handle def, Handle parent) {
  return MakeElement(d, def, parent, 0);
}

void Model::HoldPgf(Element &e, Pgf &p) {
  p.element = e.h;
  e.pgfs.push_back(p.h);
}

Graphic *Model::AddGraphic(Doc &d, int32_t type, Handle parent) {
  Graphic *g = Make<Graphic>(d.h);
  g->type = type;
  g->parent = parent;
  Link(d.graphics, *g);
  return g;
}

// --- properties --------------------------------------------------------------------------------

int32_t Model::GetStructure(const Obj &o, int32_t prop, Value &out) const {
  auto id = [&](Handle h) {
    out = Value::Id(h);
    return kOk;
  };
  switch (o.kind) {
    case Kind::Doc: {
      const Doc &d = static_cast<const Doc &>(o);
      if (prop == kPropElementSelection) return out = Value::Elements(d.elemSelection), kOk;
      if (prop == PROP_ElementCatalog) return out = Value::Catalog(ElementCatalog(d)), kOk;
      if (prop == kPropHighestLevelElement) return id(d.rootElement);
      if (prop == kPropFirstElementDefInDoc) return id(d.elemDefs.first);
      if (prop == kPropFirstGraphicInDoc) return id(d.graphics.first);
      break;
    }
    case Kind::Pgf:
      if (prop == kPropPgfElement) return id(static_cast<const Pgf &>(o).element);
      break;
    case Kind::Table: {
      const Table &t = static_cast<const Table &>(o);
      if (prop == kPropTextLoc) return out = Value::Loc({t.anchor, 0}), kOk;
      break;
    }
    case Kind::Cell: {
      const Cell &c = static_cast<const Cell &>(o);
      if (prop == kPropStraddle)
        return out = Value::Nums(PType::Ints, {c.straddleRows, c.straddleCols}), kOk;
      break;
    }
    case Kind::Graphic: {
      const Graphic &g = static_cast<const Graphic &>(o);
      if (prop == kPropPoints) return out = Value::Points(g.points), kOk;
      if (prop == kPropGraphicType) return out = Value::Int(g.type), kOk;
      if (prop == kPropNextGraphicInDoc) return id(o.next);
      break;
    }
    case Kind::ElementDef: {
      const ElementDef &e = static_cast<const ElementDef &>(o);
      if (prop == PROP_Name) return out = Value::Str(e.name), kOk;
      if (prop == PROP_AttributeDefs) return out = Value::AttrDefs(e.attrDefs), kOk;
      if (prop == kPropNextElementDefInDoc) return id(o.next);
      break;
    }
    case Kind::Element: {
      const Element &e = static_cast<const Element &>(o);
      switch (prop) {
        case PROP_Attributes:
          out = Value::Attrs(e.attrs);
          return kOk;
        case kPropElementDef:
          return id(e.def);
        case kPropParentElement:
          return id(e.parent);
        case kPropFirstChildElement:
          return id(e.children.first);
        case kPropNextSiblingElement:
          return id(o.next);
        case kPropElementPgfs: {
          std::vector<int32_t> v(e.pgfs.begin(), e.pgfs.end());
          out = Value::Nums(PType::Ints, std::move(v));
          return kOk;
        }
      }
      break;
    }
    default:
      break;
  }
  return kBadPropNum;
}

int32_t Model::SetStructure(Obj &o, int32_t prop, const Value &v) {
  auto shaped = [&](PType t, auto apply) {
    if (v.type != t) return kBadPropType;
    int32_t st = apply();
    if (st == kOk) MarkModified(o.doc);
    return st;
  };
  switch (o.kind) {
    case Kind::Doc:
      if (prop == kPropElementSelection) {
        if (v.type != PType::ElementRange) return kBadPropType;
        return SetElementSelection(static_cast<Doc &>(o), v.elements());
      }
      break;
    case Kind::Table:
      if (prop == kPropTextLoc)
        return shaped(PType::TextLoc, [&] {
          const Pgf *p = PgfOf(v.loc().obj);
          if (!p || p->doc != o.doc || p->home != PgfHome::Frame) return kBadInsertPos;
          static_cast<Table &>(o).anchor = p->h;
          return kOk;
        });
      break;
    case Kind::Cell:
      if (prop == kPropStraddle)
        return shaped(PType::Ints, [&] {
          if (v.nums().size() != 2) return kBadParameter;
          return Straddle(o.doc, o.h, v.nums()[0], v.nums()[1], false);
        });
      break;
    case Kind::Graphic:
      if (prop == kPropPoints)
        return shaped(PType::Points, [&] {
          static_cast<Graphic &>(o).points = v.points();
          return kOk;
        });
      break;
    case Kind::ElementDef:
      if (prop == PROP_AttributeDefs)
        return shaped(PType::AttributeDefs, [&] {
          for (size_t i = 0; i < v.attrDefs().size(); ++i)
            for (size_t j = 0; j < i; ++j)
              if (v.attrDefs()[i].name.empty() || v.attrDefs()[i].name == v.attrDefs()[j].name)
                return kBadParameter;
          static_cast<ElementDef &>(o).attrDefs = v.attrDefs();
          return kOk;
        });
      break;
    case Kind::Element:
      if (prop == PROP_Attributes)
        return shaped(PType::Attributes, [&] {
          for (const Attribute &a : v.attrs())
            if (a.name.empty()) return kBadParameter;
          static_cast<Element &>(o).attrs = v.attrs();
          return kOk;
        });
      break;
    default:
      break;
  }
  Value probe;
  return GetStructure(o, prop, probe) == kOk ? kReadOnly : kBadPropNum;
}

std::vector<CatalogEntry> Model::ElementCatalog(const Doc &d) const {
  std::vector<CatalogEntry> v;
  for (Handle h : Chained(d.elemDefs)) v.push_back({h, 0});
  return v;
}

// --- objects -----------------------------------------------------------------------------------

// An object's unique number is its handle: handles are never reused.
int32_t Model::GetUniqueObject(Handle doc, int32_t type, int32_t unique, Handle &out) const {
  out = 0;
  if (!DocOf(doc)) return kBadDocId;
  bool known;
  Kind k = KindOfType(type, known);
  if (!known) return kBadObjType;
  const Obj *o = Find(static_cast<Handle>(unique));
  if (unique <= 0 || !o || o->kind != k || o->doc != doc) return kBadParameter;
  out = o->h;
  return kOk;
}

int32_t Model::NewGraphic(Handle doc, int32_t type, Handle parent, Handle &out) {
  out = 0;
  Doc *d = DocOf(doc);
  if (!d) return kBadDocId;
  bool known;
  if (KindOfType(type, known) != Kind::Graphic || !known) return kBadObjType;
  const Obj *p = Find(parent);
  if (!p || p->doc != doc || (p->kind != Kind::Frame && p->kind != Kind::Page)) return kBadObjId;
  Graphic *g = AddGraphic(*d, type, parent);
  MarkModified(doc);
  out = g->h;
  return kOk;
}

int32_t Model::Straddle(Handle doc, Handle cell, int32_t rows, int32_t cols, bool undo) {
  if (!DocOf(doc)) return kBadDocId;
  Cell *c = As<Cell>(cell, Kind::Cell);
  if (!c || c->doc != doc) return kBadObjId;
  if (rows < 1 || cols < 1) return kBadParameter;
  // The straddle must stay inside the table: count the rows below and the cells to the right.
  int32_t rowsLeft = 0, colsLeft = 0;
  for (Handle r = c->row; r; r = Find(r)->next) ++rowsLeft;
  for (Handle h = c->h; h; h = Find(h)->next) ++colsLeft;
  if (rows > rowsLeft || cols > colsLeft) return kBadParameter;
  c->straddleRows = undo ? 1 : rows;
  c->straddleCols = undo ? 1 : cols;
  MarkModified(doc);
  return kOk;
}

int32_t Model::SelectTableCells(Handle doc, Handle tbl, int32_t topRow, int32_t bottomRow,
                                int32_t leftCol, int32_t rightCol) {
  Doc *d = DocOf(doc);
  if (!d) return kBadDocId;
  const Table *t = As<Table>(tbl, Kind::Table);
  if (!t || t->doc != doc) return kBadObjId;
  std::vector<Handle> rows = Chained(t->rows);
  int32_t ncols = static_cast<int32_t>(t->colWidths.size());
  if (topRow < 0 || bottomRow < topRow || bottomRow >= static_cast<int32_t>(rows.size()) ||
      leftCol < 0 || rightCol < leftCol || rightCol >= ncols)
    return kBadParameter;
  // The selection runs from the first paragraph of the top-left cell to the end of the last
  // paragraph of the bottom-right one.
  auto cellAt = [&](Handle row, int32_t col) {
    for (Handle c : Chained(As<Row>(row, Kind::Row)->cells))
      if (As<Cell>(c, Kind::Cell)->col == col) return As<Cell>(c, Kind::Cell);
    return static_cast<Cell *>(nullptr);
  };
  const Cell *first = cellAt(rows[topRow], leftCol), *last = cellAt(rows[bottomRow], rightCol);
  if (!first || !last || !first->pgfs.first || !last->pgfs.last) return kBadParameter;
  d->selection = {{first->pgfs.first, 0}, {last->pgfs.last, VAL_ObjEndOffset}};
  selDoc_ = doc;
  return kOk;
}

// --- character properties and searching ----------------------------------------------------------

int32_t Model::GetTextProp(Handle doc, TextLoc at, int32_t prop, Value &out) const {
  const Doc *d = DocOf(doc);
  if (!d) return kBadDocId;
  const Pgf *p = PgfOf(at.obj);
  if (!p || p->doc != doc) return kBadInsertPos;
  if (!IsTextProp(prop)) return kBadPropNum;
  auto it = p->textProps.find(prop);
  out = it != p->textProps.end() ? it->second : PgfChar(*d, *p, prop);
  return kOk;
}

int32_t Model::GetTextProps(Handle doc, TextLoc at, std::vector<PropVal> &out) const {
  out.clear();
  for (int32_t code : kTextPropCodes) {
    Value v;
    if (int32_t st = GetTextProp(doc, at, code, v)) return st;
    out.push_back({code, std::move(v)});
  }
  return kOk;
}

int32_t Model::SetTextProps(Handle doc, const TextRange &r, const std::vector<PropVal> &in) {
  const Doc *d = DocOf(doc);
  if (!d) return kBadDocId;
  Pgf *b = PgfOf(r.beg.obj);
  const Pgf *e = PgfOf(r.end.obj);
  if (!b || !e || b->doc != doc || e->doc != doc) return kBadInsertPos;
  for (const PropVal &pv : in) {
    const CharDef *cd = FindCharDef(pv.code);
    if (!IsTextProp(pv.code) || !cd) return kBadPropNum;
    bool fits = cd->type == PType::String ? pv.value.type == PType::String : pv.value.IntLike();
    if (!fits) return kBadPropType;
  }
  std::vector<Pgf *> span;
  for (Pgf *p = b; p; p = PgfOf(NextPgfInFlow(*p))) {
    span.push_back(p);
    if (p == e) break;
  }
  if (span.back() != e) return kBadParameter;  // the end does not follow the start
  for (Pgf *p : span)
    for (const PropVal &pv : in) {
      Value v = pv.value;
      v.type = FindCharDef(pv.code)->type;
      p->textProps[pv.code] = v;
    }
  MarkModified(doc);
  return kOk;
}

int32_t Model::Find(Handle doc, TextLoc from, const std::string &text, TextRange &out) const {
  out = TextRange{};
  const Doc *d = DocOf(doc);
  if (!d) return kBadDocId;
  if (text.empty()) return kBadParameter;
  std::vector<Handle> walk = WalkPgfs(*d);
  auto start = std::find(walk.begin(), walk.end(), from.obj);
  if (start == walk.end()) return kBadInsertPos;
  size_t off = static_cast<size_t>(std::max(from.offset, 0));
  for (auto it = start; it != walk.end(); ++it, off = 0) {
    const Pgf *p = PgfOf(*it);
    size_t at = off <= p->text.size() ? p->text.find(text, off) : std::string::npos;
    if (at == std::string::npos) continue;
    int32_t a = static_cast<int32_t>(at);
    out = {{p->h, a}, {p->h, a + static_cast<int32_t>(text.size())}};
    return kOk;
  }
  return kNotFound;
}

// --- structure elements ------------------------------------------------------------------------

Element *Model::MakeElement(Doc &d, Handle def, Handle parent, Handle before) {
  Element *e = Make<Element>(d.h);
  e->def = def;
  e->parent = parent;
  if (Element *p = As<Element>(parent, Kind::Element)) {
    const Obj *b = Find(before);
    if (b && b->prev)
      Link(p->children, *e, b->prev);
    else if (b)
      LinkFront(p->children, *e);
    else
      Link(p->children, *e);
  } else {
    d.rootElement = e->h;
  }
  MarkModified(d.h);
  return e;
}

int32_t Model::NewElement(Handle doc, Handle def, TextLoc at, Handle &out) {
  out = 0;
  Doc *d = DocOf(doc);
  if (!d) return kBadDocId;
  const ElementDef *ed = As<ElementDef>(def, Kind::ElementDef);
  if (!ed || ed->doc != doc) return kBadObjId;
  Pgf *p = at.obj ? PgfOf(at.obj) : nullptr;
  if (at.obj && (!p || p->doc != doc)) return kBadInsertPos;
  Handle parent = d->rootElement;
  if (p && p->element) parent = p->element;
  Element *e = MakeElement(*d, def, parent, 0);
  if (p && !p->element) HoldPgf(*e, *p);
  out = e->h;
  return kOk;
}

int32_t Model::NewElementAt(Handle doc, Handle def, ElementLoc at, Handle &out) {
  out = 0;
  Doc *d = DocOf(doc);
  if (!d) return kBadDocId;
  const ElementDef *ed = As<ElementDef>(def, Kind::ElementDef);
  if (!ed || ed->doc != doc) return kBadObjId;
  const Element *parent = As<Element>(at.parent, Kind::Element);
  if (at.parent ? !parent || parent->doc != doc : d->rootElement != 0) return kBadParameter;
  const Element *before = As<Element>(at.child, Kind::Element);
  if (at.child && (!before || before->parent != at.parent)) return kBadParameter;
  out = MakeElement(*d, def, at.parent, at.child)->h;
  return kOk;
}

int32_t Model::NewComponentAt(Handle book, const std::string &path, ElementLoc at, Handle &out) {
  out = 0;
  Book *b = BookOf(book);
  if (!b) return kBadDocId;
  if (path.empty()) return kBadName;
  const Component *before = As<Component>(at.child, Kind::Component);
  if (at.child && (!before || before->doc != book)) return kBadParameter;
  Component *c = AddComponent(*b, path);
  if (before) {
    Unlink(b->comps, *c);
    if (before->prev)
      Link(b->comps, *c, before->prev);
    else
      LinkFront(b->comps, *c);
  }
  out = c->h;
  return kOk;
}

// Element trees built by a client may be of any depth: the walks over them do not recurse.
Handle Model::FirstPgfUnder(const Element &top) const {
  std::vector<const Element *> todo{&top};
  while (!todo.empty()) {
    const Element *e = todo.back();
    todo.pop_back();
    if (!e->pgfs.empty()) return e->pgfs.front();
    std::vector<Handle> kids = Chained(e->children);
    for (auto k = kids.rbegin(); k != kids.rend(); ++k)
      todo.push_back(As<Element>(*k, Kind::Element));
  }
  return 0;
}

int32_t Model::ElementToText(Handle doc, ElementLoc at, TextLoc &out) const {
  out = TextLoc{};
  if (!DocOf(doc)) return kBadDocId;
  const Element *e = As<Element>(at.child ? at.child : at.parent, Kind::Element);
  if (!e || e->doc != doc || (at.child && e->parent != at.parent)) return kBadParameter;
  Handle p = FirstPgfUnder(*e);
  if (!p) return kBadInsertPos;
  out = {p, std::max(at.offset, 0)};
  return kOk;
}

int32_t Model::TextToElement(Handle doc, TextLoc at, ElementLoc &out) const {
  out = ElementLoc{};
  if (!DocOf(doc)) return kBadDocId;
  const Pgf *p = PgfOf(at.obj);
  if (!p || p->doc != doc) return kBadInsertPos;
  const Element *e = As<Element>(p->element, Kind::Element);
  if (!e) return kBadInsertPos;
  out = {e->parent, e->h, at.offset};
  return kOk;
}

int32_t Model::SetElementSelection(Doc &d, const ElementRange &r) {
  auto valid = [&](const ElementLoc &l) {
    if (!l.parent && !l.child) return true;
    const Element *p = As<Element>(l.parent, Kind::Element);
    const Element *c = As<Element>(l.child, Kind::Element);
    return p && p->doc == d.h && (!l.child || (c && c->parent == p->h));
  };
  if (!valid(r.beg) || !valid(r.end)) return kBadParameter;
  if (r.beg.parent != r.end.parent) return kBadParameter;  // siblings only
  d.elemSelection = r;
  return kOk;
}

std::vector<Handle> Model::SelectedElements(const Doc &d) const {
  const ElementRange &r = d.elemSelection;
  const Element *first = As<Element>(r.beg.child, Kind::Element);
  if (!first || first->doc != d.h) return {};
  std::vector<Handle> v;
  for (Handle h = first->h; h; h = Find(h)->next) {
    v.push_back(h);
    if (h == r.end.child || !r.end.child) break;
  }
  return v;
}

void Model::MoveElement(Element &e, Element &to, Handle after) {
  if (Element *from = As<Element>(e.parent, Kind::Element)) Unlink(from->children, e);
  Link(to.children, e, after);
  e.parent = to.h;
}

void Model::ReleaseElement(Element &e) {
  Doc &d = *DocOf(e.doc);
  Element *parent = As<Element>(e.parent, Kind::Element);
  for (Handle p : e.pgfs)
    if (Pgf *pg = PgfOf(p)) pg->element = 0;
  std::vector<Handle> kids = Chained(e.children);
  Handle after = e.h;
  for (Handle k : kids) {
    Element *c = As<Element>(k, Kind::Element);
    if (parent) {
      MoveElement(*c, *parent, after);
    } else {
      Unlink(e.children, *c);
      c->parent = 0;
    }
    after = k;
  }
  if (parent) Unlink(parent->children, e);
  if (d.rootElement == e.h) d.rootElement = kids.size() == 1 ? kids[0] : 0;
  Free(e.h);
}

void Model::FreeElementTree(Element &top) {
  std::vector<Element *> tree{&top};
  for (size_t i = 0; i < tree.size(); ++i)
    for (Handle k : Chained(tree[i]->children)) tree.push_back(As<Element>(k, Kind::Element));
  for (Element *e : tree) {
    for (Handle p : e->pgfs)
      if (Pgf *pg = PgfOf(p)) pg->element = 0;
    Free(e->h);
  }
}

int32_t Model::WrapElements(Handle doc, Handle def) {
  Doc *d = DocOf(doc);
  if (!d) return kBadDocId;
  const ElementDef *ed = As<ElementDef>(def, Kind::ElementDef);
  if (!ed || ed->doc != doc) return kBadObjId;
  std::vector<Handle> sel = SelectedElements(*d);
  if (sel.empty()) return kBadParameter;
  Element *first = As<Element>(sel.front(), Kind::Element);
  Element *w = MakeElement(*d, def, first->parent, first->h);
  for (Handle h : sel) {
    MoveElement(*As<Element>(h, Kind::Element), *w);
  }
  d->elemSelection = {{w->parent, w->h, 0}, {w->parent, w->h, 0}};
  return kOk;
}

int32_t Model::EditElements(Handle doc, ElementOp op) {
  Doc *d = DocOf(doc);
  if (!d) return kBadDocId;
  std::vector<Handle> sel = SelectedElements(*d);
  if (sel.empty()) return kBadParameter;
  Element *e = As<Element>(sel.front(), Kind::Element);
  Element *parent = As<Element>(e->parent, Kind::Element);
  Handle result = e->h;
  switch (op) {
    case ElementOp::MergeIntoFirst:
    case ElementOp::MergeIntoLast: {
      if (sel.size() < 2) return kBadParameter;
      // The content keeps its order: merging into the last element puts the others' content
      // before its own.
      Element *into =
          As<Element>(op == ElementOp::MergeIntoFirst ? sel.front() : sel.back(), Kind::Element);
      std::vector<Handle> ownKids = Chained(into->children), ownPgfs = into->pgfs;
      if (op == ElementOp::MergeIntoLast) into->pgfs.clear();
      for (Handle h : sel) {
        if (h == into->h) continue;
        Element *o = As<Element>(h, Kind::Element);
        for (Handle k : Chained(o->children)) MoveElement(*As<Element>(k, Kind::Element), *into);
        for (Handle p : o->pgfs) PgfOf(p)->element = into->h;
        into->pgfs.insert(into->pgfs.end(), o->pgfs.begin(), o->pgfs.end());
        Unlink(parent->children, *o);
        Free(o->h);
      }
      if (op == ElementOp::MergeIntoLast) {
        for (Handle k : ownKids) MoveElement(*As<Element>(k, Kind::Element), *into);
        into->pgfs.insert(into->pgfs.end(), ownPgfs.begin(), ownPgfs.end());
      }
      result = into->h;
      break;
    }
    case ElementOp::Split: {
      // The element splits before the child at the selection's start offset: that child and
      // those after it go to a new element of the same definition.
      std::vector<Handle> kids = Chained(e->children);
      size_t at = static_cast<size_t>(std::max(d->elemSelection.beg.offset, 0));
      if (!parent || at == 0 || at >= kids.size()) return kBadParameter;
      Element *n = MakeElement(*d, e->def, e->parent, e->next);
      n->attrs = e->attrs;
      for (size_t i = at; i < kids.size(); ++i) {
        MoveElement(*As<Element>(kids[i], Kind::Element), *n);
      }
      result = n->h;
      break;
    }
    case ElementOp::Unwrap: {
      if (!parent) return kBadParameter;  // the root holds the whole document
      result = e->children.first ? e->children.first : e->parent;
      ReleaseElement(*e);
      break;
    }
    case ElementOp::Promote: {
      Element *grand = parent ? As<Element>(parent->parent, Kind::Element) : nullptr;
      if (!grand) return kBadParameter;
      MoveElement(*e, *grand, parent->h);
      break;
    }
    case ElementOp::Demote: {
      Element *prev = As<Element>(e->prev, Kind::Element);
      if (!parent || !prev) return kBadParameter;
      MoveElement(*e, *prev);
      break;
    }
  }
  const Element *r = As<Element>(result, Kind::Element);
  Handle rp = r ? r->parent : 0;
  d->elemSelection = r && rp ? ElementRange{{rp, r->h, 0}, {rp, r->h, 0}} : ElementRange{};
  MarkModified(doc);
  return kOk;
}

int32_t Model::DeleteUndefinedAttribute(Handle doc, const std::string &name, Handle def) {
  Doc *d = DocOf(doc);
  if (!d) return kBadDocId;
  if (def && !As<ElementDef>(def, Kind::ElementDef)) return kBadObjId;
  for (Handle h : d->owned) {
    Element *e = As<Element>(h, Kind::Element);
    if (!e || (def && e->def != def)) continue;
    const ElementDef *ed = As<ElementDef>(e->def, Kind::ElementDef);
    auto defined = [&](const Attribute &a) {
      return ed && std::any_of(ed->attrDefs.begin(), ed->attrDefs.end(),
                               [&](const AttributeDef &ad) { return ad.name == a.name; });
    };
    std::erase_if(e->attrs, [&](const Attribute &a) {
      return (name.empty() || a.name == name) && !defined(a);
    });
  }
  MarkModified(doc);
  return kOk;
}

int32_t Model::ImportElementDefs(Handle doc, Handle from) {
  Doc *d = DocOf(doc);
  const Doc *f = DocOf(from);
  if (!d || !f) return kBadDocId;
  for (Handle h : Chained(f->elemDefs)) {
    const ElementDef *src = As<ElementDef>(h, Kind::ElementDef);
    ElementDef *dst = FindElementDef(*d, src->name);
    if (!dst) dst = AddElementDef(*d, src->name);
    dst->attrDefs = src->attrDefs;
  }
  MarkModified(doc);
  return kOk;
}

}  // namespace qvhost
