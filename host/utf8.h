// Text the host keeps is UTF-8 throughout: the model's strings, the XML it writes and its JSON
// files. Bytes from outside (file parts, strings a client sends) are checked here once, where
// they come in, so that nothing downstream meets a malformed sequence.
#pragma once

#include <string>
#include <string_view>

namespace qvhost {

// The offset of the first byte of `s` that does not start a well-formed UTF-8 sequence
// (overlong forms, surrogates and code points above U+10FFFF are malformed), or npos when
// all of `s` is well formed.
size_t Utf8ErrorAt(std::string_view s);

// `s` with each malformed sequence, and each control character XML does not allow (a NUL or
// any other below the space but tab, line feed and return), replaced by U+FFFD (the
// replacement character): what is left can be written into XML and JSON as it is.
std::string Utf8Repaired(std::string_view s);

}  // namespace qvhost
