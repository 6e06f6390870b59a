// New OpenDocument Text files from model documents: the documents the client makes (listings,
// tag lists, conversion tables, tag reports) and any other document that was not read from an
// .odt, written as a package an office suite opens.
//
// The catalogue becomes the named paragraph styles of styles.xml, in catalogue order, with the
// characteristics ODF can express; the body flows become text:p paragraphs in order, each
// followed by the tables anchored in it as table:table with their column widths, rows and cells;
// a paragraph that differs from its format gets an automatic style of its own holding the
// difference.
#pragma once

#include <string>

#include "host/model/model.h"

namespace qvhost {

// Writes `d` to `path` as a new .odt package, atomically. False with `err` set when it cannot.
bool WriteNewOdt(const Model &m, const Doc &d, const std::string &path, std::string &err);

// The ODF style name for a format name: letters, digits, '-', '.' and bytes of multi-byte
// characters stay, every other byte becomes _xx_ (hex), as office suites name "Text body"
// Text_20_body; a name starting with a digit gets the same treatment for its first byte.
std::string OdfStyleName(const std::string &name);

}  // namespace qvhost
