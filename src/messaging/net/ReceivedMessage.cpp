#include "messaging/net/ReceivedMessage.h"

QString ReceivedMessage::heading() const
{
    const QString sender = message.sender == senderAddress
        ? senderAddress
        : QStringLiteral("%1 (%2)").arg(message.sender, senderAddress);
    return QStringLiteral("Message from %1 to %2 on %3")
        .arg(sender, message.receiver, receivedAt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
}

QString ReceivedMessage::plainText() const
{
    QString text = message.text;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

QString ReceivedMessage::notificationBody(bool serverReadsMarkup) const
{
    return serverReadsMarkup ? plainText().toHtmlEscaped() : plainText();
}
