#include "MachineSchedule.h"

#include "core/ProgramState.h"
#include "localisation/InterfaceLocale.h"
#include "platform/Clock.h"
#include "platform/ScheduledShutdown.h"
#include "schedule/Scheduler.h"
#include "shutdown/RaisedError.h"

namespace {
// Fire a little after the second begins so the clock reads the new second even if the timer is early.
constexpr int TickPhaseMs = 20;

QString stamp(const QDateTime& when)
{
    return when.toString(u"yyyy-MM-dd HH:mm:ss");
}
} // namespace

MachineSchedule::MachineSchedule(ProgramState& state, Scheduler& scheduler, ScheduledShutdown& system,
                                 const Clock& clock, const SystemInfo& info, Journal journal, QObject* parent)
    : QObject(parent), m_state(state), m_scheduler(scheduler), m_system(system), m_clock(clock), m_info(info),
      m_journal(std::move(journal))
{
    m_scheduler.setShutdownHandedOver(true);
    connect(&m_scheduler, &Scheduler::storedLanguageRead, this, &MachineSchedule::selectLanguage);
    connect(&m_scheduler, &Scheduler::warningDue, this, [this](const QString& line) { m_journal(Warning, line); });
    connect(&m_scheduler, &Scheduler::noticeSent, this, [this](const QString& message) {
        const SettingsModel& settings = m_state.settings;
        m_journal(Info,
                  // One arg() for all: a %1 in the message or the prefix stays as written.
                  QStringLiteral("notice sent to %1.%2-%3: %4")
                      .arg(settings.IpPrefix, QString::number(qRound(settings.IpStart)),
                           QString::number(settings.IpEnd), message));
    });
    connect(&m_scheduler, &Scheduler::shutdownDue, this, [this] {
        if (const auto& armed = m_arming.armed()) {
            m_journal(Notice,
                      QStringLiteral("the system carries out its %1 at %2").arg(armed->type, stamp(armed->when)));
        }
    });
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &MachineSchedule::tick);
}

QString MachineSchedule::refusal()
{
    const QString path = m_state.settings.SettingsFilePath;
    if (!m_state.store.fileExists()) {
        return QStringLiteral("%1 does not exist or is not an ordinary file").arg(path);
    }
    try {
        m_scheduler.LoadActionSettings();
    } catch (const RaisedError& error) {
        return error.description();
    }
    if (arming::systemTypeOf(quint32(m_state.settings.ShutdownFlags)).isEmpty()) {
        return QStringLiteral("%1 asks to log off, but a machine-wide schedule has no session to end: choose "
                              "power off or restart")
            .arg(path);
    }
    return {};
}

void MachineSchedule::start()
{
    tick();
}

void MachineSchedule::tick()
{
    const QDateTime now = m_clock.now();
    m_timer.start(1000 - now.time().msec() + TickPhaseMs);
    try {
        m_scheduler.tick(now);
    } catch (const RaisedError& error) {
        // Mid-edit or briefly unreadable: what is armed stays armed until the file reads again.
        journalOnce(Error, error.description());
        return;
    }
    arm(now);
}

void MachineSchedule::selectLanguage(std::optional<int> stored)
{
    LangTable& lang = m_state.lang;
    int k = stored.value_or(languageForDesktop(lang, m_info.desktopLocale()));
    if (k < 1 || k >= LangTable::Columns || lang.text(k, 0).isEmpty()) {
        k = 1;
    }
    lang.copyColumn(k, 0);
}

std::optional<ScheduledShutdown::Pending> MachineSchedule::wantedPending(const QDateTime& now)
{
    if (!m_state.store.fileReadLastTime()) {
        journalOnce(Warning, QStringLiteral("%1 is gone: nothing is scheduled").arg(m_state.settings.SettingsFilePath));
        return std::nullopt;
    }
    const QString type = arming::systemTypeOf(quint32(m_state.settings.ShutdownFlags));
    if (type.isEmpty()) {
        journalOnce(Error,
                    QStringLiteral("%1 now asks to log off, which a machine-wide schedule cannot do: "
                                   "nothing is scheduled until it asks to power off or restart")
                        .arg(m_state.settings.SettingsFilePath));
        return std::nullopt;
    }
    const SettingsStore& store = m_state.store;
    const std::optional<QDateTime> next
        = arming::nextListedTime([&store](const QDate& date) { return store.listFor(date); }, now);
    if (!next) {
        return std::nullopt;
    }
    return ScheduledShutdown::Pending { type, *next };
}

void MachineSchedule::arm(const QDateTime& now)
{
    const ShutdownArming::Step step = m_arming.step(wantedPending(now), now);
    if (step.kind == ShutdownArming::Step::Keep) {
        return;
    }
    QString error;
    const bool accepted = step.kind == ShutdownArming::Step::Schedule ? m_system.schedule(step.pending, &error)
                                                                      : m_system.cancel(&error);
    if (!accepted) {
        m_arming.failed(now);
        journalOnce(Error,
                    QStringLiteral("the system refused to %1: %2")
                        .arg(step.kind == ShutdownArming::Step::Schedule ? QStringLiteral("schedule the shutdown")
                                                                         : QStringLiteral("cancel the shutdown"),
                             error));
        return;
    }
    m_arming.done(step, now);
    m_lastOnce.clear();
    if (step.kind == ShutdownArming::Step::Schedule) {
        m_journal(Notice, QStringLiteral("scheduled: %1 at %2").arg(step.pending.type, stamp(step.pending.when)));
    } else {
        m_journal(Notice, QStringLiteral("no shutdown to schedule: whatever was pending is cancelled"));
    }
}

void MachineSchedule::journalOnce(Priority priority, const QString& text)
{
    if (text == m_lastOnce) {
        return;
    }
    m_lastOnce = text;
    m_journal(priority, text);
}
