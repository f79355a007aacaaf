#pragma once

#include <QStringList>
#include <QTime>
#include <optional>
#include <vector>

// The arithmetic of the once-a-second countdown: which time is next, how long until it, and what falls
// due in a given second.
namespace countdown {

/// The next entry of today's ascending list at the given time: the first entry at or after now, or
/// tomorrow's first time once now is at or after the last. Tomorrow's first time is afterLast (the first of
/// the list as listed, where today's was changed for today only), else the first entry of the list. Empty
/// for no list, and while tomorrow's first time is more than a day away.
QString nextShutdownTime(const QStringList& today, const QTime& now, const QString& afterLast = QString());

/// Seconds from now until the next occurrence of an HH:MM:SS entry, 0..86399; none when the entry is
/// not eight characters long or not a time.
std::optional<int> secondsRemaining(const QString& next, const QTime& now);

/// The seconds since midnight of an HH:MM:SS entry: exactly what QTime::fromString(entry, "HH:mm:ss")
/// accepts for an entry of eight characters; none for anything else.
std::optional<int> secondsOfDay(const QString& entry);

/// "H:MM:SS", hours without a leading zero.
QString remainingText(int seconds);

/// "HH:MM:SS", the form of the log and of the time panel; empty for an invalid time.
QString clockText(const QTime& time);

enum class Event { OneMinuteWarning, FifteenSecondWarning, ShutDown };

/// What falls due at second `now` for today's list: the one-minute warning at "0:01:00", the fifteen-
/// second warning at "0:00:15", the shutdown at "0:00:01". afterLast as for nextShutdownTime.
std::optional<Event> eventAt(const QStringList& today, const QTime& now, const QString& afterLast = QString());

/// Largest gap between two ticks, in seconds, over which missed seconds are still caught up.
constexpr int MaxCatchUpSeconds = 5;

/// What fell due in the seconds after `previous` up to and including `now`, in order. A gap larger than
/// MaxCatchUpSeconds (suspend, clock change) or a clock that went back catches nothing up: only `now` counts.
std::vector<Event> eventsSince(const QStringList& today, const std::optional<QTime>& previous, const QTime& now,
                               const QString& afterLast = QString());

} // namespace countdown
