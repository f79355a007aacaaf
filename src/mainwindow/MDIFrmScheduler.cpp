// The window as the scheduler's view: its tick, what it reports, shut down now and the end of its delay.
#include "MDIFrm.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Launcher.h"
#include "platform/NotificationIcon.h"
#include "platform/ScheduledShutdown.h"
#include "shutdown/ErrorGuard.h"

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QLocale>

namespace {
const QString Blanks4 = QStringLiteral("    ");
const QString Blanks5 = QStringLiteral("     ");
const QString Blanks10 = QStringLiteral("          ");
// Fire a little after the second begins so the clock reads the new second even if the timer is early.
constexpr int TickPhaseMs = 20;
} // namespace

void MDIFrm::connectScheduler()
{
    // Direct connections: each is shown before the tick goes on.
    connect(&m_scheduler, &Scheduler::tickStarted, this, &MDIFrm::showClock);
    connect(&m_scheduler, &Scheduler::storedLanguageRead, this,
            [this](std::optional<int> stored) { LangueMC_Click(stored.value_or(unstoredLanguage())); });
    connect(&m_scheduler, &Scheduler::settingsReloaded, this, [this] {
        // A save drops the language line: it is put back first.
        for (int k = 1; k < int(LangueMC.size()); ++k) {
            if (LangueMC[k]->isChecked()) {
                SaveLanguageChoice(k);
            }
        }
    });
    connect(&m_scheduler, &Scheduler::countdownUpdated, this, &MDIFrm::showCountdown);
    connect(&m_scheduler, &Scheduler::warningDue, this, &MDIFrm::logWarning);
    connect(&m_scheduler, &Scheduler::shutdownRefused, this, &MDIFrm::reportRefusal);
    connect(&m_scheduler, &Scheduler::shutdownRetryDue, this, [this] { logEntryHead(m_lang[142]); });
    connect(&m_platform.scheduledShutdown, &ScheduledShutdown::pendingChanged, this,
            [this] { m_administrator.setPending(m_platform.scheduledShutdown.pending()); });
    connect(&m_scheduler, &Scheduler::overrideMade, this, &MDIFrm::logOverride);
    m_scheduler.setOverrides(&m_overrides);
    // While the settings dialog is open its lists are the user's unsaved work and stay as they are.
    m_scheduler.setListsHeld([this] { return isOptionsDialogOpen(); });
}

void MDIFrm::startTimer2(const QTime& now)
{
    Timer2.start(1000 - now.msec() + TickPhaseMs);
}

void MDIFrm::makeDateTexts(const QDate& date) const
{
    if (date == m_dateTextDate && !m_dateText.isNull()) {
        return;
    }
    m_dateText = m_interfaceLocale.toString(date, QLocale::ShortFormat);
    const int weekday = date.dayOfWeek() % 7 + 1; // Sunday = 1 .. Saturday = 7
    m_dateLine = m_lang[51] + m_dateText + u' ' + m_lang[62 + weekday];
    m_dateTextDate = date;
}

QString MDIFrm::dateText(const QDate& date) const
{
    makeDateTexts(date);
    return m_dateText;
}

QString MDIFrm::dateLine(const QDate& date) const
{
    makeDateTexts(date);
    return m_dateLine;
}

QString MDIFrm::stampText() const
{
    const QDateTime now = m_platform.clock.now();
    return dateText(now.date()) + Blanks4 + countdown::clockText(now.time());
}

void MDIFrm::Timer2_Timer()
{
    // One reading of the clock for the whole tick: the timer's phase, the panels and the schedule agree.
    const QDateTime now = m_platform.clock.now();
    if (m_opts.startTimers) {
        startTimer2(now.time());
    }
    m_scheduler.tick(now);
}

void MDIFrm::showClock(const QDateTime& now)
{
    m_tickNow = now;
    const QString line = dateLine(now.date());
    // A new day's lists are the scheduler's to read. A change of language changes this line too, but
    // not the lists: reading them then would throw away what the open settings dialog holds unsaved.
    if (m_panelTexts[2] != line) {
        setPanelText(2, line);
    }
    const QString clock = m_lang[52] + countdown::clockText(now.time());
    if (m_panelTexts[3] != clock) {
        setPanelText(3, clock);
    }
}

void MDIFrm::showCountdown(const QString& next, const QString& remaining)
{
    // An administrator's shutdown that comes first takes the panels, marked as the administrator's.
    // Postpone and skip follow the user's own time only.
    m_ownNextTime = next;
    m_left = remaining.isEmpty() ? std::nullopt : countdown::secondsRemaining(next, m_tickNow.time());
    std::optional<int> shownLeft = m_left;
    if (const std::optional<int> left = m_administrator.secondsLeftIfFirst(m_tickNow, m_left)) {
        NextShutdownTime = countdown::clockText(m_administrator.pending()->when.time()) + u' ' + m_lang[147];
        TimeRemaining = countdown::remainingText(*left);
        shownLeft = left;
    } else {
        NextShutdownTime = next;
        TimeRemaining = remaining;
    }
    const QString nextText = m_lang[53] + NextShutdownTime;
    if (m_panelTexts[4] != nextText) {
        setPanelText(4, nextText);
    }
    const QString remainingText = m_lang[54] + TimeRemaining;
    if (m_panelTexts[5] != remainingText) {
        setPanelText(5, remainingText);
    }
    showScheduleInTray(NextShutdownTime, shownLeft);
    offerScheduleCommands();
    for (int seconds : m_administrator.warningsDue(m_tickNow)) {
        logAdministratorWarning(seconds);
    }
}

