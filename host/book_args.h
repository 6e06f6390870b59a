// The book a command line names with --book: a book file (.book, .odm), or a book made on the
// spot from documents, so that nobody has to write a book file to run a book command on a
// documentation tree:
//   --book DIR                     the folder's .odt and .docx files, in the byte order of their
//                                  names; subfolders are not entered and hidden files skipped
//   --book FILE [--book FILE]...   the documents named, in that order (one document is a book
//                                  of one file)
// A made book is named after its folder, and what a run saves stays in that folder's tree (for
// named files, the deepest folder holding them all).
#pragma once

#include <string>
#include <vector>

#include "host/model/model.h"

namespace qvhost {

// Opens or makes the book and returns its handle; 0 with `err` (one line) when an argument
// cannot be read or a folder holds no document. `saveRoot` is the folder the book saves in.
Handle OpenBookArgs(Model &m, const std::vector<std::string> &args, std::string &saveRoot,
                    std::string &err);

// Whether the file holds a book rather than a document.
bool HoldsBook(Model &m, const std::string &path);

}  // namespace qvhost
