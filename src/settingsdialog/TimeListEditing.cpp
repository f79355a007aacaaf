#include "TimeListEditing.h"

#include <algorithm>

namespace {
QString twoDigits(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}
} // namespace

TimeListEditing::Preset TimeListEditing::defaultTime(const QTime& now)
{
    return { twoDigits(now.hour()), twoDigits(std::min(now.minute() + 5, 59)), QStringLiteral("00") };
}

bool TimeListEditing::isPresent(const QStringList& entries, const QString& time)
{
    return std::any_of(entries.begin(), entries.end(), [&](const QString& entry) { return time.contains(entry); });
}

int TimeListEditing::selectionAfterRemoval(int removed, int count)
{
    return removed <= count - 1 ? removed : count - 1;
}

QStringList TimeListEditing::twoDigitRange(int last)
{
    QStringList values;
    for (int i = 0; i <= last; ++i) {
        values.append(twoDigits(i));
    }
    return values;
}
