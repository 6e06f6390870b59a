// The paragraph usage routine: a walk of every paragraph, then of the catalogue, sorting tag
// names into the used and the unused list.
#include "client/usage.h"

#include <quorvex/fapi.h>
#include <quorvex/fdebase.h>

#include "client/quorvex.h"
#include "client/walk.h"

namespace qvclient {

std::string Folded(ConStringT s) {
  std::string out = s ? s : "";
  for (char &c : out) c = static_cast<char>(FdeMToLower[static_cast<UCharT>(c)]);
  return out;
}

UsageScan::UsageScan(StringListT used, StringListT unused) : used_(used), unused_(unused) {
  for (UIntT i = 0; i < F_StrListLen(used_); ++i) {
    ConStringT s = F_StrListGet(used_, i);
    usedFolded_.insert(Folded(s));
    carried_.insert(s ? s : "");
  }
  for (UIntT i = 0; i < F_StrListLen(unused_); ++i) {
    ConStringT s = F_StrListGet(unused_, i);
    unusedExact_.insert(s ? s : "");
  }
}

// A paragraph carries `name`: the used list gains it unless it holds the name in some case,
// and the unused list loses it if it holds it exactly.
void UsageScan::MeetPgfTag(ConStringT name) {
  std::string exact = name ? name : "";
  carried_.insert(exact);
  std::string folded = Folded(name);
  if (!usedFolded_.count(folded)) {
    if (F_StrListAppend(used_, name) != 0)
      WarnListMemory();
    else
      usedFolded_.insert(std::move(folded));
  }
  if (unusedExact_.count(exact)) {
    IntT at = F_StrListIndex(unused_, name);
    if (at >= 0) F_StrListRemove(unused_, static_cast<UIntT>(at));
    unusedExact_.erase(exact);
  }
}

// A catalogue format named `name`: unused unless some paragraph carries exactly that name
// (which covers every exact entry of the used list) or the unused list already holds it.
void UsageScan::MeetFormat(ConStringT name) {
  std::string exact = name ? name : "";
  if (carried_.count(exact) || unusedExact_.count(exact)) return;
  if (F_StrListAppend(unused_, name) != 0)
    WarnListMemory();
  else
    unusedExact_.insert(std::move(exact));
}

void UsageScan::Scan(F_ObjHandleT doc) {
  F_ApiSetInt(0, 0, PROP_Displaying, 0);
  IntT saved = F_ApiGetInt(doc, doc, PROP_DocBatchFlag);
  F_ApiSetInt(doc, doc, PROP_DocBatchFlag, 1);

  WalkDocument(doc, [&](F_ObjHandleT pgf, PgfPlace) {
    StringT name = F_ApiGetString(doc, pgf, PROP_Name);
    MeetPgfTag(name);
    F_ApiDeallocateString(&name);
  });
  WalkCatalogue(doc, [&](F_ObjHandleT fmt) {
    StringT name = F_ApiGetString(doc, fmt, PROP_Name);
    MeetFormat(name);
    F_ApiDeallocateString(&name);
  });

  F_StrListSort(used_, fn);
  F_StrListSort(unused_, fn);

  F_ApiSetInt(doc, doc, PROP_DocBatchFlag, saved);
  F_ApiSetInt(0, 0, PROP_Displaying, 1);
  F_ApiRedisplay(doc);
}

}  // namespace qvclient

extern "C" {

int fn(const void *a, const void *b) {
  return F_StrCmp(*static_cast<const ConStringT *>(a), *static_cast<const ConStringT *>(b));
}

VoidT ListParagraphUsageRoutine(F_ObjHandleT docId, StringListT used, StringListT unused) {
  qvclient::UsageScan(used, unused).Scan(docId);
}

}  // extern "C"
