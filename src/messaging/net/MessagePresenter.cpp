#include "messaging/net/MessagePresenter.h"

#include "messaging/net/MessengerLog.h"

QString moreMessagesSummary(int count)
{
    return count == 1 ? QStringLiteral("1 more message") : QStringLiteral("%1 more messages").arg(count);
}

QString moreMessagesBody()
{
    return QStringLiteral("Not shown while %1 messages are open. Close some to see new ones; these are in the "
                          "messenger's log.")
        .arg(kMaxMessagesOnScreen);
}

void logFoldedMessage(const ReceivedMessage& message)
{
    messengerLog(QStringLiteral("not shown, %1 messages are open: %2\n%3")
                     .arg(kMaxMessagesOnScreen)
                     .arg(message.heading(), message.plainText()));
}
