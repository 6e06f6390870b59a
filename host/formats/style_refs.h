// What a document's file says about its paragraph styles beyond what the model holds: the
// style each style is based on, where a paragraph sits inside its story (which note, text box
// or comment), and the places outside paragraphs that name a paragraph style (linked
// character styles, numbering levels, index and table-of-contents sources and entries, note
// settings, fields, document settings). Next-style links are in the model's catalogue and are not
// repeated here.
//
// Read only: the adapters keep no XML trees, so the parts are read again from the file the
// document was read from, with the adapter's own walks, and refused when they are no longer
// the bytes that were read.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "host/model/model.h"

namespace qvhost {

// One place outside paragraphs that names a paragraph style.
struct StyleRef {
  enum Kind : uint8_t { Linked, Numbering, IndexSource, IndexEntry, NoteStyle, Field, Setting };
  std::string style;  // the style named, as the catalogue names it
  Kind kind = Field;
  std::string by;        // what names it: "character style \"Heading 1 Char\"", "list 3 level 2"
  bool dropped = false;  // deleting the style removes the reference (else it names nothing)
  bool follows = false;  // deleting the style makes it name the style its paragraphs carry then
};
const char *StyleRefKindName(StyleRef::Kind k);

struct StyleFacts {
  std::map<std::string, std::string> parent;  // style -> the style it is based on
  std::map<Handle, std::string> within;       // paragraph -> "footnote 2", "comment 1", ...
  std::vector<StyleRef> refs;
};

// Fills `out` for a document read from an OpenDocument or WordprocessingML file; a document of
// another format (or a new one) has nothing beyond the model and gives empty facts. False with
// `err` when the file can no longer be read as it was.
bool ReadStyleFacts(const Model &m, const Doc &d, StyleFacts &out, std::string &err);

namespace odt {
struct OdtSource;
bool ReadFacts(const Model &m, const Doc &d, const OdtSource &src, StyleFacts &out,
               std::string &err);
}  // namespace odt
namespace docx {
struct Source;
bool ReadFacts(const Model &m, const Doc &d, const Source &src, StyleFacts &out, std::string &err);
}  // namespace docx

}  // namespace qvhost
