#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// The messenger's datagram, version 1; integers are big-endian, texts UTF-8:
//
//   4 bytes   magic "TVNM"
//   1 byte    version, 1
//   2 bytes   length, then the sender's computer name        (1 to 64 bytes)
//   2 bytes   length, then the receiver as the sender named it (1 to 255 bytes)
//   2 bytes   length, then the message text                  (1 to 900 bytes)
//
// Nothing may follow the text. The largest datagram, 1230 bytes, fits one IPv6 packet of the
// minimum link MTU (1280), so it is never fragmented on IPv4 or IPv6. Names carry no control
// or format characters; the text no control characters but tab, line feed and carriage return.
// Anything else is malformed and dropped whole: there is no partial message.

/// One message as it travels.
struct NetMessage
{
    QString sender; ///< the sending computer's name
    QString receiver; ///< the address or name the sender gave
    QString text;

    bool operator==(const NetMessage& other) const
    {
        return sender == other.sender && receiver == other.receiver && text == other.text;
    }
};

namespace NetDatagram {
/// The messenger's UDP port. In the dynamic/private range and above Linux's default ephemeral
/// range (32768-60999), so no outgoing socket of this machine happens to hold it.
constexpr quint16 kDefaultPort = 61423;
constexpr quint8 kVersion = 1;
constexpr int kMaxSenderBytes = 64;
constexpr int kMaxReceiverBytes = 255;
constexpr int kMaxTextBytes = 900;
constexpr int kHeaderBytes = 4 + 1 + 3 * 2;
constexpr int kMaxDatagramBytes = kHeaderBytes + kMaxSenderBytes + kMaxReceiverBytes + kMaxTextBytes;
} // namespace NetDatagram

/// Encodes message; an empty result and *error when a field is empty, too long or holds a
/// character the format refuses.
QByteArray buildDatagram(const NetMessage& message, QString* error = nullptr);

/// Decodes one received datagram. Pure: no state, no allocation beyond the result, any input.
/// Returns nothing (and the reason in *error) when the datagram is malformed in any way.
std::optional<NetMessage> parseDatagram(const QByteArray& data, QString* error = nullptr);

/// Cuts text to at most maxBytes of UTF-8 without splitting a character.
QString truncateUtf8(const QString& text, int maxBytes);
