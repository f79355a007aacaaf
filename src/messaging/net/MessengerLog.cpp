#include "messaging/net/MessengerLog.h"

#include <QDateTime>
#include <cstdio>

void messengerLog(const QString& line)
{
    const QByteArray text
        = (QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss ")) + line + u'\n').toUtf8();
    std::fwrite(text.constData(), 1, size_t(text.size()), stderr);
    std::fflush(stderr);
}