void MDIFrm::logAdministratorWarning(int seconds)
{
    const QString line = (seconds == 15 ? m_lang[59] : withNumber(m_lang[61], seconds)) + u' ' + m_lang[147];
    logEntryHead(m_lang[148]);
    appendLog(QStringLiteral("\n\n") + Blanks10 + line);
    m_platform.icon.showMessage(windowTitle() + QStringLiteral(" — ") + m_lang[148], line);
}

void MDIFrm::reportRefusal(const QString& reason, int number, const QString& source, bool tryingAgain)
{
    logEntryHead(m_lang[140]);
    appendLog(QStringLiteral("\n\n") + Blanks10 + reason + QStringLiteral(" [%1 %2]").arg(number).arg(source));
    if (tryingAgain) {
        appendLog(QStringLiteral("\n\n") + Blanks10 + m_lang[141]);
    }
    m_platform.icon.showMessage(windowTitle(),
                                m_lang[140] + u'\n' + reason + (tryingAgain ? u'\n' + m_lang[141] : QString()));
}

void MDIFrm::startMessenger()
{
    // Without its messenger this computer hears no notices from others: the user is told why, once. A
    // failure comes back when net has ended; a missing net at once, and is told after the start-up
    // sequence, when the language and the icon are there.
    QPointer<MDIFrm> self(this);
    const int result
        = m_platform.launcher.WinExecWatched(QStringLiteral("net start messenger"), 0, [self](const QString& reason) {
              if (self) {
                  self->m_guard.run([&] { self->reportMessengerFailure(reason); });
              }
          });
    if (result <= 31) {
        QTimer::singleShot(0, this, [this, result] {
            m_guard.run([this, result] {
                reportMessengerFailure(result == 2 ? m_lang[146] : QStringLiteral("error %1").arg(result));
            });
        });
    }
}

void MDIFrm::reportMessengerFailure(const QString& reason)
{
    logEntryHead(m_lang[145]);
    appendLog(QStringLiteral("\n\n") + Blanks10 + reason);
    m_platform.icon.showMessage(windowTitle(), m_lang[145] + u'\n' + reason);
}

void MDIFrm::showErrorLater(const QString& text)
{
    QTimer::singleShot(0, this, [this, text] {
        m_guard.run([this, &text] { m_platform.dialogs.showError(this, windowTitle(), text); });
    });
}

bool MDIFrm::isOptionsDialogOpen() const
{
    return m_options && m_options->isVisible();
}

void MDIFrm::logEntryHead(const QString& head)
{
    appendLog(u'\n' + Blanks5 + stampText());
    appendLog(QStringLiteral("\n\n") + Blanks5 + head);
}

void MDIFrm::logWarning(const QString& line)
{
    logEntryHead(m_lang[58]);
    appendLog(QStringLiteral("\n\n") + Blanks10 + line);
    // The window is usually hidden: say it on the desktop too, with what can still be done about it.
    // The user's own time, also while an administrator's earlier one holds the panels.
    m_warnedTime = m_ownNextTime;
    m_platform.icon.showMessageWithActions(windowTitle() + QStringLiteral(" — ") + m_lang[53] + m_ownNextTime, line,
                                           warningActions());
}

void MDIFrm::Menu11_Click()
{
    if (!m_platform.dialogs.askYesNo(this, windowTitle(), m_lang[60], Dialogs::Default::No)) {
        return;
    }
    if (Timer3.isActive()) {
        return; // confirmed twice: the delay and the notices already under way stand
    }
    appendLog(QStringLiteral("\n\n\n\n") + Blanks5 + stampText());
    appendLog(QStringLiteral("\n\n") + Blanks5 + m_lang[58]);
    appendLog(QStringLiteral("\n\n") + Blanks10 + m_lang[59]);
    m_platform.icon.showMessageWithActions(
        windowTitle(), m_lang[59] + u'\n' + withNumber(m_lang[61], Scheduler::ShutDownNowDelaySeconds),
        shutDownNowActions());
    m_scheduler.announceShutdownNow();
    Timer3.start();
    offerScheduleCommands();
    showWarningState();
}

void MDIFrm::Timer3_Timer()
{
    Timer3.stop();
    offerScheduleCommands();
    showWarningState();
    if (m_scheduler.requestShutdown(m_platform.clock.now())) {
        // Ends without the closing handlers, as the system is going down anyway.
        QCoreApplication::exit(0);
    }
}
