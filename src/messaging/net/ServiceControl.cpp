#include "messaging/net/ServiceControl.h"

#include "messaging/net/MessengerEnvironment.h"
#include "messaging/net/ServiceLock.h"

#include <QFile>
#include <QThread>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Starting the service takes a QApplication and a session bus connection; both are quick, but
// a loaded machine is given time.
constexpr int kReadyTimeoutMs = 10000;
constexpr int kStopTimeoutMs = 5000;
constexpr int kPollMs = 20;
constexpr int kReadyFd = 3;

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

QByteArray ownExecutable()
{
    char path[PATH_MAX] = {};
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? QByteArray(path, int(n)) : QByteArray();
}

// The number in the lock is used to signal a process; make sure it is this user's service and
// not an unrelated process that took over a number left behind.
bool isMessengerService(qint64 pid)
{
    const QString proc = QStringLiteral("/proc/%1").arg(pid);
    struct stat info = {};
    if (stat(proc.toLocal8Bit().constData(), &info) != 0 || info.st_uid != geteuid())
        return false;
    QFile cmdline(proc + QStringLiteral("/cmdline"));
    if (!cmdline.open(QIODevice::ReadOnly))
        return false;
    const QList<QByteArray> words = cmdline.readAll().split('\0');
    return words.size() > 1 && words[1] == kServiceCommand;
}

// Reads the service's one-line report from the pipe, or what became of it.
QByteArray readReport(int fd)
{
    QByteArray report;
    int waitedMs = 0;
    while (waitedMs < kReadyTimeoutMs && !report.contains('\n')) {
        pollfd entry = { fd, POLLIN, 0 };
        const int ready = poll(&entry, 1, kPollMs * 5);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready == 0) {
            waitedMs += kPollMs * 5;
            continue;
        }
        char buffer[512];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return report.isEmpty() ? QByteArray("ERR ended before it listened") : report;
        report.append(buffer, int(n));
    }
    return report.isEmpty() ? QByteArray("ERR did not answer in time") : report;
}

} // namespace

bool startMessenger(QString* error)
{
    QString folder;
    if (!messengerRuntimeFolder(&folder, error))
        return false;
    // The lock of a service that has just died can outlive it by a moment (the system closes
    // its files after it has ended), so only a live service is taken for a running one; any
    // other case is left to the new service, which waits that moment for the lock.
    qint64 pid = 0;
    if (ServiceLock::probe(messengerLockPath(folder), &pid, error) == ServiceLock::State::Running
        && isMessengerService(pid))
        return true;

    // Everything the child needs is made before fork: after it only async-signal-safe calls.
    const QByteArray executable = ownExecutable();
    if (executable.isEmpty()) {
        *error = QStringLiteral("cannot find the net program itself: %1").arg(systemError());
        return false;
    }
    const QByteArray readyFdText = QByteArray::number(kReadyFd);
    char* const argv[] = { const_cast<char*>("net"), const_cast<char*>(kServiceCommand),
                           const_cast<char*>("--ready-fd"), const_cast<char*>(readyFdText.constData()), nullptr };
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        *error = systemError();
        return false;
    }

    const pid_t child = fork();
    if (child < 0) {
        *error = systemError();
        close(pipeFds[0]);
        close(pipeFds[1]);
        return false;
    }
    if (child == 0) {
        // A session of its own, and a second fork so the service is nobody's child but init's.
        close(pipeFds[0]);
        setsid();
        const pid_t service = fork();
        if (service != 0)
            _exit(service < 0 ? 1 : 0);
        if (chdir("/") != 0)
            _exit(1);
        umask(077);
        const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
        if (null >= 0) {
            dup2(null, 0);
            dup2(null, 1);
            dup2(null, 2);
        }
        if (pipeFds[1] == kReadyFd)
            fcntl(kReadyFd, F_SETFD, 0);
        else if (dup2(pipeFds[1], kReadyFd) < 0)
            _exit(1);
        signal(SIGPIPE, SIG_DFL);
        execv(executable.constData(), argv);
        const char failed[] = "ERR cannot run the net program\n";
        if (write(kReadyFd, failed, sizeof failed - 1) < 0) {
            // The starter is gone; there is nobody left to tell.
        }
        _exit(127);
    }
    close(pipeFds[1]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) { }
    const QByteArray report = readReport(pipeFds[0]).trimmed();
    close(pipeFds[0]);
    if (report == "OK" || report == "RUNNING")
        return true;
    *error = QStringLiteral("the messenger service did not start: %1 (see %2)")
                 .arg(QString::fromUtf8(report.startsWith("ERR ") ? report.mid(4) : report), messengerLogPath(folder));
    return false;
}

bool stopMessenger(QString* error)
{
    QString folder;
    if (!messengerRuntimeFolder(&folder, error))
        return false;
    const QString lockPath = messengerLockPath(folder);
    bool terminated = false;
    bool killed = false;
    qint64 stoppedPid = 0;
    for (int waitedMs = 0;; waitedMs += kPollMs) {
        qint64 pid = 0;
        switch (ServiceLock::probe(lockPath, &pid, error)) {
        case ServiceLock::State::NotRunning:
            // The lock goes with the service's last steps; see those through too, so that
            // "stopped" means no such process.
            for (int endingMs = 0; stoppedPid != 0 && isMessengerService(stoppedPid) && endingMs < 1000;
                 endingMs += kPollMs)
                QThread::msleep(kPollMs);
            return true;
        case ServiceLock::State::Failed:
            return false;
        case ServiceLock::State::Running:
            break;
        }
        if (waitedMs >= kStopTimeoutMs + 1000) {
            *error = QStringLiteral("the messenger service (process %1) does not stop").arg(pid);
            return false;
        }
        // A service that has just taken the lock may not have written its number yet.
        if (pid != 0 && isMessengerService(pid)) {
            int signalNumber = 0;
            if (!terminated) {
                signalNumber = SIGTERM;
                terminated = true;
                stoppedPid = pid;
            } else if (!killed && waitedMs >= kStopTimeoutMs) {
                signalNumber = SIGKILL;
                killed = true;
            }
            if (signalNumber != 0 && kill(pid_t(pid), signalNumber) != 0 && errno != ESRCH) {
                *error
                    = QStringLiteral("cannot stop the messenger service (process %1): %2").arg(pid).arg(systemError());
                return false;
            }
        } else if (!terminated && waitedMs >= 1000) {
            *error = QStringLiteral("the messenger lock %1 is held by a process that is not the service").arg(lockPath);
            return false;
        }
        QThread::msleep(kPollMs);
    }
}
