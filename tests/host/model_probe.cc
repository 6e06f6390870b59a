// A client for the host handler tests. Command 1 works on the active document's formats,
// paragraphs, text and tables; command 2 makes, saves and opens documents in $QV_PROBE_DIR;
// command 3 asks the user; command 4 builds structure, graphics and straddles and reads the
// properties of text in the active document; command 5 searches, exports and imports it;
// command 6 sends a second init acknowledgement naming the process $QV_PROBE_DECOY. Every
// observation is one "key value..." line in $QV_PROBE_OUT. With $QV_PROBE_ACK_ONLY set the probe
// only sends an init acknowledgement naming that pid and ends.
#include <arpa/inet.h>
#include <rpc/rpc.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <quorvex/fapi.h>
#include <quorvex/fapiruntime.h>
#include <quorvex/fcodes.h>

#include "host/model/model.h"  // the substitute host's own property codes and object types

namespace {

FILE *out = nullptr;

void Line(const std::string &key, const std::string &value) {
  std::fprintf(out, "%s %s\n", key.c_str(), value.c_str());
}
std::string N(long v) {
  return std::to_string(v);
}
std::string S(StringT s) {
  std::string r = s ? s : "(null)";
  F_ApiDeallocateString(&s);
  return r;
}
// The value is taken before FA_errno is read: operands of + have no fixed order.
std::string WithErr(const std::string &value) {
  return value + " errno " + N(FA_errno);
}

void Properties() {
  F_ObjHandleT doc = F_ApiGetId(0, 0, PROP_ActiveDoc);
  F_ObjHandleT fmt = F_ApiGetNamedObject(doc, OBJ_PgfFmt, "Heading1");
  Line("fmt", N(fmt));
  F_ObjHandleT flow = F_ApiGetId(0, doc, PROP_FirstFlowInDoc);
  F_ObjHandleT frame = F_ApiGetId(doc, flow, PROP_FirstTextFrameInFlow);
  F_ObjHandleT p1 = F_ApiGetId(doc, frame, PROP_FirstPgf);
  F_ObjHandleT p2 = F_ApiGetId(doc, p1, PROP_NextPgfInFlow);
  Line("pgfs", N(p1) + " " + N(p2));
  Line("override-before", N(F_ApiGetInt(doc, p2, PROP_PgfOverride)));
  F_PropValsT props = F_ApiGetProps(doc, fmt);
  Line("props", N(props.count));
  F_ApiSetProps(doc, p2, &props);
  F_ApiDeallocatePropVals(&props);
  Line("after", S(F_ApiGetString(doc, p2, PROP_Name)) + " " +
                    N(F_ApiGetInt(doc, p2, PROP_PgfOverride)) + " " +
                    N(F_ApiGetMetric(doc, p2, PROP_FontSize)));
  F_TabsT tabs = F_ApiGetTabs(doc, fmt, PROP_Tabs);
  for (UIntT i = 0; i < tabs.count; ++i)
    Line("tab", N(tabs.items[i].x) + " " + N(tabs.items[i].type) + " " +
                    (tabs.items[i].leader ? tabs.items[i].leader : "(null)") + " " +
                    N(tabs.items[i].decimal));
  F_ApiDeallocateTabs(&tabs);
  F_StringsT fam = F_ApiGetStrings(0, 0, PROP_FontFamilyNames);
  Line("families", N(fam.count) + " " + (fam.count ? fam.items[0] : ""));
  F_ApiDeallocateStrings(&fam);
  Line("helvetica", N(F_ApiGetFontFamilyValue("Helvetica")));

  F_TextLocT at{p2, 4};
  F_TextLocT loc = F_ApiAddText(doc, &at, " more\nNew");
  Line("added", N(loc.objId) + " " + N(loc.offset));
  F_TextRangeT r{{p2, 0}, {loc.objId, VAL_ObjEndOffset}};
  TextItemsT items = F_ApiGetTextForRange(doc, &r, TI_String);
  std::string text;
  for (UIntT i = 0; i < items.count; ++i)
    text += std::string("[") + items.items[i].data.sdata + "]";
  Line("text", text);
  F_ApiDeallocateTextItems(&items);

  F_TextLocT start{p1, 0};
  F_ObjHandleT tbl = F_ApiNewTable(doc, "Format A", 2, 3, 1, 0, &start);
  F_MetricsT w = F_ApiGetMetrics(doc, tbl, PROP_TblColWidths);
  if (w.count > 1) w.items[1] = 0x900000;
  F_ApiSetMetrics(doc, tbl, PROP_TblColWidths, &w);
  F_ApiDeallocateMetrics(&w);
  w = F_ApiGetMetrics(doc, tbl, PROP_TblColWidths);
  Line("table", N(tbl) + " " + N(w.count) + " " + (w.count > 1 ? N(w.items[1]) : "-"));
  F_ApiDeallocateMetrics(&w);
  F_ApiSetInt(doc, tbl, PROP_TblInitSetting, 0);
  Line("init", N(F_ApiGetInt(doc, tbl, PROP_TblInitSetting)));

  FA_errno = 0;
  Line("missing", WithErr(N(F_ApiGetNamedObject(doc, OBJ_PgfFmt, "NoSuch"))));
  FA_errno = 0;
  Line("zero", WithErr(N(F_ApiGetInt(doc, 0, PROP_PgfOverride))));
  FA_errno = 0;
  Line("wrongprop", WithErr(S(F_ApiGetString(doc, tbl, PROP_Name))));
  FA_errno = 0;
  Line("wrongshape", WithErr(N(F_ApiGetInt(doc, fmt, PROP_Name))));
  Line("delete", N(F_ApiDelete(doc, fmt)));
  FA_errno = 0;
  Line("deleted", WithErr(S(F_ApiGetString(doc, fmt, PROP_Name))));
}

void Documents() {
  std::string dir = std::getenv("QV_PROBE_DIR") ? std::getenv("QV_PROBE_DIR") : "/tmp";
  StringT cdir = F_ApiGetString(0, 0, PROP_ClientDirectory);
  std::string tmpl = std::string(cdir ? cdir : "") + "/KVOutput.fm";
  F_ApiDeallocateString(&cdir);
  F_ObjHandleT nd = F_ApiSimpleNewDoc(tmpl.c_str(), 0);
  Line("new", N(nd) + " " + S(F_ApiGetString(nd, nd, PROP_Name)));
  F_ObjHandleT cd = F_ApiCustomDoc(0x2400000, 0x3180000, 1, 0x480000, 0x480000, 0x480000, 0x480000,
                                   0x480000, 0, 1);
  F_TextRangeT sel = F_ApiGetTextRange(0, cd, PROP_TextSelection);
  F_ApiAddText(cd, &sel.beg, "Hello");
  std::string path = dir + "/saved.fm";
  Line("save", N(F_ApiSimpleSave(cd, path.c_str(), 0)) + " " + N(cd));
  Line("close", N(F_ApiClose(cd, 0)));
  F_ObjHandleT od = F_ApiSimpleOpen(path.c_str(), 0);
  Line("open", N(od) + " " + S(F_ApiGetString(od, od, PROP_Name)));
  Line("close-open", N(F_ApiClose(od, 1)));
  FA_errno = 0;
  Line("absent", WithErr(N(F_ApiSimpleOpen((dir + "/absent.fm").c_str(), 0))));
}

void Questions() {
  Line("alert", N(F_ApiAlert("Sure?", VAL_AlertOkCancel)));
  StringT items[] = {const_cast<StringT>("a"), const_cast<StringT>("b")};
  F_StringsT list{2, items};
  IntT chosen = -7;
  IntT st = F_ApiScrollBox(&chosen, "Pick", &list, -1);
  Line("scrollbox", N(st) + " " + N(chosen));
  StringT answer = nullptr;
  st = F_ApiPromptString(&answer, "Name?", "default");
  Line("prompt", N(st) + " " + S(answer));
}

std::string ElemLoc(const F_ElementLocT &l) {
  return N(l.parentId) + " " + N(l.childId) + " " + N(l.offset);
}

void Structure() {
  using namespace qvhost;
  F_ObjHandleT doc = F_ApiGetId(0, 0, PROP_ActiveDoc);
  F_ObjHandleT flow = F_ApiGetId(doc, doc, PROP_MainFlowInDoc);
  F_ObjHandleT frame = F_ApiGetId(doc, flow, PROP_FirstTextFrameInFlow);
  F_ObjHandleT p1 = F_ApiGetId(doc, frame, PROP_FirstPgf);
  F_ObjHandleT p2 = F_ApiGetId(doc, p1, PROP_NextPgfInFlow);
  F_ObjHandleT chapter = F_ApiNewNamedObject(doc, kObjElementDef, "Chapter");
  F_ObjHandleT section = F_ApiNewNamedObject(doc, kObjElementDef, "Section");
  F_ObjHandleT para = F_ApiNewNamedObject(doc, kObjElementDef, "Para");
  F_ElementCatalogEntriesT cat = F_ApiGetElementCatalog(doc);
  Line("catalog",
       N(cat.count) + " " + (cat.count ? N(cat.items[0].objId) : "-") + " " + N(chapter));
  F_ApiDeallocateElementCatalogEntries(&cat);

  F_TextLocT none{0, 0}, at1{p1, 0}, at2{p2, 1};
  F_ObjHandleT root = F_ApiNewElement(doc, chapter, &none);
  F_ObjHandleT a = F_ApiNewElement(doc, para, &at1);
  F_ObjHandleT b = F_ApiNewElement(doc, para, &at2);
  Line("elements", N(root) + " " + N(a) + " " + N(b));
  Line("text-to-element", ElemLoc(F_ApiTextLocToElementLoc(doc, &at2)));
  F_ElementLocT ea{root, a, 0};
  F_TextLocT back = F_ApiElementLocToTextLoc(doc, &ea);
  Line("element-to-text", N(back.objId) + " " + N(back.offset));

  F_ElementRangeT sel{{root, a, 0}, {root, b, 0}};
  F_ApiSetElementRange(doc, doc, kPropElementSelection, &sel);
  F_ApiWrapElement(doc, section);
  F_ElementRangeT now = F_ApiGetElementRange(doc, doc, kPropElementSelection);
  F_ObjHandleT wrapper = now.beg.childId;
  Line("wrapped", N(F_ApiGetId(doc, wrapper, kPropElementDef)) + " " +
                      N(F_ApiGetId(doc, wrapper, kPropFirstChildElement)) + " " +
                      N(F_ApiGetId(doc, a, kPropParentElement)));
  F_ApiUnWrapElement(doc);
  Line("unwrapped", N(F_ApiGetId(doc, a, kPropParentElement)));
  F_ElementRangeT first{{root, a, 0}, {root, a, 0}};
  F_ApiSetElementRange(doc, doc, kPropElementSelection, &first);
  FA_errno = 0;
  F_ApiDemoteElement(doc);  // nothing before the first element to go into
  Line("demote-first", N(FA_errno));

  StringT vals[] = {const_cast<StringT>("x1")}, choices[] = {const_cast<StringT>("x1")};
  F_AttributeDefT def{
      const_cast<StringT>("Id"), 1, 0, 2, {1, choices}, {0, nullptr}, const_cast<StringT>(""),
      const_cast<StringT>("")};
  F_AttributeDefsT defs{1, &def};
  F_ApiSetAttributeDefs(doc, para, &defs);
  F_AttributeT attr{const_cast<StringT>("Id"), {1, vals}, 0, 0};
  F_AttributesT attrs{1, &attr};
  F_ApiSetAttributes(doc, a, &attrs);
  F_AttributesT got = F_ApiGetAttributes(doc, a);
  F_AttributeDefsT gotDefs = F_ApiGetAttributeDefs(doc, para);
  Line("attributes", N(got.count) + " " +
                         (got.count && got.items[0].values.count
                              ? std::string(got.items[0].name) + "=" + got.items[0].values.items[0]
                              : "-") +
                         " " + N(gotDefs.count) + " " +
                         (gotDefs.count ? N(gotDefs.items[0].choices.count) : "-"));
  F_ApiDeallocateAttributes(&got);
  F_ApiDeallocateAttributeDefs(&gotDefs);

  F_ObjHandleT tbl = F_ApiNewTable(doc, "Format A", 2, 1, 0, 0, &at1);
  F_ObjHandleT row = F_ApiGetId(doc, tbl, PROP_FirstRowInTbl);
  F_ObjHandleT cell = F_ApiGetId(doc, row, PROP_FirstCellInRow);
  Line("straddle", N(F_ApiStraddleCells(doc, cell, 1, 2)));
  F_IntsT span = F_ApiGetInts(doc, cell, kPropStraddle);
  Line("ints",
       N(span.count) + " " + (span.count == 2 ? N(span.items[0]) + " " + N(span.items[1]) : "-"));
  F_ApiDeallocateInts(&span);
  F_TextLocT anchor = F_ApiGetTextLoc(doc, tbl, kPropTextLoc);
  F_ApiSetTextLoc(doc, tbl, kPropTextLoc, &at2);
  F_TextLocT moved = F_ApiGetTextLoc(doc, tbl, kPropTextLoc);
  Line("textloc", N(anchor.objId) + " " + N(moved.objId));

  F_ObjHandleT g = F_ApiNewGraphicObject(doc, kObjPolyline, frame);
  F_PointT pts[] = {{1, 2}, {3, -4}};
  F_PointsT pl{2, pts};
  F_ApiSetPoints(doc, g, kPropPoints, &pl);
  F_PointsT gotPts = F_ApiGetPoints(doc, g, kPropPoints);
  std::string ptsText;
  for (UIntT i = 0; i < gotPts.count; ++i)
    ptsText += N(gotPts.items[i].x) + "," + N(gotPts.items[i].y) + " ";
  Line("points", ptsText + N(F_ApiGetUniqueObject(doc, kObjPolyline, static_cast<IntT>(g)) == g));
  F_ApiDeallocatePoints(&gotPts);
  FA_errno = 0;
  Line("center", N(F_ApiCenterOnGraphicObject(doc, g)) + " " +
                     WithErr(N(F_ApiCenterOnGraphicObject(doc, tbl))));
  UByteT bytes[] = {1, 2, 255};
  F_UBytesT ub{3, bytes};
  F_ApiSetUBytesByName(doc, g, "blob", &ub);
  F_UBytesT gotBytes = F_ApiGetUBytesByName(doc, g, "blob");
  Line("ubytes", N(gotBytes.count) + " " + (gotBytes.count == 3 ? N(gotBytes.items[2]) : "-"));
  F_ApiDeallocateUBytes(&gotBytes);

  F_PropValT bold{{PROP_FontWeight, nullptr}, {}};
  bold.value.type = TV_Int;
  bold.value.u.ival = 5;
  F_TextRangeT range{{p1, 0}, {p1, 2}};
  F_ApiSetTextPropVal(doc, &range, &bold);
  F_TypedValT weight = F_ApiGetTextVal(doc, &at1, PROP_FontWeight);
  F_PropValsT textProps = F_ApiGetTextProps(doc, &at2);
  Line("textprops", N(weight.type) + " " + N(weight.u.ival) + " " + N(textProps.count) + " " +
                        N(F_ApiGetInt(doc, p1, PROP_PgfOverride)));
  F_ApiDeallocatePropVals(&textProps);
}

void SearchExportImport() {
  std::string dir = std::getenv("QV_PROBE_DIR") ? std::getenv("QV_PROBE_DIR") : "/tmp";
  F_ObjHandleT doc = F_ApiGetId(0, 0, PROP_ActiveDoc);
  F_ObjHandleT flow = F_ApiGetId(doc, doc, PROP_MainFlowInDoc);
  F_ObjHandleT frame = F_ApiGetId(doc, flow, PROP_FirstTextFrameInFlow);
  F_ObjHandleT p1 = F_ApiGetId(doc, frame, PROP_FirstPgf);
  F_PropValT what{{0, nullptr}, {}};
  what.value.type = TV_String;
  what.value.u.sval = const_cast<StringT>("da");
  F_PropValsT params{1, &what};
  F_TextLocT start{p1, 0};
  F_TextRangeT found = F_ApiFind(doc, &start, &params);
  Line("find", N(found.beg.objId) + " " + N(found.beg.offset) + " " + N(found.end.offset));
  what.value.u.sval = const_cast<StringT>("absent");
  FA_errno = 0;
  found = F_ApiFind(doc, &start, &params);
  Line("find-absent", WithErr(N(found.beg.objId)));

  std::string exported = dir + "/exported.fm";
  F_PropValsT noParams{0, nullptr};
  F_PropValsT *ret = nullptr;
  IntT st = F_ApiExport(doc, exported.c_str(), &noParams, &ret);
  Line("export", N(st) + " " + N(ret ? ret->count : -1) + " " +
                     (ret && ret->count ? ret->items[0].value.u.sval : "-"));
  F_PropValsT *imp = nullptr;
  F_ObjHandleT inserted = F_ApiImport(doc, &start, exported.c_str(), &noParams, &imp);
  Line("import",
       N(inserted != 0) + " " + N(imp != ret) + " " + S(F_ApiGetString(doc, doc, PROP_Name)));

  Line("add-word", N(F_ApiModifyDictionary(doc, 0, 1, "quorvex")));
  F_StringsT words{0, nullptr};
  st = F_ApiDictionary(doc, "", 0, 0, &words);
  Line("dictionary", N(st) + " " + N(words.count) + " " + (words.count ? words.items[0] : "-"));
  F_ApiDeallocateStrings(&words);
  IntT verdict = -1;
  F_StringsT suggestions{0, nullptr};
  F_TextRangeT spelled = F_ApiSpell(doc, &start, &noParams, &verdict, &suggestions);
  Line("spell", N(spelled.beg.objId) + " " + N(verdict) + " " + N(suggestions.count));
  F_ApiDeallocateStrings(&suggestions);

  MetricT width = 0;
  st = F_ApiPromptMetric(&width, "Width?", "1in", 0);
  Line("metric", N(st) + " " + N(width));
  StringT file = nullptr;
  st = F_ApiChooseFile(&file, "Open", dir.c_str(), "x.fm", 0, "");
  Line("choose", N(st) + " " + S(file));
}

// An init acknowledgement naming `pid`, over a connection of its own to the host program that
// FMAPIX names; the RPC status of the call.
int Ack(int pid) {
  int prog = 0, vers = 0;
  const char *fmapix = std::getenv("FMAPIX");
  if (fmapix == nullptr || std::sscanf(fmapix, "%*d.%*d %d.%d", &prog, &vers) != 2)
    return RPC_CANTSEND;
  struct sockaddr_in a {};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int sock = RPC_ANYSOCK;
  CLIENT *c = clnttcp_create(&a, static_cast<u_long>(prog), static_cast<u_long>(vers), &sock, 0, 0);
  if (c == nullptr) return RPC_CANTSEND;
  struct timeval tv = {5, 0};
  xdrproc_t xint = reinterpret_cast<xdrproc_t>(reinterpret_cast<void (*)()>(xdr_int));
  xdrproc_t xvoid = reinterpret_cast<xdrproc_t>(reinterpret_cast<void (*)()>(xdr_void));
  int st = clnt_call(c, 1000, xint, reinterpret_cast<char *>(&pid), xvoid, nullptr, tv);
  clnt_destroy(c);
  return st;
}

}  // namespace

VoidT F_ApiInitialize(IntT) {}
VoidT F_ApiNotify(IntT, F_ObjHandleT, StringT, IntT) {}

VoidT F_ApiCommand(IntT command) {
  const char *path = std::getenv("QV_PROBE_OUT");
  out = path ? std::fopen(path, "w") : nullptr;
  if (out) {
    if (command == 1) Properties();
    if (command == 2) Documents();
    if (command == 3) Questions();
    if (command == 4) Structure();
    if (command == 5) SearchExportImport();
    if (const char *decoy = std::getenv("QV_PROBE_DECOY"); command == 6 && decoy)
      Line("forged", N(Ack(std::atoi(decoy))));
    std::fclose(out);
  }
  F_ApiBailOut();
}

int main() {
  if (const char *pid = std::getenv("QV_PROBE_ACK_ONLY"))
    return Ack(std::atoi(pid)) == RPC_SUCCESS ? 0 : 1;
  return F_ApiRun();
}
