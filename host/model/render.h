// Documents as a person reads them: plain text with one line per paragraph and its tag, or a
// simple HTML page. Tables appear after the paragraph they are anchored in (or, unanchored,
// after the flows), one line per row.
#pragma once

#include <string>
#include <vector>

#include "host/model/model.h"

namespace qvhost {

// What a document shows, in reading order: the paragraphs of its body flows, each followed by the
// tables anchored in it, then the tables anchored nowhere. The views and the writers of new
// office documents walk a document through this.
struct Block {
  const Pgf *pgf = nullptr;      // a paragraph, or
  const Table *table = nullptr;  // a table
};
// With `dropTrailingEmpty`, the empty last paragraph that every document written line by line
// ends with is left out.
std::vector<Block> DocBlocks(const Model &m, const Doc &d, bool dropTrailingEmpty = true);

// "Heading1  | Paragraph Tags Used:" style lines; the empty last paragraph that every
// document written line by line ends with is left out.
std::string DocText(const Model &m, const Doc &d);

// A complete HTML page: "Heading1" paragraphs as <h1>, "Heading2" as <h2>, everything else as
// <p> (with its tag as class when it is not "Body"), tables as <table>. Text is escaped.
std::string DocHtml(const Model &m, const Doc &d, const std::string &title);

// The menu tree below a menu: one line per item, indented two spaces per level, with its kind,
// label and name (and number and shortcut for commands).
std::string MenuTree(const Model &m, Handle menu, int depth = 0);

}  // namespace qvhost
