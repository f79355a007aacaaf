#include "PrivateBus.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <csignal>
#include <sys/prctl.h>

namespace {
const QString MockInterface = QStringLiteral("org.freedesktop.DBus.Mock");
const QString Python = QStringLiteral("/usr/bin/python3");
constexpr int StartTimeoutMs = 15000;
constexpr int CallTimeoutMs = 5000;

void setError(QString* error, const QString& text)
{
    if (error) {
        *error = text;
    }
}

// Not even a crashed test may leave a bus or a mock behind.
void dieWithParent()
{
    prctl(PR_SET_PDEATHSIG, SIGTERM);
}

QString busConfig(PrivateBus::Type type, const QString& folder)
{
    return QStringLiteral("<busconfig>\n"
                          "  <type>%1</type>\n"
                          "  <listen>unix:dir=%2</listen>\n"
                          "  <auth>EXTERNAL</auth>\n"
                          "  <policy context=\"default\">\n"
                          "    <allow user=\"*\"/>\n"
                          "    <allow own=\"*\"/>\n"
                          "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                          "    <allow eavesdrop=\"true\"/>\n"
                          "  </policy>\n"
                          "</busconfig>\n")
        .arg(type == PrivateBus::Type::System ? QStringLiteral("system") : QStringLiteral("session"), folder);
}
} // namespace

PrivateBus::Mock::Mock(const PrivateBus& bus, QString busName, QString objectPath)
    : m_bus(bus), m_busName(std::move(busName)), m_objectPath(std::move(objectPath))
{ }

PrivateBus::Mock::~Mock()
{
    stop();
}

qint64 PrivateBus::Mock::pid() const
{
    return m_process ? m_process->processId() : 0;
}

QDBusMessage PrivateBus::Mock::call(const QString& method, const QVariantList& args, const QString& path) const
{
    QDBusMessage message
        = QDBusMessage::createMethodCall(m_busName, path.isEmpty() ? m_objectPath : path, MockInterface, method);
    message.setArguments(args);
    return m_bus.connection().call(message, QDBus::Block, CallTimeoutMs);
}

bool PrivateBus::Mock::addMethod(const QString& interface, const QString& name, const QString& inSignature,
                                 const QString& outSignature, const QString& code, const QString& path,
                                 QString* error) const
{
    const QDBusMessage reply
        = call(QStringLiteral("AddMethod"), { interface, name, inSignature, outSignature, code }, path);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        setError(error, reply.errorName() + u' ' + reply.errorMessage());
        return false;
    }
    return true;
}

QList<QVariantList> PrivateBus::Mock::methodCalls(const QString& method, const QString& path) const
{
    QList<QVariantList> calls;
    const QDBusMessage reply = call(QStringLiteral("GetMethodCalls"), { method }, path);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1) {
        return calls;
    }
    // a(tav): a time stamp and the arguments of each call.
    const QDBusArgument arg = reply.arguments().at(0).value<QDBusArgument>();
    arg.beginArray();
    while (!arg.atEnd()) {
        quint64 stamp = 0;
        QVariantList args;
        arg.beginStructure();
        arg >> stamp;
        arg.beginArray();
        while (!arg.atEnd()) {
            QDBusVariant value;
            arg >> value;
            args << value.variant();
        }
        arg.endArray();
        arg.endStructure();
        calls << args;
    }
    arg.endArray();
    return calls;
}

bool PrivateBus::Mock::clearCalls(const QString& path) const
{
    return call(QStringLiteral("ClearCalls"), {}, path).type() == QDBusMessage::ReplyMessage;
}

QString PrivateBus::Mock::errorOutput() const
{
    QFile file(m_errorFile);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void PrivateBus::Mock::stop()
{
    if (m_process) {
        stopProcess(*m_process);
        m_process.reset();
    }
}

PrivateBus::PrivateBus(Type type)
    : m_type(type), m_dir(QDir::tempPath() + QStringLiteral("/tova-bus-XXXXXX")),
      m_connectionName(QStringLiteral("tova-private-bus-%1").arg(quintptr(this), 0, 16))
{ }

PrivateBus::~PrivateBus()
{
    stopMocks();
    QDBusConnection::disconnectFromBus(m_connectionName);
    if (m_daemon) {
        stopProcess(*m_daemon);
    }
}

bool PrivateBus::start(QString* error)
{
    if (!m_dir.isValid()) {
        setError(error, QStringLiteral("no temporary folder: ") + m_dir.errorString());
        return false;
    }
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty()) {
        setError(error, QStringLiteral("dbus-daemon is not installed (Debian package dbus)"));
        return false;
    }
    const QString configPath = m_dir.filePath(QStringLiteral("bus.conf"));
    QFile config(configPath);
    if (!config.open(QIODevice::WriteOnly) || config.write(busConfig(m_type, m_dir.path()).toUtf8()) < 0) {
        setError(error, QStringLiteral("cannot write ") + configPath);
        return false;
    }
    config.close();

    m_daemon = std::make_unique<QProcess>();
    m_daemon->setChildProcessModifier(dieWithParent);
    m_daemon->setStandardErrorFile(m_dir.filePath(QStringLiteral("bus.err")));
    m_daemon->start(daemon,
                    { QStringLiteral("--nofork"), QStringLiteral("--nosyslog"),
                      QStringLiteral("--config-file=") + configPath, QStringLiteral("--print-address=1") });
    if (!m_daemon->waitForStarted(StartTimeoutMs)) {
        setError(error, QStringLiteral("dbus-daemon did not start: ") + m_daemon->errorString());
        return false;
    }
    const QDeadlineTimer deadline(StartTimeoutMs);
    while (!m_daemon->canReadLine() && !deadline.hasExpired() && m_daemon->state() == QProcess::Running) {
        m_daemon->waitForReadyRead(int(deadline.remainingTime()));
    }
    m_address = QString::fromUtf8(m_daemon->readLine()).trimmed();
    if (m_address.isEmpty()) {
        QFile err(m_dir.filePath(QStringLiteral("bus.err")));
        err.open(QIODevice::ReadOnly);
        setError(error, QStringLiteral("dbus-daemon gave no address: ") + QString::fromUtf8(err.readAll()));
        return false;
    }
    const QDBusConnection bus = QDBusConnection::connectToBus(m_address, m_connectionName);
    if (!bus.isConnected()) {
        setError(error, QStringLiteral("cannot connect to the private bus: ") + bus.lastError().message());
        return false;
    }
    return true;
}

