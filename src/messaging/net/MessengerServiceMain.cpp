#include "messaging/net/MessengerServiceMain.h"

#include "messaging/net/LogPresenter.h"
#include "messaging/net/MessengerConfig.h"
#include "messaging/net/MessengerEnvironment.h"
#include "messaging/net/MessengerLog.h"
#include "messaging/net/MessengerService.h"
#include "messaging/net/NotificationPresenter.h"
#include "messaging/net/ServiceLock.h"
#include "messaging/net/UnixSignalWatcher.h"
#include "messaging/net/WindowPresenter.h"

#include <QApplication>
#include <QFileSystemWatcher>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

class Reporter
{
public:
    explicit Reporter(int fd) : m_fd(fd) { }
    ~Reporter() { finish(); }

    void send(const QByteArray& line)
    {
        if (m_fd < 0)
            return;
        const QByteArray text = line + '\n';
        if (write(m_fd, text.constData(), size_t(text.size())) < 0) {
            // The starter gave up waiting; the service goes on all the same.
        }
        finish();
    }
    int fail(const QString& reason)
    {
        messengerLog(reason);
        send("ERR " + reason.toUtf8());
        return 1;
    }

private:
    void finish()
    {
        if (m_fd >= 0)
            close(m_fd);
        m_fd = -1;
    }
    int m_fd;
};

bool redirectOutputTo(const std::string& logPath)
{
    const int fd = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return false;
    dup2(fd, STDOUT_FILENO);
    dup2(fd, STDERR_FILENO);
    close(fd);
    return true;
}

} // namespace

int runMessengerService(int readyFd, int& argc, char** argv)
{
    // A starter that has given up must not take the service with it.
    signal(SIGPIPE, SIG_IGN);
    Reporter reporter(readyFd);

    // The rules net follows too, in plain C++; their texts become QStrings here.
    std::string folder;
    std::string error;
    std::uint16_t port = 0;
    if (!messengerRuntimeFolder(&folder, &error) || !messengerPort(&port, &error))
        return reporter.fail(QString::fromStdString(error));
    const std::string lockPath = messengerLockPath(folder);
    ServiceLock lock(lockPath);
    switch (lock.acquire(&error)) {
    case ServiceLock::Result::Acquired:
        break;
    case ServiceLock::Result::HeldElsewhere:
        reporter.send("RUNNING");
        return 0;
    case ServiceLock::Result::Failed:
        return reporter.fail(QString::fromStdString(error));
    }
    // Only the lock's holder may empty the log of the service before it.
    const std::string logPath = messengerLogPath(folder);
    if (readyFd >= 0 && !redirectOutputTo(logPath))
        return reporter.fail(QStringLiteral("cannot write %1").arg(QString::fromStdString(logPath)));
    if (readyFd >= 0)
        keepMessengerLogBounded(QString::fromStdString(logPath));

    const bool withWindows = messengerHasDisplay();
    std::unique_ptr<QCoreApplication> app;
    if (withWindows) {
        app = std::make_unique<QApplication>(argc, argv);
        // The service outlives every message window.
        QApplication::setQuitOnLastWindowClosed(false);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }

    LogPresenter logPresenter;
    WindowPresenter windowPresenter;
    NotificationPresenter notifications(QDBusConnection::sessionBus(),
                                        withWindows ? static_cast<MessagePresenter*>(&windowPresenter) : &logPresenter);
    MessengerService service(&notifications);
    service.setSourceFilter(LocalSourceFilter(loadMessengerConfig()));
    QString listenError;
    if (!service.listen(port, &listenError))
        return reporter.fail(listenError);
    if (!lock.writePid(getpid(), &error))
        return reporter.fail(QString::fromStdString(error));

    UnixSignalWatcher signalWatcher;
    QObject::connect(&signalWatcher, &UnixSignalWatcher::signalReceived, app.get(), &QCoreApplication::quit);
    // The user's last session ending removes the runtime folder and with it the lock; a service
    // left running then would hold the port against the next session's one.
    QFileSystemWatcher lockWatcher({ QString::fromStdString(lockPath) });
    QObject::connect(&lockWatcher, &QFileSystemWatcher::fileChanged, app.get(), [&lock] {
        if (!lock.stillInPlace()) {
            messengerLog(QStringLiteral("the lock file has gone: stopping"));
            QCoreApplication::quit();
        }
    });

    messengerLog(QStringLiteral("listening on UDP port %1 (%2), process %3")
                     .arg(port)
                     .arg(service.listensOnIpv6() ? QStringLiteral("IPv4 and IPv6") : QStringLiteral("IPv4 only"))
                     .arg(getpid()));
    reporter.send("OK");
    const int status = app->exec();
    lock.clearPid();
    messengerLog(QStringLiteral("stopped"));
    return status;
}

int runMessengerProgram(int& argc, char** argv)
{
    if (argc == 1)
        return runMessengerService(-1, argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--ready-fd") == 0) {
        bool ok = false;
        const int readyFd = QByteArray(argv[2]).toInt(&ok);
        // Never standard input, output or error: the report would go to the wrong place.
        if (ok && readyFd > 2)
            return runMessengerService(readyFd, argc, argv);
    }
    std::fputs("usage: tova-messenger [--ready-fd N]  this user's messenger service (net start messenger runs it)\n",
               stderr);
    return 2;
}
