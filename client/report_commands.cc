// Generate Paragraph Tag Report (all tags, or one chosen tag) and the About note.
//
// Both report commands collect the catalogue's tag names, sort them in byte order and report
// each format under its name as a "Heading1" line. A name is looked up again before its block
// is written, so a format that has gone in the meantime is skipped.
#include "client/report.h"
#include "client/report_deps.h"

namespace {

constexpr ConStringT kChooseTitle = "Choose a format.";
constexpr ConStringT kAboutText = "Quorvex\nVersion 2.1 Build 100";

// The names of every format of the document's catalogue, sorted with the tools' comparator.
// Null only when the list itself cannot be made; with no document the list stays empty.
StringListT CollectTagNames(F_ObjHandleT docId) {
  StringListT names = F_StrListNew(1, 1);
  if (!names || !docId) return names;
  StringT name = nullptr;
  for (F_ObjHandleT fmt = F_ApiGetId(docId, docId, PROP_FirstPgfFmtInDoc); fmt;
       fmt = F_ApiGetId(docId, fmt, PROP_NextPgfFmtInDoc)) {
    F_ApiDeallocateString(&name);
    name = F_ApiGetString(docId, fmt, PROP_Name);
    if (F_StrListAppend(names, name) != 0)
      F_Printf(nullptr, "Couldn't allocate string list memory\n");
  }
  F_ApiDeallocateString(&name);
  F_StrListSort(names, fn);
  return names;
}

// Writes the block of the format named `name`; false when no format has that name.
bool ReportTag(F_ObjHandleT docId, ConStringT name, F_ObjHandleT outDocId) {
  F_ObjHandleT fmt = F_ApiGetNamedObject(docId, OBJ_PgfFmt, name);
  if (!fmt) return false;
  WriteToOutputDocument(outDocId, name, "Heading1");
  OutputStyleCharacteristics(docId, fmt, outDocId);
  return true;
}

// Asks for one of the names. Returns its index, or -1 when the user cancelled, the choice
// list could not be made, or the host answered with an index outside the list.
IntT ChooseTag(StringListT names) {
  UIntT count = F_StrListLen(names);
  auto items = static_cast<StringT *>(F_Alloc(count * sizeof(StringT), 0));
  if (!items) return -1;
  for (UIntT i = 0; i < count; i++) items[i] = F_StrCopyString(F_StrListGet(names, i));
  F_StringsT choices{};
  choices.count = count;
  choices.items = items;
  IntT chosen = -1;
  bool ok = F_ApiScrollBox(&chosen, kChooseTitle, &choices, 0) == 0;
  for (UIntT i = 0; i < count; i++) F_Free(items[i]);
  F_Free(items);
  return ok && chosen >= 0 && static_cast<UIntT>(chosen) < count ? chosen : -1;
}

}  // namespace

extern "C" {

VoidT GenerateParagraphTagReport(F_ObjHandleT docId) {
  StringListT names = CollectTagNames(docId);
  if (!names) return;
  if (docId) {
    F_ObjHandleT out = CreateOutputDocument();
    for (UIntT i = 0; i < F_StrListLen(names); i++)
      if (ReportTag(docId, F_StrListGet(names, i), out)) WriteToOutputDocument(out, "", "Body");
  }
  F_StrListFree(names);
}

VoidT GenerateParagraphTagReportSingle(F_ObjHandleT docId) {
  StringListT names = CollectTagNames(docId);
  if (!names) return;
  if (docId) {
    IntT chosen = ChooseTag(names);
    if (chosen >= 0) ReportTag(docId, F_StrListGet(names, chosen), CreateOutputDocument());
  }
  F_StrListFree(names);
}

VoidT ShowAboutAlert(VoidT) {
  F_ApiAlert(kAboutText, VAL_AlertNote);
}

}  // extern "C"
