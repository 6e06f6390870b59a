// The two walks every paragraph tool shares. The document walk visits the paragraphs of a
// document in the one order the tools use: every body flow (from its first text frame that
// holds a paragraph, along the flow's paragraph chain), then every table: its cells row by row
// and, within a row, cell by cell, then the table's title paragraphs. The catalogue walk visits
// the paragraph formats of a document and reads each successor before the visit, so a visit
// may delete the format it is given.
#pragma once

#include <quorvex/fapi.h>

#include "client/codes.h"

namespace qvclient {

enum class PgfPlace { Flow, Cell, Title };

// Paragraphs of the chain starting at pgf, following PROP_NextPgfInFlow.
template <class Visit>
void WalkPgfChain(F_ObjHandleT doc, F_ObjHandleT pgf, PgfPlace place, Visit &visit) {
  while (pgf != 0) {
    visit(pgf, place);
    pgf = F_ApiGetId(doc, pgf, PROP_NextPgfInFlow);
  }
}

// The first paragraph of a flow: that of its first text frame that holds one; 0 for a flow
// without paragraphs.
inline F_ObjHandleT FirstPgfOfFlow(F_ObjHandleT doc, F_ObjHandleT flow) {
  F_ObjHandleT frame = F_ApiGetId(doc, flow, PROP_FirstTextFrameInFlow);
  F_ObjHandleT pgf = frame ? F_ApiGetId(doc, frame, PROP_FirstPgf) : 0;
  while (pgf == 0 && frame != 0) {
    frame = F_ApiGetId(doc, frame, PROP_NextTextFrameInFlow);
    if (frame != 0) pgf = F_ApiGetId(doc, frame, PROP_FirstPgf);
  }
  return pgf;
}

// visit(pgf, place) for every paragraph of the document's body flows.
template <class Visit>
void WalkFlows(F_ObjHandleT doc, Visit &&visit) {
  for (F_ObjHandleT flow = F_ApiGetId(0, doc, PROP_FirstFlowInDoc); flow != 0;
       flow = F_ApiGetId(doc, flow, PROP_NextFlowInDoc))
    WalkPgfChain(doc, FirstPgfOfFlow(doc, flow), PgfPlace::Flow, visit);
}

// visit(pgf, place) for every paragraph of the document's tables: cells, then title.
template <class Visit>
void WalkTables(F_ObjHandleT doc, Visit &&visit) {
  for (F_ObjHandleT tbl = F_ApiGetId(0, doc, PROP_FirstTblInDoc); tbl != 0;
       tbl = F_ApiGetId(doc, tbl, PROP_NextTblInDoc)) {
    for (F_ObjHandleT row = F_ApiGetId(doc, tbl, PROP_FirstRowInTbl); row != 0;
         row = F_ApiGetId(doc, row, PROP_NextRowInTbl))
      for (F_ObjHandleT cell = F_ApiGetId(doc, row, PROP_FirstCellInRow); cell != 0;
           cell = F_ApiGetId(doc, cell, PROP_NextCellInRow))
        WalkPgfChain(doc, F_ApiGetId(doc, cell, PROP_FirstPgf), PgfPlace::Cell, visit);
    WalkPgfChain(doc, F_ApiGetId(doc, tbl, PROP_FirstPgf), PgfPlace::Title, visit);
  }
}

// The whole document walk: body flows, then tables.
template <class Visit>
void WalkDocument(F_ObjHandleT doc, Visit &&visit) {
  WalkFlows(doc, visit);
  WalkTables(doc, visit);
}

// visit(fmt) for every format of the catalogue; the successor is read before the visit.
template <class Visit>
void WalkCatalogue(F_ObjHandleT doc, Visit &&visit) {
  F_ObjHandleT fmt = F_ApiGetId(0, doc, PROP_FirstPgfFmtInDoc);
  while (fmt != 0) {
    F_ObjHandleT next = F_ApiGetId(doc, fmt, PROP_NextPgfFmtInDoc);
    visit(fmt);
    fmt = next;
  }
}

}  // namespace qvclient
