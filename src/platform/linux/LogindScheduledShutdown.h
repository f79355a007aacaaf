#pragma once

#include "platform/ScheduledShutdown.h"

#include <QFileSystemWatcher>

class QDBusMessage;

// logind's scheduled shutdown on the system bus (QDBusConnection::systemBus(), which honours
// DBUS_SYSTEM_BUS_ADDRESS): ScheduleShutdown, CancelScheduledShutdown and the ScheduledShutdown property.
//
// logind keeps the pending time in a file under /run/systemd/shutdown/ and, depending on its version,
// may or may not signal a change of the property. So the watch listens for the signal and also watches
// that folder (or /run/systemd until the folder exists); either one leads to a single read of the
// property, never a poll. Reads are asynchronous: the desktop's event loop never waits for the bus.
class LogindScheduledShutdown : public ScheduledShutdown
{
    Q_OBJECT
public:
    static constexpr int DefaultTimeoutMs = 5000;

    /// stateFolder: the folder logind writes its "scheduled" file to (a test hands in its own).
    explicit LogindScheduledShutdown(QString stateFolder = QStringLiteral("/run/systemd/shutdown"),
                                     int timeoutMs = DefaultTimeoutMs, QObject* parent = nullptr);

    bool schedule(const Pending& pending, QString* error) override;
    bool cancel(QString* error) override;
    std::optional<Pending> pending() const override { return m_pending; }
    void watch() override;

    /// The property's value, (type, microseconds since the epoch): none for the (\"\", 0) of nothing pending.
    static std::optional<Pending> pendingFrom(const QString& type, quint64 usec);

private Q_SLOTS:
    void readPending();

private:
    bool call(const QString& method, const QVariantList& args, QString* error);
    void watchFolders();
    void takeReply(const QDBusMessage& reply);

    QString m_stateFolder;
    int m_timeoutMs;
    QFileSystemWatcher m_folders;
    std::optional<Pending> m_pending;
    bool m_answered = false;
    bool m_reading = false;
    bool m_readAgain = false;
};
