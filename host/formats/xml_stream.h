// Large parts read in one pass as they are inflated, without their whole tree or their whole
// bytes in memory at any time.
//
// A document's body holds nearly all of its part: `BodyStream` parses what comes before the
// body's first child (and closes what is open there) as the part's head, then hands the body's
// children over in batches of whole elements, each parsed on its own and let go once handed
// over. Every byte is checked as XmlPart::Parse checks a whole part (UTF-8, no NUL, no
// document type declaration, nesting at most kMaxXmlDepth, well-formed), so a part that Parse
// refuses is refused here too, with the same reasons.
//
// `ValueFinder` answers AnyAttributeValueIn for a part fed to it piece by piece.
#pragma once

#include <pugixml.hpp>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "host/formats/xml.h"

namespace qvhost {

class Package;

// Splits XML bytes, fed as they come, into markup; the text between markup is left in the
// buffer for whoever keeps ranges of it. A tag cut off at the end of what was fed is resumed
// where its scan stopped, so no byte is scanned twice however the bytes are cut.
class XmlTokens {
 public:
  enum Kind : uint8_t { kStart, kEmpty, kEnd, kOther };  // kOther: comment, PI, CDATA, <!..>
  struct Token {
    Kind kind;
    size_t begin, end;      // offsets into Buffer(), end just past the markup
    std::string_view name;  // of a start, empty or end tag
  };
  void Feed(std::string_view bytes) { buf_.append(bytes); }
  // The next whole piece of markup; false when what was fed ends before one does.
  bool Next(Token &t);
  const std::string &Buffer() const { return buf_; }
  // Forgets the bytes before `keep` (offsets then count from it); returns how many went.
  size_t Drop(size_t keep);
  // The bytes fed and not dropped, taken out (the tokens start afresh).
  std::string Take() {
    std::string all = std::move(buf_);
    *this = XmlTokens();
    return all;
  }
  // Whether markup began and did not end in what was fed.
  bool Inside() const { return open_ != std::string::npos; }

 private:
  std::string buf_;
  size_t at_ = 0;                    // where the search for markup goes on
  size_t open_ = std::string::npos;  // where the markup being scanned began
  size_t scan_ = 0;                  // how far it was scanned
  char quote_ = 0;                   // the quote a tag's scan is inside
};

class BodyStream {
 public:
  struct Handler {
    // The root element (its start tag alone) was read: the qualified names of the elements
    // from below the root to the body, or none to parse the whole part as its head.
    std::function<std::vector<std::string>(pugi::xml_node root)> path;
    // The head is parsed (into the XmlPart given to the constructor), with an empty body.
    std::function<bool(std::string &err)> head;
    // A batch of the body's children, as the children of `batch`, in document order.
    std::function<bool(pugi::xml_node batch, std::string &err)> body;
  };
  // `what` names the part in messages ("content.xml").
  BodyStream(std::string what, XmlPart &head, Handler h);
  bool Feed(std::string_view bytes, std::string &err);
  bool End(std::string &err);
  // Feeds the package's entry of the part's name, as it is inflated, and ends.
  bool Read(const Package &pkg, std::string &err);
  // The hash (Fnv1a) and length of every byte fed.
  uint64_t Hash() const { return hash_; }
  size_t Size() const { return size_; }

  // Bytes of body a batch gathers before it is parsed and handed over.
  static constexpr size_t kBatch = size_t{64} << 10;

 private:
  enum Phase { kHead, kBody, kTail, kWhole };
  bool Pump(std::string &err);
  bool Push(const XmlTokens::Token &t, std::string &err);
  bool Pop(const XmlTokens::Token &t, std::string &err);
  bool Root(const XmlTokens::Token &t);
  bool HeadDone(size_t end, bool bodyOpen, std::string &err);
  bool Batch(size_t end, std::string &err);
  bool Malformed(const std::string &detail, std::string &err) const;  // false, with err
  // Checks `bytes` (at `base` of the part) and parses them after `prefix` (made up, not of the
  // part) into `d`.
  bool Load(std::string_view prefix, std::string_view bytes, size_t base, unsigned options,
            pugi::xml_document &d, std::string &err) const;

  std::string what_;
  XmlPart &head_;
  Handler h_;
  XmlTokens tokens_;
  Phase phase_ = kHead;
  std::vector<std::string> open_, path_;
  size_t matched_ = 0;    // elements of the path open, below the root
  size_t bodyDepth_ = 0;  // the body's depth, root 1
  size_t batch_ = 0;      // where the batch being gathered begins
  size_t dropped_ = 0;    // bytes let go before the buffer's first
  std::string tail_;      // after the body: what stays of the part, to be checked at its end
  uint64_t hash_;
  size_t size_ = 0;
};

class ValueFinder {
 public:
  explicit ValueFinder(const std::unordered_set<std::string_view> &names) : names_(names) {}
  void Feed(std::string_view bytes);
  // Whether an attribute value named one of the names; bytes cut short count as naming one.
  bool Found(bool atEnd) const { return found_ || (atEnd && tokens_.Inside()); }

 private:
  const std::unordered_set<std::string_view> &names_;
  XmlTokens tokens_;
  bool found_ = false;
};

// A part of a package read as it is inflated and not held: its hash and length, and whether an
// attribute value names one of `names` (the read stops there, and the hash is then of what
// was read). `each`, when given, sees every piece too. False with `err` when the part cannot be
// read.
struct PartScan {
  uint64_t hash = 0;
  size_t size = 0;
  bool named = false;
};
bool ScanPart(const Package &pkg, const std::string &name,
              const std::unordered_set<std::string_view> &names, PartScan &out, std::string &err,
              const std::function<void(std::string_view)> &each = nullptr);

}  // namespace qvhost
