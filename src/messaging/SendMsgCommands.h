#pragma once

#include <QString>
#include <QStringList>

class LangTable;

// The command lines and dialog texts of the send-message window, apart from its widgets.
namespace sendmsg {

/// "net send " + address + " " + message, exactly: the message goes in unquoted, line breaks and all,
/// as the messenger command expects it.
QString netSendCommandLine(const QString& address, const QString& message);

/// Starts or stops the messenger service.
QString messengerCommandLine(bool start);

/// Open-file dialog filters for an import, text files first, then rich text, then everything.
QStringList importFilters(const LangTable& lang);

} // namespace sendmsg
