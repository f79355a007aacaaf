#include "messaging/net/UnixSignalWatcher.h"

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int g_signalSockets[2] = { -1, -1 };
constexpr int kWatchedSignals[] = { SIGTERM, SIGINT, SIGHUP };
} // namespace

UnixSignalWatcher::UnixSignalWatcher(QObject* parent) : QObject(parent)
{
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalSockets) != 0)
        return;
    fcntl(g_signalSockets[0], F_SETFL, O_NONBLOCK);
    fcntl(g_signalSockets[1], F_SETFL, O_NONBLOCK);
    m_notifier = new QSocketNotifier(g_signalSockets[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &UnixSignalWatcher::readSignal);

    struct sigaction action = {};
    action.sa_handler = &UnixSignalWatcher::handle;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : kWatchedSignals)
        sigaction(signalNumber, &action, nullptr);
}

UnixSignalWatcher::~UnixSignalWatcher()
{
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (const int signalNumber : kWatchedSignals)
        sigaction(signalNumber, &action, nullptr);
    for (int& fd : g_signalSockets) {
        if (fd >= 0)
            close(fd);
        fd = -1;
    }
}

void UnixSignalWatcher::handle(int signalNumber)
{
    // Only async-signal-safe calls here.
    const int savedErrno = errno;
    const char byte = char(signalNumber);
    if (write(g_signalSockets[0], &byte, 1) < 0) {
        // The pair is full of signals not yet read: one more changes nothing.
    }
    errno = savedErrno;
}

void UnixSignalWatcher::readSignal()
{
    char byte = 0;
    while (read(g_signalSockets[1], &byte, 1) == 1)
        emit signalReceived(int(byte));
}
