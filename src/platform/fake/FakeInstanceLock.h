#pragma once

#include "platform/InstanceLock.h"

class FakeInstanceLock : public InstanceLock
{
public:
    bool tryLock() override
    {
        ++attempts;
        return available;
    }
    bool available = true;
    int attempts = 0;
};
