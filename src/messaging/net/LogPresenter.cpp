#include "messaging/net/LogPresenter.h"

#include "messaging/net/MessengerLog.h"

void LogPresenter::present(const ReceivedMessage& message)
{
    messengerLog(message.heading() + u'\n' + message.plainText());
}
