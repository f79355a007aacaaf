#include "messaging/import/TextTidy.h"

namespace texttidy {

QString tidy(QStringView text)
{
    QString out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        const char16_t u = c.unicode();
        if (u == u'\r') {
            if (i + 1 < n && text[i + 1] == u'\n') {
                continue;
            }
            out.append(u'\n');
        } else if (u < 0x20 && u != u'\t' && u != u'\n') {
            continue;
        } else if (u == 0x7F) {
            continue;
        } else if (c.isHighSurrogate()) {
            if (i + 1 < n && text[i + 1].isLowSurrogate()) {
                out.append(c);
                out.append(text[++i]);
            } else {
                out.append(QChar::ReplacementCharacter);
            }
        } else if (c.isLowSurrogate()) {
            out.append(QChar::ReplacementCharacter);
        } else {
            out.append(c);
        }
    }
    return out;
}

} // namespace texttidy
