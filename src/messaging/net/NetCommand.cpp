#include "messaging/net/NetCommand.h"

#include "messaging/net/MessengerEnvironment.h"
#include "messaging/net/MessengerServiceMain.h"
#include "messaging/net/NetSender.h"
#include "messaging/net/ServiceControl.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

namespace {

const char kUsage[] = "usage: net send NAME MESSAGE...  send MESSAGE to the messenger of computer NAME\n"
                      "       net start messenger       start your messenger service\n"
                      "       net stop messenger        stop it\n";

int usage()
{
    std::fputs(kUsage, stderr);
    return 2;
}

int failure(QString reason)
{
    // One line, whatever the name or the system's text had in it.
    reason.replace(u'\n', u' ').replace(u'\r', u' ');
    std::fprintf(stderr, "net: %s\n", reason.toLocal8Bit().constData());
    return 1;
}

// Characters a datagram may not carry become U+FFFD rather than being dropped unseen.
QString withoutControlCharacters(QString text)
{
    for (QChar& c : text) {
        if (c.category() == QChar::Other_Control && c != u'\t' && c != u'\n' && c != u'\r')
            c = QChar::ReplacementCharacter;
    }
    return text;
}

int send(int& argc, char** argv, const QStringList& args)
{
    if (args.size() < 4)
        return args.size() == 3 ? failure(QStringLiteral("no message to send")) : usage();
    quint16 port = 0;
    QString error;
    if (!messengerPort(&port, &error))
        return failure(error);
    const QString message = withoutControlCharacters(args.mid(3).join(u' '));
    // The resolver's cache wants an application object; a core one keeps the start quick
    // (a notice starts hundreds of these at once) where a GUI one would not.
    QCoreApplication app(argc, argv);
    if (!sendNetMessage(args[2], message, port, &error))
        return failure(error);
    return 0;
}

} // namespace

int runNetCommand(int& argc, char** argv)
{
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    const QString verb = args.value(1).toLower();

    if (verb == QLatin1String("send"))
        return send(argc, argv, args);
    if (args.size() == 3 && args[2].compare(QLatin1String("messenger"), Qt::CaseInsensitive) == 0) {
        QString error;
        if (verb == QLatin1String("start"))
            return startMessenger(&error) ? 0 : failure(error);
        if (verb == QLatin1String("stop"))
            return stopMessenger(&error) ? 0 : failure(error);
    }
    if (args.value(1) == QLatin1String(kServiceCommand)) {
        if (args.size() == 2)
            return runMessengerService(-1, argc, argv);
        bool ok = false;
        const int readyFd = args.value(3).toInt(&ok);
        if (args.size() == 4 && args[2] == QLatin1String("--ready-fd") && ok && readyFd > 2)
            return runMessengerService(readyFd, argc, argv);
    }
    return usage();
}
