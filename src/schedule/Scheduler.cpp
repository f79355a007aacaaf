#include "Scheduler.h"

#include "TodayOverrides.h"
#include "core/ProgramState.h"
#include "messaging/ShutdownNotice.h"
#include "shutdown/RaisedError.h"
#include "shutdown/ShutdownExecutor.h"

#include <cmath>

Scheduler::Scheduler(ProgramState& state, Launcher& launcher, ShutdownExecutor& executor, QObject* parent)
    : QObject(parent), m_state(state), m_executor(executor), m_notices(launcher)
{ }

void Scheduler::tick(const QDateTime& now)
{
    // A question box opened elsewhere runs a nested event loop and the ticks go on behind it, but a tick
    // never starts inside another tick (a box or a blocking call inside a tick runs such a loop too).
    if (m_inTick) {
        return;
    }
    m_inTick = true;
    struct Leave
    {
        bool& flag;
        ~Leave() { flag = false; }
    } leave { m_inTick };

    Q_EMIT tickStarted(now);
    if (now.date() != m_listDay) {
        m_listDay = now.date();
        LoadTimeLists();
    }
    if (!m_state.settings.SettingsLoaded) {
        m_state.settings.SettingsLoaded = true;
        LoadTimeLists();
        Q_EMIT settingsReloaded();
    }
    LoadActionSettings();
    // A file edited by hand, by another instance or by a deployment tool: today's times follow it at
    // once, unless the lists are held.
    if (m_state.store.timeListsOutdated() && !(m_listsHeld && m_listsHeld())) {
        LoadTimeLists();
    }

    // Today's times with the day's postponements and skips; tomorrow's first time as listed.
    const QStringList& listed = m_state.store.Clstm_Lst0.items();
    const QStringList today = m_overrides ? m_overrides->apply(listed, now.date()) : listed;
    const QString afterLast = listed.value(0);
    const QTime time = now.time();
    const QString next = countdown::nextShutdownTime(today, time, afterLast);
    QString remaining;
    std::vector<countdown::Event> due;
    if (next.size() == 8) {
        if (const std::optional<int> left = countdown::secondsRemaining(next, time)) {
            remaining = countdown::remainingText(*left);
        }
        due = countdown::eventsSince(today, m_previousTick, time, afterLast);
    }
    Q_EMIT countdownUpdated(next, remaining);
    for (countdown::Event event : due) {
        runEvent(event, now);
    }
    m_previousTick = time;
    retryShutdownIfDue(now);
}

void Scheduler::LoadActionSettings()
{
    QString error;
    const auto select = [this](std::optional<int> stored) { Q_EMIT storedLanguageRead(stored); };
    if (!m_state.store.LoadActionSettings(select, &error)) {
        raiseFileError(error);
    }
}

void Scheduler::LoadTimeLists()
{
    QString error;
    if (!m_state.store.LoadTimeLists(&error)) {
        raiseFileError(error);
    }
}

void Scheduler::raiseFileError(const QString& reason)
{
    // The original ends with the runtime's "Path/File access error" here.
    throw RaisedError(75, QStringLiteral("tova-shutdown"),
                      QStringLiteral("%1: %2").arg(m_state.settings.SettingsFilePath, reason));
}

void Scheduler::runEvent(countdown::Event event, const QDateTime& now)
{
    const LangTable& lang = m_state.lang;
    switch (event) {
    case countdown::Event::OneMinuteWarning: {
        const QString line = withNumber(lang[61], 60);
        Q_EMIT warningDue(line);
        sendNotice(lang[62] + line);
        break;
    }
    case countdown::Event::FifteenSecondWarning:
        Q_EMIT warningDue(lang[59]);
        sendNotice(lang[59]);
        break;
    case countdown::Event::ShutDown:
        if (m_shutdownHandedOver) {
            Q_EMIT shutdownDue();
        } else {
            requestShutdown(now);
        }
        break;
    }
}

bool Scheduler::requestShutdown(const QDateTime& now)
{
    m_retry.reset();
    try {
        m_executor.ShutDownSystem(m_state.settings.ShutdownFlags);
        return true;
    } catch (const RaisedError& error) {
        const bool tryAgain = m_executor.wasHeldBack();
        if (tryAgain) {
            m_retry = Retry { now.date(), now.addSecs(RetryIntervalSeconds) };
        }
        Q_EMIT shutdownRefused(m_executor.refusalReason(), error.number(), error.source(), tryAgain);
        return false;
    }
}

void Scheduler::retryShutdownIfDue(const QDateTime& now)
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
    Q_EMIT shutdownRetryDue();
    requestShutdown(now);
}

void Scheduler::announceShutdownNow()
{
    sendNotice(withNumber(m_state.lang[61], ShutDownNowDelaySeconds) + m_state.lang[62]);
}

void Scheduler::sendNotice(const QString& message)
{
    if (!m_state.settings.SendNotice) {
        return;
    }
    // Copies: the stored range never changes.
    QString prefix = m_state.settings.IpPrefix;
    qint16 first = qint16(std::nearbyint(m_state.settings.IpStart));
    qint16 last = m_state.settings.IpEnd;
    SendShutdownNotice(m_notices, message, prefix, first, last);
    Q_EMIT noticeSent(message);
}

std::optional<QString> Scheduler::pendingTime(const QDateTime& now) const
{
    if (!m_overrides) {
        return std::nullopt;
    }
    const QString nowText = countdown::clockText(now.time());
    for (const QString& time : m_overrides->apply(m_state.store.Clstm_Lst0.items(), now.date())) {
        if (time > nowText) {
            const std::optional<int> left = countdown::secondsRemaining(time, now.time());
            return left && *left < PostponeSeconds ? std::optional<QString>(time) : std::nullopt;
        }
    }
    return std::nullopt;
}

bool Scheduler::postponeStaysToday(const QString& time)
{
    const std::optional<int> seconds = countdown::secondsOfDay(time);
    return seconds && *seconds + PostponeSeconds < 24 * 3600;
}

bool Scheduler::postpone(const QDateTime& now)
{
    const std::optional<QString> time = pendingTime(now);
    if (!time || !postponeStaysToday(*time)) {
        return false;
    }
    const int laterSeconds = *countdown::secondsOfDay(*time) + PostponeSeconds;
    const QString later = countdown::clockText(QTime::fromMSecsSinceStartOfDay(laterSeconds * 1000));
    QString error;
    const bool stored = m_overrides->postpone(now.date(), *time, later, &error);
    tellOverride(m_state.lang[154] + later, stored, error);
    return true;
}

bool Scheduler::skip(const QDateTime& now)
{
    const std::optional<QString> time = pendingTime(now);
    if (!time) {
        return false;
    }
    QString error;
    const bool stored = m_overrides->skip(now.date(), *time, &error);
    tellOverride(m_state.lang[155] + *time, stored, error);
    return true;
}

void Scheduler::tellOverride(const QString& line, bool stored, const QString& storeError)
{
    Q_EMIT overrideMade(line, stored ? QString() : storeError);
    sendNotice(line);
}

void Scheduler::announceShutdownNowCancelled()
{
    sendNotice(m_state.lang[156]);
}