bool PrivateBus::isRunning() const
{
    return m_daemon && m_daemon->state() == QProcess::Running;
}

void PrivateBus::exportAddress() const
{
    qputenv(m_type == Type::System ? "DBUS_SYSTEM_BUS_ADDRESS" : "DBUS_SESSION_BUS_ADDRESS", m_address.toUtf8());
}

QDBusConnection PrivateBus::connection() const
{
    return QDBusConnection(m_connectionName);
}

PrivateBus::Mock* PrivateBus::startTemplate(const QString& templateName, const QString& busName,
                                            const QString& objectPath, const QString& parametersJson, QString* error)
{
    QStringList arguments = { QStringLiteral("--template"), templateName };
    if (!parametersJson.isEmpty()) {
        arguments << QStringLiteral("--parameters") << parametersJson;
    }
    return startMock(arguments, busName, objectPath, error);
}

PrivateBus::Mock* PrivateBus::startObject(const QString& busName, const QString& objectPath, const QString& interface,
                                          QString* error)
{
    return startMock({ busName, objectPath, interface }, busName, objectPath, error);
}

void PrivateBus::stopMocks()
{
    m_mocks.clear();
}

PrivateBus::Mock* PrivateBus::startMock(const QStringList& arguments, const QString& busName, const QString& objectPath,
                                        QString* error)
{
    if (!isRunning()) {
        setError(error, QStringLiteral("the private bus is not running"));
        return nullptr;
    }
    const QString mockTemp = m_dir.filePath(QStringLiteral("mock-tmp"));
    QDir().mkpath(mockTemp);

    // The mock sees this bus and nothing else: the other bus address leads nowhere.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString nowhere = QStringLiteral("unix:path=") + m_dir.filePath(QStringLiteral("no-such-bus"));
    const bool system = m_type == Type::System;
    environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), system ? m_address : nowhere);
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), system ? nowhere : m_address);
    environment.insert(QStringLiteral("TMPDIR"), mockTemp);

    auto mock = std::unique_ptr<Mock>(new Mock(*this, busName, objectPath));
    mock->m_errorFile = m_dir.filePath(QStringLiteral("mock-%1.err").arg(++m_mockCount));
    mock->m_process = std::make_unique<QProcess>();
    QProcess& process = *mock->m_process;
    process.setChildProcessModifier(dieWithParent);
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(m_dir.path());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(mock->m_errorFile);
    process.start(Python,
                  QStringList { QStringLiteral("-m"), QStringLiteral("dbusmock"),
                                system ? QStringLiteral("--system") : QStringLiteral("--session") }
                      + arguments);
    if (!process.waitForStarted(StartTimeoutMs)) {
        setError(error, QStringLiteral("%1 did not start: %2").arg(Python, process.errorString()));
        return nullptr;
    }
    if (!waitForName(busName, process)) {
        setError(error, QStringLiteral("dbusmock never took %1: %2").arg(busName, mock->errorOutput()));
        return nullptr;
    }
    m_mocks.push_back(std::move(mock));
    return m_mocks.back().get();
}

bool PrivateBus::waitForName(const QString& name, const QProcess& process) const
{
    const QDBusConnection bus = connection();
    const QDeadlineTimer deadline(StartTimeoutMs);
    while (!deadline.hasExpired() && process.state() == QProcess::Running) {
        if (bus.interface()->isServiceRegistered(name).value()) {
            return true;
        }
        QThread::msleep(20);
    }
    return false;
}

void PrivateBus::stopProcess(QProcess& process)
{
    if (process.state() == QProcess::NotRunning) {
        return;
    }
    process.terminate();
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(3000);
    }
}
