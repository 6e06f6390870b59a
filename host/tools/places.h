// What the host's own tools (check, explain) share: the documents of --doc or --book, opened
// one at a time, and where each paragraph is as a person finds it in an office suite: its
// file, its story (body, a header or footer, a note, a table cell, a text box, a comment), its
// number in that story and the start of its text.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "host/formats/style_refs.h"
#include "host/model/model.h"

namespace qvhost::tools {

// Exit statuses of the tools, stable for scripts.
constexpr int kClean = 0;     // nothing to report
constexpr int kFindings = 1;  // something to report (check: an error finding)
constexpr int kError = 2;     // a bad command line, an unreadable file, a bad list

struct Place {
  Handle pgf = 0;
  std::string story;  // "body", "footer of page style \"Default\"", "table 2, row 1, cell 3"
  int number = 0;     // 1 for the first paragraph of its story
  std::string tag;
  std::string snippet;  // the first 60 characters of its text, on one line
  bool override_ = false;
};

// Every paragraph of the document in the order of the document walk, placed with what the
// model holds and what its file adds (`facts`: notes, comments, text boxes).
std::vector<Place> PlacesOf(const Model &m, const Doc &d, const StyleFacts &facts);

// The first `max` characters (not bytes) of a text, tabs and line ends as spaces.
std::string Snippet(const std::string &text, size_t max = 60);

// A file name as the tools print it: relative to the working folder when it lies below it.
std::string Shown(const std::string &path);

// Opens --doc or --book (see OpenTarget) and calls `each` with every document: the document
// itself, or each component of the book in order, opened and closed in turn so that a large
// book is never all in memory. Returns kError, with the reason printed, when a file cannot be
// read; otherwise what the last `each` returned is ignored and kClean is returned. `each`
// returns false to stop with kError (it printed why).
int ForEachDocument(Model &m, const std::string &doc, const std::vector<std::string> &books,
                    const std::function<bool(const Doc &)> &each);

// The common part of the tools' command lines: --doc FILE, or --book ARG as `run` takes it (a
// book file, a folder, or repeated for several documents). Returns true when argv[i] was one of
// them (consuming its value); sets `bad` on a missing value.
bool TargetOption(int argc, char **argv, int &i, std::string &doc, std::vector<std::string> &books,
                  bool &bad);

}  // namespace qvhost::tools
