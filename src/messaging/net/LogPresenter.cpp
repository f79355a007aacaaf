#include "messaging/net/LogPresenter.h"

#include "messaging/net/MessengerLog.h"

void LogPresenter::present(const ReceivedMessage& message)
{
    // The text's lines follow the heading as the entry's indented continuation lines.
    messengerLog(message.heading() + u'\n' + message.plainText());
}
