// Tag lists and conversion tables: made in new output documents, found again among the open
// documents by their heading cell, and applied to a document or to every file of a book.
#include <quorvex/fapi.h>
#include <quorvex/fdebase.h>

#include "client/quorvex.h"
#include "client/usage.h"
#include "client/walk.h"

namespace qvclient {
namespace {

const char kAskKeepOnly[] = "Are you sure you want to keep only the paragraph tags listed?";
const char kAskConvert[] = "Are you sure you want to convert paragraph tags?";
const char kAskConvertBook[] =
    "Are you sure you want to convert paragraph tags for all files in the book?";
const char kMsgNoKeepList[] = "The list of paragraph tags to keep could not be found.";
const char kMsgNoConvList[] = "The list of paragraph tags to convert could not be found.";

std::string OrEmpty(ConStringT s) {
  return s ? s : "";
}

// The text of the first paragraph of a cell.
StringT CellText(F_ObjHandleT doc, F_ObjHandleT cell) {
  return GetParagraphText(doc, F_ApiGetId(doc, cell, PROP_FirstPgf));
}

// Puts an insertion point at the start of the cell's first paragraph and types text there.
void TypeIntoCell(F_ObjHandleT doc, F_ObjHandleT cell, ConStringT text) {
  F_TextRangeT at;
  at.beg.objId = F_ApiGetId(doc, cell, PROP_FirstPgf);
  at.beg.offset = 0;
  at.end = at.beg;
  F_ApiSetTextRange(0, doc, PROP_TextSelection, &at);
  F_ApiAddText(doc, &at.beg, text);
}

// Sets the width of the cell's column to 144 points, when the table has such a column.
void SetColumnWidth(F_ObjHandleT doc, F_ObjHandleT tbl, F_ObjHandleT cell) {
  F_MetricsT widths = F_ApiGetMetrics(doc, tbl, PROP_TblColWidths);
  IntT col = F_ApiGetInt(doc, cell, PROP_CellColNum);
  if (widths.items && col >= 0 && static_cast<UIntT>(col) < widths.count) {
    widths.items[col] = QV_TABLE_COLUMN_WIDTH;
    F_ApiSetMetrics(doc, tbl, PROP_TblColWidths, &widths);
  }
  F_ApiDeallocateMetrics(&widths);
}

// Create Paragraph Tag List (conversion false) and Create Conversion Document (true), for
// the target document or for the whole book.
Outcome CreateTable(const Targets &t, bool conversion, bool book) {
  if (!book && t.doc == 0) {
    Alert(kMsgOpenDocFirst, VAL_AlertNote);
    return Outcome::EndAtOnce;
  }
  static ConStringT kItems[] = {"Empty", "Paragraph Tags in Use", "All Paragraph Tags"};
  F_StringsT items;
  items.count = 3;
  items.items = const_cast<StringT *>(kItems);
  IntT chosen = -1;
  if (F_ApiScrollBox(&chosen, "Choose a list type", &items, -1) != 0) return Outcome::EndAtOnce;
  if (chosen < 0 || chosen > 2) return Outcome::EndAtOnce;  // no such item: as cancelled

  TagLists lists;
  if (chosen != 0) {
    UsageScan scan(lists.used(), lists.unused());
    if (book) {
      BookPass pass;
      pass.prefix = "Examining: ";
      pass.step = [&](F_ObjHandleT doc) { scan.Scan(doc); };
      RunBookPass(t.book, pass);
    } else {
      scan.Scan(t.doc);
    }
  }

  F_ObjHandleT out = CreateOutputDocument();
  F_TextRangeT sel = F_ApiGetTextRange(0, out, PROP_TextSelection);
  if (sel.beg.objId == 0) return Outcome::EndAtOnce;

  UIntT used = chosen ? F_StrListLen(lists.used()) : 0;
  UIntT unused = chosen == 2 ? F_StrListLen(lists.unused()) : 0;
  IntT rows = chosen == 0 ? 10 : static_cast<IntT>(used + unused);
  F_ObjHandleT tbl = F_ApiNewTable(out, "Format A", conversion ? 2 : 1, rows, 1, 0, &sel.beg);
  F_ApiSetInt(out, tbl, PROP_TblInitSetting, 0);

  F_ObjHandleT row = F_ApiGetId(out, tbl, PROP_FirstRowInTbl);
  F_ObjHandleT cell = F_ApiGetId(out, row, PROP_FirstCellInRow);
  SetColumnWidth(out, tbl, cell);
  F_ObjHandleT second = 0;
  if (conversion) {
    second = F_ApiGetId(out, cell, PROP_NextCellInRow);
    SetColumnWidth(out, tbl, second);
  }
  TypeIntoCell(out, cell, conversion ? kMarkerSourceTag : kMarkerTagsToKeep);
  if (conversion) TypeIntoCell(out, second, kMarkerDestinationTag);

  auto typeRows = [&](StringListT list, UIntT n) {
    for (UIntT i = 0; i < n; ++i) {
      row = F_ApiGetId(out, row, PROP_NextRowInTbl);
      TypeIntoCell(out, F_ApiGetId(out, row, PROP_FirstCellInRow), F_StrListGet(list, i));
    }
  };
  typeRows(lists.used(), used);
  typeRows(lists.unused(), unused);
  return Outcome::EndSteps;
}

Outcome RemoveNonlist(const Targets &t, bool book) {
  F_ObjHandleT listDoc = GetConversionDocId(kMarkerTagsToKeep);
  if (listDoc == 0) {
    Alert(kMsgNoKeepList, VAL_AlertWarning);
    return Outcome::EndSteps;
  }
  F_ObjHandleT tbl = GetSpecialTableId(listDoc, kMarkerTagsToKeep);
  if (!Confirm(kAskKeepOnly)) return Outcome::EndSteps;
  // The list is read once, before any file changes: a book pass may close the document
  // that holds it.
  KeepList keep = ReadKeepList(listDoc, tbl);
  if (!keep.ok) {
    Alert(kMsgNoKeepList, VAL_AlertWarning);
    return Outcome::EndSteps;
  }
  if (!book) {
    DeleteFormatsNotKept(t.doc, keep);
    return Outcome::EndSteps;
  }
  BookPass pass;
  pass.prefix = "Processing: ";
  pass.save = true;
  pass.step = [&](F_ObjHandleT doc) { DeleteFormatsNotKept(doc, keep); };
  RunBookPass(t.book, pass);
  return Outcome::EndSteps;
}

Outcome Convert(const Targets &t, bool book) {
  if (!book && t.doc == 0) {
    Alert(kMsgOpenDocFirst, VAL_AlertNote);
    return Outcome::EndAtOnce;
  }
  F_ObjHandleT convDoc = GetConversionDocId(kMarkerSourceTag);
  if (convDoc == 0) {
    Alert(kMsgNoConvList, VAL_AlertWarning);
    return Outcome::EndSteps;
  }
  F_ObjHandleT tbl = GetSpecialTableId(convDoc, kMarkerSourceTag);
  if (!Confirm(book ? kAskConvertBook : kAskConvert)) return Outcome::EndSteps;
  if (!book) {
    ConvertParagraphs(t.doc, convDoc, tbl);
    return Outcome::EndSteps;
  }
  BookPass pass;
  pass.prefix = "Processing: ";
  pass.save = true;
  pass.step = [&](F_ObjHandleT doc) { ConvertParagraphs(doc, convDoc, tbl); };
  RunBookPass(t.book, pass);
  return Outcome::EndSteps;
}

// The conversion table's destination for the tag n: the second cell of the first row whose
// first cell reads n. False when no row matches.
bool LookUpConversion(F_ObjHandleT cdoc, F_ObjHandleT ctbl, ConStringT n, StringT *dst) {
  for (F_ObjHandleT row = F_ApiGetId(cdoc, ctbl, PROP_FirstRowInTbl); row != 0;
       row = F_ApiGetId(cdoc, row, PROP_NextRowInTbl)) {
    F_ObjHandleT cell = F_ApiGetId(cdoc, row, PROP_FirstCellInRow);
    StringT src = CellText(cdoc, cell);
    bool match = F_StrEqual(src, n);
    F_Free(src);
    if (match) {
      *dst = CellText(cdoc, F_ApiGetId(cdoc, cell, PROP_NextCellInRow));
      return true;
    }
  }
  return false;
}

struct Converter {
  F_ObjHandleT doc, cdoc, ctbl;

