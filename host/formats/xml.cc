// Parsing and spliced writing of package parts.
#include "host/formats/xml.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "host/utf8.h"

namespace qvhost {

namespace {

constexpr unsigned kParseOptions = kXmlParseOptions;
constexpr size_t npos = std::string::npos;

bool At(std::string_view s, size_t i, std::string_view p) {
  return s.substr(i, p.size()) == p;
}

// Where the root element starts, after the declaration, processing instructions, comments and
// white space; npos when something else (a document type declaration) comes first.
size_t RootStart(std::string_view s, bool &doctype) {
  size_t i = At(s, 0, "\xEF\xBB\xBF") ? 3 : 0;
  doctype = false;
  while (i < s.size()) {
    if (std::strchr(" \t\r\n", s[i])) {
      ++i;
    } else if (At(s, i, "<?")) {
      size_t e = s.find("?>", i + 2);
      if (e == npos) return npos;
      i = e + 2;
    } else if (At(s, i, "<!--")) {
      size_t e = s.find("-->", i + 4);
      if (e == npos) return npos;
      i = e + 3;
    } else {
      doctype = At(s, i, "<!");
      return s[i] == '<' && !doctype ? i : npos;
    }
  }
  return npos;
}

// The value of digit `c` in `base` (10 or 16), or -1.
int DigitValue(char c, int base) {
  if (c >= '0' && c <= '9') return c - '0';
  char l = static_cast<char>(c | 0x20);
  return base == 16 && l >= 'a' && l <= 'f' ? l - 'a' + 10 : -1;
}

// The code point a character reference ("&#10;", "&#x0A;") at `amp` names, capped at
// 0x110000; -1 when no reference starts there.
long CharRef(std::string_view s, size_t amp) {
  size_t i = amp + 2;
  int base = i < s.size() && s[i] == 'x' ? 16 : 10;
  if (base == 16) ++i;
  size_t first = i;
  long v = 0;
  for (int d; i < s.size() && (d = DigitValue(s[i], base)) >= 0; ++i)
    v = std::min(v * base + d, 0x110000L);
  return i > first && i < s.size() && s[i] == ';' ? v : -1;
}

// Whether XML allows the character (tab, line feed, carriage return and every Unicode scalar
// value from the space on, but U+FFFE and U+FFFF).
bool XmlChar(long c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
         (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// The depth of the deepest element in the tree under `root` (itself at depth 1), found without
// recursion: the tree may be far deeper than any recursive walk could follow.
size_t Deepest(pugi::xml_node root) {
  size_t depth = 1, deepest = 1;
  pugi::xml_node n = root;
  for (;;) {
    if (pugi::xml_node c = n.first_child()) {
      n = c;
      ++depth;
    } else {
      while (n != root && !n.next_sibling()) {
        n = n.parent();
        --depth;
      }
      if (n == root) return deepest;
      n = n.next_sibling();
    }
    if (n.type() == pugi::node_element) deepest = std::max(deepest, depth);
  }
}

// --- scanning the original bytes (known to be well-formed) ---------------------------------

// The end of the tag that starts at `lt` (just past its '>'), honouring quoted values.
size_t TagEnd(std::string_view s, size_t lt, bool &empty) {
  char quote = 0;
  for (size_t i = lt + 1; i < s.size(); ++i) {
    char c = s[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '>') {
      empty = s[i - 1] == '/';
      return i + 1;
    }
  }
  empty = true;
  return s.size();
}

// One element as it stands in the original: its start tag, and where each child element
// starts and ends.
struct Scanned {
  size_t begin = 0, tagEnd = 0, endTag = 0, end = 0;
  bool empty = false;
  struct Kid {
    size_t begin, end;
  };
  std::vector<Kid> kids;
};

// Skips what is not an element at `i` (text, comment, CDATA, processing instruction);
// returns the offset of the next '<' that starts an element or an end tag.
size_t NextTag(std::string_view s, size_t i) {
  while (i < s.size()) {
    size_t lt = s.find('<', i);
    if (lt == npos) return s.size();
    if (At(s, lt, "<!--")) {
      size_t e = s.find("-->", lt + 4);
      i = e == npos ? s.size() : e + 3;
    } else if (At(s, lt, "<![CDATA[")) {
      size_t e = s.find("]]>", lt + 9);
      i = e == npos ? s.size() : e + 3;
    } else if (At(s, lt, "<?")) {
      size_t e = s.find("?>", lt + 2);
      i = e == npos ? s.size() : e + 2;
    } else {
      return lt;
    }
  }
  return s.size();
}

// Where each element of the original ends, found in one pass over the part. Writing looks up
// every element it copies: scanning each one's bytes anew would cost the part's size times its
// depth.
class Extents {
 public:
  Extents(std::string_view s, size_t root) {
    std::vector<size_t> open;
    for (size_t i = NextTag(s, root); i < s.size(); i = NextTag(s, i)) {
      bool empty = false;
      size_t e = TagEnd(s, i, empty);
      if (At(s, i, "</")) {
        if (open.empty()) break;
        end_[open.back()] = e;
        open.pop_back();
      } else {
        begin_.push_back(i);
        end_.push_back(empty ? e : s.size());
        if (!empty) open.push_back(begin_.size() - 1);
      }
      if (open.empty()) break;
      i = e;
    }
  }
  // Just past the end of the element that starts at `lt` (the part's end when none does).
  size_t EndOf(size_t lt, size_t none) const {
    auto it = std::lower_bound(begin_.begin(), begin_.end(), lt);
    return it != begin_.end() && *it == lt ? end_[static_cast<size_t>(it - begin_.begin())] : none;
  }

 private:
  std::vector<size_t> begin_, end_;  // in document order
};

// The element starting at `lt`: its start tag, end tag and where its children are.
Scanned Scan(std::string_view s, size_t lt, const Extents &x) {
  Scanned r;
  r.begin = lt;
  r.tagEnd = TagEnd(s, lt, r.empty);
  if (r.empty) {
    r.endTag = r.end = r.tagEnd;
    return r;
  }
  r.end = x.EndOf(lt, s.size());
  size_t endTag = s.rfind('<', r.end - 1);  // an end tag holds no other '<'
  r.endTag = endTag == npos || endTag < r.tagEnd ? r.end : endTag;
  for (size_t i = NextTag(s, r.tagEnd); i < r.endTag; i = NextTag(s, i)) {
    size_t e = x.EndOf(i, r.endTag);
    r.kids.push_back({i, e});
    i = e;
  }
  return r;
}

// --- start tags ------------------------------------------------------------------------------

struct RawAttr {
  std::string_view name, text;  // text: from the white space before the name to the quote
  std::string_view value;       // as written between the quotes
};

std::vector<RawAttr> RawAttrs(std::string_view tag) {
  std::vector<RawAttr> out;
  size_t i = 1;
  while (i < tag.size() && !std::strchr(" \t\r\n/>", tag[i])) ++i;  // element name
  for (;;) {
    size_t ws = i;
    while (i < tag.size() && std::strchr(" \t\r\n", tag[i])) ++i;
    if (i >= tag.size() || tag[i] == '/' || tag[i] == '>') break;
    size_t n = i;
    while (i < tag.size() && !std::strchr(" \t\r\n=", tag[i])) ++i;
    std::string_view name = tag.substr(n, i - n);
    i = tag.find_first_of("\"'", i);
    if (i == npos) break;
    size_t close = tag.find(tag[i], i + 1);
    if (close == npos) break;
    out.push_back({name, tag.substr(ws, close + 1 - ws), tag.substr(i + 1, close - i - 1)});
    i = close + 1;
  }
  return out;
}

// Whether an attribute written as `raw` reads as `value`. Plain text is compared as it stands;
// text with references or white space to normalise is read by the parser itself, so that it
// reads exactly as it did when the part was parsed.
bool ReadsAs(std::string_view raw, const char *value) {
  if (raw.find_first_of("&\t\r\n") == npos) return raw == value;
  std::string probe = "<a a=\"";
  probe += raw;
  probe += "\"/>";
  pugi::xml_document d;
  return d.load_buffer(probe.data(), probe.size(), kParseOptions, pugi::encoding_utf8) &&
         std::strcmp(d.first_child().attribute("a").value(), value) == 0;
}

void EscapeAttr(std::string &out, const char *v) {
  for (; *v; ++v) {
    switch (*v) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\t':
        out += "&#9;";
        break;
      case '\n':
        out += "&#10;";
        break;
      case '\r':
        out += "&#13;";
        break;
      default:
        out += *v;
    }
  }
}

// Whether the node's attributes are, in order, those of its original start tag.
bool SameAttrs(pugi::xml_node n, const std::vector<RawAttr> &raw) {
  size_t k = 0;
  for (pugi::xml_attribute a : n.attributes()) {
    if (k >= raw.size() || raw[k].name != a.name() || !ReadsAs(raw[k].value, a.value()))
      return false;
    ++k;
  }
  return k == raw.size();
}

// The node's start tag as it now stands, without its closing '>'; attributes whose value is
// as it was keep their original text.
std::string NewStartTag(pugi::xml_node n, const std::vector<RawAttr> &raw) {
  std::string tag = "<";
  tag += n.name();
  for (pugi::xml_attribute a : n.attributes()) {
    const RawAttr *same = nullptr;
    for (const RawAttr &r : raw)
      if (r.name == a.name() && ReadsAs(r.value, a.value())) same = &r;
    if (same) {
      tag += same->text;
    } else {
      tag += ' ';
      tag += a.name();
      tag += "=\"";
      EscapeAttr(tag, a.value());
      tag += '"';
    }
  }
  return tag;
}

struct StringWriter : pugi::xml_writer {
  std::string *out;
  explicit StringWriter(std::string &o) : out(&o) {}
  void write(const void *data, size_t size) override {
    out->append(static_cast<const char *>(data), size);
  }
};

void Print(pugi::xml_node n, std::string &out) {
  StringWriter w(out);
  n.print(w, "", pugi::format_raw, pugi::encoding_utf8);
}

bool Original(pugi::xml_node n) {
  return n.offset_debug() >= 0;
}

// Writes element `n`, which starts at `lt` in the original; `end` is where it ends there.
// Returns true when what was written is the original unchanged.
bool Emit(std::string_view s, const Extents &x, pugi::xml_node n, size_t lt, std::string &out) {
  Scanned sc = Scan(s, lt, x);
  std::string_view tag = s.substr(lt, sc.tagEnd - lt);
  std::vector<RawAttr> raw = RawAttrs(tag);
  bool tagChanged = !SameAttrs(n, raw);
  std::string newTag = tagChanged ? NewStartTag(n, raw) : std::string();
  size_t mark = out.size();

  if (sc.empty) {
    if (!tagChanged && !n.first_child()) {
      out.append(tag);
      return true;
    }
    if (n.first_child())
      Print(n, out);
    else
      out += newTag + "/>";
    return false;
  }
  if (tagChanged) {
    out += newTag;
    out += '>';
  } else {
    out += tag;
  }
  bool clean = !tagChanged;
  auto gap = [&](size_t k) {  // the original text before child k
    size_t from = k == 0 ? sc.tagEnd : sc.kids[k - 1].end;
    out.append(s.substr(from, sc.kids[k].begin - from));
  };
  size_t next = 0;  // original children before `next` are written or dropped
  for (pugi::xml_node c : n.children()) {
    if (!Original(c)) {
      clean = false;
      Print(c, out);
      continue;
    }
    if (c.type() != pugi::node_element) continue;  // its bytes are in the gaps
    size_t at = static_cast<size_t>(c.offset_debug()) - 1, k = next;
    while (k < sc.kids.size() && sc.kids[k].begin != at) ++k;
    if (k == sc.kids.size()) {  // moved before another child: written anew
      clean = false;
      Print(c, out);
      continue;
    }
    for (; next < k; ++next) {  // removed children: the text around them stays
      gap(next);
      clean = false;
    }
    gap(k);
    clean &= Emit(s, x, c, sc.kids[k].begin, out);
    next = k + 1;
  }
  for (; next < sc.kids.size(); ++next) {
    gap(next);
    clean = false;
  }
  size_t from = sc.kids.empty() ? sc.tagEnd : sc.kids.back().end;
  out.append(s.substr(from, sc.endTag - from));
  out.append(s.substr(sc.endTag, sc.end - sc.endTag));
  if (clean) {  // byte for byte what was there
    out.resize(mark);
    out.append(s.substr(lt, sc.end - lt));
  }
  return clean;
}

}  // namespace

std::string XmlTextFault(std::string_view s, size_t base) {
  if (size_t at = Utf8ErrorAt(s); at != npos)
    return "malformed UTF-8 at byte " + std::to_string(base + at);
  for (size_t at = 0; at < s.size(); ++at)
    if (static_cast<unsigned char>(s[at]) < 0x20 && !XmlChar(s[at]))
      return std::string(s[at] ? "a control character" : "a NUL character") + " at byte " +
             std::to_string(base + at);
  for (size_t at = s.find("&#"); at != npos; at = s.find("&#", at + 2))
    if (long c = CharRef(s, at); c >= 0 && !XmlChar(c))
      return "a reference to a character not allowed in XML at byte " + std::to_string(base + at);
  return {};
}

uint64_t Fnv1aMore(uint64_t h, std::string_view s) {
  for (unsigned char c : s) h = (h ^ c) * 1099511628211ull;
  return h;
}

// Refuses what is not to be parsed at all; records the bytes' hash and size.
bool XmlPart::Check(const std::string &bytes, const std::string &what, std::string &err) {
  bool doctype = false;
  if (At(bytes, 0, "\xFF\xFE") || At(bytes, 0, "\xFE\xFF")) {
    err = what + ": UTF-16 XML is not supported";
    return false;
  }
  if (RootStart(bytes, doctype) == npos) {
    err =
        what + (doctype ? ": has a document type declaration (refused)" : ": not well-formed XML");
    return false;
  }
  if (std::string bad = XmlTextFault(bytes); !bad.empty()) {
    err = what + ": not well-formed XML (" + bad + ")";
    return false;
  }
  hash = Fnv1a(bytes);
  size = bytes.size();
  return true;
}

bool XmlPart::Loaded(const pugi::xml_parse_result &r, const std::string &what, std::string &err) {
  if (r && doc.document_element() && Deepest(doc.document_element()) <= kMaxXmlDepth) return true;
  if (r && doc.document_element())
    err = what + ": elements nested deeper than " + std::to_string(kMaxXmlDepth);
  else
    err = what + ": not well-formed XML";
  if (!r) err += std::string(" (") + r.description() + " at byte " + std::to_string(r.offset) + ")";
  doc.reset();
  buffer_.clear();
  return false;
}

bool XmlPart::Parse(const std::string &bytes, const std::string &what, std::string &err) {
  return Check(bytes, what, err) &&
         Loaded(doc.load_buffer(bytes.data(), bytes.size(), kParseOptions, pugi::encoding_utf8),
                what, err);
}

bool XmlPart::Parse(std::string &&bytes, const std::string &what, std::string &err) {
  if (!Check(bytes, what, err)) return false;
  buffer_ = std::move(bytes);
  return Loaded(
      doc.load_buffer_inplace(buffer_.data(), buffer_.size(), kParseOptions, pugi::encoding_utf8),
      what, err);
}

bool XmlPart::Matches(const std::string &original) const {
  return original.size() == size && Fnv1a(original) == hash;
}

std::string XmlPart::Write(const std::string &original) const {
  pugi::xml_node root = Root();
  size_t lt = static_cast<size_t>(root.offset_debug()) - 1;
  std::string out(original.substr(0, lt));
  out.reserve(original.size() + 256);
  Extents x(original, lt);
  Emit(original, x, root, lt, out);
  out.append(original.substr(Scan(original, lt, x).end));
  return out;
}

}  // namespace qvhost
