#include "messaging/SendMsgCommands.h"

#include "core/LangTable.h"

namespace sendmsg {

QString netSendCommandLine(const QString& address, const QString& message)
{
    return QStringLiteral("net send ") + address + u' ' + message;
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
