// What a run changed in each document it saved (or would have saved): the state of a document
// when it is read from its file is kept, and compared with its state when it is saved. The
// comparison is linear in the size of the document.
//
// Counted: paragraph formats whose name left the catalogue, paragraphs whose tag changed,
// paragraphs that had an override and have none, and next-tag references rewritten (of formats
// that stayed, and of paragraphs that kept their tag). What a file format adjusts when it writes
// a document (a deleted style's children rebased onto its parent, links to it in the file) is
// not in the model and is not counted.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/model/model.h"

namespace qvhost {

struct ChangeCounts {
  int stylesDeleted = 0, pgfsRetagged = 0, overridesRemoved = 0, refsRewritten = 0;
  ChangeCounts &operator+=(const ChangeCounts &o);
};

class ChangeLog {
 public:
  // Keeps the state of a document just read from its file.
  void Loaded(const Model &m, Handle doc);
  // Compares the document with its kept state, adds the difference to what is recorded for
  // `path`, and keeps its state now as the state to compare a later save with.
  void Saved(const Model &m, Handle doc, const std::string &path);

  struct Entry {
    std::string path;
    ChangeCounts counts;
  };
  // One entry per file saved, in the order of first save.
  const std::vector<Entry> &Entries() const { return entries_; }

  // A state to compare with, public for the comparison's helpers. A document holds far more
  // paragraphs than distinct tags: a paragraph's tag and next tag are kept as indexes into the
  // state's one list of the names met.
  struct PgfState {  // one per paragraph: packed
    Handle h;
    uint32_t tag;        // in `names`
    uint32_t next : 31;  // in `names`
    uint32_t override_ : 1;
  };
  struct DocState {
    std::vector<std::string> fmts;
    std::unordered_map<std::string, std::string> nextTags;  // format name -> its next tag
    std::vector<std::string> names;
    std::vector<PgfState> pgfs;
  };

 private:
  std::unordered_map<Handle, DocState> states_;
  std::vector<Entry> entries_;
};

// "2 styles deleted, 5 paragraphs retagged, 0 overrides removed, 1 reference rewritten".
std::string DescribeCounts(const ChangeCounts &c);

}  // namespace qvhost
