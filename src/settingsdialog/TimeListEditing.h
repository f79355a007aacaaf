#pragma once

#include <QString>
#include <QStringList>
#include <QTime>

// The editing rules of the three time-list pages, apart from their widgets.
class TimeListEditing
{
public:
    struct Preset
    {
        QString hour;
        QString minute;
        QString second;
    };

    /// What the pickers show when the dialog is made: this hour, five minutes on but never past
    /// :59 (it must not roll into the next hour), second 00.
    static Preset defaultTime(const QTime& now);

    /// Whether time counts as already listed: some entry occurs within it (for HH:MM:SS entries this
    /// is equality).
    static bool isPresent(const QStringList& entries, const QString& time);

    /// The row to select after removing row removed, when count rows are left: the row that moved
    /// into its place, else the new last row; -1 selects nothing.
    static int selectionAfterRemoval(int removed, int count);

    /// "00" to "last", two digits each.
    static QStringList twoDigitRange(int last);
};