  void Retag(F_ObjHandleT pgf) {
    StringT tag = F_ApiGetString(doc, pgf, PROP_Name);
    StringT dst = nullptr;
    if (LookUpConversion(cdoc, ctbl, tag, &dst)) ApplyStyle(doc, pgf, dst);
    F_Free(dst);
    F_ApiDeallocateString(&tag);
  }

  // Rewrites the next tag of a format or paragraph that uses one.
  void RewriteNextTag(F_ObjHandleT obj) {
    if (F_ApiGetInt(doc, obj, PROP_UseNextTag) != 1) return;
    StringT next = F_ApiGetString(doc, obj, PROP_NextTag);
    StringT dst = nullptr;
    if (LookUpConversion(cdoc, ctbl, next, &dst) && F_ApiGetNamedObject(doc, OBJ_PgfFmt, dst) != 0)
      F_ApiSetString(doc, obj, PROP_NextTag, dst);
    F_Free(dst);
    F_ApiDeallocateString(&next);
  }
};

}  // namespace

KeepList ReadKeepList(F_ObjHandleT listDoc, F_ObjHandleT tbl) {
  KeepList keep;
  for (F_ObjHandleT row = tbl ? F_ApiGetId(listDoc, tbl, PROP_FirstRowInTbl) : 0; row != 0;
       row = F_ApiGetId(listDoc, row, PROP_NextRowInTbl)) {
    StringT text = CellText(listDoc, F_ApiGetId(listDoc, row, PROP_FirstCellInRow));
    if (keep.names.empty() && !F_StrPrefix(text, kMarkerTagsToKeep)) {
      F_Free(text);
      return keep;  // not a keep list (or no longer readable)
    }
    keep.names.push_back(OrEmpty(text));
    F_Free(text);
  }
  keep.ok = !keep.names.empty();
  return keep;
}

// A listed name keeps every format of that name in any case: the list of tags in use holds one
// spelling of names that differ only in case (the first met), and an unedited list must not
// delete the other spellings, which are in use too.
void DeleteFormatsNotKept(F_ObjHandleT doc, const KeepList &keep) {
  if (!keep.ok) return;
  std::unordered_set<std::string> names;
  for (const std::string &n : keep.names) names.insert(Folded(n.c_str()));
  WalkCatalogue(doc, [&](F_ObjHandleT fmt) {
    StringT name = F_ApiGetString(doc, fmt, PROP_Name);
    if (!names.count(Folded(name))) F_ApiDelete(doc, fmt);
    F_ApiDeallocateString(&name);
  });
}

Outcome RunTagListCommand(IntT id, const Targets &t) {
  switch (id) {
    case CMD_CreateParagraphList:
      return CreateTable(t, false, false);
    case CMD_CreateConversionDocument:
      return CreateTable(t, true, false);
    case CMD_CreateParagraphListBook:
      return CreateTable(t, false, true);
    case CMD_CreateConversionDocumentBook:
      return CreateTable(t, true, true);
    case CMD_RemoveNonlistParagraphs:
      return RemoveNonlist(t, false);
    case CMD_RemoveNonlistParagraphsBook:
      return RemoveNonlist(t, true);
    case CMD_ConvertParagraphsInDoc:
      return Convert(t, false);
    case CMD_ConvertParagraphsBook:
      return Convert(t, true);
    default:
      return Outcome::EndSteps;
  }
}

}  // namespace qvclient

