#include "TimeList.h"

#include <algorithm>

QString TimeList::item(int index) const
{
    const QStringList& entries = stringList();
    return index >= 0 && index < entries.size() ? entries[index] : QString();
}

int TimeList::addSorted(const QString& entry)
{
    const QStringList& entries = stringList();
    const int at = int(std::upper_bound(entries.begin(), entries.end(), entry) - entries.begin());
    insertRows(at, 1);
    setData(index(at), entry);
    return at;
}

void TimeList::removeAt(int index)
{
    if (index >= 0 && index < rowCount()) {
        removeRows(index, 1);
    }
}

void TimeList::clear()
{
    if (rowCount() > 0) {
        setStringList({});
    }
}

void TimeList::copyFrom(const TimeList& other)
{
    if (stringList() != other.stringList()) {
        setStringList(other.stringList());
    }
}
