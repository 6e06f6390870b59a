// Suggested merges of paragraph styles: a style is a clone of another when the model computes the
// same characteristics for both and their names differ only in a way copying, pasting and
// importing produce. doc/suggest-merges.md states the rules.
#pragma once

#include <string>
#include <vector>

#include "host/model/model.h"

namespace qvhost {

struct MergeRow {
  std::string name;    // a paragraph format of the documents
  std::string target;  // the original it is a clone of, or empty
};

// Every paragraph format name of the documents, in the order of the client's lists of all tags
// (names some paragraph carries, then the others, each in byte order), with its merge target.
std::vector<MergeRow> SuggestMerges(const Model &m, const std::vector<Handle> &docs);

// A new document, made from the client's output template as the client makes its conversion
// document, holding the conversion table of `rows` ("Source Tag" | "Destination Tag").
// 0 with `err` when it cannot be made.
Handle MakeConversionDoc(Model &m, const std::vector<MergeRow> &rows, std::string &err);

}  // namespace qvhost
