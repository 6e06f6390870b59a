// A client for the host handler tests. Command 1 works on the active document's formats,
// paragraphs, text and tables; command 2 makes, saves and opens documents in $QV_PROBE_DIR;
// command 3 asks the user. Every observation is one "key value..." line in $QV_PROBE_OUT.
#include <cstdio>
#include <cstdlib>
#include <string>

#include <quorvex/fapi.h>
#include <quorvex/fapiruntime.h>
#include <quorvex/fcodes.h>

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
    std::fclose(out);
  }
  F_ApiBailOut();
}

int main() {
  return F_ApiRun();
}
