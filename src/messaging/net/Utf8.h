#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// UTF-8 the way the messenger takes it, in plain C++ so that net links no Qt: well-formed only,
// which means no overlong forms, no surrogates and nothing above U+10FFFF.
namespace utf8 {

/// The code points of bytes; false when bytes are not well-formed UTF-8.
bool decode(std::string_view bytes, std::u32string* codePoints);

/// Like decode, but each byte that does not start a well-formed character becomes U+FFFD: for
/// text from the system that may be in any encoding, such as the host name.
std::u32string decodeLenient(std::string_view bytes);

std::string encode(std::u32string_view codePoints);

/// text, well-formed UTF-8, cut to at most maxBytes without splitting a character.
std::string truncate(std::string_view text, std::size_t maxBytes);

} // namespace utf8
