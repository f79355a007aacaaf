#include "ShutdownNotice.h"

#include "core/TextHelpers.h"
#include "platform/Launcher.h"

void SendShutdownNotice(Launcher& launcher, const QString& message, QString& prefix, qint16& first, qint16& last)
{
    if (text::trimBlanks(prefix).isEmpty()) {
        prefix = QStringLiteral("192.168.0");
    }
    // One pass over non-overlapping pairs: a prefix ending in two dots keeps one doubled dot.
    prefix += u'.';
    prefix.replace(QStringLiteral(".."), QStringLiteral("."));
    if (first <= 0) {
        first = 1;
    }
    if (last <= 0) {
        last = 255;
    }
    const QString head = QStringLiteral("net send ");
    for (int n = first; n <= last; ++n) {
        launcher.WinExec(head + prefix + QString::number(n) + u' ' + message, 0);
    }
}
