#include "messaging/net/NetTestSupport.h"

#include "messaging/net/MessengerEnvironment.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <QUdpSocket>
#include <csignal>
#include <unistd.h>

QString netProgram()
{
    return QStringLiteral(TOVA_NET_PROGRAM);
}

QString messengerProgram()
{
    return QStringLiteral(TOVA_MESSENGER_PROGRAM);
}

quint16 freeUdpPort()
{
    for (int attempt = 0; attempt < 50; ++attempt) {
        QUdpSocket ipv4;
        QUdpSocket ipv6;
        if (!ipv4.bind(QHostAddress::AnyIPv4, 0))
            continue;
        const quint16 port = ipv4.localPort();
        // Where the system has no IPv6 the service runs on IPv4 alone, and so may the test.
        if (ipv6.bind(QHostAddress::AnyIPv6, port) || ipv6.error() != QAbstractSocket::AddressInUseError)
            return port;
    }
    return 0;
}

bool waitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    return true;
}

bool sendRawDatagram(const QByteArray& data, quint16 port, const QHostAddress& to, const QHostAddress& from)
{
    QUdpSocket socket;
    if (!socket.bind(from, 0))
        return false;
    return socket.writeDatagram(data, to, port) == data.size();
}

namespace {
// The state letter and the parent's process id from /proc/PID/stat; an empty state when gone.
QList<QByteArray> processStateAndParent(const QString& pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return {};
    const QByteArray fields = stat.readAll();
    return fields.mid(fields.lastIndexOf(')') + 2).split(' ').mid(0, 2);
}
} // namespace

bool hasEnded(qint64 pid)
{
    const QList<QByteArray> state = processStateAndParent(QString::number(pid));
    return state.isEmpty() || state[0] == "Z" || state[0] == "X";
}

bool isMessengerServiceRunning(qint64 pid)
{
    QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (pid <= 0 || hasEnded(pid) || !cmdline.open(QIODevice::ReadOnly))
        return false;
    const QByteArray program = cmdline.readAll().split('\0').constFirst();
    return QFileInfo(QString::fromLocal8Bit(program)).fileName() == QFileInfo(messengerProgram()).fileName();
}

int zombieChildren()
{
    int zombies = 0;
    const QByteArray self = QByteArray::number(qint64(getpid()));
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QList<QByteArray> state = processStateAndParent(entry);
        zombies += state.size() == 2 && state[0] == "Z" && state[1] == self ? 1 : 0;
    }
    return zombies;
}

NetSandbox::NetSandbox()
    : m_dir(QDir::tempPath() + QStringLiteral("/tova-net-test-XXXXXX")), m_port(freeUdpPort()),
      m_environment(QProcessEnvironment::systemEnvironment())
{
    for (const char* name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_RUNTIME_DIR" })
        m_environment.remove(QString::fromLatin1(name));
    m_environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("disabled:"));
    m_environment.insert(QStringLiteral("TOVA_MESSENGER_PORT"), QString::number(m_port));
    m_environment.insert(QStringLiteral("TOVA_MESSENGER_RUNDIR"), m_dir.path());
}

NetSandbox::~NetSandbox()
{
    const qint64 pid = servicePid();
    run({ QStringLiteral("stop"), QStringLiteral("messenger") });
    // A service that would not stop is still one this test started.
    if (isMessengerServiceRunning(pid))
        kill(pid_t(pid), SIGKILL);
}

NetRun NetSandbox::run(const QStringList& arguments, const QString& program) const
{
    QProcess process;
    process.setProcessEnvironment(m_environment);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return { -1, program + QStringLiteral(" did not finish") };
    }
    return { process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
             QString::fromUtf8(process.readAllStandardError()) };
}

QString NetSandbox::log() const
{
    QFile file(QString::fromStdString(messengerLogPath(m_dir.path().toStdString())));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

qint64 NetSandbox::servicePid() const
{
    QFile file(QString::fromStdString(messengerLockPath(m_dir.path().toStdString())));
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed().toLongLong() : 0;
}
