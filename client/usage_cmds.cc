// List Paragraph Usage (document, book combined, book file by file) and Delete Unused
// Paragraph Tags (document, book).
#include <memory>
#include <string>
#include <unordered_set>

#include <quorvex/fapi.h>
#include <quorvex/fdebase.h>

#include "client/quorvex.h"
#include "client/walk.h"

namespace qvclient {
namespace {

const char kAskDeleteUnused[] = "Are you sure you want to delete unused paragraph tags?";
const char kAskDeleteUnusedBook[] =
    "Are you sure you want to delete unused paragraph tags for all files in the book?";

// Deletes every catalogue format of the document named on the unused list (exactly).
void DeleteUnusedFormats(F_ObjHandleT doc, StringListT unused) {
  std::unordered_set<std::string> names;
  for (UIntT i = 0; i < F_StrListLen(unused); ++i) {
    ConStringT s = F_StrListGet(unused, i);
    names.insert(s ? s : "");
  }
  WalkCatalogue(doc, [&](F_ObjHandleT fmt) {
    StringT name = F_ApiGetString(doc, fmt, PROP_Name);
    if (names.count(name ? name : "")) F_ApiDelete(doc, fmt);
    F_ApiDeallocateString(&name);
  });
}

void WriteListingNamed(F_ObjHandleT out, StringT name, StringListT used, StringListT unused) {
  WriteUsageListing(out, name, used, unused);
  F_Free(name);
}

Outcome ListDocument(const Targets &t) {
  if (t.doc == 0) {
    Alert(kMsgOpenDocFirst, VAL_AlertNote);
    return Outcome::EndAtOnce;
  }
  TagLists lists;
  UsageScan(lists.used(), lists.unused()).Scan(t.doc);
  F_ObjHandleT out = CreateOutputDocument();
  WriteListingNamed(out, GetDocumentName(t.doc), lists.used(), lists.unused());
  return Outcome::EndSteps;
}

Outcome ListBook(const Targets &t) {
  TagLists lists;
  UsageScan scan(lists.used(), lists.unused());
  BookPass pass;
  pass.prefix = "Examining: ";
  pass.step = [&](F_ObjHandleT doc) { scan.Scan(doc); };
  RunBookPass(t.book, pass);
  F_ObjHandleT out = CreateOutputDocument();
  WriteListingNamed(out, GetBookName(t.book), lists.used(), lists.unused());
  return Outcome::EndSteps;
}

Outcome ListBookByFile(const Targets &t) {
  F_ObjHandleT out = CreateOutputDocument();
  StringT bookName = GetBookName(t.book);
  WriteToOutputDocument(out, bookName, QV_TAG_HEADING1);
  F_Free(bookName);
  std::unique_ptr<TagLists> lists;
  BookPass pass;
  pass.prefix = "Examining: ";
  pass.step = [&](F_ObjHandleT doc) {
    lists = std::make_unique<TagLists>();
    UsageScan(lists->used(), lists->unused()).Scan(doc);
    StringT name = GetDocumentName(doc);
    WriteToOutputDocument(out, name, QV_TAG_HEADING1);
    F_Free(name);
    WriteToOutputDocument(out, "Paragraph Tags Used:", QV_TAG_HEADING2);
  };
  pass.afterClose = [&] {
    for (UIntT i = 0; i < F_StrListLen(lists->used()); ++i)
      WriteToOutputDocument(out, F_StrListGet(lists->used(), i), QV_TAG_BODY);
    WriteToOutputDocument(out, "Paragraph Tags Not Used:", QV_TAG_HEADING2);
    for (UIntT i = 0; i < F_StrListLen(lists->unused()); ++i)
      WriteToOutputDocument(out, F_StrListGet(lists->unused(), i), QV_TAG_BODY);
    lists.reset();
  };
  RunBookPass(t.book, pass);
  return Outcome::EndSteps;
}

Outcome DeleteUnusedDocument(const Targets &t) {
  if (t.doc == 0) {
    Alert(kMsgOpenDocFirst, VAL_AlertNote);
    return Outcome::EndAtOnce;
  }
  TagLists lists;
  UsageScan(lists.used(), lists.unused()).Scan(t.doc);
  if (Confirm(kAskDeleteUnused)) DeleteUnusedFormats(t.doc, lists.unused());
  return Outcome::EndSteps;
}

// The first pass finds the tags no file of the book uses; the second deletes them, only in
// the components that the first pass could open and examine.
Outcome DeleteUnusedBook(const Targets &t) {
  TagLists lists;
  UsageScan scan(lists.used(), lists.unused());
  std::unordered_set<F_ObjHandleT> examined;
  BookPass first;
  first.prefix = "Examining: ";
  first.step = [&](F_ObjHandleT doc) { scan.Scan(doc); };
  first.opened = &examined;
  RunBookPass(t.book, first);
  if (!Confirm(kAskDeleteUnusedBook)) return Outcome::EndSteps;
  BookPass second;
  second.prefix = "Removing Unused Tags: ";
  second.save = true;
  second.only = &examined;
  second.step = [&](F_ObjHandleT doc) { DeleteUnusedFormats(doc, lists.unused()); };
  RunBookPass(t.book, second);
  return Outcome::EndSteps;
}

}  // namespace

Outcome RunUsageCommand(IntT id, const Targets &t) {
  switch (id) {
    case CMD_ListParagraphUsage:
      return ListDocument(t);
    case CMD_ListParagraphUsageBook:
      return ListBook(t);
    case CMD_ListParagraphUsageBookIndFiles:
      return ListBookByFile(t);
    case CMD_DeleteUnusedParagraphs:
      return DeleteUnusedDocument(t);
    case CMD_DeleteUnusedParagraphsBook:
      return DeleteUnusedBook(t);
    default:
      return Outcome::EndSteps;
  }
}

}  // namespace qvclient
