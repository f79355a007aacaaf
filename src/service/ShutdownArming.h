#pragma once

#include "platform/ScheduledShutdown.h"

#include <QDateTime>
#include <QStringList>
#include <functional>
#include <optional>

// Which listed time the system should have pending, and when to tell it so.
//
// The machine's shutdown is handed to the system in advance (ScheduledShutdown), so that it happens even
// when nothing of ours runs any more. Each second the service works out the time it wants pending and
// asks the system only when that differs from what it armed last: a new or removed time, an edited
// action, a new day.
namespace arming {

/// The first listed time after now: today's, else the first of tomorrow's list (which depends on
/// tomorrow's kind of day). None when neither day lists a time.
std::optional<QDateTime> nextListedTime(const std::function<QStringList(const QDate&)>& listFor, const QDateTime& now);

/// The system's name for what flags asks for: "poweroff" or "reboot"; empty for a log off (the machine
/// schedule has no session to end) and for a word that asks for nothing.
QString systemTypeOf(quint32 flags);

} // namespace arming

class ShutdownArming
{
public:
    using Pending = ScheduledShutdown::Pending;

    /// A time that has come stays armed this long: the system is carrying it out, and arming the next
    /// one meanwhile would take its place.
    static constexpr int CarryOutSeconds = 60;
    /// How long a request the system refused waits before it is made again.
    static constexpr int RetrySeconds = 60;

    struct Step
    {
        enum Kind { Keep, Schedule, Cancel } kind = Keep;
        Pending pending;
    };

    /// What to ask of the system at now so that wanted is pending (none: nothing should be). At first,
    /// not knowing what the system holds, it always asks: a time left by an earlier run may be stale. It
    /// asks again on each new day, so that what was lost or cancelled by hand the day before is armed anew.
    Step step(const std::optional<Pending>& wanted, const QDateTime& now) const;
    /// The system did at now what step asked.
    void done(const Step& step, const QDateTime& now);
    /// The system refused: ask again RetrySeconds after now.
    void failed(const QDateTime& now);

    const std::optional<Pending>& armed() const { return m_armed; }

private:
    /// The day the system was last told what to have pending; before that, what it has is unknown.
    QDate m_toldOn;
    std::optional<Pending> m_armed;
    QDateTime m_retryAfter;
};
