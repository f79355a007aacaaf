// The scheduler tick, shut down now, and the end of its delay.
#include "MDIFrm.h"
#include "messaging/ShutdownNotice.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Launcher.h"
#include "platform/NotificationIcon.h"
#include "shutdown/ErrorGuard.h"
#include "shutdown/RaisedError.h"
#include "shutdown/ShutdownExecutor.h"

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
// How long a shutdown that programs held back waits before it is asked for again.
constexpr int RetryIntervalSeconds = 60;
} // namespace

void MDIFrm::startTimer2(const QTime& now)
{
    Timer2.start(1000 - now.msec() + TickPhaseMs);
}

QString MDIFrm::dateText(const QDate& date) const
{
    if (date != m_dateTextDate || m_dateText.isNull()) {
        m_dateText = m_interfaceLocale.toString(date, QLocale::ShortFormat);
        m_dateTextDate = date;
    }
    return m_dateText;
}

QString MDIFrm::dateLine(const QDate& date) const
{
    const int weekday = date.dayOfWeek() % 7 + 1; // Sunday = 1 .. Saturday = 7
    return m_lang[51] + dateText(date) + u' ' + m_lang[62 + weekday];
}

QString MDIFrm::stampText() const
{
    const QDateTime now = m_platform.clock.now();
    return dateText(now.date()) + Blanks4 + countdown::clockText(now.time());
}

void MDIFrm::Timer2_Timer()
{
    // One reading of the clock for the whole tick, so the panels, today's list and the countdown agree
    // even across midnight.
    const QDateTime now = m_platform.clock.now();
    if (m_opts.startTimers) {
        startTimer2(now.time());
    }
    // A question box opened by another handler runs a nested event loop and the ticks go on behind it,
    // but a tick never starts inside another tick.
    if (m_inTick) {
        return;
    }
    m_inTick = true;
    struct Leave
    {
        bool& flag;
        ~Leave() { flag = false; }
    } leave { m_inTick };

    const QString line = dateLine(now.date());
    if (m_panelTexts[2] != line) {
        setPanelText(2, line);
        LoadTimeLists();
    }
    const QString clock = m_lang[52] + countdown::clockText(now.time());
    if (m_panelTexts[3] != clock) {
        setPanelText(3, clock);
    }
    if (!m_state.settings.SettingsLoaded) {
        m_state.settings.SettingsLoaded = true;
        LoadTimeLists();
        for (int k = 1; k < int(LangueMC.size()); ++k) {
            if (LangueMC[k]->isChecked()) {
                SaveLanguageChoice(k);
            }
        }
    }
    LoadActionSettings();
    // A file edited by hand, by another instance or by a deployment tool: today's times follow it at
    // once. While the settings dialog is open its lists are the user's unsaved work and stay as they are.
    if (m_state.store.timeListsOutdated() && !isOptionsDialogOpen()) {
        LoadTimeLists();
    }

    const QStringList today = m_state.store.Clstm_Lst0.items();
    const QTime time = now.time();
    NextShutdownTime = countdown::nextShutdownTime(today, time);
    TimeRemaining.clear();
    if (NextShutdownTime.size() == 8) {
        if (const std::optional<int> left = countdown::secondsRemaining(NextShutdownTime, time)) {
            TimeRemaining = countdown::remainingText(*left);
        }
        for (countdown::Event event : countdown::eventsSince(today, m_previousTick, time)) {
            runEvent(event, now);
        }
    }
    m_previousTick = time;
    retryShutdownIfDue(now);

    const QString next = m_lang[53] + NextShutdownTime;
    if (m_panelTexts[4] != next) {
        setPanelText(4, next);
    }
    const QString remaining = m_lang[54] + TimeRemaining;
    if (m_panelTexts[5] != remaining) {
        setPanelText(5, remaining);
    }
}

void MDIFrm::runEvent(countdown::Event event, const QDateTime& now)
{
    switch (event) {
    case countdown::Event::OneMinuteWarning: {
        logWarning(withNumber(m_lang[61], 60));
        sendNotice(m_lang[62] + withNumber(m_lang[61], 60));
        break;
    }
    case countdown::Event::FifteenSecondWarning:
        logWarning(m_lang[59]);
        sendNotice(m_lang[59]);
        break;
    case countdown::Event::ShutDown:
        requestShutdown(now);
        break;
    }
}

bool MDIFrm::requestShutdown(const QDateTime& now)
{
    // A new request, from the next listed time or from shut down now, takes the place of a retry.
    m_retry.reset();
    try {
        m_executor.ShutDownSystem(m_state.settings.ShutdownFlags);
        return true;
    } catch (const RaisedError& error) {
        const bool tryAgain = m_executor.wasHeldBack();
        if (tryAgain) {
            m_retry = Retry { now.date(), now.addSecs(RetryIntervalSeconds) };
        }
        reportRefusal(error, tryAgain);
        return false;
    }
}

void MDIFrm::reportRefusal(const RaisedError& error, bool tryingAgain)
{
    const QString reason = m_executor.refusalReason();
    logEntryHead(m_lang[140]);
    appendLog(QStringLiteral("\n\n") + Blanks10 + reason
              + QStringLiteral(" [%1 %2]").arg(error.number()).arg(error.source()));
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

void MDIFrm::retryShutdownIfDue(const QDateTime& now)
{
    if (!m_retry) {
        return;
    }
    if (now.date() != m_retry->day) {
        m_retry.reset(); // the day it was meant for is over
        return;
    }
    if (now < m_retry->due) {
        return;
    }
    logEntryHead(m_lang[142]);
    requestShutdown(now);
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
    // The window is usually hidden: say it on the desktop too.
    m_platform.icon.showMessage(windowTitle() + QStringLiteral(" — ") + m_lang[53] + NextShutdownTime, line);
}

void MDIFrm::sendNotice(const QString& message)
{
    if (!m_state.settings.SendNotice) {
        return;
    }
    // Copies: the stored range never changes.
    QString prefix = m_state.settings.IpPrefix;
    qint16 first = qint16(std::nearbyint(m_state.settings.IpStart));
    qint16 last = m_state.settings.IpEnd;
    SendShutdownNotice(m_notices, message, prefix, first, last);
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
    m_platform.icon.showMessage(windowTitle(), m_lang[59] + u'\n' + withNumber(m_lang[61], 30));
    sendNotice(withNumber(m_lang[61], 30) + m_lang[62]);
    Timer3.start();
}

void MDIFrm::Timer3_Timer()
{
    Timer3.stop();
    if (requestShutdown(m_platform.clock.now())) {
        // Ends without the closing handlers, as the system is going down anyway.
        QCoreApplication::exit(0);
    }
}
