#include "messaging/net/Utf8.h"

namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;

bool isContinuation(unsigned char byte, unsigned char low = 0x80, unsigned char high = 0xBF)
{
    return byte >= low && byte <= high;
}

// The length of the well-formed character at bytes[pos] and its code point, or 0. The ranges of
// the second byte are what rule out overlong forms, surrogates and values above U+10FFFF.
std::size_t decodeOne(std::string_view bytes, std::size_t pos, char32_t* codePoint)
{
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(bytes[pos + i]); };
    const std::size_t left = bytes.size() - pos;
    const unsigned char lead = at(0);
    if (lead < 0x80) {
        *codePoint = lead;
        return 1;
    }
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (left < length || !isContinuation(at(1), low, high))
        return 0;
    char32_t value = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if (!isContinuation(at(i)))
            return 0;
        value = (value << 6) | (at(i) & 0x3F);
    }
    *codePoint = value;
    return length;
}

} // namespace

namespace utf8 {

bool decode(std::string_view bytes, std::u32string* codePoints)
{
    codePoints->clear();
    for (std::size_t pos = 0; pos < bytes.size();) {
        char32_t c = 0;
        const std::size_t length = decodeOne(bytes, pos, &c);
        if (length == 0)
            return false;
        codePoints->push_back(c);
        pos += length;
    }
    return true;
}

std::u32string decodeLenient(std::string_view bytes)
{
    std::u32string codePoints;
    for (std::size_t pos = 0; pos < bytes.size();) {
        char32_t c = 0;
        const std::size_t length = decodeOne(bytes, pos, &c);
        codePoints.push_back(length == 0 ? kReplacementCharacter : c);
        pos += length == 0 ? 1 : length;
    }
    return codePoints;
}

std::string encode(std::u32string_view codePoints)
{
    std::string bytes;
    bytes.reserve(codePoints.size());
    for (const char32_t c : codePoints) {
        if (c < 0x80) {
            bytes += char(c);
        } else if (c < 0x800) {
            bytes += char(0xC0 | (c >> 6));
            bytes += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            bytes += char(0xE0 | (c >> 12));
            bytes += char(0x80 | ((c >> 6) & 0x3F));
            bytes += char(0x80 | (c & 0x3F));
        } else {
            bytes += char(0xF0 | (c >> 18));
            bytes += char(0x80 | ((c >> 12) & 0x3F));
            bytes += char(0x80 | ((c >> 6) & 0x3F));
            bytes += char(0x80 | (c & 0x3F));
        }
    }
    return bytes;
}

std::string truncate(std::string_view text, std::size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return std::string(text);
    std::size_t end = maxBytes;
    // Back to the start of the character that would be cut.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return std::string(text.substr(0, end));
}

} // namespace utf8
