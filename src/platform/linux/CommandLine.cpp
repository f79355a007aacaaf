#include "platform/linux/CommandLine.h"

namespace {

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

} // namespace

QStringList CommandLine::split(const QString& commandLine)
{
    const qsizetype nul = commandLine.indexOf(QChar(0));
    const QStringView line = QStringView(commandLine).left(nul < 0 ? commandLine.size() : nul);
    const qsizetype n = line.size();
    const QChar quote = QLatin1Char('"');
    const QChar backslash = QLatin1Char('\\');

    QStringList words;
    if (n == 0)
        return words;

    qsizetype i = 0;
    QString word;
    if (line[0] == quote) {
        ++i;
        while (i < n && line[i] != quote)
            word += line[i++];
        if (i < n)
            ++i;
    } else {
        while (i < n && !isBlank(line[i]))
            word += line[i++];
    }
    words << word;

    for (;;) {
        while (i < n && isBlank(line[i]))
            ++i;
        if (i >= n)
            break;
        word.clear();
        bool inQuotes = false;
        for (;;) {
            qsizetype backslashes = 0;
            while (i < n && line[i] == backslash) {
                ++backslashes;
                ++i;
            }
            bool copyChar = true;
            if (i < n && line[i] == quote) {
                if (backslashes % 2 == 0) {
                    if (inQuotes && i + 1 < n && line[i + 1] == quote)
                        ++i;
                    else {
                        copyChar = false;
                        inQuotes = !inQuotes;
                    }
                }
                backslashes /= 2;
            }
            word.append(QString(backslashes, backslash));
            if (i >= n || (!inQuotes && isBlank(line[i])))
                break;
            if (copyChar)
                word += line[i];
            ++i;
        }
        words << word;
    }
    return words;
}
