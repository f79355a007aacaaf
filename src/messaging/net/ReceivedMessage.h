#pragma once

#include "messaging/net/NetDatagram.h"

#include <QDateTime>
#include <QString>

/// A message as the service received it, with what the network says about its origin.
struct ReceivedMessage
{
    NetMessage message;
    QString senderAddress; ///< where the datagram came from; the name in it is only a claim
    QDateTime receivedAt; ///< this computer's clock: the sender's is not to be trusted

    /// "Message from SENDER to RECEIVER on DATE TIME", SENDER being the claimed name followed by
    /// the address in brackets, so that a made-up name cannot pass for another computer.
    QString heading() const;
    /// The text with every line break made a line feed, for places that take plain text.
    QString plainText() const;
    /// The text for a notification body: markup-escaped when the server reads markup, so that
    /// nothing in it becomes a tag or a link.
    QString notificationBody(bool serverReadsMarkup) const;
};
