#include "TodayOverrides.h"

#include "Countdown.h"
#include "core/TextFile.h"

#include <algorithm>

// The file: the day (yyyy-MM-dd) on the first line, then one line per time of the list that was changed:
// the listed time and what became of it, "-" for skipped.
namespace {
const QString SkippedMark = QStringLiteral("-");

bool isTime(const QString& text)
{
    return countdown::secondsOfDay(text).has_value();
}
} // namespace

TodayOverrides::TodayOverrides(QString path) : m_path(std::move(path))
{
    read();
}

void TodayOverrides::read()
{
    QString text;
    if (m_path.isEmpty() || !textfile::read(m_path, &text)) {
        return; // none yet, or gone with the session: nothing was changed
    }
    const QStringList lines = text.split(u'\n', Qt::SkipEmptyParts);
    if (lines.isEmpty()) {
        return;
    }
    const QDate day = QDate::fromString(lines[0].trimmed(), Qt::ISODate);
    if (!day.isValid()) {
        return;
    }
    std::vector<Entry> entries;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QStringList fields = lines[i].split(u' ', Qt::SkipEmptyParts);
        if (fields.size() != 2 || !isTime(fields[0]) || !(isTime(fields[1]) || fields[1] == SkippedMark)) {
            return; // not a file of ours: changes nothing
        }
        entries.push_back({ fields[0], fields[1] == SkippedMark ? QString() : fields[1] });
    }
    m_day = day;
    m_entries = std::move(entries);
}

QStringList TodayOverrides::apply(const QStringList& list, const QDate& day) const
{
    // Asked every second: nothing is copied while nothing applies.
    if (day != m_day || m_entries.empty()) {
        return list;
    }
    QStringList applied;
    applied.reserve(list.size());
    for (const QString& time : list) {
        const auto entry
            = std::find_if(m_entries.cbegin(), m_entries.cend(), [&](const Entry& e) { return e.listed == time; });
        if (entry == m_entries.cend()) {
            applied << time;
        } else if (!entry->effective.isEmpty()) {
            applied << entry->effective;
        }
    }
    // Times as HH:MM:SS sort as text.
    std::sort(applied.begin(), applied.end());
    applied.erase(std::unique(applied.begin(), applied.end()), applied.end());
    return applied;
}

bool TodayOverrides::postpone(const QDate& day, const QString& time, const QString& later, QString* error)
{
    return change(day, time, later, error);
}

bool TodayOverrides::skip(const QDate& day, const QString& time, QString* error)
{
    return change(day, time, QString(), error);
}

bool TodayOverrides::change(const QDate& day, const QString& time, const QString& effective, QString* error)
{
    if (day != m_day) {
        m_day = day;
        m_entries.clear();
    }
    // Whatever stands at time now: a listed time not yet changed, and any listed time moved there.
    bool listedChanged = false;
    for (Entry& entry : m_entries) {
        if (entry.effective == time) {
            entry.effective = effective;
        }
        listedChanged = listedChanged || entry.listed == time;
    }
    if (!listedChanged) {
        m_entries.push_back({ time, effective });
    }
    return write(error);
}

bool TodayOverrides::write(QString* error) const
{
    if (m_path.isEmpty()) {
        return true;
    }
    QString text = m_day.toString(Qt::ISODate) + u'\n';
    for (const Entry& entry : m_entries) {
        text += entry.listed + u' ' + (entry.effective.isEmpty() ? SkippedMark : entry.effective) + u'\n';
    }
    return textfile::write(m_path, text, error);
}
