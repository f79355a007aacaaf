#pragma once

#include "platform/Clock.h"

class LinuxClock : public Clock
{
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};
