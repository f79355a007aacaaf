#pragma once

#include "messaging/net/MessagePresenter.h"

// The last resort where there is neither a notification server nor a display: the message goes
// to the service's log.
class LogPresenter : public MessagePresenter
{
public:
    void present(const ReceivedMessage& message) override;
};
