#pragma once

#include "ShutdownArming.h"

#include <QObject>
#include <QTimer>
#include <functional>

class Clock;
class Scheduler;
class ScheduledShutdown;
struct ProgramState;
class SystemInfo;

// The machine-wide schedule, second by second, with no display and no session: the scheduler reads the
// machine's settings file and sends the warnings and notices as on a desktop, while the shutdown itself
// is handed to the system in advance (ShutdownArming), so that it happens even if this service has died.
// Everything worth knowing goes to the journal.
class MachineSchedule : public QObject
{
    Q_OBJECT
public:
    /// Journal priorities (syslog's).
    enum Priority { Error = 3, Warning = 4, Notice = 5, Info = 6 };
    using Journal = std::function<void(Priority, const QString&)>;

    MachineSchedule(ProgramState& state, Scheduler& scheduler, ScheduledShutdown& system, const Clock& clock,
                    const SystemInfo& info, Journal journal, QObject* parent = nullptr);

    /// Reads the file once and says why the schedule cannot run from it: no such file, unreadable, or an
    /// action the machine cannot carry out (a log off: there is no session to end). Empty when it can.
    QString refusal();

    /// Starts the tick, once a second, just after the second begins.
    void start();

    /// One second: the scheduler's tick, then what the system should have pending.
    void tick();

private:
    void selectLanguage(std::optional<int> stored);
    std::optional<ScheduledShutdown::Pending> wantedPending(const QDateTime& now);
    void arm(const QDateTime& now);
    /// Writes text once; the same text again (a refusal each second) is not repeated until another came.
    void journalOnce(Priority priority, const QString& text);

    ProgramState& m_state;
    Scheduler& m_scheduler;
    ScheduledShutdown& m_system;
    const Clock& m_clock;
    const SystemInfo& m_info;
    Journal m_journal;
    ShutdownArming m_arming;
    QTimer m_timer;
    QString m_lastOnce;
};
