#include "AddressFields.h"

#include "core/TextHelpers.h"

#include <cmath>

AddressFields AddressFields::tidied() const
{
    AddressFields out;
    QString stops = prefix;
    stops.replace(u'。', u'.').replace(u'·', u'.').replace(u'．', u'.');
    out.prefix = text::narrow(stops);

    double first = text::leadingNumber(text::narrow(start));
    double last = text::leadingNumber(text::narrow(end));
    if (!std::isfinite(first)) {
        first = 0;
    }
    if (!std::isfinite(last)) {
        last = 0;
    }
    if (first <= 0) {
        first = 1;
    }
    if (last <= 0 || last > 255) {
        last = 255;
    }
    if (last <= first) {
        first = 1;
    }
    if (last <= first) {
        last = 255;
    }
    out.start = numberText(first);
    out.end = numberText(last);
    return out;
}

QString AddressFields::numberText(double value)
{
    QString text = QString::number(value, 'f', 15);
    if (text.contains(u'.')) {
        while (text.endsWith(u'0')) {
            text.chop(1);
        }
        if (text.endsWith(u'.')) {
            text.chop(1);
        }
    }
    return text == QStringLiteral("-0") ? QStringLiteral("0") : text;
}
