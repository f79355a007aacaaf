#pragma once

#include "platform/ScheduledShutdown.h"

#include <QDateTime>
#include <optional>
#include <vector>

// A shutdown the system has pending for the whole machine (set by an administrator: the machine-wide
// schedule, or root's own shutdown command), as a user's program shows it beside its own times: in the
// panels when it comes first, with its own warnings a minute and fifteen seconds before. Only shown: the
// user cannot move or cancel it from here.
class AdministratorShutdown
{
public:
    void setPending(std::optional<ScheduledShutdown::Pending> pending);
    const std::optional<ScheduledShutdown::Pending>& pending() const { return m_pending; }

    /// The seconds from now until the pending time, when it comes before the user's own next time
    /// (ownSecondsLeft, none without one) and within a day; none otherwise.
    std::optional<int> secondsLeftIfFirst(const QDateTime& now, std::optional<int> ownSecondsLeft) const;

    /// The warnings due since the last call, as seconds before the time (60, 15), in order. Seconds a busy
    /// machine skipped are caught up as the scheduler's are; a jump of the clock catches nothing up.
    std::vector<int> warningsDue(const QDateTime& now);

private:
    std::optional<ScheduledShutdown::Pending> m_pending;
    std::optional<qint64> m_previousLeft;
};
