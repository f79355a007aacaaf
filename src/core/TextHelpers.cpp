#include "TextHelpers.h"

#include <QLocale>
#include <cmath>
#include <limits>

namespace text {

std::optional<QString> between(const QString& text, const QString& open, const QString& close)
{
    const qsizetype start = text.indexOf(open);
    if (start < 0) {
        return std::nullopt;
    }
    const qsizetype valueStart = start + open.size();
    const qsizetype end = text.indexOf(close, valueStart);
    if (end < 0) {
        return std::nullopt;
    }
    return text.mid(valueStart, end - valueStart);
}

double leadingNumber(const QString& text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t')) {
        ++i;
    }
    QString number;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        number += text[i++];
    }
    bool point = false;
    bool digits = false;
    for (; i < n; ++i) {
        const QChar c = text[i];
        if (c >= u'0' && c <= u'9') {
            digits = true;
            number += c;
        } else if (c == u'.' && !point) {
            point = true;
            number += c;
        } else {
            break;
        }
    }
    if (!digits) {
        return 0;
    }
    // An exponent continues the number only when digits follow it.
    if (i < n && (text[i] == u'e' || text[i] == u'E' || text[i] == u'd' || text[i] == u'D')) {
        qsizetype j = i + 1;
        QString exponent = QStringLiteral("e");
        if (j < n && (text[j] == u'+' || text[j] == u'-')) {
            exponent += text[j++];
        }
        const qsizetype firstDigit = j;
        while (j < n && text[j] >= u'0' && text[j] <= u'9') {
            exponent += text[j++];
        }
        if (j > firstDigit) {
            number += exponent;
        }
    }
    // The text is a well-formed number by now, so a failed conversion means it is out of range: that
    // comes back as infinity and the callers decide what fits.
    bool ok = false;
    const double value = QLocale::c().toDouble(number, &ok);
    return ok ? value : std::numeric_limits<double>::infinity();
}

QString narrow(const QString& text)
{
    QString result = text;
    for (QChar& c : result) {
        const char16_t u = c.unicode();
        if (u >= 0xFF01 && u <= 0xFF5E) {
            c = QChar(char16_t(u - 0xFEE0));
        } else if (u == 0x3000) {
            c = QChar(u' ');
        }
    }
    return result;
}

int CountOccurrences(const QString& needle, const QString& text)
{
    if (needle.isEmpty() || text.isEmpty()) {
        return 0;
    }
    int count = 0;
    for (qsizetype at = text.indexOf(needle); at >= 0; at = text.indexOf(needle, at + needle.size())) {
        ++count;
    }
    return count;
}

double roundHalfEven(double value)
{
    return std::nearbyint(value); // the default rounding mode is to nearest, halves to even
}

QString trimBlanks(const QString& text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && text[start] == u' ') {
        ++start;
    }
    while (end > start && text[end - 1] == u' ') {
        --end;
    }
    return text.mid(start, end - start);
}

} // namespace text
