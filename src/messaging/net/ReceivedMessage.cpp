#include "messaging/net/ReceivedMessage.h"

QString ReceivedMessage::heading() const
{
    const QString sender = message.sender == senderAddress
        ? senderAddress
        : QStringLiteral("%1 (calls itself %2)").arg(senderAddress, message.sender);
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

bool isValidSenderName(const QString& name)
{
    if (name.isEmpty() || !QStringView(name).isValidUtf16())
        return false;
    const QList<uint> characters = name.toUcs4();
    if (characters.size() > kMaxSenderNameChars)
        return false;
    bool afterLetter = false;
    for (const uint c : characters) {
        const QChar::Category category = QChar::category(char32_t(c));
        const bool letter = QChar::isLetter(char32_t(c));
        // Scripts such as Devanagari or Thai write letters with marks: a mark belongs to the
        // letter before it, never stands alone.
        const bool mark = category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining;
        if (!letter && !(mark && afterLetter) && category != QChar::Number_DecimalDigit && c != u'-' && c != u'_'
            && c != u'.')
            return false;
        afterLetter = letter || (mark && afterLetter);
    }
    return true;
}
