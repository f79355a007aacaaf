#pragma once

#include <QString>
#include <QStringList>

class LangTable;

// The command lines and dialog texts of the send-message window, apart from its widgets.
namespace sendmsg {

/// word as one word of a command line that is split by the Windows rules: unchanged when it has no blank,
/// tab or quote, else quoted so that the split gives it back character for character.
QString quotedWord(const QString& word);

/// "net send ADDRESS MESSAGE", each quoted where needed (quotedWord): the message arrives as typed, its
/// quotes, runs of blanks and blanks at the ends included.
QString netSendCommandLine(const QString& address, const QString& message);

/// Starts or stops the messenger service.
QString messengerCommandLine(bool start);

/// Open-file dialog filters for an import, text files first, then rich text, then everything.
QStringList importFilters(const LangTable& lang);

} // namespace sendmsg
