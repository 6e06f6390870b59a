// Wire translation for the host procedures served from the model.
#include "host/handlers/handlers.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "host/core/dispatch.h"
#include "quorvex/fcodes.h"

namespace qvhost {

namespace {

Model &M() {
  return TheModel();
}

std::string Str(const char *s) {
  return s ? s : "";
}

char *Dup(const std::string &s) {
  return strdup(s.c_str());
}

template <class T>
T *Alloc(size_t n) {
  return n ? static_cast<T *>(calloc(n, sizeof(T))) : nullptr;
}

std::vector<std::string> StringsFrom(const F_StringsT &s) {
  std::vector<std::string> v;
  for (UIntT i = 0; i < s.count && s.items; ++i) v.push_back(Str(s.items[i]));
  return v;
}

F_StringsT StringsTo(const std::vector<std::string> &v) {
  F_StringsT s{static_cast<UIntT>(v.size()), Alloc<StringT>(v.size())};
  for (size_t i = 0; i < v.size(); ++i) s.items[i] = Dup(v[i]);
  return s;
}

TextLoc LocFrom(const F_TextLocT &l) {
  return {l.objId, l.offset};
}
F_TextLocT LocTo(const TextLoc &l) {
  return {l.obj, l.offset};
}
TextRange RangeFrom(const F_TextRangeT &r) {
  return {LocFrom(r.beg), LocFrom(r.end)};
}
F_TextRangeT RangeTo(const TextRange &r) {
  return {LocTo(r.beg), LocTo(r.end)};
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

std::vector<Model::PropVal> PropsFrom(const F_PropValsT &p, int32_t &st) {
  std::vector<Model::PropVal> v;
  st = kOk;
  for (UIntT i = 0; i < p.count && p.items; ++i) {
    Model::PropVal pv{p.items[i].ident.num, {}};
    if (!ValueFromWire(p.items[i].value, pv.value)) {
      st = kBadPropType;
      continue;
    }
    v.push_back(std::move(pv));
  }
  return v;
}

F_PropValsT PropsTo(const std::vector<Model::PropVal> &v) {
  F_PropValsT p{static_cast<UIntT>(v.size()), Alloc<F_PropValT>(v.size())};
  for (size_t i = 0; i < v.size(); ++i) {
    p.items[i].ident.num = v[i].code;
    ValueToWire(v[i].value, p.items[i].value);
  }
  return p;
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

void GetInt(const ApiFmGetPropArgT &a, ApiFmGetIntRetT &r, CallCtx &) {
  Value v;
  r.status = GetShaped(a, PType::Int, v);
  r.value = r.status ? 0 : v.i;
}

void GetId(const ApiFmGetPropArgT &a, ApiFmGetIdRetT &r, CallCtx &) {
  Value v;
  r.status = GetShaped(a, PType::Int, v);
  r.objId = r.status ? 0 : static_cast<unsigned>(v.i);
}

void GetMetric(const ApiFmGetPropArgT &a, ApiFmGetMetricRetT &r, CallCtx &) {
  Value v;
  r.status = GetShaped(a, PType::Int, v);
  r.value = r.status ? 0 : v.i;
}

void GetString(const ApiFmGetPropArgT &a, ApiFmGetStringRetT &r, CallCtx &) {
  Value v;
  r.status = GetShaped(a, PType::String, v);
  if (!r.status) r.value = Dup(v.s);
}

void GetStrings(const ApiFmGetPropArgT &a, ApiFmGetStringsRetT &r, CallCtx &) {
  Value v;
  r.status = GetShaped(a, PType::Strings, v);
  if (!r.status) r.value = StringsTo(v.strings);
}

void GetMetrics(const ApiFmGetPropArgT &a, ApiFmGetMetricsRetT &r, CallCtx &) {
  Value v;
  r.status = GetShaped(a, PType::Metrics, v);
  if (r.status) return;
  r.value.count = static_cast<UIntT>(v.metrics.size());
  r.value.items = Alloc<MetricT>(v.metrics.size());
  for (size_t i = 0; i < v.metrics.size(); ++i) r.value.items[i] = v.metrics[i];
}

void GetTabs(const ApiFmGetPropArgT &a, ApiFmGetTabsRetT &r, CallCtx &) {
  Value v;
  r.status = GetShaped(a, PType::Tabs, v);
  if (r.status) return;
  F_TypedValT tv{};
  ValueToWire(v, tv);
  r.value = tv.u.tabs;
}

void GetTextRange(const ApiFmGetPropArgT &a, ApiFmGetTextRangeRetT &r, CallCtx &) {
  Value v;
  r.status = GetShaped(a, PType::TextRange, v);
  if (!r.status) r.value = RangeTo(v.range);
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

void SetInt(const ApiFmSetIntArgT &a, int &r, CallCtx &) {
  r = Set(a.docId, a.objId, a.propIdent, Value::Int(a.value));
}

void SetId(const ApiFmSetIdArgT &a, int &r, CallCtx &) {
  r = Set(a.docId, a.objId, a.propIdent, Value::Id(a.value));
}

void SetMetric(const ApiFmSetMetricArgT &a, int &r, CallCtx &) {
  r = Set(a.docId, a.objId, a.propIdent, Value::Metric(a.value));
}

void SetString(const ApiFmSetStringArgT &a, int &r, CallCtx &) {
  r = Set(a.docId, a.objId, a.propIdent, Value::Str(Str(a.value)));
}

void SetStrings(const ApiFmSetStringsArgT &a, int &r, CallCtx &) {
  r = Set(a.docId, a.objId, a.propIdent, Value::Strs(StringsFrom(a.value)));
}

void SetMetrics(const ApiFmSetMetricsArgT &a, int &r, CallCtx &) {
  std::vector<int32_t> v;
  for (UIntT i = 0; i < a.value.count && a.value.items; ++i) v.push_back(a.value.items[i]);
  r = Set(a.docId, a.objId, a.propIdent, Value::Metrs(v));
}

void SetTabs(const ApiFmSetTabsArgT &a, int &r, CallCtx &) {
  F_TypedValT tv{};
  tv.type = TV_Tabs;
  tv.u.tabs = a.value;
  Value v;
  ValueFromWire(tv, v);
  r = Set(a.docId, a.objId, a.propIdent, v);
}

void SetTextRange(const ApiFmSetTextRangeArgT &a, int &r, CallCtx &) {
  r = Set(a.docId, a.objId, a.propIdent, Value::Range(RangeFrom(a.value)));
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
  if (!r) M().Find(a.objId)->named.erase(a.propIdent.name);
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

void NewTable(const ApiFmNewTableArgT &a, ApiFmObjRetT &r, CallCtx &) {
  r.status = M().NewTable(a.docId, Str(a.format), a.numCols, a.numBodyRows, a.numHeaderRows,
                          a.numFooterRows, LocFrom(a.textLoc), r.objId);
}

void CustomDoc(const ApiFmCustomDocArgT &a, ApiFmCustomDocRetT &r, CallCtx &) {
  r.status = M().CustomDoc({a.width, a.height, a.numCols, a.columnGap, a.topMargin, a.bottomMargin,
                            a.insideMargin, a.outsideMargin, a.sidedness, a.makeVisible},
                           r.docId);
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
  const Cell *c = M().As<Cell>(a.cellId, Kind::Cell);
  r = !M().DocOf(a.docId)              ? kBadDocId
      : !c || c->doc != a.docId        ? kBadObjId
      : a.numRows < 1 || a.numCols < 1 ? kBadParameter
                                       : kOk;
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

bool ValueFromWire(const F_TypedValT &in, Value &out) {
  switch (in.type) {
    case TV_Int:
      out = Value::Int(in.u.ival);
      return true;
    case TV_Metric:
      out = Value::Metric(in.u.ival);
      return true;
    case TV_Id:
      out = Value::Id(static_cast<Handle>(in.u.ival));
      return true;
    case TV_String:
      out = Value::Str(Str(in.u.sval));
      return true;
    case TV_Strings:
      out = Value::Strs(StringsFrom(in.u.strings));
      return true;
    case TV_Metrics: {
      std::vector<int32_t> v;
      for (UIntT i = 0; i < in.u.metrics.count && in.u.metrics.items; ++i)
        v.push_back(in.u.metrics.items[i]);
      out = Value::Metrs(v);
      return true;
    }
    case TV_Tabs: {
      std::vector<Tab> v;
      for (UIntT i = 0; i < in.u.tabs.count && in.u.tabs.items; ++i) {
        const F_TabT &t = in.u.tabs.items[i];
        v.push_back({t.x, t.type, Str(t.leader), t.decimal});
      }
      out = Value::Tabs(v);
      return true;
    }
    case TV_TextRange:
      out = Value::Range(RangeFrom(in.u.textRange));
      return true;
  }
  return false;
}

void ValueToWire(const Value &in, F_TypedValT &out) {
  out.type = TypedValCode(in.type);
  switch (in.type) {
    case PType::Int:
    case PType::Metric:
    case PType::Id:
      out.u.ival = in.i;
      break;
    case PType::String:
      out.u.sval = Dup(in.s);
      break;
    case PType::Strings:
      out.u.strings = StringsTo(in.strings);
      break;
    case PType::Metrics:
      out.u.metrics.count = static_cast<UIntT>(in.metrics.size());
      out.u.metrics.items = Alloc<MetricT>(in.metrics.size());
      for (size_t i = 0; i < in.metrics.size(); ++i) out.u.metrics.items[i] = in.metrics[i];
      break;
    case PType::Tabs:
      out.u.tabs.count = static_cast<UIntT>(in.tabs.size());
      out.u.tabs.items = Alloc<F_TabT>(in.tabs.size());
      for (size_t i = 0; i < in.tabs.size(); ++i)
        out.u.tabs.items[i] = {in.tabs[i].position, in.tabs[i].kind, Dup(in.tabs[i].leader),
                               in.tabs[i].decimal};
      break;
    case PType::TextRange:
      out.u.textRange = RangeTo(in.range);
      break;
  }
}

void RegisterModelHandlers() {
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
