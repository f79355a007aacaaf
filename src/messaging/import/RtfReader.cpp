#include "messaging/import/RtfReader.h"

#include "messaging/import/RtfCodePages.h"
#include "messaging/import/RtfControlWords.h"
#include "messaging/import/TextTidy.h"

#include <QByteArray>
#include <QStringDecoder>
#include <algorithm>
#include <climits>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace {

using rtfwords::Kind;

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

enum class Destination : quint8 { Text, FontTable, Skip };

// What a group inherits from its parent and loses again at its closing brace.
struct Group
{
    Destination destination = Destination::Text;
    bool hidden = false;
    int unicodeSkip = 1; // \ucN: how many fallback characters follow each \uN
    int font = -1;
};

enum class LastOutput : quint8 { Other, Par, Cell };

class Parser
{
public:
    QString run(QByteArrayView rtf);

private:
    const char* controlSequence(const char* p, const char* end);
    void controlWord(std::string_view name, bool hasParam, int param);
    void openGroup();
    void closeGroup();
    void textByte(char byte);
    void put(char16_t ch);
    bool consumeFallback();
    bool skipping() const;
    int currentCodePage();
    void flushBytes();
    QStringDecoder& decoder(int codePage);

    std::vector<Group> m_groups;
    int m_overflow = 0; // groups opened beyond MaxDepth, still to be closed
    bool m_done = false;
    int m_fallbackLeft = 0; // characters of a \uN's fallback still to be skipped
    int m_documentCodePage = rtfcodepages::Default;
    int m_defaultFont = -1;
    int m_fontBeingDefined = -1;
    std::unordered_map<int, int> m_fontCodePages;
    int m_cachedFont = INT_MIN;
    int m_cachedFontCodePage = 0;
    std::unordered_map<int, QStringDecoder> m_decoders;
    QByteArray m_bytes; // text bytes not yet decoded, all in m_bytesCodePage
    int m_bytesCodePage = rtfcodepages::Default;
    QString m_out;
    LastOutput m_last = LastOutput::Other;
};

QString Parser::run(QByteArrayView rtf)
{
    const char* p = rtf.data();
    const char* const end = p + rtf.size();
    // Whatever precedes the document's opening brace (a byte order mark, blanks) is not part of it.
    while (p < end && *p != '{') {
        ++p;
    }
    while (p < end && !m_done) {
        const char c = *p++;
        switch (c) {
        case '{':
            openGroup();
            break;
        case '}':
            closeGroup();
            break;
        case '\\':
            p = controlSequence(p, end);
            break;
        case '\r':
        case '\n':
            break; // line ends in the file are layout of the file, not of the text
        default:
            textByte(c);
            break;
        }
    }
    flushBytes();
    // Every paragraph, the last one too, ends in \par; the final one's mark is no line of its own.
    if (m_last == LastOutput::Par && m_out.endsWith(u'\n')) {
        m_out.chop(1);
    }
    return texttidy::tidy(m_out);
}

