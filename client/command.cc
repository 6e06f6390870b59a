// The command dispatcher: target resolution, one flow per command id, the end steps, and the
// book pass that every book command shares.
#include <quorvex/fapi.h>
#include <quorvex/fdebase.h>
#include <quorvex/fdeprint.h>

#include "client/quorvex.h"
#include "client/report.h"

namespace qvclient {

const char kMsgOpenDocFirst[] = "Please open a document first.";
const char kMsgNoInsertionPoint[] = "No insertion point.";
const char kMsgEndOfDocument[] = "End of document reached.";
const char kMsgEndOfTable[] = "End of table reached.";
const char kMarkerTagsToKeep[] = "Tags to Keep";
const char kMarkerSourceTag[] = "Source Tag";
const char kMarkerDestinationTag[] = "Destination Tag";

IntT Alert(const char *text, IntT type) {
  return F_ApiAlert(text, type);
}

bool Confirm(const char *question) {
  return F_ApiAlert(question, VAL_AlertOkCancel) == 0;
}

void WarnListMemory() { F_Printf(nullptr, "Couldn't allocate string list memory\n"); }

TagLists::TagLists() : used_(F_StrListNew(1, 1)), unused_(F_StrListNew(1, 1)) {}

TagLists::~TagLists() {
  if (used_) F_StrListFree(used_);
  if (unused_) F_StrListFree(unused_);
}

void WriteUsageSections(F_ObjHandleT out, StringListT used, StringListT unused) {
  WriteToOutputDocument(out, "Paragraph Tags Used:", QV_TAG_HEADING2);
  for (UIntT i = 0; i < F_StrListLen(used); ++i)
    WriteToOutputDocument(out, F_StrListGet(used, i), QV_TAG_BODY);
  WriteToOutputDocument(out, "Paragraph Tags Not Used:", QV_TAG_HEADING2);
  for (UIntT i = 0; i < F_StrListLen(unused); ++i)
    WriteToOutputDocument(out, F_StrListGet(unused, i), QV_TAG_BODY);
}

void WriteUsageListing(F_ObjHandleT out, ConStringT name, StringListT used, StringListT unused) {
  WriteToOutputDocument(out, name, QV_TAG_HEADING1);
  WriteUsageSections(out, used, unused);
}

namespace {

// The component open list: nine integer open parameters, passed as the host expects them.
const IntT kOpenList[][2] = {{5, 0},  {2, 0},  {3, 1},  {23, 1}, {28, 1},
                             {22, 1}, {25, 1}, {36, 3}, {24, 11}};

F_ObjHandleT OpenComponent(ConStringT name) {
  const UIntT n = sizeof kOpenList / sizeof kOpenList[0];
  F_PropValsT list = F_ApiAllocatePropVals(static_cast<IntT>(n));
  if (list.count != n || !list.items) {  // treated as a file that could not be opened
    F_ApiDeallocatePropVals(&list);
    return 0;
  }
  for (UIntT i = 0; i < n; ++i) {
    list.items[i].ident.num = kOpenList[i][0];
    list.items[i].value.type = TV_Int;
    list.items[i].value.u.ival = kOpenList[i][1];
  }
  F_PropValsT *returned = nullptr;
  F_ObjHandleT doc = F_ApiOpen(name, &list, &returned);
  F_ApiDeallocatePropVals(&list);
  F_ApiDeallocatePropVals(returned);
  return doc;
}

std::unordered_set<F_ObjHandleT> OpenDocuments() {
  std::unordered_set<F_ObjHandleT> open;
  for (F_ObjHandleT d = F_ApiGetId(0, 0, PROP_FirstOpenDoc); d != 0 && open.insert(d).second;
       d = F_ApiGetId(d, d, PROP_NextOpenDoc)) {
  }
  return open;
}

void ShowProgress(F_ObjHandleT book, const char *prefix, ConStringT name) {
  StringT text = F_StrCopyString(prefix);
  StringT base = PathBaseName(name);
  AppendString(&text, base);
  F_Free(base);
  F_ApiSetString(0, book, PROP_StatusLine, text);
  F_Free(text);
}

}  // namespace

void RunBookPass(F_ObjHandleT book, const BookPass &pass) {
  std::unordered_set<F_ObjHandleT> openBefore;
  bool openKnown = false;
  StringT name = nullptr;
  for (F_ObjHandleT comp = F_ApiGetId(0, book, PROP_FirstComponentInBook); comp != 0;
       comp = F_ApiGetId(book, comp, PROP_NextComponentInBook)) {
    if (pass.only && !pass.only->count(comp)) continue;
    if (!openKnown) {  // documents the user has open are left open by the pass
      openBefore = OpenDocuments();
      openKnown = true;
    }
    F_ApiDeallocateString(&name);
    name = F_ApiGetString(book, comp, PROP_Name);
    F_ObjHandleT doc = OpenComponent(name);
    if (doc == 0) {
      F_Warning("Could not open file:");
      F_Warning(name ? name : "");
      F_Warning("\n");
    } else if (pass.opened) {
      pass.opened->insert(comp);
    }
    ShowProgress(book, pass.prefix, name);
    if (pass.step) pass.step(doc);
    bool wasOpen = doc != 0 && openBefore.count(doc);
    if (pass.save && doc != 0) doc = F_ApiSimpleSave(doc, name, 0);
    if (doc != 0 && !wasOpen) F_ApiClose(doc, QV_CLOSE_FLAGS);
    if (pass.afterClose) pass.afterClose();
  }
  F_ApiDeallocateString(&name);
  F_ApiSetString(0, book, PROP_StatusLine, "");
}

namespace {

Outcome RunFlow(IntT id, const Targets &t) {
  switch (id) {
    case CMD_ListParagraphUsage:
    case CMD_DeleteUnusedParagraphs:
    case CMD_ListParagraphUsageBook:
    case CMD_DeleteUnusedParagraphsBook:
    case CMD_ListParagraphUsageBookIndFiles:
      return RunUsageCommand(id, t);
    case CMD_CreateParagraphList:
    case CMD_RemoveNonlistParagraphs:
    case CMD_CreateConversionDocument:
    case CMD_ConvertParagraphsInDoc:
    case CMD_CreateParagraphListBook:
    case CMD_RemoveNonlistParagraphsBook:
    case CMD_CreateConversionDocumentBook:
    case CMD_ConvertParagraphsBook:
      return RunTagListCommand(id, t);
    case CMD_RemoveOverrides:
    case CMD_FindNextOverride:
    case CMD_RemoveOverridesBook:
      return RunOverrideCommand(id, t);
    case CMD_GenerateParagraphTagReport:
      GenerateParagraphTagReport(t.doc);
      return Outcome::EndSteps;
    case CMD_GenerateParagraphTagReportSingle:
      GenerateParagraphTagReportSingle(t.doc);
      return Outcome::EndSteps;
    case CMD_About:
      ShowAboutAlert();
      return Outcome::EndSteps;
    default:
      return Outcome::EndSteps;
  }
}

}  // namespace
}  // namespace qvclient

extern "C" VoidT F_ApiCommand(IntT command) {
  F_FdeInit();
  qvclient::Targets t;
  t.doc = CallClientDocId ? CallClientDocId : F_ApiGetId(0, 0, PROP_ActiveDoc);
  t.book = CallClientBookId ? CallClientBookId : F_ApiGetId(0, 0, PROP_ActiveBook);
  if (qvclient::RunFlow(command, t) == qvclient::Outcome::EndAtOnce) return;
  CallClientDocId = 0;
  CallClientBookId = 0;
  F_ApiBailOut();
}
