#pragma once

#include "messaging/net/DatagramEncoder.h"

#include <QByteArray>
#include <QString>
#include <optional>

// The receiving side of the messenger's datagram (layout and limits in DatagramEncoder.h).

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

/// Encodes message with encodeDatagram; an empty result and *error when a field is empty, too
/// long, not valid Unicode or holds a character the format refuses.
QByteArray buildDatagram(const NetMessage& message, QString* error = nullptr);

/// Decodes one received datagram. Pure: no state, no allocation beyond the result, any input.
/// Returns nothing (and the reason in *error) when the datagram is malformed in any way.
std::optional<NetMessage> parseDatagram(const QByteArray& data, QString* error = nullptr);