const char* Parser::controlSequence(const char* p, const char* end)
{
    if (p == end) {
        return p;
    }
    const char c = *p;
    if (isLetter(c)) {
        const char* const nameStart = p;
        while (p < end && isLetter(*p)) {
            ++p;
        }
        const std::string_view name(nameStart, static_cast<size_t>(p - nameStart));
        bool negative = false;
        if (p + 1 < end && *p == '-' && isDigit(p[1])) {
            negative = true;
            ++p;
        }
        bool hasParam = false;
        long long value = 0;
        while (p < end && isDigit(*p)) {
            hasParam = true;
            value = std::min(value * 10 + (*p - '0'), static_cast<long long>(INT_MAX) + 1);
            ++p;
        }
        if (p < end && *p == ' ') {
            ++p; // the delimiter belongs to the word
        }
        const int param = negative ? static_cast<int>(-value) : static_cast<int>(std::min<long long>(value, INT_MAX));
        if (name == "bin") {
            // Raw bytes follow, braces and backslashes included: step over them whatever the state.
            const long long length = hasParam && param > 0 ? param : 0;
            p += std::min<long long>(length, end - p);
            consumeFallback();
            return p;
        }
        controlWord(name, hasParam, param);
        return p;
    }
    ++p;
    switch (c) {
    case '\'': {
        int byte = 0;
        int digits = 0;
        while (digits < 2 && p < end && hexValue(*p) >= 0) {
            byte = byte * 16 + hexValue(*p);
            ++digits;
            ++p;
        }
        if (digits > 0) {
            textByte(static_cast<char>(byte));
        } else {
            consumeFallback();
        }
        break;
    }
    case '\\':
    case '{':
    case '}':
        textByte(c);
        break;
    case '~':
        put(0x00A0);
        break;
    case '_':
        put(0x2011);
        break;
    case '*':
        if (!consumeFallback() && !m_groups.empty()) {
            m_groups.back().destination = Destination::Skip;
        }
        break;
    case '\r':
    case '\n':
        controlWord("par", false, 0); // a backslash before a line end is an old spelling of \par
        break;
    default: // \- (optional hyphen), \| \: and the unknown: nothing to show
        consumeFallback();
        break;
    }
    return p;
}

void Parser::controlWord(std::string_view name, bool hasParam, int param)
{
    if (consumeFallback() || m_groups.empty()) {
        return;
    }
    const auto& words = rtfwords::controlWords();
    const auto found = words.find(name);
    if (found == words.end()) {
        return;
    }
    Group& group = m_groups.back();
    const rtfwords::WordAction action = found->second;
    switch (action.kind) {
    case Kind::Skip:
        group.destination = Destination::Skip;
        break;
    case Kind::FontTable:
        if (group.destination == Destination::Text) {
            group.destination = Destination::FontTable;
        }
        break;
    case Kind::Char:
        put(action.ch);
        break;
    case Kind::Par:
        put(u'\n');
        if (!skipping()) {
            m_last = LastOutput::Par;
        }
        break;
    case Kind::Line:
        put(u'\n');
        break;
    case Kind::Tab:
        put(u'\t');
        break;
    case Kind::Cell:
        put(u'\t');
        if (!skipping()) {
            m_last = LastOutput::Cell;
        }
        break;
    case Kind::Row:
        // The last cell's tab separates nothing: the row ends there.
        if (!skipping() && m_last == LastOutput::Cell && m_bytes.isEmpty() && m_out.endsWith(u'\t')) {
            m_out.back() = u'\n';
            m_last = LastOutput::Other;
        } else {
            put(u'\n');
        }
        break;
    case Kind::Uc:
        group.unicodeSkip = hasParam ? std::clamp(param, 0, 0xFFFF) : 1;
        break;
    case Kind::U:
        if (hasParam) {
            // The parameter is a signed 16-bit number: code units above 32767 are written negative.
            const long long unit = param < 0 ? static_cast<long long>(param) + 65536 : param;
            if (unit > 0 && unit <= 0xFFFF) {
                put(static_cast<char16_t>(unit));
            } else if (unit > 0xFFFF && unit <= 0x10FFFF) {
                const char32_t codePoint = static_cast<char32_t>(unit);
                put(QChar::highSurrogate(codePoint));
                put(QChar::lowSurrogate(codePoint));
            }
            m_fallbackLeft = group.unicodeSkip;
        }
        break;
    case Kind::Ansi:
        m_documentCodePage = 1252;
        break;
    case Kind::AnsiCpg:
        m_documentCodePage = hasParam && rtfcodepages::isKnown(param) ? param : rtfcodepages::Default;
        break;
    case Kind::Mac:
        m_documentCodePage = 10000;
        break;
    case Kind::Pc:
        m_documentCodePage = 437;
        break;
    case Kind::Pca:
        m_documentCodePage = 850;
        break;
    case Kind::Deff:
        if (hasParam) {
            m_defaultFont = param;
            group.font = param;
        }
        break;
    case Kind::Font:
        if (!hasParam) {
            break;
        }
        if (group.destination == Destination::FontTable) {
            m_fontBeingDefined = param;
        } else if (group.destination == Destination::Text) {
            group.font = param;
        }
        break;
    case Kind::FontCharset:
        if (group.destination == Destination::FontTable && hasParam) {
            const int codePage = rtfcodepages::ofCharset(param);
            if (codePage != 0) {
                m_fontCodePages[m_fontBeingDefined] = codePage;
            } else {
                m_fontCodePages.erase(m_fontBeingDefined);
            }
            m_cachedFont = INT_MIN;
        }
        break;
    case Kind::Cpg:
        if (group.destination == Destination::FontTable && hasParam && rtfcodepages::isKnown(param)) {
            m_fontCodePages[m_fontBeingDefined] = param;
            m_cachedFont = INT_MIN;
        }
        break;
    case Kind::Plain:
        group.font = m_defaultFont;
        group.hidden = false;
        break;
    case Kind::Hidden:
        group.hidden = !hasParam || param != 0;
        break;
    }
}

