// Properties of the host objects: reading and writing them one by one, as whole lists, and by
// name; named-object lookup; deletion.
#include <algorithm>
#include <cctype>

#include "host/model/model.h"
#include "quorvex/fcodes.h"

namespace qvhost {

namespace {

bool IsMenuKind(Kind k) {
  return k == Kind::Menu || k == Kind::Command || k == Kind::Separator;
}

// A written value must have the shape of the property; int-like shapes take each other except
// that an object handle is only accepted where a handle is stored.
bool ShapeFits(PType want, const Value &v) {
  if (want == PType::Id) return v.type == PType::Id || v.type == PType::Int;
  if (want == PType::Int || want == PType::Metric)
    return v.type == PType::Int || v.type == PType::Metric;
  return want == v.type;
}

}  // namespace

int32_t Model::Resolve(Handle doc, Handle obj, Obj *&o) const {
  o = nullptr;
  if (obj == 0) return doc == 0 ? kOk : kBadObjId;
  o = Find(obj);
  if (!o) return kBadObjId;
  if (doc == 0) return kOk;
  const Obj *d = Find(doc);
  if (!d) return kBadDocId;
  if (d->kind == Kind::Menu) return IsMenuKind(o->kind) ? kOk : kBadObjId;
  if (d->kind != Kind::Doc && d->kind != Kind::Book) return kBadDocId;
  return o->doc == doc ? kOk : kBadObjId;
}

int32_t Model::GetSession(int32_t prop, Value &out) const {
  switch (prop) {
    case PROP_ActiveDoc:
      out = Value::Id(DocOf(activeDoc) ? activeDoc : 0);
      return kOk;
    case PROP_ActiveBook:
      out = Value::Id(BookOf(activeBook) ? activeBook : 0);
      return kOk;
    case PROP_FirstOpenDoc:
      out = Value::Id(open_.empty() ? 0 : open_.front());
      return kOk;
    case PROP_FontFamilyNames:
      out = Value::Strs(FontFamilyNames());
      return kOk;
    case PROP_FontVariationNames:
      out = Value::Strs(FontVariationNames());
      return kOk;
    case PROP_FontWeightNames:
      out = Value::Strs(FontWeightNames());
      return kOk;
    case PROP_FontAngleNames:
      out = Value::Strs(FontAngleNames());
      return kOk;
    case PROP_ClientDirectory:
      out = Value::Str(clientDir);
      return kOk;
    case PROP_Displaying:
      out = Value::Int(displaying);
      return kOk;
    case PROP_Progress:
      out = Value::Int(progress);
      return kOk;
  }
  return kBadPropNum;
}

int32_t Model::SetSession(int32_t prop, const Value &v) {
  switch (prop) {
    case PROP_ActiveDoc:
    case PROP_ActiveBook: {
      if (!ShapeFits(PType::Id, v)) return kBadPropType;
      Handle h = static_cast<Handle>(v.i);
      bool doc = prop == PROP_ActiveDoc;
      if (h && !(doc ? static_cast<void *>(DocOf(h)) : static_cast<void *>(BookOf(h))))
        return kBadObjId;
      (doc ? activeDoc : activeBook) = h;
      return kOk;
    }
    case PROP_Displaying:
    case PROP_Progress:
      if (!ShapeFits(PType::Int, v)) return kBadPropType;
      (prop == PROP_Displaying ? displaying : progress) = v.i;
      return kOk;
    case PROP_FirstOpenDoc:
    case PROP_FontFamilyNames:
    case PROP_FontVariationNames:
    case PROP_FontWeightNames:
    case PROP_FontAngleNames:
    case PROP_ClientDirectory:
      return kReadOnly;
  }
  return kBadPropNum;
}

int32_t Model::GetProp(Handle doc, Handle obj, int32_t prop, Value &out) const {
  Obj *o;
  if (int32_t st = Resolve(doc, obj, o)) return st;
  return o ? GetOf(*o, doc, prop, out) : GetSession(prop, out);
}

int32_t Model::SetProp(Handle doc, Handle obj, int32_t prop, const Value &v) {
  Obj *o;
  if (int32_t st = Resolve(doc, obj, o)) return st;
  return o ? SetOf(*o, doc, prop, v) : SetSession(prop, v);
}

int32_t Model::GetOf(const Obj &o, Handle docArg, int32_t prop, Value &out) const {
  auto id = [&](Handle h) {
    out = Value::Id(h);
    return kOk;
  };
  switch (o.kind) {
    case Kind::Doc: {
      const Doc &d = static_cast<const Doc &>(o);
      switch (prop) {
        case PROP_Name:
          out = Value::Str(d.path);
          return kOk;
        case PROP_TextSelection: {
          TextRange r = d.selection;
          if (!PgfOf(r.beg.obj) || !PgfOf(r.end.obj)) r = TextRange{};
          out = Value::Range(r);
          return kOk;
        }
        case PROP_NextOpenDoc: {
          auto it = std::find(open_.begin(), open_.end(), d.h);
          return id(it != open_.end() && it + 1 != open_.end() ? *(it + 1) : 0);
        }
        case PROP_FirstTblInDoc:
          return id(d.tables.first);
        case PROP_FirstFlowInDoc:
          return id(d.flows.first);
        case PROP_FirstPgfFmtInDoc:
          return id(d.fmts.first);
        case PROP_SelectedTbl: {
          const Pgf *p = PgfOf(d.selection.beg.obj);
          return id(p ? TableOfPgf(*p) : 0);
        }
        case PROP_DocBatchFlag:
          out = Value::Int(d.batchFlag);
          return kOk;
        case PROP_CurrentPage:
          return id(d.currentPage);
        case PROP_DisplayUnits:
          out = Value::Metric(d.displayUnits);
          return kOk;
        case PROP_FontDisplayUnits:
          out = Value::Metric(d.fontDisplayUnits);
          return kOk;
        case PROP_FirstPageListA:
          return id(d.pagesA.first);
        case PROP_FirstPageListB:
          return id(d.pagesB.first);
        case PROP_MainFlowInDoc:
          return id(d.mainFlow);
      }
      break;
    }
    case Kind::Book: {
      const Book &b = static_cast<const Book &>(o);
      if (prop == PROP_Name) return out = Value::Str(b.path), kOk;
      if (prop == PROP_StatusLine) return out = Value::Str(b.statusLine), kOk;
      if (prop == PROP_FirstComponentInBook) return id(b.comps.first);
      break;
    }
    case Kind::Component:
      if (prop == PROP_Name) return out = Value::Str(static_cast<const Component &>(o).path), kOk;
      if (prop == PROP_NextComponentInBook) return id(o.next);
      break;
    case Kind::PgfFmt: {
      const PgfFmt &f = static_cast<const PgfFmt &>(o);
      if (prop == PROP_Name) return out = Value::Str(f.name), kOk;
      if (prop == PROP_NextPgfFmtInDoc) return id(o.next);
      if (FindCharDef(prop)) return out = FmtChar(f, prop), kOk;
      break;
    }
    case Kind::Pgf: {
      const Pgf &p = static_cast<const Pgf &>(o);
      switch (prop) {
        case PROP_Name:
          out = Value::Str(p.tag);
          return kOk;
        case PROP_NextPgfInFlow:
          return id(NextPgfInFlow(p));
        case PROP_PgfOverride:
          out = Value::Int(p.override_ ? 1 : 0);
          return kOk;
        case PROP_PgfLocked:
          out = Value::Int(p.locked);
          return kOk;
        case PROP_PgfCell:
          return id(p.home == PgfHome::Cell ? p.parent : 0);
        case PROP_PgfTextFrame:
          return id(p.home == PgfHome::Frame ? p.parent : 0);
      }
      if (FindCharDef(prop)) return out = PgfChar(*DocOf(p.doc), p, prop), kOk;
      break;
    }
    case Kind::Flow: {
      const Flow &f = static_cast<const Flow &>(o);
      if (prop == PROP_Name) return out = Value::Str(f.tag), kOk;
      if (prop == PROP_NextFlowInDoc) return id(o.next);
      if (prop == PROP_FirstTextFrameInFlow) return id(f.frames.first);
      if (prop == PROP_LastTextFrameInFlow) return id(f.frames.last);
      break;
    }
    case Kind::Frame: {
      const Frame &f = static_cast<const Frame &>(o);
      if (prop == PROP_NextTextFrameInFlow) return id(o.next);
      if (prop == PROP_FirstPgf) return id(f.pgfs.first);
      if (prop == PROP_LastPgf) return id(f.pgfs.last);
      if (prop == PROP_TextFrameFlow) return id(f.flow);
      break;
    }
    case Kind::Table: {
      const Table &t = static_cast<const Table &>(o);
      if (prop == PROP_NextTblInDoc) return id(o.next);
      if (prop == PROP_FirstRowInTbl) return id(t.rows.first);
      if (prop == PROP_FirstPgf) return id(t.title.first);
      if (prop == PROP_TblColWidths) return out = Value::Metrs(t.colWidths), kOk;
      if (prop == PROP_TblInitSetting) return out = Value::Int(t.initSetting), kOk;
      break;
    }
    case Kind::Row: {
      if (prop == PROP_NextRowInTbl) return id(o.next);
      if (prop == PROP_FirstCellInRow) return id(static_cast<const Row &>(o).cells.first);
      break;
    }
    case Kind::Cell: {
      const Cell &c = static_cast<const Cell &>(o);
      if (prop == PROP_NextCellInRow) return id(o.next);
      if (prop == PROP_FirstPgf) return id(c.pgfs.first);
      if (prop == PROP_CellRow) return id(c.row);
      if (prop == PROP_CellColNum) return out = Value::Int(c.col), kOk;
      break;
    }
    case Kind::Color:
      if (prop == PROP_Name) return out = Value::Str(static_cast<const Color &>(o).name), kOk;
      break;
    case Kind::Page:
      if (prop == PROP_Name) return out = Value::Str(static_cast<const Page &>(o).name), kOk;
      if (prop == PROP_NextPageInList) return id(o.next);
      break;
    case Kind::Menu:
    case Kind::Command:
    case Kind::Separator: {
      const MenuItem &m = static_cast<const MenuItem &>(o);
      if (prop == PROP_Name) return out = Value::Str(m.name), kOk;
      if (prop == PROP_Label) return out = Value::Str(m.label), kOk;
      if (prop == PROP_NextMenuItemInMenu) return id(NextInMenu(docArg, o.h));
      if (prop == PROP_FirstMenuItemInMenu && o.kind == Kind::Menu) {
        const Menu &mm = static_cast<const Menu &>(o);
        return id(mm.items.empty() ? 0 : mm.items.front());
      }
      break;
    }
    default:
      break;
  }
  return GetStructure(o, prop, out);
}

int32_t Model::SetOf(Obj &o, Handle docArg, int32_t prop, const Value &v) {
  auto setInt = [&](int32_t &slot) {
    if (!ShapeFits(PType::Int, v)) return kBadPropType;
    slot = v.i;
    MarkModified(o.doc);
    return kOk;
  };
  switch (o.kind) {
    case Kind::Doc: {
      Doc &d = static_cast<Doc &>(o);
      switch (prop) {
        case PROP_TextSelection: {
          if (v.type != PType::TextRange) return kBadPropType;
          const Pgf *b = PgfOf(v.range().beg.obj), *e = PgfOf(v.range().end.obj);
          bool none = !v.range().beg.obj && !v.range().end.obj;
          if (!none && (!b || !e || b->doc != d.h || e->doc != d.h)) return kBadParameter;
          d.selection = v.range();
          selDoc_ = d.h;
          return kOk;
        }
        case PROP_DocBatchFlag:
          return ShapeFits(PType::Int, v) ? (d.batchFlag = v.i, kOk) : kBadPropType;
        case PROP_DisplayUnits:
          return setInt(d.displayUnits);
        case PROP_FontDisplayUnits:
          return setInt(d.fontDisplayUnits);
        case PROP_CurrentPage: {
          const Page *p = As<Page>(static_cast<Handle>(v.i), Kind::Page);
          if (!ShapeFits(PType::Id, v)) return kBadPropType;
          if (!p || p->doc != d.h) return kBadParameter;
          d.currentPage = p->h;
          return kOk;
        }
      }
      break;
    }
    case Kind::Book:
      if (prop == PROP_StatusLine) {
        if (v.type != PType::String) return kBadPropType;
        Book &b = static_cast<Book &>(o);
        b.statusLine = v.s;
        ShownItem it;
        it.what = "status";
        it.text = v.s;
        Show(std::move(it));
        return kOk;
      }
      break;
    case Kind::PgfFmt: {
      PgfFmt &f = static_cast<PgfFmt &>(o);
      if (prop == PROP_Name) {
        if (v.type != PType::String) return kBadPropType;
        if (v.s.empty()) return kBadParameter;
        Doc &d = *DocOf(f.doc);
        IndexFormat(d, f, false);
        f.name = v.s;
        IndexFormat(d, f, true);
        MarkModified(f.doc);
        return kOk;
      }
      if (const CharDef *cd = FindCharDef(prop)) {
        if (!ShapeFits(cd->type, v)) return kBadPropType;
        Value nv = v;
        nv.type = cd->type;
        f.chars[prop] = nv;
        MarkModified(f.doc);
        return kOk;
      }
      break;
    }
    case Kind::Pgf: {
      Pgf &p = static_cast<Pgf &>(o);
      Doc &d = *DocOf(p.doc);
      switch (prop) {
        case PROP_Name:
          if (v.type != PType::String) return kBadPropType;
          MaterialiseChars(d, p);
          p.tag = v.s;
          PgfsChanged(p);
          RecomputeOverride(d, p);
          MarkModified(p.doc);
          return kOk;
        case PROP_PgfOverride:
          if (!ShapeFits(PType::Int, v)) return kBadPropType;
          p.override_ = v.i != 0;
          MarkModified(p.doc);
          return kOk;
        case PROP_PgfLocked:
          return setInt(p.locked);
      }
      if (FindCharDef(prop)) return SetPgfChar(d, p, prop, v);
      break;
    }
    case Kind::Table: {
      Table &t = static_cast<Table &>(o);
      if (prop == PROP_TblInitSetting) return setInt(t.initSetting);
      if (prop == PROP_TblColWidths) {
        if (v.type != PType::Metrics) return kBadPropType;
        if (v.nums().size() != t.colWidths.size()) return kBadParameter;
        t.colWidths = v.nums();
        MarkModified(t.doc);
        return kOk;
      }
      break;
    }
    case Kind::Color:
      if (prop == PROP_Name) {
        if (v.type != PType::String) return kBadPropType;
        static_cast<Color &>(o).name = v.s;
        return kOk;
      }
      break;
    case Kind::Menu:
    case Kind::Command:
    case Kind::Separator: {
      MenuItem &m = static_cast<MenuItem &>(o);
      if (prop == PROP_Label) {
        if (v.type != PType::String) return kBadPropType;
        m.label = v.s;
        return kOk;
      }
      if (prop == PROP_NextMenuItemInMenu) {
        if (!ShapeFits(PType::Id, v)) return kBadPropType;
        return MoveBefore(docArg, o.h, static_cast<Handle>(v.i));
      }
      break;
    }
    default:
      break;
  }
  if (int32_t st = SetStructure(o, prop, v); st != kBadPropNum && st != kReadOnly) return st;
  Value probe;
  return GetOf(o, docArg, prop, probe) == kOk ? kReadOnly : kBadPropNum;
}

int32_t Model::SetPgfChar(Doc &d, Pgf &p, int32_t prop, const Value &v) {
  const CharDef *cd = FindCharDef(prop);
  if (!ShapeFits(cd->type, v)) return kBadPropType;
  if (cd->type == PType::Id && v.i && !As<Color>(static_cast<Handle>(v.i), Kind::Color))
    return kBadParameter;
  Value nv = v;
  nv.type = cd->type;
  p.own[prop] = nv;
  RecomputeOverride(d, p);
  MarkModified(p.doc);
  return kOk;
}

// Before a paragraph changes its tag it takes every characteristic it shows into its own
// settings, so that retagging alone keeps its look and reports the difference as an override.
void Model::MaterialiseChars(const Doc &d, Pgf &p) {
  const PgfFmt *f = FindFormat(d, p.tag);
  for (const CharDef &c : CharDefs())
    if (!p.own.count(c.code)) p.own[c.code] = f ? FmtChar(*f, c.code) : DefaultValue(c);
}

// Settings equal to the format's are dropped; what remains is the override. A paragraph whose
// tag is not in the catalogue keeps its settings and its flag.
void Model::RecomputeOverride(const Doc &d, Pgf &p) {
  const PgfFmt *f = FindFormat(d, p.tag);
  if (!f) {
    if (!p.own.empty()) p.override_ = true;
    return;
  }
  for (auto it = p.own.begin(); it != p.own.end();)
    it = FmtChar(*f, it->first) == it->second ? p.own.erase(it) : std::next(it);
  p.override_ = !p.own.empty();
}

std::vector<int32_t> Model::PropCodes(const Obj &o) const {
  std::vector<int32_t> v;
  auto add = [&](std::initializer_list<int32_t> l) {
    for (int32_t code : l) v.push_back(code);
  };
  switch (o.kind) {
    case Kind::PgfFmt:
    case Kind::Pgf:
      v.push_back(PROP_Name);
      for (const CharDef &c : CharDefs()) v.push_back(c.code);
      if (o.kind == Kind::Pgf) add({PROP_PgfOverride, PROP_PgfLocked, kPropPgfElement});
      break;
    case Kind::Doc:
      add({PROP_Name, PROP_TextSelection, PROP_NextOpenDoc, PROP_FirstTblInDoc, PROP_FirstFlowInDoc,
           PROP_FirstPgfFmtInDoc, PROP_SelectedTbl, PROP_DocBatchFlag, PROP_CurrentPage,
           PROP_DisplayUnits, PROP_FontDisplayUnits, PROP_FirstPageListA, PROP_FirstPageListB,
           PROP_MainFlowInDoc, PROP_ElementCatalog, kPropElementSelection, kPropHighestLevelElement,
           kPropFirstElementDefInDoc, kPropFirstGraphicInDoc});
      break;
    case Kind::Book:
      add({PROP_Name, PROP_StatusLine, PROP_FirstComponentInBook});
      break;
    case Kind::Component:
      add({PROP_Name, PROP_NextComponentInBook});
      break;
    case Kind::Flow:
      add({PROP_Name, PROP_NextFlowInDoc, PROP_FirstTextFrameInFlow, PROP_LastTextFrameInFlow});
      break;
    case Kind::Frame:
      add({PROP_NextTextFrameInFlow, PROP_FirstPgf, PROP_LastPgf, PROP_TextFrameFlow});
      break;
    case Kind::Table:
      add({PROP_NextTblInDoc, PROP_FirstRowInTbl, PROP_FirstPgf, PROP_TblColWidths,
           PROP_TblInitSetting, kPropTextLoc});
      break;
    case Kind::Row:
      add({PROP_NextRowInTbl, PROP_FirstCellInRow});
      break;
    case Kind::Cell:
      add({PROP_NextCellInRow, PROP_FirstPgf, PROP_CellRow, PROP_CellColNum, kPropStraddle});
      break;
    case Kind::Color:
      add({PROP_Name});
      break;
    case Kind::Page:
      add({PROP_Name, PROP_NextPageInList});
      break;
    case Kind::Menu:
      add({PROP_Name, PROP_Label, PROP_FirstMenuItemInMenu});
      break;
    case Kind::Command:
    case Kind::Separator:
      add({PROP_Name, PROP_Label});
      break;
    case Kind::Graphic:
      add({kPropGraphicType, kPropPoints, kPropNextGraphicInDoc});
      break;
    case Kind::ElementDef:
      add({PROP_Name, PROP_AttributeDefs, kPropNextElementDefInDoc});
      break;
    case Kind::Element:
      add({kPropElementDef, kPropParentElement, kPropFirstChildElement, kPropNextSiblingElement,
           kPropElementPgfs, PROP_Attributes});
      break;
  }
  return v;
}

int32_t Model::GetProps(Handle doc, Handle obj, std::vector<PropVal> &out) const {
  out.clear();
  Obj *o;
  if (int32_t st = Resolve(doc, obj, o)) return st;
  if (!o) {
    for (int32_t c : {PROP_ActiveDoc, PROP_ActiveBook, PROP_FirstOpenDoc, PROP_ClientDirectory,
                      PROP_Displaying}) {
      Value v;
      GetSession(c, v);
      out.push_back({c, std::move(v)});
    }
    return kOk;
  }
  for (int32_t c : PropCodes(*o)) {
    Value v;
    if (GetOf(*o, doc, c, v) == kOk) out.push_back({c, std::move(v)});
  }
  return kOk;
}

// The tag goes first, so that the characteristics that follow are weighed against the new
// format: a format's whole list makes the paragraph take the tag and lose its override. Every
// entry is tried; the first refusal is the answer.
int32_t Model::SetProps(Handle doc, Handle obj, const std::vector<PropVal> &in) {
  Obj *o;
  if (int32_t st = Resolve(doc, obj, o)) return st;
  int32_t first = kOk;
  auto apply = [&](const PropVal &pv) {
    int32_t st = o ? SetOf(*o, doc, pv.code, pv.value) : SetSession(pv.code, pv.value);
    if (st != kOk && st != kReadOnly && first == kOk) first = st;
  };
  for (const PropVal &pv : in)
    if (pv.code == PROP_Name) apply(pv);
  for (const PropVal &pv : in)
    if (pv.code != PROP_Name && pv.code != PROP_PgfOverride) apply(pv);
  return first;
}

int32_t Model::GetPropByName(Handle doc, Handle obj, const std::string &name, Value &out) const {
  Obj *o;
  if (int32_t st = Resolve(doc, obj, o)) return st;
  if (!o) return kBadPropNum;
  auto props = named_.find(o->h);
  if (props == named_.end()) return kBadPropNum;
  auto it = props->second.find(name);
  if (it == props->second.end()) return kBadPropNum;
  out = it->second;
  return kOk;
}

int32_t Model::SetPropByName(Handle doc, Handle obj, const std::string &name, const Value &v) {
  Obj *o;
  if (int32_t st = Resolve(doc, obj, o)) return st;
  if (!o) return kBadObjId;
  if (name.empty()) return kBadName;
  named_[o->h][name] = v;
  return kOk;
}

void Model::DeletePropByName(Handle obj, const std::string &name) {
  auto props = named_.find(obj);
  if (props == named_.end()) return;
  props->second.erase(name);
  if (props->second.empty()) named_.erase(props);
}

int32_t Model::GetNamedObject(Handle doc, int32_t type, const std::string &name,
                              Handle &out) const {
  out = 0;
  switch (type) {
    case kObjPgfFmt: {
      const Doc *d = DocOf(doc);
      if (!d) return kBadDocId;
      const PgfFmt *f = FindFormat(*d, name);
      if (!f && d->source && d->source->CaseBlindNames()) {
        auto folded = [](std::string s) {
          for (char &c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
          return s;
        };
        int found = 0;
        for (Handle h = d->fmts.first; h; h = Find(h)->next)
          if (folded(FmtOf(h)->name) == folded(name)) f = ++found == 1 ? FmtOf(h) : nullptr;
        if (found != 1) f = nullptr;
      }
      return f ? (out = f->h, kOk) : kBadName;
    }
    case kObjColor: {
      const Doc *d = DocOf(doc);
      if (!d) return kBadDocId;
      const Color *c = FindColor(*d, name);
      return c ? (out = c->h, kOk) : kBadName;
    }
    case kObjMenu:
    case kObjSeparator:
    case kObjCommand: {
      Kind k = type == kObjMenu      ? Kind::Menu
               : type == kObjCommand ? Kind::Command
                                     : Kind::Separator;
      out = FindMenuItem(k, name);
      return out ? kOk : kBadName;
    }
    case kObjElementDef: {
      const Doc *d = DocOf(doc);
      if (!d) return kBadDocId;
      const ElementDef *e = FindElementDef(*d, name);
      return e ? (out = e->h, kOk) : kBadName;
    }
    case kObjDoc:
    case kObjBook: {
      for (Handle h : type == kObjDoc ? open_ : books_) {
        const Obj *o = Find(h);
        const std::string &p = type == kObjDoc ? static_cast<const Doc *>(o)->path
                                               : static_cast<const Book *>(o)->path;
        if (p == name) return out = h, kOk;
      }
      return kBadName;
    }
  }
  return kBadObjType;
}

int32_t Model::NewNamedObject(Handle doc, int32_t type, const std::string &name, Handle &out) {
  out = 0;
  Doc *d = DocOf(doc);
  if (type != kObjPgfFmt && type != kObjColor && type != kObjElementDef) return kBadObjType;
  if (!d) return kBadDocId;
  if (name.empty()) return kBadName;
  Handle existing;
  if (GetNamedObject(doc, type, name, existing) == kOk) return out = existing, kOk;
  if (type == kObjElementDef) {
    out = AddElementDef(*d, name)->h;
  } else {
    out = type == kObjPgfFmt ? AddFormat(*d, name)->h : AddColor(*d, name)->h;
  }
  MarkModified(doc);
  return kOk;
}

int32_t Model::ObjectValid(Handle doc, Handle obj) const {
  Obj *o;
  int32_t st = Resolve(doc, obj, o);
  return st ? st : (o ? kOk : kBadObjId);
}

int32_t Model::Delete(Handle doc, Handle obj) {
  Obj *o;
  if (int32_t st = Resolve(doc, obj, o)) return st;
  if (!o) return kBadObjId;
  Doc *d = DocOf(o->doc);
  switch (o->kind) {
    case Kind::PgfFmt: {
      PgfFmt *f = static_cast<PgfFmt *>(o);
      if (d->source && d->source->Needs(f->h)) return kNotDeletable;
      // Paragraphs of the deleted tag keep their look: its settings become their own.
      for (Pgf *p : PgfsTagged(*d, f->name)) MaterialiseChars(*d, *p);
      IndexFormat(*d, *f, false);
      Unlink(d->fmts, *o);
      break;
    }
    case Kind::Pgf: {
      Pgf *p = static_cast<Pgf *>(o);
      Chain *c = PgfChain(*p);
      if (c) Unlink(*c, *o);
      if (Element *e = As<Element>(p->element, Kind::Element)) std::erase(e->pgfs, p->h);
      for (Handle t : TablesAnchoredIn(*d, p->h)) As<Table>(t, Kind::Table)->anchor = 0;
      break;
    }
    case Kind::Table:
      Unlink(d->tables, *o);
      break;
    case Kind::Row:
      Unlink(As<Table>(static_cast<Row *>(o)->tbl, Kind::Table)->rows, *o);
      break;
    case Kind::Color:
      for (Handle h = d->fmts.first; h; h = Find(h)->next) {
        Value &c = FmtOf(h)->chars[PROP_Color];
        if (static_cast<Handle>(c.i) == o->h) c.i = 0;
      }
      Unlink(d->colors, *o);
      break;
    case Kind::Graphic:
      Unlink(d->graphics, *o);
      break;
    case Kind::ElementDef:
      for (Handle h : d->owned)
        if (const Element *e = As<Element>(h, Kind::Element); e && e->def == o->h)
          return kNotDeletable;  // still in use
      Unlink(d->elemDefs, *o);
      break;
    case Kind::Element: {
      // The element goes with everything inside it; its paragraphs stay, held by nothing.
      Element *e = static_cast<Element *>(o);
      if (Element *p = As<Element>(e->parent, Kind::Element)) Unlink(p->children, *e);
      if (d->rootElement == e->h) d->rootElement = 0;
      if (d->elemSelection.beg.parent || d->elemSelection.beg.child) d->elemSelection = {};
      FreeElementTree(*e);
      MarkModified(d->h);
      return kOk;
    }
    case Kind::Menu:
    case Kind::Command:
      for (Handle h : menus_)
        if (Menu *m = As<Menu>(h, Kind::Menu))
          m->items.erase(std::remove(m->items.begin(), m->items.end(), o->h), m->items.end());
      menus_.erase(std::remove(menus_.begin(), menus_.end(), o->h), menus_.end());
      Free(o->h);
      return kOk;
    default:
      return kNotDeletable;
  }
  MarkModified(d->h);
  Free(o->h);
  return kOk;
}

}  // namespace qvhost
