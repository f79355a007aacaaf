#include "Countdown.h"

namespace countdown {

namespace {
constexpr int SecondsPerDay = 24 * 60 * 60;

int wholeSeconds(const QTime& time)
{
    return time.msecsSinceStartOfDay() / 1000;
}
} // namespace

// Parsed by hand: this runs several times per tick, and QTime::fromString builds a whole date-time parser
// per call (a quarter of the tick's instructions).
std::optional<int> secondsOfDay(const QString& entry)
{
    if (entry.size() != 8 || entry[2] != u':' || entry[5] != u':') {
        return std::nullopt;
    }
    int field[3] = {};
    for (int k = 0; k < 3; ++k) {
        const char16_t tens = entry[3 * k].unicode();
        const char16_t ones = entry[3 * k + 1].unicode();
        if (tens < u'0' || tens > u'9' || ones < u'0' || ones > u'9') {
            return std::nullopt;
        }
        field[k] = (tens - u'0') * 10 + (ones - u'0');
    }
    if (field[0] > 23 || field[1] > 59 || field[2] > 59) {
        return std::nullopt;
    }
    return field[0] * 3600 + field[1] * 60 + field[2];
}

// Without QTime::toString's format parsing: it runs every second.
QString clockText(const QTime& time)
{
    if (!time.isValid()) {
        return QString();
    }
    const int seconds = time.msecsSinceStartOfDay() / 1000;
    const int fields[3] = { seconds / 3600, seconds / 60 % 60, seconds % 60 };
    const char16_t text[8] = { char16_t(u'0' + fields[0] / 10), char16_t(u'0' + fields[0] % 10), u':',
                               char16_t(u'0' + fields[1] / 10), char16_t(u'0' + fields[1] % 10), u':',
                               char16_t(u'0' + fields[2] / 10), char16_t(u'0' + fields[2] % 10) };
    return QString(reinterpret_cast<const QChar*>(text), 8);
}

QString nextShutdownTime(const QStringList& today, const QTime& now, const QString& afterLast)
{
    const QString nowText = clockText(now);
    if (today.isEmpty() || nowText >= today.last()) {
        const QString& first = afterLast.isNull() || afterLast.isEmpty() ? today.value(0) : afterLast;
        // Tomorrow's first time is later on the clock than now only where today's was postponed or skipped:
        // it is then more than a day away, and no time is next yet.
        return first <= nowText ? first : QString();
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
    // Written every tick: plain digits rather than three QString::arg passes.
    QString text = QString::number(seconds / 3600);
    for (int field : { seconds / 60 % 60, seconds % 60 }) {
        text += u':';
        text += QChar(u'0' + field / 10);
        text += QChar(u'0' + field % 10);
    }
    return text;
}

std::optional<Event> eventAt(const QStringList& today, const QTime& now, const QString& afterLast)
{
    const std::optional<int> left = secondsRemaining(nextShutdownTime(today, now, afterLast), now);
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

std::vector<Event> eventsSince(const QStringList& today, const std::optional<QTime>& previous, const QTime& now,
                               const QString& afterLast)
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
        if (const std::optional<Event> event = eventAt(today, now.addSecs(-back), afterLast)) {
            due.push_back(*event);
        }
    }
    return due;
}

} // namespace countdown
