#pragma once

#include <QString>
#include <QStringList>

// Splits a command line into words the way Windows' CommandLineToArgvW does, so that a line written
// for WinExec reaches the started program with the words it would have had there.
//
// The program name (the first word) ends at the first blank or tab; when it starts with a quote it ends
// at the next quote instead, and whatever follows that quote begins the next word. Backslashes and
// quotes have no other meaning in it.
//
// In every later word:
// - 2n backslashes and a quote give n backslashes, and the quote opens or closes a quoted part;
// - 2n+1 backslashes and a quote give n backslashes and a literal quote;
// - backslashes not followed by a quote are literal;
// - inside a quoted part, two quotes give one literal quote and the part stays open (the rule of the
//   Microsoft C runtime since 2008; older runtimes closed the part);
// - blanks and tabs separate words outside quoted parts; "" alone is an empty word.
//
// An empty line gives no words (CommandLineToArgvW would answer with its own program's path). A line
// that starts with a blank gives an empty program name, as on Windows. The line ends at the first NUL,
// where the C string it stands for would end.
class CommandLine
{
public:
    static QStringList split(const QString& commandLine);
};
