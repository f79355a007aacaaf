#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>

// Shared by the net tests: the net program, a port and a runtime folder of the test's own, and
// waiting that keeps the event loop turning. Nothing here sends anywhere but loopback.

struct NetRun
{
    int exitCode = -1;
    QString standardError;
};

/// The net program of this build.
QString netProgram();
/// The messenger service's program of this build, beside net.
QString messengerProgram();
/// A UDP port free on IPv4 and IPv6 at the moment of asking.
quint16 freeUdpPort();
/// Polls condition, turning the event loop, until it holds or timeoutMs has passed.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 30000);
/// Sends data to port on a loopback address, from the loopback address from.
bool sendRawDatagram(const QByteArray& data, quint16 port, const QHostAddress& to = QHostAddress::LocalHost,
                     const QHostAddress& from = QHostAddress::LocalHost);
/// Whether pid is a running messenger service (not a zombie, not some other process).
bool isMessengerServiceRunning(qint64 pid);
/// Whether pid has finished ending: gone, or a zombie that holds no files any more.
bool hasEnded(qint64 pid);
/// Children of this process that have ended and not been reaped.
int zombieChildren();

// A runtime folder and port of the test's own for the net program, with no display and no
// session bus unless the test sets one. Stops a service the test started when it goes.
class NetSandbox
{
public:
    NetSandbox();
    ~NetSandbox();
    NetSandbox(const NetSandbox&) = delete;
    NetSandbox& operator=(const NetSandbox&) = delete;

    quint16 port() const { return m_port; }
    QString runDir() const { return m_dir.path(); }
    void setEnvironmentValue(const QString& name, const QString& value) { m_environment.insert(name, value); }
    const QProcessEnvironment& environment() const { return m_environment; }

    /// Runs net (or another program) with arguments and waits for it to end.
    NetRun run(const QStringList& arguments, const QString& program = netProgram()) const;
    /// The service's log so far.
    QString log() const;
    /// The process id the running service recorded in its lock, 0 if none.
    qint64 servicePid() const;

private:
    QTemporaryDir m_dir;
    quint16 m_port;
    QProcessEnvironment m_environment;
};
