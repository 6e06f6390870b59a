// Text utilities, styling, names and the output document.
#include "client/utils.h"

#include <quorvex/fapi.h>
#include <quorvex/fdebase.h>
#include <quorvex/fdepath.h>

#include "client/codes.h"
#include "client/quorvex.h"

namespace qvclient {
namespace {
ReallocFn g_realloc = F_Realloc;
}
ReallocFn SetStringRealloc(ReallocFn fn) {
  ReallocFn old = g_realloc;
  g_realloc = fn ? fn : F_Realloc;
  return old;
}
}  // namespace qvclient

using qvclient::g_realloc;

extern "C" {

StringT CreateStringFromTextItems(const TextItemsT *items) {
  if (!items || !items->items) return nullptr;
  StringT result = nullptr;
  bool started = false;
  for (UIntT i = 0; i < items->count; ++i) {
    const TextItemT &item = items->items[i];
    if (item.dataType != TI_String) continue;
    if (!started) {
      started = true;
      result = F_StrCopyString(item.data.sdata);
      continue;
    }
    StringT piece = F_StrCopyString(item.data.sdata);
    if (!piece) continue;  // a null piece adds nothing
    PtrT grown = g_realloc(result, F_StrLen(result) + F_StrLen(piece) + 1, 0);
    if (!grown) {  // out of memory: keep what has been joined so far
      F_Free(piece);
      break;
    }
    result = static_cast<StringT>(grown);
    F_StrCat(result, piece);
    F_Free(piece);
  }
  return result;
}

StringT GetParagraphText(F_ObjHandleT docId, F_ObjHandleT pgfId) {
  F_TextRangeT range;
  range.beg.objId = pgfId;
  range.beg.offset = 0;
  range.end.objId = pgfId;
  range.end.offset = VAL_ObjEndOffset;
  TextItemsT items = F_ApiGetTextForRange(docId, &range, TI_String);
  StringT text = CreateStringFromTextItems(&items);
  F_ApiDeallocateTextItems(&items);
  return text;
}

StringT ConcatenateString(ConStringT a, ConStringT b) {
  StringT s = F_StrNew(F_StrLen(a) + F_StrLen(b) + 1);
  if (!s) return nullptr;
  F_StrCat(s, a);
  F_StrCat(s, b);
  return s;
}

VoidT AppendString(StringT *s, ConStringT t) {
  if (!s) return;
  if (!*s) {
    *s = F_StrCopyString(t ? t : "");
    return;
  }
  PtrT grown = g_realloc(*s, F_StrLen(*s) + F_StrLen(t) + 1, 0);
  if (!grown) return;  // out of memory: *s stays as it was, still owned by the caller
  *s = static_cast<StringT>(grown);
  F_StrCat(*s, t);
}

VoidT PrependString(StringT s, ConStringT p) {
  if (!s) return;
  StringT joined = ConcatenateString(p, s);
  if (!joined) return;
  F_StrCpy(s, joined);
  F_Free(joined);
}

VoidT TrimString(StringT s, IntT n) {
  if (!s || n <= 0) return;
  UIntT len = F_StrLen(s);
  if (static_cast<UIntT>(n) >= len) {
    s[0] = '\0';
    return;
  }
  for (UIntT i = 0; i + static_cast<UIntT>(n) <= len; ++i) s[i] = s[i + n];
}

VoidT ApplyStyle(F_ObjHandleT docId, F_ObjHandleT pgfId, ConStringT tag) {
  F_ObjHandleT fmt = F_ApiGetNamedObject(docId, OBJ_PgfFmt, tag);
  if (fmt == 0) return;
  if (F_ApiGetInt(docId, pgfId, PROP_PgfLocked) != 0) return;
  F_PropValsT props = F_ApiGetProps(docId, fmt);
  F_ApiSetProps(docId, pgfId, &props);
  F_ApiDeallocatePropVals(&props);
}

}  // extern "C"

namespace qvclient {

StringT PathBaseName(ConStringT path) {
  FilePathT *fp = F_PathNameToFilePath(path, nullptr, 0);
  if (!fp) return nullptr;  // no file path
  StringT name = F_FilePathBaseName(fp);
  F_FilePathFree(fp);
  return name;
}

}  // namespace qvclient

namespace {

StringT BaseNameOr(ConStringT path, ConStringT fallback) {
  StringT name = qvclient::PathBaseName(path);
  return name ? name : F_StrCopyString(fallback);
}

}  // namespace

extern "C" {

StringT GetDocumentName(F_ObjHandleT docId) {
  StringT path = F_ApiGetString(docId, docId, PROP_Name);
  StringT name = BaseNameOr(path, "Untitled");
  F_ApiDeallocateString(&path);
  return name;
}

StringT GetBookName(F_ObjHandleT bookId) {
  StringT path = F_ApiGetString(0, bookId, PROP_Name);
  StringT name = BaseNameOr(path, "Untitled");
  F_ApiDeallocateString(&path);
  return name;
}

F_ObjHandleT CreateOutputDocument(VoidT) {
  StringT path = F_ApiGetString(0, 0, PROP_ClientDirectory);
  AppendString(&path, "/");
  AppendString(&path, "KVOutput.fm");
  F_ObjHandleT doc = F_ApiSimpleNewDoc(path, 0);
  if (doc == 0)
    doc = F_ApiCustomDoc(0x2400000, 0x3180000, 1, 0x480000, 0x480000, 0x480000, 0x480000, 0x480000,
                         0, 1);
  F_ApiDeallocateString(&path);
  return doc;
}

VoidT WriteToOutputDocument(F_ObjHandleT outDocId, ConStringT text, ConStringT tag) {
  F_ObjHandleT flow = F_ApiGetId(0, outDocId, PROP_MainFlowInDoc);
  F_ObjHandleT frame = F_ApiGetId(outDocId, flow, PROP_LastTextFrameInFlow);
  F_ObjHandleT pgf = F_ApiGetId(outDocId, frame, PROP_LastPgf);
  F_TextRangeT range;
  range.beg.objId = pgf;
  range.beg.offset = 0;
  range.end = range.beg;
  F_ApiSetTextRange(0, outDocId, PROP_TextSelection, &range);
  F_TextLocT loc = F_ApiAddText(outDocId, &range.beg, text ? text : "");
  if (tag) ApplyStyle(outDocId, pgf, tag);
  F_ApiAddText(outDocId, &loc, "\n");
}

}  // extern "C"
