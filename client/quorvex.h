/* The command layer: entry callbacks, client-call ids, the command dispatcher with its book
 * passes, and the paragraph operations the command flows run. */
#ifndef QUORVEX_CLIENT_QUORVEX_H
#define QUORVEX_CLIENT_QUORVEX_H

#include <quorvex/fapi.h>
#include <quorvex/fdestrlist.h>
#include <quorvex/fdetypes.h>

#include "client/codes.h"
#include "client/usage.h"
#include "client/utils.h"

QUORVEX_BEGIN_DECLS

/* Document / book the next command acts on instead of the active one; 0 = none. Set by the
 * client calls "SetDocId <n>" and "SetBookId <n>", cleared by the command's end steps. */
extern F_ObjHandleT CallClientDocId;
extern F_ObjHandleT CallClientBookId;
/* Back to the state of a freshly started process: a client linked into the host's process
 * starts again without one. */
VoidT QvResetClient(VoidT);

/* Deletes every catalogue format of the document whose name is not in the first column of
 * the keep-list table. The list is read once before anything changes; when it cannot be read
 * (no table, no heading row "Tags to Keep") nothing is deleted. */
VoidT DeleteParagraphs(F_ObjHandleT docId, F_ObjHandleT listDocId, F_ObjHandleT tblId);

/* Retags paragraphs and rewrites next-tag settings by the conversion table (source tag in a
 * row's first cell, destination tag in its second). */
VoidT ConvertParagraphs(F_ObjHandleT docId, F_ObjHandleT convDocId, F_ObjHandleT tblId);

/* Gives every overridden paragraph its tag's format again. */
VoidT RemoveParagraphOverrides(F_ObjHandleT docId);

/* First open document holding a table whose first cell begins with the marker; 0 if none. */
F_ObjHandleT GetConversionDocId(ConStringT marker);
/* First table of the document whose first cell begins with the marker; 0 if none. */
F_ObjHandleT GetSpecialTableId(F_ObjHandleT docId, ConStringT marker);

QUORVEX_END_DECLS

#ifdef __cplusplus
#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

namespace qvclient {

// How a command flow ends: with the end steps (clear the client-call ids, bail out), or at
// once, leaving the ids set and the client serving callbacks.
enum class Outcome { EndSteps, EndAtOnce };

struct Targets {
  F_ObjHandleT doc = 0;
  F_ObjHandleT book = 0;
};

// Texts the commands show.
extern const char kMsgOpenDocFirst[];
extern const char kMsgNoInsertionPoint[];
extern const char kMsgEndOfDocument[];
extern const char kMsgEndOfTable[];
extern const char kMarkerTagsToKeep[];
extern const char kMarkerSourceTag[];
extern const char kMarkerDestinationTag[];

// One loop over a book's components: open each (the component open list), show the prefix
// and the file's base name on the book's status line, run the step on the opened document
// (0 when the open failed), then save it under its own name if the pass saves, and close it,
// unless it was open before the pass (then it stays open, saved if the pass saves).
struct BookPass {
  const char *prefix = "";
  bool save = false;
  std::function<void(F_ObjHandleT doc)> step;
  std::function<void()> afterClose;  // runs after the component is closed (or left open)
  const std::unordered_set<F_ObjHandleT> *only = nullptr;  // components to visit; null: all
  std::unordered_set<F_ObjHandleT> *opened = nullptr;      // receives the components that opened
};
void RunBookPass(F_ObjHandleT book, const BookPass &pass);

// The reallocation the string utilities grow strings with (F_Realloc); replaceable so that
// tests can make it fail. Returns the previous one; null restores F_Realloc.
using ReallocFn = PtrT (*)(PtrT block, UIntT size, UIntT flags);
ReallocFn SetStringRealloc(ReallocFn fn);

// The file name of a full path without its folder, at most 254 bytes; null for a null or
// empty path (no file path).
StringT PathBaseName(ConStringT path);

// Shows a text in an alert of the given type and returns the host's answer.
IntT Alert(const char *text, IntT type);
// Asks an OK/Cancel question; true only when the user chose OK.
bool Confirm(const char *question);
// The message for a failed append to a tag list, on standard error.
void WarnListMemory();

// A pair of tag lists made with F_StrListNew(1, 1), released with the object.
class TagLists {
 public:
  TagLists();
  ~TagLists();
  TagLists(const TagLists &) = delete;
  TagLists &operator=(const TagLists &) = delete;
  StringListT used() const { return used_; }
  StringListT unused() const { return unused_; }
  bool ok() const { return used_ && unused_; }

 private:
  StringListT used_, unused_;
};

// Writes the used and unused names as "Body" lines under their "Heading2" headings.
void WriteUsageSections(F_ObjHandleT out, StringListT used, StringListT unused);
// The whole listing: the name as "Heading1", then the two sections.
void WriteUsageListing(F_ObjHandleT out, ConStringT name, StringListT used, StringListT unused);

// The keep list of a "Tags to Keep" table, read once; `ok` false when it could not be read.
struct KeepList {
  bool ok = false;
  std::vector<std::string> names;
};
KeepList ReadKeepList(F_ObjHandleT listDoc, F_ObjHandleT tbl);
void DeleteFormatsNotKept(F_ObjHandleT doc, const KeepList &keep);

// The command flows, by family. Each receives the resolved targets.
Outcome RunUsageCommand(IntT id, const Targets &t);     // 1, 2, 9, 10, 18
Outcome RunTagListCommand(IntT id, const Targets &t);   // 3, 4, 5, 6, 11, 12, 13, 14
Outcome RunOverrideCommand(IntT id, const Targets &t);  // 7, 8, 15

}  // namespace qvclient
#endif

#endif /* QUORVEX_CLIENT_QUORVEX_H */
