#include "ShutdownArming.h"

#include "platform/ShutdownApi.h"

namespace arming {

namespace {
std::optional<QDateTime> firstAfter(const QStringList& list, const QDate& date, const QDateTime& now)
{
    // The list is in ascending order; an entry that is no time of day is passed over.
    for (const QString& entry : list) {
        const QTime time = QTime::fromString(entry, u"HH:mm:ss");
        if (time.isValid()) {
            const QDateTime at(date, time);
            if (at > now) {
                return at;
            }
        }
    }
    return std::nullopt;
}
} // namespace

std::optional<QDateTime> nextListedTime(const std::function<QStringList(const QDate&)>& listFor, const QDateTime& now)
{
    const QDate today = now.date();
    if (std::optional<QDateTime> next = firstAfter(listFor(today), today, now)) {
        return next;
    }
    const QDate tomorrow = today.addDays(1);
    return firstAfter(listFor(tomorrow), tomorrow, now);
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
    if (m_known && wanted == m_armed) {
        return {};
    }
    if (wanted) {
        return { Step::Schedule, *wanted };
    }
    return { Step::Cancel, {} };
}

void ShutdownArming::done(const Step& step)
{
    if (step.kind == Step::Keep) {
        return;
    }
    m_known = true;
    m_armed = step.kind == Step::Schedule ? std::optional<Pending>(step.pending) : std::nullopt;
    m_retryAfter = {};
}

void ShutdownArming::failed(const QDateTime& now)
{
    m_retryAfter = now.addSecs(RetrySeconds);
}
