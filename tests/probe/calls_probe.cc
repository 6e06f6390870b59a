// A client for the interface-call tests: each command runs one scenario of interface calls and
// writes what it observed, one line per call, to the file named by QV_PROBE_OUT.
//
// Line format: <procedure> <name> <rule> <result> <FA_errno>
//   procedure  the host procedure the call must use (0: none)
//   rule       the result rule the call follows: value, status, answer, prompt, void (status
//              stored, nothing returned), none (no status at all), sleep,
//              progress (FA_errno kept), refused (no call made)
//   result     the call's result in canonical text: a number; "null" or a quoted text;
//              "empty" for an empty list or all-zero record, else the list's count or "set"
// FA_errno is cleared before each call. Commands 1 to 4 run the scenarios below.
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <quorvex/fapi.h>
#include <quorvex/fcodes.h>

namespace {

FILE *out = nullptr;

std::string Show(IntT v) {
  return std::to_string(v);
}
std::string Show(UIntT v) {
  return std::to_string(v);
}
std::string Show(StringT s) {
  return s == nullptr ? "null" : std::string("\"").append(s).append("\"");
}
template <class T>
requires requires(T t) {
  t.items;
}
std::string Show(const T &list) {
  return list.count == 0 && list.items == nullptr ? "empty" : std::to_string(list.count);
}
std::string Show(const F_TypedValT &v) {
  return v.type == 0 && v.u.ival == 0 ? "empty" : "set";
}
std::string Show(const F_PropValT &v) {
  return v.ident.num == 0 && v.ident.name == nullptr ? Show(v.value) : "set";
}
template <class T>
requires(!requires(T t) { t.items; }) std::string Show(const T &flat) {
  static const T zero{};
  return std::memcmp(&flat, &zero, sizeof flat) == 0 ? "empty" : "set";
}

// What a call returned is released as its owner would.
void Release(StringT s) {
  F_ApiFree(s);
}
void Release(F_StringsT &v) {
  F_ApiDeallocateStrings(&v);
}
void Release(F_MetricsT &v) {
  F_ApiDeallocateMetrics(&v);
}
void Release(F_IntsT &v) {
  F_ApiDeallocateInts(&v);
}
void Release(F_PointsT &v) {
  F_ApiDeallocatePoints(&v);
}
void Release(F_TabsT &v) {
  F_ApiDeallocateTabs(&v);
}
void Release(F_UBytesT &v) {
  F_ApiDeallocateUBytes(&v);
}
void Release(F_FontsT &v) {
  F_ApiDeallocateFonts(&v);
}
void Release(F_CombinedFontsT &v) {
  F_ApiDeallocateCombinedFonts(&v);
}
void Release(F_AttributeDefsT &v) {
  F_ApiDeallocateAttributeDefs(&v);
}
void Release(F_AttributesT &v) {
  F_ApiDeallocateAttributes(&v);
}
void Release(F_ElementCatalogEntriesT &v) {
  F_ApiDeallocateElementCatalogEntries(&v);
}
void Release(F_PropValsT &v) {
  F_ApiDeallocatePropVals(&v);
}
void Release(F_PropValT &v) {
  F_ApiDeallocatePropVal(&v);
}
void Release(F_TypedValT &v) {
  F_ApiDeallocateVal(&v);
}
void Release(TextItemsT &v) {
  F_ApiDeallocateTextItems(&v);
}
template <class T>
void Release(const T &) {}

void Line(int proc, const char *call, const char *rule, const std::string &result) {
  std::string name(call, std::strcspn(call, "("));
  std::fprintf(out, "%d %s %s %s %d\n", proc, name.c_str(), rule, result.c_str(), FA_errno);
}

template <class T>
void Note(int proc, const char *call, const char *rule, T value) {
  Line(proc, call, rule, Show(value));
  Release(value);
}

#define CALL(proc, rule, call)        \
  do {                                \
    FA_errno = 0;                     \
    auto value_ = call;               \
    Note(proc, #call, #rule, value_); \
  } while (0)
#define CALL_VOID(proc, call) CALL_NOTHING(proc, void, call)
#define CALL_NOTHING(proc, rule, call) \
  do {                                 \
    FA_errno = 0;                      \
    call;                              \
    Line(proc, #call, #rule, "-");     \
  } while (0)
// A prompt must leave its variable as it was when it gives -1.
#define CALL_PROMPT(proc, var, call)                                                 \
  do {                                                                               \
    FA_errno = 0;                                                                    \
    auto before_ = var;                                                              \
    IntT r_ = call;                                                                  \
    Line(proc, #call, "prompt", Show(r_) + (var == before_ ? "/kept" : "/changed")); \
  } while (0)

const F_TextLocT kLoc{7, 3};
const F_TextRangeT kRange{{7, 0}, {7, 5}};
const F_ElementLocT kElemLoc{1, 2, 0};
const F_FontT kFont{1, 2, 3, 4};

// Scenario 1: every interface call once, against a host that serves none of them, so each
// gets a host error status and shows its rule for it.
void EveryCall() {
  F_StringsT items{0, nullptr};
  F_MetricsT metrics{0, nullptr};
  F_PropValsT params{0, nullptr}, *returned = nullptr;
  F_TypedValT val{TV_Int, {}};
  F_PropValT pv{{PROP_Name, nullptr}, {TV_Int, {}}};
  IntT i = 777, codes[] = {0x103};
  MetricT m = 777;
  StringT s = nullptr;
  F_StringsT list{0, nullptr};
  IntT spell = 0;

  // Client and session.
  CALL(1340, answer, F_ApiClientNumber());
  CALL(1341, answer, F_ApiClientName());
  CALL(1342, answer, F_ApiClientDir());
  CALL(1344, answer, F_ApiSetClientDir("/tmp"));
  CALL(1016, value, F_ApiCallClient("other", "SetDocId 3"));
  CALL(1375, answer, F_ApiReturnValue(4));
  CALL(1370, sleep, F_ApiSleep(5));
  CALL(1371, sleep, F_ApiUSleep(5));
  CALL(1372, answer, F_ApiUserCancel());
  CALL(1373, answer, F_ApiSystemShell("true"));
  CALL(1374, answer, F_ApiForkAndExec("/bin/true", &items));
  CALL_NOTHING(1360, none, F_ApiPushClipboard());
  CALL(1361, status, F_ApiPopClipboard());
  // Menus, commands and notifications.
  CALL(1003, answer, F_ApiMenuExists("Tools"));
  CALL(1004, answer, F_ApiShortcutExists("!qv"));
  CALL(1005, status, F_ApiAddMenu("Tools", "M", "L"));
  CALL(1006, status, F_ApiRemoveMenu("Tools", "M"));
  CALL(1007, status, F_ApiAddCommand(1, "M", "C", "L", ""));
  CALL(1250, value, F_ApiDefineCommand(1, "C", "L", ""));
  CALL(1251, value, F_ApiDefineMenu("M", "L"));
  CALL(1252, status, F_ApiAddCommandToMenu(1, 2));
  CALL(1253, status, F_ApiAddMenuToMenu(1, 2));
  CALL(1254, value, F_ApiDefineAndAddCommand(1, 2, "C", "L", "!c"));
  CALL(1255, value, F_ApiDefineAndAddMenu(1, "M", "L"));
  CALL(1256, status, F_ApiLoadMenuCustomizationFile("menus.cfg", 1));
  CALL(1257, status, F_ApiAnimateMenu(1, 2, 0, "L", 3, 0));
  CALL(1258, value, F_ApiMenuItemInMenu(1, 2, 0));
  CALL(1015, status, F_ApiNotification(NOTE_ClientCall, 1));
  CALL(1014, status, F_ApiFcodes(1, codes));
  CALL(1310, status, F_ApiHypertextCommand(1, "gotolink x"));
  // Objects.
  CALL(1051, value, F_ApiGetNamedObject(1, OBJ_PgfFmt, "Body"));
  CALL(1089, value, F_ApiGetUniqueObject(1, 2, 3));
  CALL(1052, value, F_ApiNewGraphicObject(1, 2, 3));
  CALL(1053, value, F_ApiNewNamedObject(1, OBJ_PgfFmt, "New"));
  CALL(1054, value, F_ApiNewAnchoredObject(1, 2, &kLoc));
  CALL(1090, value, F_ApiNewAnchoredFormattedObject(1, 2, "Fmt", &kLoc));
  CALL(1113, value, F_ApiNewSubObject(1, 2, 3));
  CALL(1055, value, F_ApiNewSeriesObject(1, 2, 3));
  CALL(1091, value, F_ApiObjectValid(1, 2));
  CALL(1050, status, F_ApiDelete(1, 2));
  // Properties.
  CALL(1064, value, F_ApiGetInt(1, 2, PROP_KeepWithPrev));
  CALL(1064, value, F_ApiGetIntByName(1, 2, "Custom"));
  CALL_VOID(1065, F_ApiSetInt(1, 2, PROP_KeepWithPrev, 1));
  CALL_VOID(1065, F_ApiSetIntByName(1, 2, "Custom", 1));
  CALL(1066, value, F_ApiGetId(0, 0, PROP_ActiveDoc));
  CALL_VOID(1067, F_ApiSetId(1, 2, PROP_NextTag, 3));
  CALL(1068, value, F_ApiGetMetric(1, 2, PROP_SpaceAbove));
  CALL(1068, value, F_ApiGetMetricByName(1, 2, "Custom"));
  CALL_VOID(1069, F_ApiSetMetric(1, 2, PROP_SpaceAbove, 65536));
  CALL_VOID(1069, F_ApiSetMetricByName(1, 2, "Custom", 65536));
  CALL(1070, value, F_ApiGetString(1, 2, PROP_Name));
  CALL_VOID(1071, F_ApiSetString(1, 2, PROP_Name, "Body"));
  CALL(1072, value, F_ApiGetStrings(0, 0, PROP_FontFamilyNames));
  CALL_VOID(1073, F_ApiSetStrings(1, 2, 3, &items));
  CALL(1074, value, F_ApiGetMetrics(1, 2, 3));
  CALL_VOID(1075, F_ApiSetMetrics(1, 2, 3, &metrics));
  CALL(1092, value, F_ApiGetInts(1, 2, 3));
  CALL_VOID(1093, F_ApiSetInts(1, 2, 3, nullptr));
  CALL(1076, value, F_ApiGetPoints(1, 2, 3));
  CALL_VOID(1077, F_ApiSetPoints(1, 2, 3, nullptr));
  CALL(1078, value, F_ApiGetTabs(1, 2, 3));
  CALL_VOID(1079, F_ApiSetTabs(1, 2, 3, nullptr));
  CALL(1083, value, F_ApiGetUBytesByName(1, 2, "Bytes"));
  CALL_VOID(1084, F_ApiSetUBytesByName(1, 2, "Bytes", nullptr));
  CALL(1268, value, F_ApiGetTextLoc(1, 2, 3));
  CALL_VOID(1269, F_ApiSetTextLoc(1, 2, 3, &kLoc));
  CALL(1266, value, F_ApiGetTextRange(1, 1, PROP_TextSelection));
  CALL_VOID(1267, F_ApiSetTextRange(1, 1, PROP_TextSelection, &kRange));
  CALL(1404, value, F_ApiGetElementRange(1, 2, 3));
  CALL_VOID(1405, F_ApiSetElementRange(1, 2, 3, nullptr));
  CALL(1400, value, F_ApiGetAttributeDefs(1, 2));
  CALL_VOID(1401, F_ApiSetAttributeDefs(1, 2, nullptr));
  CALL(1402, value, F_ApiGetAttributes(1, 2));
  CALL_VOID(1403, F_ApiSetAttributes(1, 2, nullptr));
  CALL(1406, status, F_ApiDeleteUndefinedAttribute(1, "a", 0, 2));
  CALL(1285, value, F_ApiGetElementCatalog(1));
  CALL(1098, value, F_ApiGetVal(1, 2, 3));
  CALL_VOID(1099, F_ApiSetVal(1, 2, 3, &val));
  CALL(1060, value, F_ApiGetPropVal(1, 2, 3));
  CALL_VOID(1061, F_ApiSetPropVal(1, 2, &pv));
  CALL(1062, value, F_ApiGetProps(1, 2));
  CALL_VOID(1063, F_ApiSetProps(1, 2, &params));
  CALL_VOID(1082, F_ApiDeletePropByName(1, 2, "Custom"));
  // Documents and books.
  CALL(1021, value, F_ApiCustomDoc(612 << 16, 792 << 16, 1, 0, 1, 1, 1, 1, 0, 1));
  CALL(1019, value, F_ApiOpen("a.doc", &params, &returned));
  CALL(1020, value, F_ApiSave(1, "a.doc", &params, &returned));
  CALL(1024, value, F_ApiImport(1, &kLoc, "b.doc", &params, &returned));
  CALL(1037, status, F_ApiExport(1, "c.txt", &params, &returned));
  CALL(1390, status, F_ApiUpdateBook(1, &params, &returned));
  CALL(1022, status, F_ApiClose(1, 1));
  CALL(1018, status, F_ApiSilentPrintDoc(1));
  CALL(1025, status, F_ApiSimpleImportFormats(1, 2, 0));
  CALL(1109, status, F_ApiSimpleImportElementDefs(1, 2, 0));
  CALL(1026, status, F_ApiSimpleGenerate(1, 0, 0));
  CALL(1027, value, F_ApiCompare(1, 2, 0, "", "", "", 0));
  CALL(1381, value, F_ApiCacheDocument(1));
  CALL(1030, status, F_ApiCut(1, 0));
  CALL(1031, status, F_ApiClear(1, 0));
  CALL(1032, status, F_ApiCopy(1, 0));
  CALL(1033, status, F_ApiPaste(1, 0));
  CALL(1040, status, F_ApiRestartPgfNumbering(1));
  CALL(1044, status, F_ApiResetReferenceFrames(1));
  CALL(1041, status, F_ApiRehyphenate(1));
  CALL(1047, status, F_ApiReformat(1));
  CALL(1048, status, F_ApiRedisplay(1));
  CALL(1042, status, F_ApiClearAllChangebars(1));
  CALL(1043, status, F_ApiResetEqnSettings(1));
  CALL(1045, status, F_ApiUpdateVariables(1));
  CALL(1046, status, F_ApiUpdateXRefs(1, 0));
  CALL(1035, status, F_ApiApplyPageLayout(1, 2, 3));
  CALL(1034, status, F_ApiUpdateTextInset(1, 2));
  CALL(1036, status, F_ApiDeleteTextInsetContents(1, 2));
  // Text.
  CALL(1058, value, F_ApiAddText(1, &kLoc, "text"));
  CALL(1059, status, F_ApiDeleteText(1, &kRange));
  CALL(1038, status, F_ApiScrollToText(1, &kRange));
  CALL(1039, status, F_ApiCenterOnText(1, &kRange));
  CALL(1080, value, F_ApiGetText(1, 2, TI_String));
  CALL(1085, value, F_ApiGetText2(1, 2, TI_String, 0));
  CALL(1081, value, F_ApiGetTextForRange(1, &kRange, TI_String));
  CALL(1086, value, F_ApiGetTextForRange2(1, &kRange, TI_String, 0));
  CALL(1298, value, F_ApiGetTextVal(1, &kLoc, 3));
  CALL_VOID(1299, F_ApiSetTextVal(1, &kRange, 3, &val));
  CALL(1300, value, F_ApiGetTextPropVal(1, &kLoc, 3));
  CALL_VOID(1301, F_ApiSetTextPropVal(1, &kRange, &pv));
  CALL(1302, value, F_ApiGetTextProps(1, &kLoc));
  CALL_VOID(1303, F_ApiSetTextProps(1, &kRange, &params));
  CALL(1087, value, F_ApiFind(1, &kLoc, &params));
  CALL(1407, status, F_ApiReplaceText(1, &kRange, "new"));
  CALL(1088, value, F_ApiSpell(1, &kLoc, &params, &spell, &list));
  Note(0, "spell-suggestions", "value", list);
  CALL(1408, status, F_ApiDictionary(1, "word", 0, 1, &list));
  Note(0, "dictionary-words", "value", list);
  CALL(1409, status, F_ApiModifyDictionary(1, 0, 1, "word"));
  CALL(1410, status, F_ApiResetSpelling(1));
  CALL(1411, status, F_ApiThesaurus(0, "word", &list, nullptr, nullptr, nullptr));
  Note(0, "thesaurus-meanings", "value", list);
  CALL(1412, value, F_ApiShowHyphenation("word"));
  CALL(1286, value, F_ApiElementLocToTextLoc(1, &kElemLoc));
  CALL(1287, value, F_ApiTextLocToElementLoc(1, &kLoc));
  // Structure elements.
  CALL(1108, value, F_ApiNewElement(1, 2, &kLoc));
  CALL(1111, value, F_ApiNewElementInHierarchy(1, 2, &kElemLoc));
  CALL(1112, value, F_ApiNewBookComponentInHierarchy(1, "ch.doc", &kElemLoc));
  CALL_VOID(1100, F_ApiMergeIntoFirst(1));
  CALL_VOID(1101, F_ApiMergeIntoLast(1));
  CALL_VOID(1102, F_ApiSplitElement(1));
  CALL_VOID(1103, F_ApiWrapElement(1, 2));
  CALL_VOID(1104, F_ApiUnWrapElement(1));
  CALL_VOID(1105, F_ApiPromoteElement(1));
  CALL_VOID(1106, F_ApiDemoteElement(1));
  // Tables.
  CALL(1205, value, F_ApiNewTable(1, "Format A", 2, 3, 1, 0, &kLoc));
  CALL(1200, status, F_ApiAddRows(1, 2, 0, 1));
  CALL(1202, status, F_ApiDeleteRows(1, 2, 3, 1));
  CALL(1201, status, F_ApiAddCols(1, 2, 0, 0, 1));
  CALL(1202, status, F_ApiDeleteCols(1, 2, 2, 1));
  CALL(1203, status, F_ApiMakeTblSelection(1, 2, 0, 1, 0, 1));
  CALL(1204, status, F_ApiStraddleCells(1, 2, 1, 2));
  CALL(1204, status, F_ApiUnStraddleCells(1, 2, 1, 2));
  // User interaction.
  CALL(1008, answer, F_ApiAlert("Sure?", VAL_AlertOkCancel));
  CALL_PROMPT(1009, i, F_ApiPromptInt(&i, "Count", "1"));
  CALL_PROMPT(1011, m, F_ApiPromptMetric(&m, "Width", "1", 65536));
  CALL_PROMPT(1010, s, F_ApiPromptString(&s, "Name", "x"));
  CALL_PROMPT(1028, s, F_ApiChooseFile(&s, "Pick", "/tmp", "", 0, ""));
  CALL_PROMPT(1012, s, oldF_ApiChooseFile(&s, "Pick", "/tmp", "", 0));
  CALL_PROMPT(1012, s, F_ApiFileScrollBox(&s, "Pick", "/tmp"));
  CALL_PROMPT(1013, i, F_ApiScrollBox(&i, "Tags", &items, -1));
  CALL(1017, value, F_ApiQuickSelect(1, "Choose", &items));
  CALL(1304, value, F_ApiPromptPoint(1, 2, 0));
  CALL(1305, value, F_ApiPromptRect(1, 2, 0));
  CALL(1315, value, F_ApiOpenResource(1, "dialog"));
  CALL(1316, answer, F_ApiModalDialog(0, 2));
  CALL(1317, answer, F_ApiModelessDialog(0, 2));
  CALL(1318, value, F_ApiDialogItemId(2, 1));
  CALL(1414, status, F_ApiUserInteractSelection(0));
  CALL(1413, status, F_ApiCenterOnGraphicObject(1, 2));
  CALL(1415, status,
       F_ApiChangeColorPalette(1, &metrics, 2, &metrics, 3, &metrics, 4, &metrics, &metrics, 0));
  // Fonts and encodings.
  CALL(1029, value, F_ApiFamilyFonts(1));
  CALL(1049, value, F_ApiCombinedFamilyFonts(1));
  CALL(1500, value, F_ApiGetFontFamilyValue("Times"));
  CALL(1501, value, F_ApiGetFontVariationValue("Regular"));
  CALL(1502, value, F_ApiGetFontWeightValue("Bold"));
  CALL(1503, value, F_ApiGetFontAngleValue("Italic"));
  CALL(1504, status, F_ApiMakeGhostFont(&kFont, "a", "b", "c", "d", &kFont));
  CALL(1377, answer, F_ApiIsEncodingSupported("FrameRoman"));
  CALL(1378, value, F_ApiGetSupportedEncodings());
  CALL(1379, value, F_ApiGetEncodingForFamily(1));
  CALL(1380, value, F_ApiGetEncodingForFont(&kFont));
  // Simple calls over open and save; the dictionary conveniences.
  CALL(1019, value, F_ApiSimpleOpen("a.doc", 1));
  CALL(1019, value, F_ApiSimpleNewDoc("blank", 0));
  CALL(1020, value, F_ApiSimpleSave(1, "a.doc", 0));
  CALL(1408, status, F_ApiDictionaryOperation(1, "word", 0, 1));
  CALL(0, refused, F_ApiDictionaryOperation(1, "word", 0, 9));
  CALL(1408, value, F_ApiGetDictionaryStrings(1, 0));
  CALL(1065, progress, F_Progress(50));
}

// Scenario 2: the calls the tools use, against a host that the test serves with known answers.
void ServedCalls() {
  StringT a = F_ApiGetString(1, 2, PROP_Name);
  StringT b = F_ApiGetString(1, 2, PROP_Name);
  Line(1070, "get-string-twice", "value", Show(a) + (a != b ? "/distinct" : "/shared"));
  F_ApiDeallocateString(&a);
  Line(0, "deallocated-string", "value", Show(a));
  F_ApiFree(b);

  F_StringsT names = F_ApiGetStrings(0, 0, PROP_FontFamilyNames);
  std::string shown = Show(names);
  for (UIntT k = 0; k < names.count; k++) shown.append("/").append(Show(names.items[k]));
  Line(1072, "get-strings", "value", shown);

  F_PropValsT props = F_ApiGetProps(1, 5);
  shown = Show(props);
  for (UIntT k = 0; k < props.count; k++) {
    const F_PropValT &p = props.items[k];
    shown.append("/").append(std::to_string(p.ident.num));
    shown.append(":").append(std::to_string(p.value.type));
    if (p.value.type == TV_String) shown.append("=").append(Show(p.value.u.sval));
    if (p.value.type == TV_Int) shown.append("=").append(Show(p.value.u.ival));
    if (p.value.type == TV_Metrics) shown.append("=").append(Show(p.value.u.metrics));
  }
  Line(1062, "get-props", "value", shown);
  F_ApiSetProps(1, 9, &props);
  Line(1063, "set-props", "void", "-");
  F_ApiDeallocatePropVals(&props);

  F_TextRangeT range{{7, 0}, {7, 5}};
  TextItemsT text = F_ApiGetTextForRange(1, &range, TI_String);
  shown = Show(text);
  for (UIntT k = 0; k < text.count; k++)
    if (text.items[k].dataType == TI_String)
      shown.append("/").append(Show(text.items[k].data.sdata));
  Line(1081, "get-text-for-range", "value", shown);
  F_ApiDeallocateTextItems(&text);

  F_PropValsT *returned = nullptr;
  F_ObjHandleT doc1 = F_ApiOpen("first.doc", nullptr, &returned);
  F_PropValsT *first = returned;
  F_ObjHandleT doc2 = F_ApiOpen("second.doc", nullptr, &returned);
  Line(1019, "open-twice", "value",
       Show(doc1) + "/" + Show(doc2) + "/" + Show(*returned) +
           (first == returned ? "/same-list" : "/other-list"));

  IntT chosen = -5;
  IntT answered = F_ApiScrollBox(&chosen, "Tags", &names, -1);
  F_ApiDeallocateStrings(&names);
  Line(1013, "scroll-box", "prompt", Show(answered) + "/" + Show(chosen));
  StringT reply = nullptr;
  answered = F_ApiPromptString(&reply, "Name", "x");
  Line(1010, "prompt-string", "prompt", Show(answered) + "/" + Show(reply));
  F_ApiFree(reply);

  Note(1202, "delete-cols", "status", F_ApiDeleteCols(1, 44, 2, 1));
  Note(1019, "simple-open", "value", F_ApiSimpleOpen("x.doc", 1));

  // A host error (unserved procedure) then a success: FA_errno keeps the error.
  FA_errno = 0;
  (void)F_ApiGetNamedObject(1, OBJ_PgfFmt, "Missing");
  IntT first_error = FA_errno;
  IntT value = F_ApiGetInt(1, 2, PROP_KeepWithPrev);
  Line(1064, "error-then-success", "value",
       Show(value) + "/" + Show(first_error) + "/" + Show(FA_errno));
  // F_Progress keeps FA_errno whatever it meets.
  FA_errno = -33;
  IntT progress = F_Progress(10);
  Line(1065, "progress", "status", Show(progress) + "/" + Show(FA_errno));
}

// Scenario 3: the connection to the host breaks after the first call (the test arranges it).
void BrokenConnection() {
  CALL(1064, value, F_ApiGetInt(1, 2, PROP_KeepWithPrev));  // answered
  CALL(1064, value, F_ApiGetInt(1, 2, PROP_KeepWithPrev));  // the one the host drops
  CALL(1022, status, F_ApiClose(1, 1));
  CALL(1370, sleep, F_ApiSleep(5));
  CALL(1070, value, F_ApiGetString(1, 2, PROP_Name));
  CALL(1072, value, F_ApiGetStrings(1, 2, PROP_FontFamilyNames));
  CALL(1008, answer, F_ApiAlert("Sure?", VAL_AlertOkCancel));
  StringT s = nullptr;
  CALL_PROMPT(1010, s, F_ApiPromptString(&s, "Name", "x"));
  F_PropValsT *returned = nullptr;
  CALL(1019, value, F_ApiOpen("a.doc", nullptr, &returned));
  Line(0, "open-returned", "value", returned == nullptr ? "untouched" : "set");
  CALL(1065, progress, F_Progress(1));
}

// Scenario 4: no connection at all (the handle is gone before the call).
void NoConnection() {
  CLIENT *kept = frame_client;
  frame_client = nullptr;
  CALL(1064, value, F_ApiGetInt(1, 2, PROP_KeepWithPrev));
  CALL(1022, status, F_ApiClose(1, 1));
  frame_client = kept;
}

}  // namespace

extern "C" {

VoidT F_ApiInitialize(IntT) {}
VoidT F_ApiNotify(IntT, F_ObjHandleT, StringT, IntT) {}

VoidT F_ApiCommand(IntT command) {
  const char *path = std::getenv("QV_PROBE_OUT");
  out = path != nullptr ? std::fopen(path, "w") : nullptr;
  if (out == nullptr) out = stderr;
  setvbuf(out, nullptr, _IOLBF, 0);  // every line is out even if the process is cut short
  switch (command) {
    case 1:
      EveryCall();
      break;
    case 2:
      ServedCalls();
      break;
    case 3:
      BrokenConnection();
      break;
    case 4:
      NoConnection();
      break;
    default:
      break;
  }
  std::fflush(out);
  if (out != stderr) std::fclose(out);
  F_ApiBailOut();
}

}  // extern "C"

int main() {
  return F_ApiRun();
}
