#pragma once

#include "platform/ScheduledShutdown.h"

#include <QStringList>

// Records every request ("schedule poweroff 2026-12-07 17:00:00", "cancel") and keeps what is pending as
// the system would. Nothing is ever shut down.
class FakeScheduledShutdown : public ScheduledShutdown
{
public:
    bool schedule(const Pending& pending, QString* error) override
    {
        calls << QStringLiteral("schedule %1 %2").arg(pending.type, pending.when.toString(u"yyyy-MM-dd HH:mm:ss"));
        if (!succeeds) {
            *error = refusal;
            return false;
        }
        setPending(pending);
        return true;
    }
    bool cancel(QString* error) override
    {
        calls << QStringLiteral("cancel");
        if (!succeeds) {
            *error = refusal;
            return false;
        }
        setPending(std::nullopt);
        return true;
    }
    std::optional<Pending> pending() const override { return m_pending; }
    void watch() override { Q_EMIT pendingChanged(); }

    /// What the system has pending changed, as root's own tools or another program may change it.
    void setPending(std::optional<Pending> pending)
    {
        m_pending = std::move(pending);
        Q_EMIT pendingChanged();
    }

    QStringList calls;
    bool succeeds = true;
    QString refusal = QStringLiteral("Access denied");

private:
    std::optional<Pending> m_pending;
};
