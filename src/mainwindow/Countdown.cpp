#include "Countdown.h"

namespace countdown {

namespace {
constexpr int SecondsPerDay = 24 * 60 * 60;

std::optional<int> secondsOfDay(const QString& entry)
{
    if (entry.size() != 8) {
        return std::nullopt;
    }
    const QTime time = QTime::fromString(entry, QStringLiteral("HH:mm:ss"));
    if (!time.isValid()) {
        return std::nullopt;
    }
    return time.msecsSinceStartOfDay() / 1000;
}

int wholeSeconds(const QTime& time)
{
    return time.msecsSinceStartOfDay() / 1000;
}
} // namespace

QString nextShutdownTime(const QStringList& today, const QTime& now)
{
    if (today.isEmpty()) {
        return QString();
    }
    const QString nowText = now.toString(QStringLiteral("HH:mm:ss"));
    if (nowText >= today.last()) {
        return today.first();
    }
    for (const QString& entry : today) {
        if (entry >= nowText) {
            return entry;
        }
    }
    return today.first();
}

std::optional<int> secondsRemaining(const QString& next, const QTime& now)
{
    const std::optional<int> target = secondsOfDay(next);
    if (!target) {
        return std::nullopt;
    }
    const int left = *target - wholeSeconds(now);
    return left < 0 ? left + SecondsPerDay : left;
}

QString remainingText(int seconds)
{
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

std::optional<Event> eventAt(const QStringList& today, const QTime& now)
{
    const std::optional<int> left = secondsRemaining(nextShutdownTime(today, now), now);
    if (!left) {
        return std::nullopt;
    }
    switch (*left) {
    case 60:
        return Event::OneMinuteWarning;
    case 15:
        return Event::FifteenSecondWarning;
    case 1:
        return Event::ShutDown;
    default:
        return std::nullopt;
    }
}

std::vector<Event> eventsSince(const QStringList& today, const std::optional<QTime>& previous, const QTime& now)
{
    std::vector<Event> due;
    int gap = 1;
    if (previous) {
        gap = (wholeSeconds(now) - wholeSeconds(*previous) + SecondsPerDay) % SecondsPerDay;
        if (gap == 0) {
            return due; // the same second again: it was handled by the previous tick
        }
        if (gap > MaxCatchUpSeconds) {
            gap = 1;
        }
    }
    for (int back = gap - 1; back >= 0; --back) {
        if (const std::optional<Event> event = eventAt(today, now.addSecs(-back))) {
            due.push_back(*event);
        }
    }
    return due;
}

} // namespace countdown
