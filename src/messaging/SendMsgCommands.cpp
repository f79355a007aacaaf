#include "messaging/SendMsgCommands.h"

#include "core/LangTable.h"

#include <algorithm>

namespace sendmsg {

QString quotedWord(const QString& word)
{
    const auto special = [](QChar c) { return c == u' ' || c == u'\t' || c == u'"'; };
    if (!word.isEmpty() && std::none_of(word.begin(), word.end(), special)) {
        return word;
    }
    QString quoted(1, u'"');
    qsizetype backslashes = 0;
    for (const QChar c : word) {
        if (c == u'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes count only before a quote: there they are doubled, and the quote is escaped.
        quoted += QString(c == u'"' ? 2 * backslashes + 1 : backslashes, u'\\');
        quoted += c;
        backslashes = 0;
    }
    quoted += QString(2 * backslashes, u'\\'); // before the closing quote
    quoted += u'"';
    return quoted;
}

QString netSendCommandLine(const QString& address, const QString& message)
{
    return QStringLiteral("net send ") + quotedWord(address) + u' ' + quotedWord(message);
}

QString messengerCommandLine(bool start)
{
    return start ? QStringLiteral("net start messenger") : QStringLiteral("net stop messenger");
}

QStringList importFilters(const LangTable& lang)
{
    return { lang[78] + QStringLiteral(" (*.txt)"), lang[79] + QStringLiteral(" (*.rtf)"),
             lang[80] + QStringLiteral(" (*)") };
}

} // namespace sendmsg
