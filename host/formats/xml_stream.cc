// Reading large parts as they are inflated.
#include "host/formats/xml_stream.h"

#include <cstring>

#include "host/formats/package.h"

namespace qvhost {

namespace {

constexpr size_t npos = std::string::npos;

bool IsPrefix(std::string_view have, std::string_view of) {
  return have.size() < of.size() && of.substr(0, have.size()) == have;
}

// Whether an attribute value of the start tag `tag`, read as the parser reads it, is one of
// `names`.
bool TagNamesValue(std::string_view tag, const std::unordered_set<std::string_view> &names) {
  for (size_t i = 1; i < tag.size() && tag[i] != '>'; ++i) {
    if (tag[i] != '"' && tag[i] != '\'') continue;
    size_t close = tag.find(tag[i], i + 1);
    if (close == npos) return true;
    std::string_view v = tag.substr(i + 1, close - i - 1);
    if (names.count(v)) return true;
    if (v.find_first_of("&\t\n\r") != npos) {  // read as the parser reads it
      std::string probe = "<a a=\"" + std::string(v) + "\"/>";
      pugi::xml_document d;
      if (!d.load_buffer(probe.data(), probe.size(), kXmlParseOptions, pugi::encoding_utf8) ||
          names.count(d.first_child().attribute("a").value()))
        return true;
    }
    i = close;
  }
  return false;
}

}  // namespace

// --- markup ----------------------------------------------------------------------------------

bool XmlTokens::Next(Token &t) {
  if (open_ == npos) {
    size_t lt = buf_.find('<', at_);
    if (lt == npos) {
      at_ = buf_.size();
      return false;
    }
    open_ = lt;
    scan_ = lt + 1;
    quote_ = 0;
  }
  std::string_view s = buf_;
  std::string_view from = s.substr(open_);
  // Comments, character data and processing instructions end at their own terminator (which
  // may sit after a '>'); a search resumes a little before where the last one stopped.
  static const std::pair<std::string_view, std::string_view> kSections[] = {
      {"<!--", "-->"}, {"<![CDATA[", "]]>"}, {"<?", "?>"}};
  for (const auto &[opening, closing] : kSections) {
    if (IsPrefix(from, opening)) return false;  // not yet known which markup this is
    if (from.substr(0, opening.size()) != opening) continue;
    size_t start = std::max(open_ + opening.size(), scan_ >= 2 ? scan_ - 2 : 0);
    size_t e = s.find(closing, start);
    if (e == npos) {
      scan_ = s.size();
      return false;
    }
    t = {kOther, open_, e + closing.size(), {}};
    at_ = t.end;
    open_ = npos;
    return true;
  }
  // A tag (or a declaration): it ends at the first '>' outside quotes.
  size_t i = scan_;
  for (; i < s.size(); ++i) {
    char c = s[i];
    if (quote_) {
      if (c == quote_) quote_ = 0;
    } else if (c == '"' || c == '\'') {
      quote_ = c;
    } else if (c == '>') {
      break;
    }
  }
  if (i == s.size()) {
    scan_ = i;
    return false;
  }
  t.begin = open_;
  t.end = i + 1;
  if (from.size() > 1 && from[1] == '!') {
    t.kind = kOther;
    t.name = {};
  } else {
    bool end = from.size() > 1 && from[1] == '/';
    t.kind = end ? kEnd : s[i - 1] == '/' ? kEmpty : kStart;
    size_t n = open_ + (end ? 2 : 1);
    size_t stop = n;
    while (stop < i && !std::strchr(" \t\r\n/>", s[stop])) ++stop;
    t.name = s.substr(n, stop - n);
  }
  at_ = t.end;
  open_ = npos;
  return true;
}

size_t XmlTokens::Drop(size_t keep) {
  buf_.erase(0, keep);
  at_ -= keep;
  if (open_ != npos) {
    open_ -= keep;
    scan_ -= keep;
  }
  return keep;
}

// --- the body in batches ---------------------------------------------------------------------

BodyStream::BodyStream(std::string what, XmlPart &head, Handler h)
    : what_(std::move(what)), head_(head), h_(std::move(h)), hash_(kFnv1aBasis) {}

bool BodyStream::Feed(std::string_view bytes, std::string &err) {
  hash_ = Fnv1aMore(hash_, bytes);
  size_ += bytes.size();
  tokens_.Feed(bytes);
  return phase_ == kWhole || Pump(err);
}

bool BodyStream::Read(const Package &pkg, std::string &err) {
  return pkg.ReadChunks(
             what_, [&](std::string_view piece) { return Feed(piece, err); }, err) &&
         End(err);
}

bool BodyStream::Pump(std::string &err) {
  XmlTokens::Token t;
  while (phase_ != kWhole && tokens_.Next(t)) {
    bool ok = true;
    if (t.kind == XmlTokens::kEnd)
      ok = Pop(t, err);
    else if (t.kind != XmlTokens::kOther)
      ok = Push(t, err);
    else if (phase_ == kBody && open_.size() == bodyDepth_ && t.end - batch_ >= kBatch)
      ok = Batch(t.end, err);
    if (!ok) return false;
  }
  return true;
}

bool BodyStream::Push(const XmlTokens::Token &t, std::string &err) {
  if (open_.size() + 1 > kMaxXmlDepth) {
    err = what_ + ": elements nested deeper than " + std::to_string(kMaxXmlDepth);
    return false;
  }
  if (phase_ == kHead && open_.empty()) return Root(t);
  size_t depth = open_.size();  // below the root: the path's element `depth - 1`
  bool onPath = phase_ == kHead && depth == matched_ + 1 && matched_ < path_.size() &&
                t.name == path_[matched_];
  if (t.kind == XmlTokens::kEmpty) {
    if (onPath && matched_ + 1 == path_.size()) return HeadDone(t.end, false, err);
    if (phase_ == kBody && depth == bodyDepth_ && t.end - batch_ >= kBatch)
      return Batch(t.end, err);
    return true;
  }
  open_.emplace_back(t.name);
  if (onPath && ++matched_ == path_.size()) return HeadDone(t.end, true, err);
  return true;
}

bool BodyStream::Pop(const XmlTokens::Token &t, std::string &err) {
  if (open_.empty() || open_.back() != t.name) {
    return Malformed("end tag </" + std::string(t.name) + "> does not match at byte " +
                         std::to_string(dropped_ + t.begin),
                     err);
  }
  if (phase_ == kBody && open_.size() == bodyDepth_) {
    if (!Batch(t.begin, err)) return false;
    // What follows the body is checked as a part of its own, under the body's ancestors.
    open_.pop_back();
    for (const std::string &name : open_) tail_ += "<" + name + ">";
    dropped_ += tokens_.Drop(t.end - t.begin);  // the batch took what came before the tag
    phase_ = kTail;
    return true;
  }
  if (phase_ == kHead && matched_ > 0 && open_.size() == matched_ + 1) --matched_;
  open_.pop_back();
  if (phase_ == kBody && open_.size() == bodyDepth_ && t.end - batch_ >= kBatch)
    return Batch(t.end, err);
  return true;
}

bool BodyStream::Root(const XmlTokens::Token &t) {
  std::string tag(tokens_.Buffer(), t.begin, t.end - t.begin - 1);  // without its '>'
  tag += t.kind == XmlTokens::kStart ? "/>" : ">";
  pugi::xml_document d;
  if (!d.load_buffer(tag.data(), tag.size(), kXmlParseOptions, pugi::encoding_utf8) ||
      !d.document_element()) {
    phase_ = kWhole;  // the parse of the whole part says what is wrong
    return true;
  }
  path_ = h_.path(d.document_element());
  if (path_.empty() || t.kind == XmlTokens::kEmpty) {
    phase_ = kWhole;
    return true;
  }
  open_.emplace_back(t.name);
  return true;
}

bool BodyStream::HeadDone(size_t end, bool bodyOpen, std::string &err) {
  std::string head(tokens_.Buffer(), 0, end);
  for (auto it = open_.rbegin(); it != open_.rend(); ++it) head += "</" + *it + ">";
  if (!head_.Parse(std::move(head), what_, err) || !h_.head(err)) return false;
  dropped_ += tokens_.Drop(end);
  batch_ = 0;
  if (bodyOpen) {
    phase_ = kBody;
    bodyDepth_ = open_.size();
  } else {
    phase_ = kTail;
    for (const std::string &name : open_) tail_ += "<" + name + ">";
  }
  return true;
}

bool BodyStream::Malformed(const std::string &detail, std::string &err) const {
  err = what_ + ": not well-formed XML (" + detail + ")";
  return false;
}

bool BodyStream::Load(std::string_view prefix, std::string_view bytes, size_t base,
                      unsigned options, pugi::xml_document &d, std::string &err) const {
  if (std::string bad = XmlTextFault(bytes, base); !bad.empty()) return Malformed(bad, err);
  std::string joined;
  if (!prefix.empty()) joined.append(prefix).append(bytes);
  std::string_view all = prefix.empty() ? bytes : std::string_view(joined);
  pugi::xml_parse_result r = d.load_buffer(all.data(), all.size(), options, pugi::encoding_utf8);
  if (r) return true;
  auto at = static_cast<size_t>(r.offset);
  return Malformed(std::string(r.description()) + " at byte " +
                       std::to_string(base + (at > prefix.size() ? at - prefix.size() : 0)),
                   err);
}

bool BodyStream::Batch(size_t end, std::string &err) {
  pugi::xml_document batch;
  if (!Load({}, std::string_view(tokens_.Buffer()).substr(batch_, end - batch_), dropped_ + batch_,
            kXmlParseOptions | pugi::parse_fragment, batch, err) ||
      !h_.body(batch, err))
    return false;
  dropped_ += tokens_.Drop(end);
  batch_ = 0;
  return true;
}

bool BodyStream::End(std::string &err) {
  if (phase_ == kHead || phase_ == kWhole) {  // no body: the part is its own head
    std::string all = tokens_.Take();
    if (!head_.Parse(std::move(all), what_, err) || !h_.head(err)) return false;
  } else if (phase_ == kBody || tokens_.Inside()) {
    return Malformed("the part ends inside an element", err);
  } else {
    pugi::xml_document rest;
    if (!Load(tail_, tokens_.Buffer(), dropped_, kXmlParseOptions, rest, err)) return false;
  }
  head_.hash = hash_;
  head_.size = size_;
  return true;
}

// --- attribute values ------------------------------------------------------------------------

void ValueFinder::Feed(std::string_view bytes) {
  if (found_) return;
  tokens_.Feed(bytes);
  XmlTokens::Token t;
  size_t used = 0;
  while (!found_ && tokens_.Next(t)) {
    if (t.kind == XmlTokens::kStart || t.kind == XmlTokens::kEmpty)
      found_ = TagNamesValue(std::string_view(tokens_.Buffer()).substr(t.begin, t.end - t.begin),
                             names_);
    used = t.end;
  }
  tokens_.Drop(tokens_.Inside() ? used : tokens_.Buffer().size());
}

bool ScanPart(const Package &pkg, const std::string &name,
              const std::unordered_set<std::string_view> &names, PartScan &out, std::string &err,
              const std::function<void(std::string_view)> &each) {
  ValueFinder finder(names);
  out = {kFnv1aBasis, 0, false};
  bool read = pkg.ReadChunks(
      name,
      [&](std::string_view piece) {
        out.hash = Fnv1aMore(out.hash, piece);
        out.size += piece.size();
        if (each) each(piece);
        finder.Feed(piece);
        return !finder.Found(false);
      },
      err);
  out.named = finder.Found(true);
  return read || out.named;
}

bool AnyAttributeValueIn(std::string_view bytes,
                         const std::unordered_set<std::string_view> &names) {
  ValueFinder f(names);
  f.Feed(bytes);
  return f.Found(true);
}

}  // namespace qvhost
