// Wire translation for the host procedures served from the model.
#include "host/handlers/handlers.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "host/core/dispatch.h"
#include "host/handlers/wire.h"
#include "quorvex/fcodes.h"

namespace qvhost {

using namespace wire;

namespace {

Model &M() {
  return TheModel();
}

bool ByName(const F_PropIdentT &id) {
  return id.num == 0 && id.name && *id.name;
}

int32_t Get(unsigned doc, unsigned obj, const F_PropIdentT &id, Value &v) {
  return ByName(id) ? M().GetPropByName(doc, obj, id.name, v) : M().GetProp(doc, obj, id.num, v);
}

int32_t Set(unsigned doc, unsigned obj, const F_PropIdentT &id, const Value &v) {
  return ByName(id) ? M().SetPropByName(doc, obj, id.name, v) : M().SetProp(doc, obj, id.num, v);
}

// Reads a property that must have one shape.
int32_t GetShaped(const ApiFmGetPropArgT &a, PType want, Value &v) {
  int32_t st = Get(a.docId, a.objId, a.propIdent, v);
  if (st) return st;
  bool fits = want == PType::Int ? v.IntLike() : v.type == want;
  return fits ? kOk : kBadPropType;
}

int32_t IntOf(const F_PropValsT &p, int32_t code, int32_t def) {
  for (UIntT i = 0; i < p.count && p.items; ++i)
    if (p.items[i].ident.num == code && p.items[i].value.type == TV_Int)
      return p.items[i].value.u.ival;
  return def;
}

// The list an open or save hands back: the file name (1) and the outcome (2, 0 for success).
F_PropValsT *ReturnParams(const std::string &file, int32_t status) {
  auto *p = Alloc<F_PropValsT>(1);
  *p = PropsTo({{1, Value::Str(file)}, {2, Value::Int(status)}});
  return p;
}

constexpr int32_t kNewFromTemplate = 29;

const char *const kEncodings[] = {"FrameRoman", "JISX0208.ShiftJIS", "BIG5", "GB2312-80.EUC",
                                  "KSC5601-1992"};

// --- handlers, by family ---------------------------------------------------------------------

void Alert(const ApiFmAlertArgT &a, int &r, CallCtx &) {
  r = M().Alert(Str(a.message), a.type);
}

void PromptString(const ApiFmPromptArgT &a, ApiFmPromptStringRetT &r, CallCtx &) {
  std::string ans;
  r.status = M().PromptString(Str(a.prompt), Str(a.defaultText), ans);
  if (!r.status) r.value = Dup(ans);
}

void PromptInt(const ApiFmPromptArgT &a, ApiFmPromptIntRetT &r, CallCtx &) {
  int32_t def = static_cast<int32_t>(std::strtol(Str(a.defaultText).c_str(), nullptr, 10));
  r.status = M().PromptInt(Str(a.prompt), def, r.value);
}

void PromptMetric(const ApiFmPromptMetricArgT &a, ApiFmPromptMetricRetT &r, CallCtx &) {
  r.status = M().PromptMetric(Str(a.prompt), Str(a.defaultText), a.units, r.value);
}

void ChooseFile(const ApiFmChooseFileArgT &a, ApiFmChooseFileRetT &r, CallCtx &) {
  std::string path;
  r.status = M().ChooseFile(Str(a.title), Str(a.directory), Str(a.stuffVal), path);
  if (!r.status) r.value = Dup(path);
}

void OldChooseFile(const oldApiFmChooseFileArgT &a, ApiFmChooseFileRetT &r, CallCtx &c) {
  ChooseFile({a.title, a.directory, a.stuffVal, a.mode, nullptr}, r, c);
}

// A quick selection is a scroll box without a default; the answer is the chosen index.
void QuickSelect(const ApiFmQuickSelectArgT &a, ApiFmQuickSelectRetT &r, CallCtx &) {
  if (!M().DocOf(a.docId)) {
    r.status = kBadDocId;
    return;
  }
  r.status = M().ScrollBox(Str(a.prompt), StringsFrom(a.items), -1, r.value);
}

void ScrollBox(const ApiFmScrollBoxArgT &a, ApiFmScrollBoxRetT &r, CallCtx &) {
  r.status = M().ScrollBox(Str(a.title), StringsFrom(a.items), a.defaultIndex, r.value);
}

void Fcodes(const ApiFmFcodesArgT &a, int &r, CallCtx &) {
  std::vector<int32_t> codes;
  for (UIntT i = 0; i < a.fcodes.count && a.fcodes.items; ++i) codes.push_back(a.fcodes.items[i]);
  r = M().Fcodes(codes);
}

void Notification(const ApiFmNotificationArgT &a, int &r, CallCtx &) {
  r = M().Notification(a.notification, a.state);
}

void MenuExists(const ApiFmExistsArgT &a, int &r, CallCtx &) {
  r = M().FindMenuItem(Kind::Menu, Str(a.name)) ? 1 : 0;
}

void DefineMenu(const ApiFmDefineMenuArgT &a, ApiFmObjRetT &r, CallCtx &) {
  r.status = M().DefineMenuCall(Str(a.name), Str(a.label), r.objId);
}

void DefineCommand(const ApiFmDefineCommandArgT &a, ApiFmObjRetT &r, CallCtx &) {
  r.status = M().DefineCommandCall(a.cmd, Str(a.name), Str(a.label), Str(a.shortcut), r.objId);
}

void DefineAndAddMenu(const ApiFmDefineAndAddMenuArgT &a, ApiFmObjRetT &r, CallCtx &) {
  r.status = M().DefineAndAddMenu(a.toMenuId, Str(a.name), Str(a.label), r.objId);
}

void DefineAndAddCommand(const ApiFmDefineAndAddCommandArgT &a, ApiFmObjRetT &r, CallCtx &) {
  r.status = M().DefineAndAddCommand(a.cmd, a.toMenuId, Str(a.name), Str(a.label), Str(a.shortcut),
                                     r.objId);
}

void AddCommandToMenu(const ApiFmAddCommandToMenuArgT &a, int &r, CallCtx &) {
  r = M().AddItemToMenu(a.menuId, a.commandId);
}

void AddMenuToMenu(const ApiFmAddMenuToMenuArgT &a, int &r, CallCtx &) {
  r = M().AddItemToMenu(a.menuId, a.addMenuId);
}

void MenuItemInMenu(const ApiFmMenuItemInMenuArgT &a, ApiFmObjRetT &r, CallCtx &) {
  r.status = M().MenuItemInMenu(a.menuId, a.itemId, a.recursive != 0, r.objId);
}

void GetNamedObject(const ApiFmGetNamedObjArgT &a, ApiFmObjRetT &r, CallCtx &) {
  r.status = M().GetNamedObject(a.docId, a.objType, Str(a.name), r.objId);
}

void NewNamedObject(const ApiFmNewNamedObjArgT &a, ApiFmObjRetT &r, CallCtx &) {
  r.status = M().NewNamedObject(a.docId, a.objType, Str(a.name), r.objId);
}

void Delete(const ApiFmGeneralObjArgT &a, int &r, CallCtx &) {
  r = M().Delete(a.docId, a.objId);
}

void ObjectValid(const ApiFmGeneralObjArgT &a, int &r, CallCtx &) {
  r = M().ObjectValid(a.docId, a.objId);
}

// Document operations that change nothing the model keeps: the document must exist.
void DocOnly(const ApiFmGeneralDocArgT &a, int &r, CallCtx &) {
  r = M().DocOf(a.docId) ? kOk : kBadDocId;
}

// The getters of one shape: the value is read, its shape checked, and `put` fills the result.
template <class R, class Put>
void GetAs(const ApiFmGetPropArgT &a, PType shape, R &r, Put put) {
  Value v;
  r.status = GetShaped(a, shape, v);
  if (!r.status) put(v, r);
}

void GetInt(const ApiFmGetPropArgT &a, ApiFmGetIntRetT &r, CallCtx &) {
  GetAs(a, PType::Int, r, [](const Value &v, auto &r) { r.value = v.i; });
}

void GetId(const ApiFmGetPropArgT &a, ApiFmGetIdRetT &r, CallCtx &) {
  GetAs(a, PType::Int, r, [](const Value &v, auto &r) { r.objId = static_cast<unsigned>(v.i); });
}

void GetMetric(const ApiFmGetPropArgT &a, ApiFmGetMetricRetT &r, CallCtx &) {
  GetAs(a, PType::Int, r, [](const Value &v, auto &r) { r.value = v.i; });
}

void GetString(const ApiFmGetPropArgT &a, ApiFmGetStringRetT &r, CallCtx &) {
  GetAs(a, PType::String, r, [](const Value &v, auto &r) { r.value = Dup(v.s); });
}

void GetStrings(const ApiFmGetPropArgT &a, ApiFmGetStringsRetT &r, CallCtx &) {
  GetAs(a, PType::Strings, r, [](const Value &v, auto &r) { r.value = StringsTo(v.strings()); });
}

void GetMetrics(const ApiFmGetPropArgT &a, ApiFmGetMetricsRetT &r, CallCtx &) {
  GetAs(a, PType::Metrics, r,
        [](const Value &v, auto &r) { r.value = NumsTo<F_MetricsT>(v.nums()); });
}

void GetInts(const ApiFmGetPropArgT &a, ApiFmGetIntsRetT &r, CallCtx &) {
  GetAs(a, PType::Ints, r, [](const Value &v, auto &r) { r.value = NumsTo<F_IntsT>(v.nums()); });
}

void GetUBytes(const ApiFmGetPropArgT &a, ApiFmGetUBytesRetT &r, CallCtx &) {
  GetAs(a, PType::UBytes, r,
        [](const Value &v, auto &r) { r.value = NumsTo<F_UBytesT>(v.nums()); });
}

void GetPoints(const ApiFmGetPropArgT &a, ApiFmGetPointsRetT &r, CallCtx &) {
  GetAs(a, PType::Points, r, [](const Value &v, auto &r) { r.value = PointsTo(v.points()); });
}

void GetTabs(const ApiFmGetPropArgT &a, ApiFmGetTabsRetT &r, CallCtx &) {
  GetAs(a, PType::Tabs, r, [](const Value &v, auto &r) { r.value = TabsTo(v.tabs()); });
}

void GetTextLoc(const ApiFmGetPropArgT &a, ApiFmGetTextLocRetT &r, CallCtx &) {
  GetAs(a, PType::TextLoc, r, [](const Value &v, auto &r) { r.value = LocTo(v.loc()); });
}

void GetTextRange(const ApiFmGetPropArgT &a, ApiFmGetTextRangeRetT &r, CallCtx &) {
  GetAs(a, PType::TextRange, r, [](const Value &v, auto &r) { r.value = RangeTo(v.range()); });
}

void GetElementRange(const ApiFmGetPropArgT &a, ApiFmGetElementRangeRetT &r, CallCtx &) {
  GetAs(a, PType::ElementRange, r,
        [](const Value &v, auto &r) { r.value = ElemRangeTo(v.elements()); });
}

void GetAttributes(const ApiFmGetPropArgT &a, ApiFmGetAttributesRetT &r, CallCtx &) {
  GetAs(a, PType::Attributes, r, [](const Value &v, auto &r) { r.value = AttrsTo(v.attrs()); });
}

void GetAttributeDefs(const ApiFmGetPropArgT &a, ApiFmGetAttributeDefsRetT &r, CallCtx &) {
  GetAs(a, PType::AttributeDefs, r,
        [](const Value &v, auto &r) { r.value = AttrDefsTo(v.attrDefs()); });
}

void GetElementCatalog(const ApiFmGetPropArgT &a, ApiFmGetElementCatalogRetT &r, CallCtx &) {
  GetAs(a, PType::ElementCatalog, r,
        [](const Value &v, auto &r) { r.value = CatalogTo(v.catalog()); });
}

void GetVal(const ApiFmGetPropArgT &a, ApiFmGetValRetT &r, CallCtx &) {
  Value v;
  r.status = Get(a.docId, a.objId, a.propIdent, v);
  if (!r.status) ValueToWire(v, r.value);
}

void GetPropVal(const ApiFmGetPropArgT &a, ApiFmGetPropRetT &r, CallCtx &) {
  Value v;
  r.status = Get(a.docId, a.objId, a.propIdent, v);
  if (r.status) return;
  r.propVal.ident.num = a.propIdent.num;
  if (ByName(a.propIdent)) r.propVal.ident.name = Dup(a.propIdent.name);
  ValueToWire(v, r.propVal.value);
}

void GetProps(const ApiFmGeneralObjArgT &a, ApiFmGetPropsRetT &r, CallCtx &) {
  std::vector<Model::PropVal> v;
  r.status = M().GetProps(a.docId, a.objId, v);
  if (!r.status) r.props = PropsTo(v);
}

// The setters of one shape: every argument record carries docId, objId, propIdent and value.
template <class A>
int32_t SetAs(const A &a, const Value &v) {
  return Set(a.docId, a.objId, a.propIdent, v);
}

void SetInt(const ApiFmSetIntArgT &a, int &r, CallCtx &) {
  r = SetAs(a, Value::Int(a.value));
}

void SetId(const ApiFmSetIdArgT &a, int &r, CallCtx &) {
  r = SetAs(a, Value::Id(a.value));
}

void SetMetric(const ApiFmSetMetricArgT &a, int &r, CallCtx &) {
  r = SetAs(a, Value::Metric(a.value));
}

void SetString(const ApiFmSetStringArgT &a, int &r, CallCtx &) {
  r = SetAs(a, Value::Str(Str(a.value)));
}

void SetStrings(const ApiFmSetStringsArgT &a, int &r, CallCtx &) {
  r = SetAs(a, Value::Strs(StringsFrom(a.value)));
}

void SetMetrics(const ApiFmSetMetricsArgT &a, int &r, CallCtx &) {
  r = SetAs(a, Value::Nums(PType::Metrics, NumsFrom(a.value)));
}

void SetInts(const ApiFmSetIntsArgT &a, int &r, CallCtx &) {
  r = SetAs(a, Value::Nums(PType::Ints, NumsFrom(a.value)));
}

void SetUBytes(const ApiFmSetUBytesArgT &a, int &r, CallCtx &) {
  r = SetAs(a, Value::Nums(PType::UBytes, NumsFrom(a.value)));
}

void SetPoints(const ApiFmSetPointsArgT &a, int &r, CallCtx &) {
  r = SetAs(a, Value::Points(PointsFrom(a.value)));
}

void SetTabs(const ApiFmSetTabsArgT &a, int &r, CallCtx &) {
  r = SetAs(a, Value::Tabs(TabsFrom(a.value)));
}

void SetTextLoc(const ApiFmSetTextLocArgT &a, int &r, CallCtx &) {
  r = SetAs(a, Value::Loc(LocFrom(a.value)));
}

void SetTextRange(const ApiFmSetTextRangeArgT &a, int &r, CallCtx &) {
  r = SetAs(a, Value::Range(RangeFrom(a.value)));
}

void SetElementRange(const ApiFmSetElementRangeArgT &a, int &r, CallCtx &) {
  r = SetAs(a, Value::Elements(ElemRangeFrom(a.value)));
}

void SetAttributes(const ApiFmSetAttributesArgT &a, int &r, CallCtx &) {
  r = SetAs(a, Value::Attrs(AttrsFrom(a.value)));
}

void SetAttributeDefs(const ApiFmSetAttributeDefsArgT &a, int &r, CallCtx &) {
  r = SetAs(a, Value::AttrDefs(AttrDefsFrom(a.value)));
}

void SetVal(const ApiFmSetValArgT &a, int &r, CallCtx &) {
  Value v;
  r = ValueFromWire(a.value, v) ? Set(a.docId, a.objId, a.propIdent, v) : kBadPropType;
}

void SetPropVal(const ApiFmSetPropArgT &a, int &r, CallCtx &) {
  Value v;
  r = ValueFromWire(a.propVal.value, v) ? Set(a.docId, a.objId, a.propVal.ident, v) : kBadPropType;
}

void SetProps(const ApiFmSetPropsArgT &a, int &r, CallCtx &) {
  int32_t st;
  std::vector<Model::PropVal> v = PropsFrom(a.props, st);
  int32_t applied = M().SetProps(a.docId, a.objId, v);
  r = applied ? applied : st;
}

void DeletePropByName(const ApiFmGetPropArgT &a, int &r, CallCtx &) {
  Value v;
  r = ByName(a.propIdent) ? M().GetPropByName(a.docId, a.objId, a.propIdent.name, v) : kBadPropNum;
  if (!r) M().DeletePropByName(M().Find(a.objId)->h, a.propIdent.name);
}

void AddText(const ApiFmAddTextArgT &a, ApiFmAddTextRetT &r, CallCtx &) {
  TextLoc out;
  r.status = M().AddText(a.docId, LocFrom(a.textLoc), Str(a.text), out);
  r.textLoc = LocTo(out);
}

void DeleteText(const ApiFmGeneralTextRangeArgT &a, int &r, CallCtx &) {
  r = M().DeleteText(a.docId, RangeFrom(a.textRange));
}

void ItemsTo(const std::vector<Model::TextItem> &items, TextItemsT &out) {
  out.count = static_cast<UIntT>(items.size());
  out.items = Alloc<TextItemT>(items.size());
  for (size_t i = 0; i < items.size(); ++i) {
    out.items[i].offset = items[i].offset;
    out.items[i].dataType = items[i].type;
    out.items[i].data.sdata = Dup(items[i].text);
  }
}

void GetTextForRange(const ApiFmGetTextForRangeArgT &a, ApiFmGetTextRetT &r, CallCtx &) {
  std::vector<Model::TextItem> items;
  r.status = M().GetTextForRange(a.docId, RangeFrom(a.textRange), a.flags, items);
  if (!r.status) ItemsTo(items, r.value);
}

void GetText(const ApiFmGetTextArgT &a, ApiFmGetTextRetT &r, CallCtx &) {
  std::vector<Model::TextItem> items;
  TextRange whole{{a.objId, 0}, {a.objId, VAL_ObjEndOffset}};
  r.status = M().PgfOf(a.objId) ? M().GetTextForRange(a.docId, whole, a.flags, items) : kBadObjId;
  if (!r.status) ItemsTo(items, r.value);
}

// The second flag word selects item kinds the substitute host's text never holds.
void GetText2(const ApiFmGetText2ArgT &a, ApiFmGetTextRetT &r, CallCtx &c) {
  GetText({a.docId, a.objId, a.flags}, r, c);
}

void GetTextForRange2(const ApiFmGetTextForRange2ArgT &a, ApiFmGetTextRetT &r, CallCtx &c) {
  GetTextForRange({a.docId, a.textRange, a.flags}, r, c);
}

// The text to find is the first text value of the parameter list.
void Find(const ApiFmFindArgT &a, ApiFmFindRetT &r, CallCtx &) {
  const char *text = nullptr;
  for (UIntT i = 0; i < a.params.count && a.params.items && !text; ++i)
    if (a.params.items[i].value.type == TV_String) text = a.params.items[i].value.u.sval;
  TextRange out;
  r.status = M().Find(a.docId, LocFrom(a.textLoc), Str(text), out);
  r.textRange = RangeTo(out);
}

void ReplaceText(const ApiFmReplaceTextArgT &a, ApiFmReplaceTextRetT &r, CallCtx &) {
  TextRange range = RangeFrom(a.textRange);
  TextLoc end;
  r.status = M().DeleteText(a.docId, range);
  if (!r.status) r.status = M().AddText(a.docId, range.beg, Str(a.text), end);
}

void GetUniqueObject(const ApiFmGetUniqueObjArgT &a, ApiFmObjRetT &r, CallCtx &) {
  r.status = M().GetUniqueObject(a.docId, a.objType, a.unique, r.objId);
}

void NewGraphicObject(const ApiFmNewGraphicObjArgT &a, ApiFmObjRetT &r, CallCtx &) {
  r.status = M().NewGraphic(a.docId, a.objType, a.parentId, r.objId);
}

void NewSubObject(const ApiFmNewSubObjectArgT &a, ApiFmObjRetT &r, CallCtx &) {
  r.status = M().NewGraphic(a.docId, a.objType, a.parentId, r.objId);
}

// Paragraphs are the one series the substitute host makes: a new one after `prevId`.
void NewSeriesObject(const ApiFmNewSeriesObjArgT &a, ApiFmObjRetT &r, CallCtx &) {
  r.status = a.objType == kObjPgf ? M().NewPgfAfter(a.docId, a.prevId, r.objId) : kBadObjType;
}

void MakeTableSelection(const ApiFmMakeTableSelectionArgT &a, int &r, CallCtx &) {
  r = M().SelectTableCells(a.docId, a.tableId, a.topRow, a.bottomRow, a.leftCol, a.rightCol);
}

void NewTable(const ApiFmNewTableArgT &a, ApiFmObjRetT &r, CallCtx &) {
  r.status = M().NewTable(a.docId, Str(a.format), a.numCols, a.numBodyRows, a.numHeaderRows,
                          a.numFooterRows, LocFrom(a.textLoc), r.objId);
}

void CustomDoc(const ApiFmCustomDocArgT &a, ApiFmCustomDocRetT &r, CallCtx &) {
  r.status = M().CustomDoc({a.width, a.height, a.numCols, a.columnGap, a.topMargin, a.bottomMargin,
                            a.insideMargin, a.outsideMargin, a.sidedness, a.makeVisible},
                           r.docId);
}

void Import(const ApiFmImportArgT &a, ApiFmImportRetT &r, CallCtx &) {
  TextLoc end;
  r.status = M().Import(a.docId, LocFrom(a.textLoc), Str(a.fileName), end);
  r.objId = r.status ? 0 : end.obj;
  r.returnParams = ReturnParams(Str(a.fileName), r.status);
}

void Export(const ApiFmExportArgT &a, ApiFmExportRetT &r, CallCtx &) {
  r.status = M().Export(a.docId, Str(a.fileName));
  r.docId = r.status ? 0 : a.docId;
  r.returnParams = ReturnParams(Str(a.fileName), r.status);
}

void Open(const ApiFmOpenArgT &a, ApiFmOpenRetT &r, CallCtx &) {
  bool fresh = IntOf(a.params, kNewFromTemplate, 0) != 0;
  r.status = M().Open(Str(a.fileName), fresh, r.docId);
  r.returnParams = ReturnParams(Str(a.fileName), r.status);
}

void Save(const ApiFmSaveArgT &a, ApiFmSaveRetT &r, CallCtx &) {
  r.status = M().Save(a.docId, Str(a.fileName), r.docId);
  r.returnParams = ReturnParams(Str(a.fileName), r.status);
}

void Close(const ApiFmCloseDocArgT &a, int &r, CallCtx &) {
  r = M().Close(a.docId, a.flags);
}

void ClientDir(const QvNone &, StringT &r, CallCtx &) {
  r = Dup(M().clientDir);
}

void SetClientDir(const StringT &a, int &r, CallCtx &) {
  M().clientDir = Str(a);
  r = kOk;
}

void Sleep(const int &, QvNone &, CallCtx &) {}  // the substitute host never waits

void UserCancel(const QvNone &, int &r, CallCtx &) {
  r = 0;
}

template <int32_t List>
void FontValue(const StringT &a, ApiFmGetIntRetT &r, CallCtx &) {
  r.status = M().FontValue(List, Str(a), r.value);
}

void FamilyFonts(const int &family, ApiFmFamilyFontsRetT &r, CallCtx &) {
  if (family < 0 || static_cast<size_t>(family) >= FontFamilyNames().size()) {
    r.status = kBadParameter;
    return;
  }
  // Every family comes in regular, bold, italic and bold italic.
  const UIntT styles[][2] = {{0, 0}, {5, 0}, {0, 1}, {5, 1}};
  r.value.count = 4;
  r.value.items = Alloc<F_FontT>(4);
  for (UIntT i = 0; i < 4; ++i)
    r.value.items[i] = {static_cast<UIntT>(family), 0, styles[i][0], styles[i][1]};
}

// No family of the substitute host combines others, so the list is always empty.
void CombinedFamilyFonts(const ApiFmCombinedFamilyFontsArgT &a, ApiFmCombinedFamilyFontsRetT &r,
                         CallCtx &) {
  r.status = a.familyId < FontFamilyNames().size() ? kOk : kBadParameter;
}

void LoadMenuCustomizationFile(const ApiFmLoadMenuCustomizationFileArgT &a, int &r, CallCtx &) {
  std::error_code ec;
  r = std::filesystem::is_regular_file(Str(a.fileName), ec) ? kOk : kFileError;
}

void AnimateMenu(const ApiFmAnimateMenuArgT &a, int &r, CallCtx &) {
  r = M().As<Menu>(a.menuId, Kind::Menu) ? kOk : kBadObjId;
}

void IsEncodingSupported(const StringT &a, int &r, CallCtx &) {
  r = 0;
  for (const char *e : kEncodings)
    if (Str(a) == e) r = 1;
}

void SupportedEncodings(const QvNone &, ApiFmGetStringsRetT &r, CallCtx &) {
  r.value = StringsTo({std::begin(kEncodings), std::end(kEncodings)});
}

void EncodingForFamily(const int &family, ApiFmGetStringRetT &r, CallCtx &) {
  bool known = family >= 0 && static_cast<size_t>(family) < FontFamilyNames().size();
  r.status = known ? kOk : kBadParameter;
  if (known) r.value = Dup(kEncodings[0]);
}

void ShortcutExists(const ApiFmExistsArgT &a, int &r, CallCtx &) {
  r = 0;
  for (Handle h = 1; h < M().HandleCount(); ++h)
    if (const Command *c = M().As<Command>(h, Kind::Command); c && c->shortcut == Str(a.name))
      r = 1;
}

// The by-name menu calls: menus and commands are found by name instead of by handle.
void AddMenuByName(const ApiFmAddMenuArgT &a, int &r, CallCtx &) {
  Handle out;
  r = M().DefineAndAddMenu(M().FindMenuItem(Kind::Menu, Str(a.toMenu)), Str(a.name), Str(a.label),
                           out);
}

void AddCommandByName(const ApiFmAddCommandArgT &a, int &r, CallCtx &) {
  Handle out;
  r = M().DefineAndAddCommand(a.cmd, M().FindMenuItem(Kind::Menu, Str(a.toMenu)), Str(a.name),
                              Str(a.label), Str(a.shortcut), out);
}

void RemoveMenuByName(const ApiFmRemoveMenuArgT &a, int &r, CallCtx &) {
  Menu *from = M().As<Menu>(M().FindMenuItem(Kind::Menu, Str(a.fromMenu)), Kind::Menu);
  r = kBadName;
  if (!from) return;
  for (auto it = from->items.begin(); it != from->items.end(); ++it) {
    const Obj *o = M().Find(*it);
    if (o && static_cast<const MenuItem *>(o)->name == Str(a.name)) {
      from->items.erase(it);
      r = kOk;
      return;
    }
  }
}

void TextRangeOnly(const ApiFmGeneralTextRangeArgT &a, int &r, CallCtx &) {
  std::vector<Model::TextItem> items;
  r = M().GetTextForRange(a.docId, RangeFrom(a.textRange), 0, items);
}

void PrintDoc(const ApiFmSilentPrintDocArgT &a, int &r, CallCtx &) {
  r = M().DocOf(a.docId) ? kOk : kBadDocId;
}

void CutCopyPaste(const ApiFmCutCopyPasteArgT &a, int &r, CallCtx &) {
  r = M().DocOf(a.docId) ? kOk : kBadDocId;
}

void UpdateXRefs(const ApiFmUpdateXRefsArgT &a, int &r, CallCtx &) {
  r = M().DocOf(a.docId) ? kOk : kBadDocId;
}

// The substitute host generates no lists or indexes: a book is all it checks.
void SimpleGenerate(const ApiFmSimpleGenerateArgT &a, int &r, CallCtx &) {
  r = M().BookOf(a.bookId) ? kOk : kBadDocId;
}

void ApplyPageLayout(const ApiFmApplyPageLayoutArgT &a, int &r, CallCtx &) {
  const Page *body = M().As<Page>(a.bodyPageId, Kind::Page);
  const Page *tmpl = M().As<Page>(a.templatePageId, Kind::Page);
  r = !M().DocOf(a.docId)                                             ? kBadDocId
      : !body || body->doc != a.docId || body->list != PageList::Body ? kBadObjId
      : !tmpl || tmpl->doc != a.docId                                 ? kBadObjId
                                                                      : kOk;
}

// Every document stays in memory anyway: caching one only names it.
void CacheDocument(const ApiFmSilentPrintDocArgT &a, ApiFmCustomDocRetT &r, CallCtx &) {
  r.status = M().DocOf(a.docId) ? kOk : kBadDocId;
  r.docId = r.status ? 0 : a.docId;
}

void CenterOnGraphicObject(const ApiFmGeneralObjArgT &a, int &r, CallCtx &) {
  const Graphic *g = M().As<Graphic>(a.objId, Kind::Graphic);
  r = !M().DocOf(a.docId) ? kBadDocId : !g || g->doc != a.docId ? kBadObjId : kOk;
}

void HypertextCommand(const ApiFmHypertextCommandArgT &a, int &r, CallCtx &) {
  r = !M().DocOf(a.docId) ? kBadDocId : Str(a.text).empty() ? kBadParameter : kOk;
}

// Spelling: the substitute host has no word list of its own, so every word passes; the user's
// dictionary holds what clients add (operation 1) and remove (operation 2).
void Spell(const ApiFmSpellArgT &a, ApiFmSpellRetT &r, CallCtx &) {
  r.status = M().DocOf(a.docId) ? kOk : kBadDocId;  // nothing in question: an empty range
}

void Dictionary(const ApiFmDictionaryArgT &a, ApiFmDictionaryRetT &r, CallCtx &) {
  r.status = a.docId && !M().DocOf(a.docId) ? kBadDocId : kOk;
  if (!r.status) r.words = StringsTo(M().userWords);
}

void ModifyDictionary(const ApiFmModifyDictionaryArgT &a, ApiFmModifyDictionaryRetT &r, CallCtx &) {
  std::vector<std::string> &w = M().userWords;
  std::string word = Str(a.word);
  auto it = std::find(w.begin(), w.end(), word);
  if (word.empty() || (a.operation != 1 && a.operation != 2)) {
    r.status = kBadParameter;
  } else if (a.operation == 1) {
    if (it == w.end()) w.push_back(word);
    r.status = kOk;
  } else {
    r.status = it == w.end() ? kNotFound : kOk;
    if (it != w.end()) w.erase(it);
  }
}

void ResetSpelling(const ApiFmResetSpellingArgT &a, ApiFmResetSpellingRetT &r, CallCtx &) {
  r.status = M().DocOf(a.docId) ? kOk : kBadDocId;
}

void Thesaurus(const ApiFmThesaurusArgT &, ApiFmThesaurusRetT &r, CallCtx &) {
  r.status = kNotFound;  // no entries
}

void ShowHyphenation(const ApiFmShowHyphenationArgT &a, ApiFmShowHyphenationRetT &r, CallCtx &) {
  r.value = Dup(Str(a.word));  // no hyphenation points
}

void ImportFormats(const ApiFmSimpleImportFormatsArgT &a, int &r, CallCtx &) {
  r = M().ImportFormats(a.docId, a.fromDocId);
}

void UpdateBook(const ApiFmUpdateBookArgT &a, ApiFmUpdateBookRetT &r, CallCtx &) {
  const Book *b = M().BookOf(a.bookId);
  r.status = b ? kOk : kBadDocId;
  r.returnParams = ReturnParams(b ? b->path : "", r.status);
}

void AddRows(const ApiFmAddRowsArgT &a, int &r, CallCtx &) {
  r = M().AddRows(a.docId, a.refRowId, a.direction != 0, a.numNewRows);
}

void AddCols(const ApiFmAddColumnsArgT &a, int &r, CallCtx &) {
  r = M().AddCols(a.docId, a.tableId, a.refColNum, a.direction != 0, a.numNewCols);
}

// One procedure deletes rows (a row handle, then the count in the next field) or columns (no
// row: the column number and the count in the last two fields).
void CutTableParts(const ApiFmCutTablePartsArgT &a, int &r, CallCtx &) {
  r = a.refRowId ? M().DeleteRows(a.docId, a.tableId, a.refRowId, a.refColNum)
                 : M().DeleteCols(a.docId, a.tableId, a.count, a.kind);
}

void StraddleCells(const ApiFmStraddleCellsArgT &a, int &r, CallCtx &) {
  r = M().Straddle(a.docId, a.cellId, a.numRows, a.numCols, a.unstraddle == 0);
}

void ClientNumber(const QvNone &, int &r, CallCtx &) {
  r = M().clientNumber;
}

void ClientName(const QvNone &, StringT &r, CallCtx &) {
  r = Dup(M().clientName);
}

void PushClipboard(const QvNone &, QvNone &, CallCtx &) {}

void PopClipboard(const QvNone &, int &r, CallCtx &) {
  r = kOk;
}

void ReturnValue(const int &, int &r, CallCtx &) {
  r = kOk;
}

// The substitute host runs no programs on a client's behalf.
void SystemShell(const StringT &, int &r, CallCtx &) {
  r = kBadParameter;
}

void ForkAndExec(const ApiFmForkAndExecArgT &, int &r, CallCtx &) {
  r = kBadParameter;
}

// Only one client is ever connected, so a call for another client has nobody to reach.
void CallClient(const ApiFmCallClientArgT &, ApiFmGetIntRetT &r, CallCtx &) {
  r.status = kBadName;
}

void EncodingForFont(const ApiFmGetEncodingForFontArgT &a, ApiFmGetStringRetT &r, CallCtx &) {
  bool known = a.font.family < FontFamilyNames().size();
  r.status = known ? kOk : kBadParameter;
  if (known) r.value = Dup(kEncodings[0]);
}

}  // namespace

void RegisterModelHandlers() {
  RegisterStructureHandlers();
  Serve<1011>(PromptMetric);
  Serve<1026>(SimpleGenerate);
  Serve<1035>(ApplyPageLayout);
  Serve<1310>(HypertextCommand);
  Serve<1381>(CacheDocument);
  Serve<1413>(CenterOnGraphicObject);
  Serve<1088>(Spell);
  Serve<1408>(Dictionary);
  Serve<1409>(ModifyDictionary);
  Serve<1410>(ResetSpelling);
  Serve<1411>(Thesaurus);
  Serve<1412>(ShowHyphenation);
  Serve<1012>(OldChooseFile);
  Serve<1017>(QuickSelect);
  Serve<1024>(Import);
  Serve<1028>(ChooseFile);
  Serve<1037>(Export);
  Serve<1049>(CombinedFamilyFonts);
  Serve<1052>(NewGraphicObject);
  Serve<1055>(NewSeriesObject);
  Serve<1085>(GetText2);
  Serve<1086>(GetTextForRange2);
  Serve<1087>(Find);
  Serve<1089>(GetUniqueObject);
  Serve<1113>(NewSubObject);
  Serve<1203>(MakeTableSelection);
  Serve<1256>(LoadMenuCustomizationFile);
  Serve<1257>(AnimateMenu);
  Serve<1407>(ReplaceText);
  Serve<1004>(ShortcutExists);
  Serve<1005>(AddMenuByName);
  Serve<1006>(RemoveMenuByName);
  Serve<1007>(AddCommandByName);
  Serve<1016>(CallClient);
  Serve<1018>(PrintDoc);
  Serve<1023>(DocOnly);
  Serve<1025>(ImportFormats);
  Serve<1030>(CutCopyPaste);
  Serve<1031>(CutCopyPaste);
  Serve<1032>(CutCopyPaste);
  Serve<1033>(CutCopyPaste);
  Serve<1038>(TextRangeOnly);
  Serve<1039>(TextRangeOnly);
  Serve<1043>(DocOnly);
  Serve<1046>(UpdateXRefs);
  Serve<1200>(AddRows);
  Serve<1201>(AddCols);
  Serve<1202>(CutTableParts);
  Serve<1204>(StraddleCells);
  Serve<1340>(ClientNumber);
  Serve<1341>(ClientName);
  Serve<1360>(PushClipboard);
  Serve<1361>(PopClipboard);
  Serve<1373>(SystemShell);
  Serve<1374>(ForkAndExec);
  Serve<1375>(ReturnValue);
  Serve<1380>(EncodingForFont);
  Serve<1390>(UpdateBook);
  Serve<1003>(MenuExists);
  Serve<1008>(Alert);
  Serve<1009>(PromptInt);
  Serve<1010>(PromptString);
  Serve<1013>(ScrollBox);
  Serve<1014>(Fcodes);
  Serve<1015>(Notification);
  Serve<1019>(Open);
  Serve<1020>(Save);
  Serve<1021>(CustomDoc);
  Serve<1022>(Close);
  Serve<1029>(FamilyFonts);
  Serve<1040>(DocOnly);
  Serve<1041>(DocOnly);
  Serve<1042>(DocOnly);
  Serve<1044>(DocOnly);
  Serve<1045>(DocOnly);
  Serve<1047>(DocOnly);
  Serve<1048>(DocOnly);
  Serve<1050>(Delete);
  Serve<1051>(GetNamedObject);
  Serve<1053>(NewNamedObject);
  Serve<1058>(AddText);
  Serve<1059>(DeleteText);
  Serve<1060>(GetPropVal);
  Serve<1061>(SetPropVal);
  Serve<1062>(GetProps);
  Serve<1063>(SetProps);
  Serve<1064>(GetInt);
  Serve<1065>(SetInt);
  Serve<1066>(GetId);
  Serve<1067>(SetId);
  Serve<1068>(GetMetric);
  Serve<1069>(SetMetric);
  Serve<1070>(GetString);
  Serve<1071>(SetString);
  Serve<1072>(GetStrings);
  Serve<1073>(SetStrings);
  Serve<1074>(GetMetrics);
  Serve<1075>(SetMetrics);
  Serve<1076>(GetPoints);
  Serve<1077>(SetPoints);
  Serve<1083>(GetUBytes);
  Serve<1084>(SetUBytes);
  Serve<1092>(GetInts);
  Serve<1093>(SetInts);
  Serve<1268>(GetTextLoc);
  Serve<1269>(SetTextLoc);
  Serve<1285>(GetElementCatalog);
  Serve<1400>(GetAttributeDefs);
  Serve<1401>(SetAttributeDefs);
  Serve<1402>(GetAttributes);
  Serve<1403>(SetAttributes);
  Serve<1404>(GetElementRange);
  Serve<1405>(SetElementRange);
  Serve<1078>(GetTabs);
  Serve<1079>(SetTabs);
  Serve<1080>(GetText);
  Serve<1081>(GetTextForRange);
  Serve<1082>(DeletePropByName);
  Serve<1091>(ObjectValid);
  Serve<1098>(GetVal);
  Serve<1099>(SetVal);
  Serve<1205>(NewTable);
  Serve<1250>(DefineCommand);
  Serve<1251>(DefineMenu);
  Serve<1252>(AddCommandToMenu);
  Serve<1253>(AddMenuToMenu);
  Serve<1254>(DefineAndAddCommand);
  Serve<1255>(DefineAndAddMenu);
  Serve<1258>(MenuItemInMenu);
  Serve<1266>(GetTextRange);
  Serve<1267>(SetTextRange);
  Serve<1342>(ClientDir);
  Serve<1344>(SetClientDir);
  Serve<1370>(Sleep);
  Serve<1371>(Sleep);
  Serve<1372>(UserCancel);
  Serve<1377>(IsEncodingSupported);
  Serve<1378>(SupportedEncodings);
  Serve<1379>(EncodingForFamily);
  Serve<1500>(FontValue<0>);
  Serve<1501>(FontValue<1>);
  Serve<1502>(FontValue<2>);
  Serve<1503>(FontValue<3>);
}

}  // namespace qvhost
