#include "ShutdownArming.h"

#include "platform/ShutdownApi.h"
#include "schedule/Countdown.h"

namespace arming {

namespace {
/// The first entry of an ascending list later than afterSecond (seconds since midnight; -1 for any).
std::optional<int> firstAfter(const QStringList& list, int afterSecond)
{
    for (const QString& entry : list) {
        const std::optional<int> seconds = countdown::secondsOfDay(entry);
        if (seconds && *seconds > afterSecond) {
            return seconds;
        }
    }
    return std::nullopt;
}

QDateTime at(const QDate& date, int seconds)
{
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(seconds * 1000));
}
} // namespace

std::optional<QDateTime> nextListedTime(const std::function<QStringList(const QDate&)>& listFor, const QDateTime& now)
{
    const QDate today = now.date();
    if (const std::optional<int> next = firstAfter(listFor(today), now.time().msecsSinceStartOfDay() / 1000)) {
        return at(today, *next);
    }
    const QDate tomorrow = today.addDays(1);
    if (const std::optional<int> next = firstAfter(listFor(tomorrow), -1)) {
        return at(tomorrow, *next);
    }
    return std::nullopt;
}

QString systemTypeOf(quint32 flags)
{
    ShutdownApi::Action action {};
    if (!ShutdownApi::actionOf(flags, &action)) {
        return {};
    }
    switch (action) {
    case ShutdownApi::Action::PowerOff:
        return QStringLiteral("poweroff");
    case ShutdownApi::Action::Reboot:
        return QStringLiteral("reboot");
    case ShutdownApi::Action::LogOff:
        break;
    }
    return {};
}

} // namespace arming

ShutdownArming::Step ShutdownArming::step(const std::optional<Pending>& wanted, const QDateTime& now) const
{
    if (m_armed && m_armed->when <= now && now < m_armed->when.addSecs(CarryOutSeconds)) {
        return {};
    }
    if (m_retryAfter.isValid() && now < m_retryAfter) {
        return {};
    }
    if (m_toldOn == now.date() && wanted == m_armed) {
        return {};
    }
    if (wanted) {
        return { Step::Schedule, *wanted };
    }
    return { Step::Cancel, {} };
}

void ShutdownArming::done(const Step& step, const QDateTime& now)
{
    if (step.kind == Step::Keep) {
        return;
    }
    m_toldOn = now.date();
    m_armed = step.kind == Step::Schedule ? std::optional<Pending>(step.pending) : std::nullopt;
    m_retryAfter = {};
}

void ShutdownArming::failed(const QDateTime& now)
{
    m_retryAfter = now.addSecs(RetrySeconds);
}