void Parser::openGroup()
{
    m_fallbackLeft = 0;
    if (m_overflow > 0 || m_groups.size() >= static_cast<size_t>(RtfReader::MaxDepth)) {
        ++m_overflow;
        return;
    }
    const Group inherited = m_groups.empty() ? Group() : m_groups.back();
    m_groups.push_back(inherited);
}

void Parser::closeGroup()
{
    m_fallbackLeft = 0;
    if (m_overflow > 0) {
        --m_overflow;
        return;
    }
    if (!m_groups.empty()) {
        m_groups.pop_back();
    }
    m_done = m_groups.empty();
}

// A \uN is followed by its rendering for readers without Unicode, which we must not show twice.
// Each text byte, \'hh, control word or symbol counts as one character of it.
bool Parser::consumeFallback()
{
    if (m_fallbackLeft > 0) {
        --m_fallbackLeft;
        return true;
    }
    return false;
}

bool Parser::skipping() const
{
    return m_overflow > 0 || m_groups.empty() || m_groups.back().destination != Destination::Text
        || m_groups.back().hidden;
}

void Parser::textByte(char byte)
{
    if (consumeFallback() || skipping()) {
        return;
    }
    const int codePage = currentCodePage();
    if (codePage != m_bytesCodePage) {
        flushBytes();
        m_bytesCodePage = codePage;
    }
    m_bytes.append(byte);
    m_last = LastOutput::Other;
}

void Parser::put(char16_t ch)
{
    if (skipping()) {
        return;
    }
    flushBytes();
    m_out.append(QChar(ch));
    m_last = LastOutput::Other;
}

int Parser::currentCodePage()
{
    const int font = m_groups.back().font;
    if (font != m_cachedFont) {
        const auto found = m_fontCodePages.find(font);
        m_cachedFontCodePage = found == m_fontCodePages.end() ? 0 : found->second;
        m_cachedFont = font;
    }
    return m_cachedFontCodePage != 0 ? m_cachedFontCodePage : m_documentCodePage;
}

// Double-byte characters come as two \'hh in a row, so bytes are gathered and decoded together.
void Parser::flushBytes()
{
    if (m_bytes.isEmpty()) {
        return;
    }
    m_out.append(decoder(m_bytesCodePage).decode(m_bytes));
    m_bytes.clear();
}

QStringDecoder& Parser::decoder(int codePage)
{
    const auto found = m_decoders.find(codePage);
    if (found != m_decoders.end()) {
        return found->second;
    }
    return m_decoders.emplace(codePage, rtfcodepages::decoder(codePage)).first->second;
}

} // namespace

QString RtfReader::toPlainText(QByteArrayView rtf)
{
    Parser parser;
    return parser.run(rtf);
}

bool RtfReader::isRtf(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        bytes = bytes.sliced(3);
    }
    while (!bytes.isEmpty()
           && (bytes.front() == ' ' || bytes.front() == '\t' || bytes.front() == '\r' || bytes.front() == '\n')) {
        bytes = bytes.sliced(1);
    }
    return bytes.startsWith("{\\rtf");
}
