/* Paragraph usage: which tags of a document (or of several documents in turn) some paragraph
 * carries, and which catalogue tags none carries. */
#ifndef QUORVEX_CLIENT_USAGE_H
#define QUORVEX_CLIENT_USAGE_H

#include <quorvex/fdestrlist.h>
#include <quorvex/fdetypes.h>

QUORVEX_BEGIN_DECLS

/* Comparator for F_StrListSort: F_StrCmp of the two entries (byte order, case-sensitive). */
int fn(const void *a, const void *b);

/* Adds to `used` every tag a paragraph of the document carries (the first spelling met,
 * ignoring case) and to `unused` every catalogue tag that no paragraph carries (exact
 * spelling); a tag of `unused` that a paragraph carries is taken off it. Both lists are
 * sorted with fn afterwards. The same pair may be passed for several documents in turn. A
 * catalogue format whose exact name some paragraph carries is never put on `unused`. */
VoidT ListParagraphUsageRoutine(F_ObjHandleT docId, StringListT used, StringListT unused);

QUORVEX_END_DECLS

#ifdef __cplusplus
#include <string>
#include <unordered_set>

namespace qvclient {

// A tag name with case folded (the host character set's lower case), the form in which names
// that differ only in case compare equal; null is the empty name.
std::string Folded(ConStringT s);

// The usage routine with memory: hash indexes over the two lists, so that each paragraph costs
// constant time however long the lists are, and the exact tag names met so far, so that over
// several documents a format whose exact name an earlier document's paragraphs carry is not
// taken for unused. The lists must be changed only through this object while it lives.
class UsageScan {
 public:
  UsageScan(StringListT used, StringListT unused);
  void Scan(F_ObjHandleT doc);
  StringListT used() const { return used_; }
  StringListT unused() const { return unused_; }

 private:
  void MeetPgfTag(ConStringT name);
  void MeetFormat(ConStringT name);

  StringListT used_, unused_;
  std::unordered_set<std::string> usedFolded_;  // used entries, case folded
  std::unordered_set<std::string> unusedExact_;
  std::unordered_set<std::string> carried_;  // exact tags of paragraphs met, and used entries
};

}  // namespace qvclient
#endif

#endif /* QUORVEX_CLIENT_USAGE_H */
