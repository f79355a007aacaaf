#include "messaging/net/ServiceControl.h"

#include "messaging/net/MessengerEnvironment.h"
#include "messaging/net/ServiceLock.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
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

std::string systemError()
{
    return std::strerror(errno);
}

void sleepMs(int ms)
{
    usleep(useconds_t(ms) * 1000);
}

std::string baseName(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string readLink(const std::string& path)
{
    char target[PATH_MAX] = {};
    const ssize_t n = readlink(path.c_str(), target, sizeof target - 1);
    return n > 0 ? std::string(target, std::size_t(n)) : std::string();
}

// The service's program sits beside this one.
std::string messengerExecutable()
{
    const std::string self = readLink("/proc/self/exe");
    const std::size_t slash = self.rfind('/');
    return slash == std::string::npos ? std::string() : self.substr(0, slash + 1) + kMessengerProgram;
}

// The number in the lock is used to signal a process; make sure it is this user's service and
// not an unrelated process that took over a number left behind.
bool isMessengerService(std::int64_t pid)
{
    const std::string proc = "/proc/" + std::to_string(pid);
    struct stat info = {};
    if (stat(proc.c_str(), &info) != 0 || info.st_uid != geteuid())
        return false;
    if (baseName(readLink(proc + "/exe")) == kMessengerProgram)
        return true;
    // A program replaced while it runs shows as "... (deleted)"; its first argument still names it.
    std::ifstream cmdline(proc + "/cmdline", std::ios::binary);
    std::string first;
    return cmdline && std::getline(cmdline, first, '\0') && baseName(first) == kMessengerProgram;
}

// Reads the service's one-line report from the pipe, or what became of it.
std::string readReport(int fd)
{
    std::string report;
    int waitedMs = 0;
    while (waitedMs < kReadyTimeoutMs && report.find('\n') == std::string::npos) {
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
            return report.empty() ? "ERR ended before it listened" : report;
        report.append(buffer, std::size_t(n));
    }
    return report.empty() ? "ERR did not answer in time" : report;
}

std::string trimmed(const std::string& text)
{
    const char* const blanks = " \t\n\r\v\f";
    const std::size_t first = text.find_first_not_of(blanks);
    return first == std::string::npos ? std::string() : text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

} // namespace

bool startMessenger(std::string* error)
{
    std::string folder;
    if (!messengerRuntimeFolder(&folder, error))
        return false;
    // The lock of a service that has just died can outlive it by a moment (the system closes
    // its files after it has ended), so only a live service is taken for a running one; any
    // other case is left to the new service, which waits that moment for the lock.
    std::int64_t pid = 0;
    if (ServiceLock::probe(messengerLockPath(folder), &pid, error) == ServiceLock::State::Running
        && isMessengerService(pid))
        return true;

    // Everything the child needs is made before fork: after it only async-signal-safe calls.
    const std::string executable = messengerExecutable();
    if (executable.empty() || access(executable.c_str(), X_OK) != 0) {
        *error = std::string("cannot find the messenger program ")
            + (executable.empty() ? kMessengerProgram : executable) + ": " + systemError();
        return false;
    }
    const std::string readyFdText = std::to_string(kReadyFd);
    char* const argv[] = { const_cast<char*>(kMessengerProgram), const_cast<char*>("--ready-fd"),
                           const_cast<char*>(readyFdText.c_str()), nullptr };
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
        execv(executable.c_str(), argv);
        const char failed[] = "ERR cannot run the messenger program\n";
        if (write(kReadyFd, failed, sizeof failed - 1) < 0) {
            // The starter is gone; there is nobody left to tell.
        }
        _exit(127);
    }
    close(pipeFds[1]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) { }
    const std::string report = trimmed(readReport(pipeFds[0]));
    close(pipeFds[0]);
    if (report == "OK" || report == "RUNNING")
        return true;
    *error = "the messenger service did not start: " + (report.rfind("ERR ", 0) == 0 ? report.substr(4) : report)
        + " (see " + messengerLogPath(folder) + ")";
    return false;
}

bool stopMessenger(std::string* error)
{
    std::string folder;
    if (!messengerRuntimeFolder(&folder, error))
        return false;
    const std::string lockPath = messengerLockPath(folder);
    bool terminated = false;
    bool killed = false;
    std::int64_t stoppedPid = 0;
    for (int waitedMs = 0;; waitedMs += kPollMs) {
        std::int64_t pid = 0;
        switch (ServiceLock::probe(lockPath, &pid, error)) {
        case ServiceLock::State::NotRunning:
            // The lock goes with the service's last steps; see those through too, so that
            // "stopped" means no such process.
            for (int endingMs = 0; stoppedPid != 0 && isMessengerService(stoppedPid) && endingMs < 1000;
                 endingMs += kPollMs)
                sleepMs(kPollMs);
            return true;
        case ServiceLock::State::Failed:
            return false;
        case ServiceLock::State::Running:
            break;
        }
        if (waitedMs >= kStopTimeoutMs + 1000) {
            *error = "the messenger service (process " + std::to_string(pid) + ") does not stop";
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
                *error = "cannot stop the messenger service (process " + std::to_string(pid) + "): " + systemError();
                return false;
            }
        } else if (!terminated && waitedMs >= 1000) {
            *error = "the messenger lock " + lockPath + " is held by a process that is not the service";
            return false;
        }
        sleepMs(kPollMs);
    }
}
