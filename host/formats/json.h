// The host's own format: documents and books as readable JSON files. A document file holds its
// display units, page size, colours, pages, paragraph catalogue (only the characteristics that
// differ from the defaults), flows with their frames and paragraphs, tables with their anchor,
// title and rows, the selection and the current page; a book file lists its component files,
// relative to the book's folder. Lengths are written in points; a paragraph or table cell is
// addressed by its place ({"flow": 0, "pgf": 3}, {"table": 1, "row": 0, "cell": 1, "pgf": 0},
// {"table": 1, "title": 0}). Writing a model object and reading it back gives the same object.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "host/model/model.h"
#include "host/model/units.h"

namespace qvhost {

// The deepest nesting of arrays and objects a JSON file may have: room for element trees
// kMaxElementDepth deep (two levels for each element, three more for its attributes), far
// beyond what documents hold. Deeper files are refused before anything is built from them.
constexpr int kMaxJsonDepth = 1024;
constexpr int kMaxElementDepth = (kMaxJsonDepth - 4) / 2;

// Builds a document or book (by the file's "type") from JSON; `path` becomes its name (and, for
// a book, the folder its component names are relative to). Returns 0 and sets `err` when the
// JSON does not describe one; nothing is left behind in the model then.
Handle FromJson(Model &m, const nlohmann::json &j, const std::string &path, std::string &err);
nlohmann::json DocToJson(const Model &m, const Doc &d);
// Component names are written relative to `dir` when they lie below it.
nlohmann::json BookToJson(const Model &m, const Book &b, const std::string &dir);

// Reads a JSON file and builds from it (0 with `err` set on a missing, non-regular or malformed
// file, one larger than kMaxJsonSize or nested deeper than kMaxJsonDepth). Texts must not hold
// a NUL character.
Handle LoadJson(Model &m, const std::string &path, std::string &err);
// Writes the document or book as JSON to `path` atomically, with the checks of AtomicFile
// (atomic_file.h). The object itself is not changed. A document whose element tree is deeper
// than kMaxElementDepth is refused (it could not be read back).
bool SaveJson(const Model &m, Handle docOrBook, const std::string &path, std::string &err);

}  // namespace qvhost
