#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <vector>

// The user's "not now" and "not today" for the scheduled times of one day: a time postponed (once or more)
// or skipped. The settings file and every other day stay as they are. The state is kept in a small file so
// that a restart of the program the same day keeps it; a state of another day counts for nothing.
class TodayOverrides
{
public:
    /// The state lives in the file at path, read here; an empty path keeps it in memory only.
    explicit TodayOverrides(QString path = QString());

    /// The list of day with that day's overrides applied: each postponed time at its new time, each skipped
    /// one left out; ascending and each time once. The list as it is when nothing applies to day.
    QStringList apply(const QStringList& list, const QDate& day) const;

    /// Moves what stands at time in day's applied list to later. Also changed in memory when the file
    /// cannot be written: then false with the reason.
    bool postpone(const QDate& day, const QString& time, const QString& later, QString* error);
    /// Drops what stands at time in day's applied list, for that day. As postpone for a failed write.
    bool skip(const QDate& day, const QString& time, QString* error);

private:
    void read();
    /// effective empty: skipped.
    bool change(const QDate& day, const QString& time, const QString& effective, QString* error);
    bool write(QString* error) const;

    struct Entry
    {
        QString listed;
        QString effective;
    };
    QString m_path;
    QDate m_day;
    std::vector<Entry> m_entries;
};
