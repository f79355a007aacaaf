#include "messaging/net/NetDatagram.h"

#include <QStringDecoder>

namespace {

enum class Field { Name, Text };

bool charactersAllowed(const QString& value, Field field)
{
    for (qsizetype i = 0; i < value.size(); ++i) {
        // By code point: format characters outside the basic plane (tag characters, for one) would
        // pass as two surrogates.
        char32_t c = value[i].unicode();
        if (value[i].isHighSurrogate() && i + 1 < value.size() && value[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(value[i], value[i + 1]);
            ++i;
        }
        const QChar::Category category = QChar::category(c);
        if (category == QChar::Other_Control) {
            if (field == Field::Text && (c == U'\t' || c == U'\n' || c == U'\r'))
                continue;
            return false;
        }
        // Format characters (bidi overrides and the like) in a name could reorder the heading
        // the user reads; in a text they are legitimate (right-to-left scripts).
        if (field == Field::Name
            && (category == QChar::Other_Format || category == QChar::Separator_Line
                || category == QChar::Separator_Paragraph))
            return false;
    }
    return true;
}

// The decoder replaces what it cannot decode (overlong forms, surrogates, cut sequences) with
// U+FFFD and says so; a byte order mark at the start is part of the text, not to be eaten.
bool decodeStrictUtf8(const QByteArray& bytes, QString* out)
{
    QStringDecoder decoder(QStringConverter::Utf8,
                           QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    *out = decoder(bytes);
    return !decoder.hasError() && out->toUtf8() == bytes;
}

struct FieldRule
{
    const char* name;
    int maxBytes;
    Field kind;
};

const FieldRule kFieldRules[3] = {
    { "sender name", NetDatagram::kMaxSenderBytes, Field::Name },
    { "receiver name", NetDatagram::kMaxReceiverBytes, Field::Name },
    { "message", NetDatagram::kMaxTextBytes, Field::Text },
};

bool fail(QString* error, const QString& reason)
{
    if (error)
        *error = reason;
    return false;
}

} // namespace

QByteArray buildDatagram(const NetMessage& message, QString* error)
{
    const QString* values[3] = { &message.sender, &message.receiver, &message.text };
    for (int i = 0; i < 3; ++i) {
        // toUtf8() would turn a lone surrogate into "?" and the receiver would read other text than was sent.
        if (!QStringView(*values[i]).isValidUtf16()) {
            fail(error, QStringLiteral("the %1 is not valid Unicode text").arg(QLatin1String(kFieldRules[i].name)));
            return {};
        }
    }
    // The very encoder net uses.
    std::string reason;
    const std::string data = encodeDatagram(message.sender.toStdString(), message.receiver.toStdString(),
                                            message.text.toStdString(), &reason);
    if (data.empty()) {
        fail(error, QString::fromStdString(reason));
        return {};
    }
    return QByteArray::fromStdString(data);
}

std::optional<NetMessage> parseDatagram(const QByteArray& data, QString* error)
{
    // Checked before anything else so that no work is done on an oversized datagram.
    if (data.size() > NetDatagram::kMaxDatagramBytes) {
        fail(error, QStringLiteral("oversized datagram"));
        return std::nullopt;
    }
    if (data.size() < NetDatagram::kHeaderBytes) {
        fail(error, QStringLiteral("datagram too short"));
        return std::nullopt;
    }
    if (!data.startsWith(QByteArrayView(NetDatagram::kMagic, sizeof NetDatagram::kMagic))) {
        fail(error, QStringLiteral("not a messenger datagram"));
        return std::nullopt;
    }
    if (quint8(data[4]) != NetDatagram::kVersion) {
        fail(error, QStringLiteral("unknown version %1").arg(quint8(data[4])));
        return std::nullopt;
    }
    QString values[3];
    qsizetype pos = 5;
    for (int i = 0; i < 3; ++i) {
        const FieldRule& rule = kFieldRules[i];
        if (data.size() - pos < 2) {
            fail(error, QStringLiteral("truncated before the %1").arg(QLatin1String(rule.name)));
            return std::nullopt;
        }
        const int length = (quint8(data[pos]) << 8) | quint8(data[pos + 1]);
        pos += 2;
        if (length == 0 || length > rule.maxBytes) {
            fail(error, QStringLiteral("bad %1 length %2").arg(QLatin1String(rule.name)).arg(length));
            return std::nullopt;
        }
        if (data.size() - pos < length) {
            fail(error, QStringLiteral("truncated %1").arg(QLatin1String(rule.name)));
            return std::nullopt;
        }
        if (!decodeStrictUtf8(data.mid(pos, length), &values[i])) {
            fail(error, QStringLiteral("the %1 is not UTF-8").arg(QLatin1String(rule.name)));
            return std::nullopt;
        }
        if (!charactersAllowed(values[i], rule.kind)) {
            fail(error, QStringLiteral("the %1 holds a control character").arg(QLatin1String(rule.name)));
            return std::nullopt;
        }
        pos += length;
    }
    if (pos != data.size()) {
        fail(error, QStringLiteral("%1 bytes after the message").arg(data.size() - pos));
        return std::nullopt;
    }
    return NetMessage { values[0], values[1], values[2] };
}
