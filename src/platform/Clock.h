#pragma once

#include <QDateTime>

// The wall clock, local time. Tests hand in a FakeClock.
class Clock
{
public:
    virtual ~Clock() = default;
    /// The current local date and time, to the millisecond.
    virtual QDateTime now() const = 0;
};
