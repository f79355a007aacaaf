#pragma once

#include "messaging/net/ReceivedMessage.h"

// Shows received messages to the user: a desktop notification, a window, or a log line.
class MessagePresenter
{
public:
    virtual ~MessagePresenter() = default;
    /// Shows message. Never throws; a presenter that cannot show it hands it to its fallback.
    virtual void present(const ReceivedMessage& message) = 0;
};
