#pragma once

#include <QByteArray>
#include <QString>
#include <ostream>

// Readable failure messages: gtest would print these as lists of single characters.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QByteArray& bytes, std::ostream* os)
{
    *os << '"' << bytes.toStdString() << '"';
}
