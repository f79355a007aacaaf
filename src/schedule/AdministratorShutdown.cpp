#include "AdministratorShutdown.h"

#include "Countdown.h"

namespace {
constexpr qint64 SecondsPerDay = 24 * 60 * 60;
constexpr int WarningSeconds[] = { 60, 15 };
} // namespace

void AdministratorShutdown::setPending(std::optional<ScheduledShutdown::Pending> pending)
{
    if (pending != m_pending) {
        m_pending = std::move(pending);
        m_previousLeft.reset();
    }
}

std::optional<int> AdministratorShutdown::secondsLeftIfFirst(const QDateTime& now,
                                                             std::optional<int> ownSecondsLeft) const
{
    if (!m_pending) {
        return std::nullopt;
    }
    const qint64 left = now.secsTo(m_pending->when);
    if (left < 0 || left >= SecondsPerDay || (ownSecondsLeft && *ownSecondsLeft <= left)) {
        return std::nullopt;
    }
    return int(left);
}

std::vector<int> AdministratorShutdown::warningsDue(const QDateTime& now)
{
    std::vector<int> due;
    if (!m_pending) {
        return due;
    }
    const qint64 left = now.secsTo(m_pending->when);
    const bool catchUp
        = m_previousLeft && *m_previousLeft > left && *m_previousLeft - left <= countdown::MaxCatchUpSeconds;
    for (int warning : WarningSeconds) {
        if (left == warning || (catchUp && *m_previousLeft > warning && warning > left && left >= 0)) {
            due.push_back(warning);
        }
    }
    m_previousLeft = left;
    return due;
}
