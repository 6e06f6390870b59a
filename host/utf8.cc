// Checking and repairing UTF-8.
#include "host/utf8.h"

#include <algorithm>

namespace qvhost {

namespace {

// A control character XML does not allow (all below the space but tab, line feed and return).
bool BadControl(char c) {
  return static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r';
}

// The length of the well-formed sequence at `i`, or 0 when the bytes there are not one.
size_t SequenceAt(std::string_view s, size_t i) {
  auto at = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char c = at(i);
  if (c < 0x80) return 1;
  // Lead byte: length, and the range the second byte must fall in (which excludes overlong
  // forms, surrogates and values past U+10FFFF).
  size_t n;
  unsigned char lo = 0x80, hi = 0xBF;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    if (c == 0xE0) lo = 0xA0;
    if (c == 0xED) hi = 0x9F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    if (c == 0xF0) lo = 0x90;
    if (c == 0xF4) hi = 0x8F;
  } else {
    return 0;
  }
  if (i + n > s.size() || at(i + 1) < lo || at(i + 1) > hi) return 0;
  for (size_t k = 2; k < n; ++k)
    if ((at(i + k) & 0xC0) != 0x80) return 0;
  return n;
}

}  // namespace

size_t Utf8ErrorAt(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    size_t n = SequenceAt(s, i);
    if (!n) return i;
    i += n;
  }
  return std::string_view::npos;
}

std::string Utf8Repaired(std::string_view s) {
  if (Utf8ErrorAt(s) == std::string_view::npos && std::none_of(s.begin(), s.end(), BadControl))
    return std::string(s);
  std::string out;
  out.reserve(s.size() + 8);
  for (size_t i = 0; i < s.size();) {
    size_t n = BadControl(s[i]) ? 0 : SequenceAt(s, i);
    if (n) {
      out.append(s.substr(i, n));
      i += n;
    } else {
      out += "\xEF\xBF\xBD";
      ++i;
    }
  }
  return out;
}

}  // namespace qvhost
