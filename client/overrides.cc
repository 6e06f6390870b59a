// Remove Overrides (document, book) and Find Next Override.
#include <quorvex/fapi.h>
#include <quorvex/fdebase.h>

#include "client/quorvex.h"
#include "client/walk.h"

namespace qvclient {
namespace {

const char kAskRemove[] = "Are you sure you want to remove paragraph overrides?";
const char kAskRemoveBook[] =
    "Are you sure you want to remove paragraph overrides for all files in the book?";

const IntT kShowSelection[] = {FCODE_ShowSelection};

void Select(F_ObjHandleT doc, F_ObjHandleT pgf, IntT from, IntT to) {
  F_TextRangeT r;
  r.beg.objId = pgf;
  r.beg.offset = from;
  r.end.objId = pgf;
  r.end.offset = to;
  F_ApiSetTextRange(0, doc, PROP_TextSelection, &r);
}

// Selects the paragraph from `from` to `to`, brings it into view, and leaves the user with
// the selection from its start to just before its end.
void ShowParagraph(F_ObjHandleT doc, F_ObjHandleT pgf, IntT from, IntT to) {
  Select(doc, pgf, from, to);
  F_ApiFcodes(1, kShowSelection);
  Select(doc, pgf, 0, QV_OFFSET_BEFORE_END);
}

bool Overridden(F_ObjHandleT doc, F_ObjHandleT pgf) {
  return F_ApiGetInt(doc, pgf, PROP_PgfOverride) != 0;
}

bool OnPageList(F_ObjHandleT doc, IntT head, F_ObjHandleT page) {
  for (F_ObjHandleT p = F_ApiGetId(0, doc, head); p != 0;
       p = F_ApiGetId(doc, p, PROP_NextPageInList))
    if (p == page) return true;
  return false;
}

// Searches forward from the insertion point through the flows, coming round from the last
// flow to the first, until an overridden paragraph or the start paragraph comes up again.
Outcome SearchDocument(F_ObjHandleT doc) {
  F_TextRangeT sel = F_ApiGetTextRange(0, doc, PROP_TextSelection);
  const F_ObjHandleT start = sel.beg.objId;
  if (start == 0) {
    Alert(kMsgNoInsertionPoint, VAL_AlertNote);
    return Outcome::EndAtOnce;
  }
  // Flows entered by coming to the end of another: entering one a second time means a full
  // round without meeting the start paragraph (it is on no flow's chain), so the search ends.
  std::unordered_set<F_ObjHandleT> entered;
  F_ObjHandleT q = start, prev = 0;
  for (;;) {
    F_ObjHandleT n = F_ApiGetId(doc, q, PROP_NextPgfInFlow);
    if (n == 0) {
      F_ObjHandleT frame = F_ApiGetId(doc, q, PROP_PgfTextFrame);
      if (frame == 0) return Outcome::EndAtOnce;
      F_ObjHandleT flow = F_ApiGetId(doc, frame, PROP_TextFrameFlow);
      if (flow != 0) flow = F_ApiGetId(doc, flow, PROP_NextFlowInDoc);
      if (flow == 0) flow = F_ApiGetId(0, doc, PROP_FirstFlowInDoc);
      if (!entered.insert(flow).second) {
        Alert(kMsgEndOfDocument, VAL_AlertNote);
        return Outcome::EndSteps;
      }
      n = FirstPgfOfFlow(doc, flow);
      if (n == 0) return Outcome::EndAtOnce;
    }
    prev = q;
    q = n;
    if (Overridden(doc, q)) break;
    if (q == start) {
      Alert(kMsgEndOfDocument, VAL_AlertNote);
      return Outcome::EndSteps;
    }
  }
  Select(doc, q, 0, VAL_ObjEndOffset);
  F_ApiFcodes(1, kShowSelection);
  F_ObjHandleT page = F_ApiGetId(0, doc, PROP_CurrentPage);
  if (!OnPageList(doc, PROP_FirstPageListA, page) && !OnPageList(doc, PROP_FirstPageListB, page)) {
    ShowParagraph(doc, q, 0, VAL_ObjEndOffset);
    return Outcome::EndAtOnce;
  }
  // The override lies off the body pages: the search has left the document's text.
  Alert(kMsgEndOfDocument, VAL_AlertNote);
  ShowParagraph(doc, prev, 1, QV_OFFSET_BEFORE_END);
  return Outcome::EndAtOnce;
}

// Searches forward from the insertion point through the rest of its table: the rest of the
// cell, the following cells and rows, then the table's title.
Outcome SearchTable(F_ObjHandleT doc) {
  F_TextRangeT sel = F_ApiGetTextRange(0, doc, PROP_TextSelection);
  const F_ObjHandleT start = sel.beg.objId;
  if (start == 0) {
    Alert(kMsgNoInsertionPoint, VAL_AlertNote);
    return Outcome::EndAtOnce;
  }
  F_ObjHandleT cell = F_ApiGetId(doc, start, PROP_PgfCell);
  F_ObjHandleT n = F_ApiGetId(doc, start, PROP_NextPgfInFlow);
  do {
    if (n == 0) {
      F_ObjHandleT next = F_ApiGetId(doc, cell, PROP_NextCellInRow);
      if (next != 0) {
        cell = next;
      } else {
        F_ObjHandleT row = F_ApiGetId(doc, cell, PROP_CellRow);
        row = row ? F_ApiGetId(doc, row, PROP_NextRowInTbl) : 0;
        cell = row ? F_ApiGetId(doc, row, PROP_FirstCellInRow) : 0;
      }
      n = cell ? F_ApiGetId(doc, cell, PROP_FirstPgf) : 0;
    }
    if (n != 0 && Overridden(doc, n)) {
      ShowParagraph(doc, n, 1, QV_OFFSET_BEFORE_END);
      return Outcome::EndAtOnce;
    }
    if (n != 0) n = F_ApiGetId(doc, n, PROP_NextPgfInFlow);
  } while (cell != 0);
  F_ObjHandleT tbl = F_ApiGetId(0, doc, PROP_SelectedTbl);
  for (F_ObjHandleT p = F_ApiGetId(doc, tbl, PROP_FirstPgf); p != 0;
       p = F_ApiGetId(doc, p, PROP_NextPgfInFlow)) {
    if (Overridden(doc, p)) {
      ShowParagraph(doc, p, 0, VAL_ObjEndOffset);
      return Outcome::EndAtOnce;
    }
  }
  Alert(kMsgEndOfTable, VAL_AlertNote);
  return Outcome::EndSteps;
}

}  // namespace

Outcome RunOverrideCommand(IntT id, const Targets &t) {
  if (id == CMD_RemoveOverridesBook) {
    if (!Confirm(kAskRemoveBook)) return Outcome::EndSteps;
    BookPass pass;
    pass.prefix = "Processing: ";
    pass.save = true;
    pass.step = [](F_ObjHandleT doc) { RemoveParagraphOverrides(doc); };
    RunBookPass(t.book, pass);
    return Outcome::EndSteps;
  }
  if (t.doc == 0) {
    Alert(kMsgOpenDocFirst, VAL_AlertNote);
    return Outcome::EndAtOnce;
  }
  if (id == CMD_RemoveOverrides) {
    if (Confirm(kAskRemove)) RemoveParagraphOverrides(t.doc);
    return Outcome::EndSteps;
  }
  if (F_ApiGetId(0, t.doc, PROP_SelectedTbl) != 0) return SearchTable(t.doc);
  return SearchDocument(t.doc);
}

}  // namespace qvclient

extern "C" VoidT RemoveParagraphOverrides(F_ObjHandleT docId) {
  using namespace qvclient;
  IntT saved = F_ApiGetInt(docId, docId, PROP_DocBatchFlag);
  F_ApiSetInt(docId, docId, PROP_DocBatchFlag, 1);
  WalkDocument(docId, [&](F_ObjHandleT pgf, PgfPlace place) {
    StringT tag = F_ApiGetString(docId, pgf, PROP_Name);
    if (Overridden(docId, pgf)) {
      ApplyStyle(docId, pgf, tag);
      // In body flows the flag is cleared even when the tag names no format; in tables it
      // reads as the host leaves it after the properties were set.
      if (place == PgfPlace::Flow) F_ApiSetInt(docId, pgf, PROP_PgfOverride, 0);
    }
    F_ApiDeallocateString(&tag);
  });
  F_ApiSetInt(docId, docId, PROP_DocBatchFlag, saved);
}
