#include "messaging/net/ServiceLock.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

std::string systemError(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

std::int64_t readPid(int fd)
{
    char buffer[32] = {};
    const ssize_t n = pread(fd, buffer, sizeof buffer - 1, 0);
    if (n <= 0)
        return 0;
    // A number, then at most white space.
    char* end = nullptr;
    errno = 0;
    const long long pid = std::strtoll(buffer, &end, 10);
    if (errno != 0 || end == buffer)
        return 0;
    for (; *end != '\0'; ++end) {
        if (std::strchr(" \t\n\r\v\f", *end) == nullptr)
            return 0;
    }
    return pid > 1 ? pid : 0;
}

} // namespace

ServiceLock::ServiceLock(std::string path) : m_path(std::move(path)) { }

ServiceLock::~ServiceLock()
{
    if (m_fd >= 0)
        close(m_fd);
}

ServiceLock::Result ServiceLock::acquire(std::string* error)
{
    m_fd = open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
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

bool ServiceLock::writePid(std::int64_t pid, std::string* error)
{
    const std::string text = std::to_string(pid) + '\n';
    if (ftruncate(m_fd, 0) != 0 || pwrite(m_fd, text.data(), text.size(), 0) != ssize_t(text.size())) {
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
    return m_fd >= 0 && fstat(m_fd, &held) == 0 && lstat(m_path.c_str(), &named) == 0 && held.st_dev == named.st_dev
        && held.st_ino == named.st_ino;
}

ServiceLock::State ServiceLock::probe(const std::string& path, std::int64_t* pid, std::string* error)
{
    *pid = 0;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
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
