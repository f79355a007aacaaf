#pragma once

#include "platform/NotificationIcon.h"

#include <QDBusConnection>
#include <QObject>

// Desktop notifications that offer commands (org.freedesktop.Notifications with the capability "actions").
// The server is asked what it can do when this starts and again whenever one appears on the bus, without
// blocking; until it has said that it shows actions, offersActions() is false and the caller shows its
// message another way. Only the latest notification's commands count: a command picked in an older one
// (a server that keeps them) is ignored.
class ActionNotifications : public QObject
{
    Q_OBJECT
public:
    explicit ActionNotifications(const QDBusConnection& bus, QObject* parent = nullptr);

    bool offersActions() const { return m_offersActions; }
    /// Shows the notification in place of the previous one, where it is still open.
    void notify(const QString& title, const QString& text, const QList<NotificationIcon::MessageAction>& actions);

    static constexpr int CallTimeoutMs = 5000;

Q_SIGNALS:
    void actionInvoked(const QString& key);

private Q_SLOTS:
    void onActionInvoked(uint id, const QString& key);
    void onNotificationClosed(uint id, uint reason);

private:
    void askCapabilities();

    QDBusConnection m_bus;
    bool m_offersActions = false;
    /// The latest notification while the server has it open, else 0. Each new one replaces it, so the id
    /// stays the same where the server keeps it open meanwhile.
    uint m_latestId = 0;
};
