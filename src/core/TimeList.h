#pragma once

#include <QStringListModel>

// A sorted list of HH:MM:SS entries; the settings dialog shows it in a list view.
// Entries are kept in ascending text order, which for this form is time order.
class TimeList : public QStringListModel
{
    Q_OBJECT
public:
    using QStringListModel::QStringListModel;

    int count() const { return rowCount(); }
    QString item(int index) const;
    QStringList items() const { return stringList(); }
    /// Inserts entry in its sorted place (after equal entries); returns its index.
    int addSorted(const QString& entry);
    void removeAt(int index);
    void clear();
    /// Replaces the whole content with a copy of other's.
    void copyFrom(const TimeList& other);
};
