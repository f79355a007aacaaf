// The window's part in putting a shutdown off: postpone, skip and cancel in the menus and in the
// notifications, and the notification-area icon that tells how long is left.
#include "MDIFrm.h"
#include "platform/Clock.h"

#include <QAction>
#include <QRegularExpression>

namespace {
const QString Blanks10 = QStringLiteral("          ");
const QString PostponeAction = QStringLiteral("postpone");
const QString SkipAction = QStringLiteral("skip");
const QString CancelAction = QStringLiteral("cancel");

// A menu text as a notification shows it: "推迟 10 分钟(&P)" and "&Postpone 10 minutes" without their
// access keys, "&&" as "&".
QString withoutAccessKey(const QString& text)
{
    static const QRegularExpression bracketed(QStringLiteral("\\(&[^&)]\\)"));
    const QString unbracketed = QString(text).remove(bracketed);
    QString plain;
    for (qsizetype i = 0; i < unbracketed.size(); ++i) {
        if (unbracketed[i] != u'&') {
            plain += unbracketed[i];
        } else if (i + 1 < unbracketed.size() && unbracketed[i + 1] == u'&') {
            plain += u'&';
            ++i;
        }
    }
    return plain;
}
} // namespace

void MDIFrm::MenuPostpone_Click()
{
    m_scheduler.postpone(m_platform.clock.now());
}

void MDIFrm::MenuSkip_Click()
{
    m_scheduler.skip(m_platform.clock.now());
}

void MDIFrm::MenuCancel_Click()
{
    if (!Timer3.isActive()) {
        return; // too late, or never asked
    }
    Timer3.stop();
    logEntryHead(m_lang[156]);
    m_scheduler.announceShutdownNowCancelled();
    offerScheduleCommands();
    showWarningState();
}

void MDIFrm::logOverride(const QString& line, const QString& storeError)
{
    logEntryHead(line);
    if (!storeError.isEmpty()) {
        appendLog(QStringLiteral("\n\n") + Blanks10 + storeError);
    }
}

void MDIFrm::onMessageAction(const QString& key)
{
    if (key == CancelAction) {
        MenuCancel_Click();
        return;
    }
    // A command picked in a warning acts on the time it warned of, not on one that has come up since.
    if (m_warnedTime.isEmpty() || m_scheduler.pendingTime(m_platform.clock.now()) != m_warnedTime) {
        return;
    }
    if (key == PostponeAction) {
        MenuPostpone_Click();
    } else if (key == SkipAction) {
        MenuSkip_Click();
    }
}

QList<NotificationIcon::MessageAction> MDIFrm::warningActions() const
{
    QList<NotificationIcon::MessageAction> actions;
    const std::optional<QString> time = m_scheduler.pendingTime(m_tickNow);
    if (time && Scheduler::postponeStaysToday(*time)) {
        actions.append({ PostponeAction, withoutAccessKey(m_lang[151]) });
    }
    if (time) {
        actions.append({ SkipAction, withoutAccessKey(m_lang[152]) });
    }
    return actions;
}

QList<NotificationIcon::MessageAction> MDIFrm::shutDownNowActions() const
{
    return { { CancelAction, withoutAccessKey(m_lang[153]) } };
}

void MDIFrm::offerScheduleCommands()
{
    // The scheduler is asked only in the last minutes before a time; QAction ignores a visibility that does
    // not change, so a menu exported over dbusmenu hears nothing the rest of the time.
    const bool near = m_left && *m_left < Scheduler::PostponeSeconds;
    const std::optional<QString> time = near ? m_scheduler.pendingTime(m_tickNow) : std::nullopt;
    const bool postpone = time && Scheduler::postponeStaysToday(*time);
    const bool skip = time.has_value();
    const bool cancel = Timer3.isActive();
    MenuPostpone->setVisible(postpone);
    MenuSkip->setVisible(skip);
    MenuCancel->setVisible(cancel);
    m_scheduleCommandsSeparator->setVisible(postpone || skip || cancel);
}

void MDIFrm::showScheduleInTray(const QString& next, std::optional<int> left)
{
    // The tip tells the minutes left, and the seconds only in the last minute: it changes once a minute
    // (a StatusNotifierItem host is sent each change over the bus) and every second only at the end.
    const int step = !left ? -1 : *left > 60 ? 60 + (*left + 59) / 60 : *left;
    if (next == m_tipNext && step == m_tipStep) {
        return;
    }
    m_tipNext = next;
    m_tipStep = step;
    m_tipLeft = left;
    m_platform.icon.setTip(trayTip());
    showWarningState();
}

void MDIFrm::showWarningState()
{
    m_platform.icon.setWarningState((m_tipLeft && *m_tipLeft <= 60) || Timer3.isActive());
}
