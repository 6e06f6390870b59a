// XML parts of document packages, through pugixml: parsed safely, edited as a tree, and
// written back so that only the elements that changed differ from the bytes that were read.
//
// A part with a document type declaration is refused before it is parsed: no part of the
// formats the host reads has one, and a declaration is how entity expansion gets in. Parts
// must be UTF-8 (office suites write nothing else), and the bytes are checked to be so before
// parsing (the parser itself does not), with no NUL character, raw or as a reference: the
// text the model takes from a part is therefore well-formed UTF-8 that C strings carry whole.
// Elements may nest at most kMaxXmlDepth deep; the walks over a part's tree may then recurse.
//
// Writing splices: an element whose start tag, child elements and descendants are as they
// were read is copied byte for byte from the original part; an element whose attributes
// changed gets a new start tag (its unchanged attributes keep their original text); elements
// added to the tree are written by pugixml. Removing an element removes its bytes and nothing
// around it. Text, comments and processing instructions that were read are not edited in
// place: to change them, replace the element that holds them.
#pragma once

#include <pugixml.hpp>

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>

namespace qvhost {

// The deepest element nesting a part may have (the root element is at depth 1). Far above what
// office suites write (nested lists, tables and sections stay below a hundred), and low enough
// that every walk over a tree can recurse without any risk to the stack.
constexpr size_t kMaxXmlDepth = 512;

// How every part is parsed: white space, comments and processing instructions are kept, so
// that what was read can be written back as it was.
constexpr unsigned kXmlParseOptions =
    pugi::parse_default | pugi::parse_ws_pcdata | pugi::parse_comments | pugi::parse_pi;

// What in the bytes would not reach the model whole, or could not be written back as XML: a
// malformed UTF-8 sequence, a NUL or other control character, or a reference to a character
// XML does not allow (the parser would decode "&#0;" to a NUL that ends a C string, a surrogate
// to bytes that are not UTF-8), with where it is (the bytes start at `base` of their part).
// Empty when there is none.
std::string XmlTextFault(std::string_view bytes, size_t base = 0);

struct XmlPart {
  pugi::xml_document doc;
  uint64_t hash = 0;  // of the bytes it was parsed from
  size_t size = 0;    // their length

  // Parses `bytes`; false with `err` ("<what>: ...") when they are not well-formed UTF-8 XML,
  // carry a document type declaration or a NUL character, or nest deeper than kMaxXmlDepth.
  bool Parse(const std::string &bytes, const std::string &what, std::string &err);
  // The same, parsing in place: the part keeps `bytes` (no second copy of a large part).
  bool Parse(std::string &&bytes, const std::string &what, std::string &err);
  // The part as it now stands, spliced into `original` (the bytes Parse was given; the caller
  // checks they are the same with Matches()).
  std::string Write(const std::string &original) const;
  bool Matches(const std::string &original) const;
  pugi::xml_node Root() const { return doc.document_element(); }

 private:
  bool Check(const std::string &bytes, const std::string &what, std::string &err);
  bool Loaded(const pugi::xml_parse_result &r, const std::string &what, std::string &err);
  std::string buffer_;  // what an in-place parse reads from
};

// FNV-1a of bytes that may come in pieces: `h` is the hash of those before (kFnv1aBasis for
// none).
constexpr uint64_t kFnv1aBasis = 1469598103934665603ull;
uint64_t Fnv1aMore(uint64_t h, std::string_view s);
inline uint64_t Fnv1a(std::string_view s) {
  return Fnv1aMore(kFnv1aBasis, s);
}

// Whether an attribute value of a part's bytes, read as the parser reads it, is one of
// `names`: found in one pass over its tags without parsing the part (what a save that need not
// edit a large part asks before parsing it). Bytes cut short count as naming one.
bool AnyAttributeValueIn(std::string_view bytes, const std::unordered_set<std::string_view> &names);

// The local part of a qualified name ("text:p" -> "p").
inline std::string_view LocalName(const char *qname) {
  std::string_view s(qname);
  size_t c = s.find(':');
  return c == std::string_view::npos ? s : s.substr(c + 1);
}

}  // namespace qvhost
