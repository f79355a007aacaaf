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

    /// "Message from ADDRESS (calls itself NAME) to RECEIVER on DATE TIME": the address the
    /// datagram came from leads, the name it claims follows marked as a claim (and is left out
    /// where it is the address itself), so that a made-up name cannot pass for another computer.
    QString heading() const;
    /// The text with every line break made a line feed, for places that take plain text.
    QString plainText() const;
    /// The text for a notification body: markup-escaped when the server reads markup, so that
    /// nothing in it becomes a tag or a link.
    QString notificationBody(bool serverReadsMarkup) const;
};

/// Characters a sender name may have at most.
constexpr int kMaxSenderNameChars = 63;

/// Whether name can be a computer's host name, as a sender must call itself: 1 to
/// kMaxSenderNameChars characters, each a letter of any script (with the combining marks its
/// script writes letters with), a digit, '-', '_' or '.'. Blanks of any kind, brackets,
/// punctuation, symbols and control or format characters are refused: they are what a name
/// made up to look like part of the heading would need.
bool isValidSenderName(const QString& name);
