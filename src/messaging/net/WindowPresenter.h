#pragma once

#include "messaging/net/MessagePresenter.h"

// A small plain window per message, for desktops without a notification server.
// Needs a QApplication.
class WindowPresenter : public MessagePresenter
{
public:
    void present(const ReceivedMessage& message) override;
};
