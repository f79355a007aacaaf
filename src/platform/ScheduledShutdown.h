#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <optional>

// The system's own scheduled shutdown (systemd-logind's ScheduleShutdown): at most one time for the whole
// machine, carried out by the system itself at that time whether or not anyone is logged in, and open to
// root's own tools (shutdown -c, busctl). The machine-wide schedule arms it; the desktop program shows it.
class ScheduledShutdown : public QObject
{
    Q_OBJECT
public:
    /// What the system does at the time, as logind names it ("poweroff", "reboot", ...), and when.
    struct Pending
    {
        QString type;
        QDateTime when;
        bool operator==(const Pending& other) const { return type == other.type && when == other.when; }
        bool operator!=(const Pending& other) const { return !(*this == other); }
    };

    using QObject::QObject;

    /// Asks the system to carry out type at when, in place of whatever it had pending. False with the
    /// system's reason in *error when it refuses or does not answer.
    virtual bool schedule(const Pending& pending, QString* error) = 0;
    /// Drops what the system has pending; true also when nothing was. False with the reason in *error.
    virtual bool cancel(QString* error) = 0;

    /// What the system has pending, as last learnt: none before watch() has had an answer.
    virtual std::optional<Pending> pending() const = 0;
    /// Starts following what the system has pending, without asking it every second; pendingChanged
    /// tells each change, the first answer included.
    virtual void watch() = 0;

Q_SIGNALS:
    void pendingChanged();
};
