// Wire translation for the structure-element procedures and for the properties of text at a
// location.
#include "host/core/dispatch.h"
#include "host/handlers/handlers.h"
#include "host/handlers/wire.h"

namespace qvhost {

using namespace wire;

namespace {

Model &M() {
  return TheModel();
}

// --- structure elements ------------------------------------------------------------------------

void NewElement(const ApiFmNewElementArgT &a, ApiFmObjRetT &r, CallCtx &) {
  r.status = M().NewElement(a.docId, a.elemDefId, LocFrom(a.textLoc), r.objId);
}

void NewElementInHierarchy(const ApiFmNewElementInHierarchyArgT &a, ApiFmObjRetT &r, CallCtx &) {
  r.status = M().NewElementAt(a.docId, a.elemDefId, ElemLocFrom(a.elemLoc), r.objId);
}

void NewComponentInHierarchy(const ApiFmNewBookComponentInHierarchyArgT &a, ApiFmObjRetT &r,
                             CallCtx &) {
  r.status = M().NewComponentAt(a.bookId, Str(a.name), ElemLocFrom(a.elemLoc), r.objId);
}

template <Model::ElementOp Op>
void EditElements(const ApiFmGeneralDocArgT &a, int &r, CallCtx &) {
  r = M().EditElements(a.docId, Op);
}

void WrapElement(const ApiFmGeneralElementDefArgT &a, int &r, CallCtx &) {
  r = M().WrapElements(a.docId, a.elemDefId);
}

void ImportElementDefs(const ApiFmSimpleImportElementDefsArgT &a, int &r, CallCtx &) {
  r = M().ImportElementDefs(a.docId, a.fromDocId);
}

void DeleteUndefinedAttribute(const ApiFmDeleteUndefinedAttributeArgT &a, int &r, CallCtx &) {
  r = M().DeleteUndefinedAttribute(a.docId, Str(a.attrName), a.elemDefId);
}

void ElementLocToTextLoc(const ApiFmElementLocToTextLocArgT &a, ApiFmElementLocToTextLocRetT &r,
                         CallCtx &) {
  TextLoc out;
  r.status = M().ElementToText(a.docId, ElemLocFrom(a.elemLoc), out);
  r.textLoc = LocTo(out);
}

void TextLocToElementLoc(const ApiFmTextLocToElementLocArgT &a, ApiFmTextLocToElementLocRetT &r,
                         CallCtx &) {
  ElementLoc out;
  r.status = M().TextToElement(a.docId, LocFrom(a.textLoc), out);
  r.elemLoc = ElemLocTo(out);
}

// --- properties of text ------------------------------------------------------------------------

void GetTextVal(const ApiFmGetTextPropArgT &a, ApiFmGetValRetT &r, CallCtx &) {
  Value v;
  r.status = M().GetTextProp(a.docId, LocFrom(a.textLoc), a.propIdent.num, v);
  if (!r.status) ValueToWire(v, r.value);
}

void GetTextPropVal(const ApiFmGetTextPropArgT &a, ApiFmGetPropRetT &r, CallCtx &) {
  Value v;
  r.status = M().GetTextProp(a.docId, LocFrom(a.textLoc), a.propIdent.num, v);
  if (r.status) return;
  r.propVal.ident.num = a.propIdent.num;
  ValueToWire(v, r.propVal.value);
}

void GetTextProps(const ApiFmGetTextPropsArgT &a, ApiFmGetPropsRetT &r, CallCtx &) {
  std::vector<Model::PropVal> v;
  r.status = M().GetTextProps(a.docId, LocFrom(a.textLoc), v);
  if (!r.status) r.props = PropsTo(v);
}

int32_t SetOneTextProp(unsigned doc, const F_TextRangeT &range, int32_t code,
                       const F_TypedValT &tv) {
  Value v;
  if (!ValueFromWire(tv, v)) return kBadPropType;
  return M().SetTextProps(doc, RangeFrom(range), {{code, v}});
}

void SetTextVal(const ApiFmSetTextValArgT &a, int &r, CallCtx &) {
  r = SetOneTextProp(a.docId, a.textRange, a.propIdent.num, a.value);
}

void SetTextPropVal(const ApiFmSetTextPropArgT &a, int &r, CallCtx &) {
  r = SetOneTextProp(a.docId, a.textRange, a.propVal.ident.num, a.propVal.value);
}

void SetTextProps(const ApiFmSetTextPropsArgT &a, int &r, CallCtx &) {
  int32_t st;
  std::vector<Model::PropVal> v = PropsFrom(a.props, st);
  r = st ? st : M().SetTextProps(a.docId, RangeFrom(a.textRange), v);
}

}  // namespace

void RegisterStructureHandlers() {
  Serve<1100>(EditElements<Model::ElementOp::MergeIntoFirst>);
  Serve<1101>(EditElements<Model::ElementOp::MergeIntoLast>);
  Serve<1102>(EditElements<Model::ElementOp::Split>);
  Serve<1103>(WrapElement);
  Serve<1104>(EditElements<Model::ElementOp::Unwrap>);
  Serve<1105>(EditElements<Model::ElementOp::Promote>);
  Serve<1106>(EditElements<Model::ElementOp::Demote>);
  Serve<1108>(NewElement);
  Serve<1109>(ImportElementDefs);
  Serve<1111>(NewElementInHierarchy);
  Serve<1112>(NewComponentInHierarchy);
  Serve<1286>(ElementLocToTextLoc);
  Serve<1287>(TextLocToElementLoc);
  Serve<1298>(GetTextVal);
  Serve<1299>(SetTextVal);
  Serve<1300>(GetTextPropVal);
  Serve<1301>(SetTextPropVal);
  Serve<1302>(GetTextProps);
  Serve<1303>(SetTextProps);
  Serve<1406>(DeleteUndefinedAttribute);
}

}  // namespace qvhost