using namespace qvclient;

extern "C" {

F_ObjHandleT GetSpecialTableId(F_ObjHandleT docId, ConStringT marker) {
  for (F_ObjHandleT tbl = F_ApiGetId(0, docId, PROP_FirstTblInDoc); tbl != 0;
       tbl = F_ApiGetId(docId, tbl, PROP_NextTblInDoc)) {
    F_ObjHandleT row = F_ApiGetId(docId, tbl, PROP_FirstRowInTbl);
    if (row == 0) continue;
    StringT text = CellText(docId, F_ApiGetId(docId, row, PROP_FirstCellInRow));
    bool found = F_StrPrefix(text, marker);
    F_Free(text);
    if (found) return tbl;
  }
  return 0;
}

F_ObjHandleT GetConversionDocId(ConStringT marker) {
  for (F_ObjHandleT doc = F_ApiGetId(0, 0, PROP_FirstOpenDoc); doc != 0;
       doc = F_ApiGetId(doc, doc, PROP_NextOpenDoc))
    if (GetSpecialTableId(doc, marker) != 0) return doc;
  return 0;
}

VoidT DeleteParagraphs(F_ObjHandleT docId, F_ObjHandleT listDocId, F_ObjHandleT tblId) {
  DeleteFormatsNotKept(docId, ReadKeepList(listDocId, tblId));
}

VoidT ConvertParagraphs(F_ObjHandleT docId, F_ObjHandleT convDocId, F_ObjHandleT tblId) {
  Converter c{docId, convDocId, tblId};
  IntT saved = F_ApiGetInt(docId, docId, PROP_DocBatchFlag);
  F_ApiSetInt(docId, docId, PROP_DocBatchFlag, 1);
  WalkCatalogue(docId, [&](F_ObjHandleT fmt) { c.RewriteNextTag(fmt); });
  auto visit = [&](F_ObjHandleT pgf, PgfPlace place) {
    c.Retag(pgf);
    if (place != PgfPlace::Title) c.RewriteNextTag(pgf);
  };
  WalkFlows(docId, visit);
  WalkTables(docId, visit);
  F_ApiSetInt(docId, docId, PROP_DocBatchFlag, saved);
}

}  // extern "C"
