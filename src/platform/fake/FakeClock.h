#pragma once

#include "platform/Clock.h"

// A clock that stands where the test puts it.
class FakeClock : public Clock
{
public:
    explicit FakeClock(QDateTime start = QDateTime(QDate(2026, 12, 7), QTime(12, 0, 0))) : m_now(std::move(start)) { }
    QDateTime now() const override { return m_now; }
    void set(const QDateTime& now) { m_now = now; }
    void setTime(const QTime& time) { m_now.setTime(time); }
    void advanceSeconds(int seconds) { m_now = m_now.addSecs(seconds); }

private:
    QDateTime m_now;
};
