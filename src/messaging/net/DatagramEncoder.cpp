#include "messaging/net/DatagramEncoder.h"

#include "messaging/net/Utf8.h"

#include <algorithm>
#include <iterator>

namespace {

struct Range
{
    char32_t first;
    char32_t last;
};

// Format characters (general category Cf) and the line and paragraph separators, as of Unicode 15:
// in a name they could reorder or hide part of the heading the user reads. The receiver's Unicode
// tables may be older; refusing more than it would is harmless, accepting less would lose messages.
constexpr Range kFormatCharacters[] = {
    { 0x00AD, 0x00AD },   { 0x0600, 0x0605 },   { 0x061C, 0x061C },   { 0x06DD, 0x06DD },   { 0x070F, 0x070F },
    { 0x0890, 0x0891 },   { 0x08E2, 0x08E2 },   { 0x180E, 0x180E },   { 0x200B, 0x200F },   { 0x2028, 0x202E },
    { 0x2060, 0x2064 },   { 0x2066, 0x206F },   { 0xFEFF, 0xFEFF },   { 0xFFF9, 0xFFFB },   { 0x110BD, 0x110BD },
    { 0x110CD, 0x110CD }, { 0x13430, 0x1343F }, { 0x1BCA0, 0x1BCA3 }, { 0x1D173, 0x1D17A }, { 0xE0001, 0xE0001 },
    { 0xE0020, 0xE007F },
};

bool isControl(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

bool isFormat(char32_t c)
{
    const auto* const end = std::end(kFormatCharacters);
    const auto* const range = std::lower_bound(std::begin(kFormatCharacters), end, c,
                                               [](const Range& r, char32_t v) { return r.last < v; });
    return range != end && range->first <= c;
}

bool nameAllows(char32_t c)
{
    return !isControl(c) && !isFormat(c);
}

struct FieldRule
{
    const char* name;
    std::size_t maxBytes;
    bool (*allows)(char32_t);
};

const FieldRule kFieldRules[3] = {
    { "sender name", NetDatagram::kMaxSenderBytes, nameAllows },
    { "receiver name", NetDatagram::kMaxReceiverBytes, nameAllows },
    { "message", NetDatagram::kMaxTextBytes, datagramTextAllows },
};

std::string refuse(std::string* error, const std::string& reason)
{
    if (error)
        *error = reason;
    return {};
}

} // namespace

bool datagramTextAllows(char32_t c)
{
    return !isControl(c) || c == U'\t' || c == U'\n' || c == U'\r';
}

std::string encodeDatagram(std::string_view sender, std::string_view receiver, std::string_view text,
                           std::string* error)
{
    const std::string_view values[3] = { sender, receiver, text };
    std::string data(NetDatagram::kMagic, sizeof NetDatagram::kMagic);
    data += char(NetDatagram::kVersion);
    for (int i = 0; i < 3; ++i) {
        const FieldRule& rule = kFieldRules[i];
        const std::string_view value = values[i];
        std::u32string codePoints;
        if (!utf8::decode(value, &codePoints))
            return refuse(error, std::string("the ") + rule.name + " is not UTF-8");
        if (value.empty())
            return refuse(error, std::string("the ") + rule.name + " is empty");
        if (value.size() > rule.maxBytes) {
            return refuse(error,
                          std::string("the ") + rule.name + " is too long (" + std::to_string(value.size())
                              + " bytes of UTF-8, at most " + std::to_string(rule.maxBytes) + ")");
        }
        if (!std::all_of(codePoints.begin(), codePoints.end(), rule.allows))
            return refuse(error, std::string("the ") + rule.name + " holds a control character");
        data += char((value.size() >> 8) & 0xff);
        data += char(value.size() & 0xff);
        data += value;
    }
    return data;
}
