#include "messaging/net/ServiceLock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemError(const QString& what)
{
    return QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(errno)));
}

qint64 readPid(int fd)
{
    char buffer[32] = {};
    const ssize_t n = pread(fd, buffer, sizeof buffer - 1, 0);
    if (n <= 0)
        return 0;
    bool ok = false;
    const qint64 pid = QByteArray(buffer, int(n)).trimmed().toLongLong(&ok);
    return ok && pid > 1 ? pid : 0;
}

} // namespace

ServiceLock::ServiceLock(QString path) : m_path(std::move(path)) { }

ServiceLock::~ServiceLock()
{
    if (m_fd >= 0)
        close(m_fd);
}

ServiceLock::Result ServiceLock::acquire(QString* error)
{
    const QByteArray path = m_path.toLocal8Bit();
    m_fd = open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (m_fd < 0) {
        *error = systemError(m_path);
        return Result::Failed;
    }
    // A probe holds a shared lock for a moment; a few tries tell it from a running service.
    Result result = Result::HeldElsewhere;
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (flock(m_fd, LOCK_EX | LOCK_NB) == 0)
            return Result::Acquired;
        if (errno != EWOULDBLOCK && errno != EINTR) {
            *error = systemError(m_path);
            result = Result::Failed;
            break;
        }
        usleep(10 * 1000);
    }
    close(m_fd);
    m_fd = -1;
    return result;
}

bool ServiceLock::writePid(qint64 pid, QString* error)
{
    const QByteArray text = QByteArray::number(pid) + '\n';
    if (ftruncate(m_fd, 0) != 0 || pwrite(m_fd, text.constData(), size_t(text.size()), 0) != text.size()) {
        *error = systemError(m_path);
        return false;
    }
    return true;
}

void ServiceLock::clearPid()
{
    if (m_fd >= 0 && ftruncate(m_fd, 0) != 0) {
        // Nothing to do: a stale number is checked against the process before it is used.
    }
}

bool ServiceLock::stillInPlace() const
{
    struct stat held = {};
    struct stat named = {};
    const QByteArray path = m_path.toLocal8Bit();
    return m_fd >= 0 && fstat(m_fd, &held) == 0 && lstat(path.constData(), &named) == 0 && held.st_dev == named.st_dev
        && held.st_ino == named.st_ino;
}

ServiceLock::State ServiceLock::probe(const QString& path, qint64* pid, QString* error)
{
    *pid = 0;
    const QByteArray name = path.toLocal8Bit();
    const int fd = open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        if (errno == ENOENT)
            return State::NotRunning;
        *error = systemError(path);
        return State::Failed;
    }
    State state = State::Failed;
    // Shared, so that two probes never look to each other like a running service.
    if (flock(fd, LOCK_SH | LOCK_NB) == 0) {
        flock(fd, LOCK_UN);
        state = State::NotRunning;
    } else if (errno == EWOULDBLOCK) {
        state = State::Running;
        *pid = readPid(fd);
    } else {
        *error = systemError(path);
    }
    close(fd);
    return state;
}
