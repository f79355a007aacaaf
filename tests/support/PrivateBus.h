#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantList>
#include <memory>
#include <vector>

class QProcess;

// A D-Bus daemon of the test's own, of system or session type, with python-dbusmock services on it, so
// that code talking to logind or a desktop service can be tested without ever reaching the machine's
// real buses. Everything lives in a temporary folder of its own (also dbusmock's TMPDIR, which it litters);
// the processes started here are ended by PID when the bus is destroyed, and by the kernel if the test
// process dies first.
//
// Needs a QCoreApplication. dbus-daemon comes from PATH; dbusmock runs under /usr/bin/python3, the
// interpreter that has Debian's dbus modules.
class PrivateBus
{
public:
    enum class Type { System, Session };

    // One dbusmock process on the bus, owning busName; its main object is at objectPath.
    class Mock
    {
    public:
        ~Mock();
        const QString& busName() const { return m_busName; }
        const QString& objectPath() const { return m_objectPath; }
        qint64 pid() const;

        /// Calls method of the org.freedesktop.DBus.Mock interface on path (default: the main object).
        QDBusMessage call(const QString& method, const QVariantList& args = {}, const QString& path = {}) const;
        /// Adds or replaces a method; code is Python run by dbusmock (args in, ret out).
        bool addMethod(const QString& interface, const QString& name, const QString& inSignature,
                       const QString& outSignature, const QString& code, const QString& path = {},
                       QString* error = nullptr) const;
        /// The arguments of every call of method on path so far, oldest first.
        QList<QVariantList> methodCalls(const QString& method, const QString& path = {}) const;
        bool clearCalls(const QString& path = {}) const;
        /// What the mock wrote to its standard error (Python tracebacks).
        QString errorOutput() const;
        /// Ends the process by its PID and waits for it.
        void stop();

    private:
        friend class PrivateBus;
        Mock(const PrivateBus& bus, QString busName, QString objectPath);

        const PrivateBus& m_bus;
        QString m_busName;
        QString m_objectPath;
        QString m_errorFile;
        std::unique_ptr<QProcess> m_process;
    };

    explicit PrivateBus(Type type);
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    /// Starts the daemon and connects to it; false with the reason on failure.
    bool start(QString* error = nullptr);
    bool isRunning() const;
    /// The daemon's address, empty before start().
    const QString& address() const { return m_address; }
    /// Sets DBUS_SYSTEM_BUS_ADDRESS (or DBUS_SESSION_BUS_ADDRESS) of this process to the bus. Qt keeps
    /// its default connections for the life of the process: call this before any use of them.
    void exportAddress() const;
    /// A connection of the test's own to this bus, never one of Qt's default connections.
    QDBusConnection connection() const;

    /// Starts `dbusmock --template templateName` with parameters (JSON, may be empty) and waits until
    /// busName is owned. Null with the reason on failure. The bus keeps the mock until stopMocks().
    Mock* startTemplate(const QString& templateName, const QString& busName, const QString& objectPath,
                        const QString& parametersJson = {}, QString* error = nullptr);
    /// Starts a bare mock object (dbusmock NAME PATH INTERFACE) and waits until busName is owned.
    Mock* startObject(const QString& busName, const QString& objectPath, const QString& interface,
                      QString* error = nullptr);
    /// Ends every mock started on this bus.
    void stopMocks();

private:
    Mock* startMock(const QStringList& arguments, const QString& busName, const QString& objectPath, QString* error);
    bool waitForName(const QString& name, const QProcess& process) const;
    static void stopProcess(QProcess& process);

    Type m_type;
    QTemporaryDir m_dir;
    QString m_address;
    QString m_connectionName;
    std::unique_ptr<QProcess> m_daemon;
    std::vector<std::unique_ptr<Mock>> m_mocks;
    int m_mockCount = 0;
};
