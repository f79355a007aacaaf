#pragma once

#include "messaging/net/MessagePresenter.h"

#include <QDBusConnection>
#include <QObject>
#include <QSet>

// Desktop notifications (org.freedesktop.Notifications on the session bus). Each message asks
// the server for its capabilities and then for the notification, both without blocking; when
// either fails (no bus, no server, an error, no answer in time) the fallback shows the message.
//
// At most kMaxMessagesOnScreen of the notifications shown here are open at once: the server's
// NotificationClosed signal tells which the user has closed. A message beyond them is folded
// into one "N more messages" notification, replaced in place (Notify's replaces_id) as more come.
class NotificationPresenter : public QObject, public MessagePresenter
{
    Q_OBJECT
public:
    NotificationPresenter(const QDBusConnection& bus, MessagePresenter* fallback, QObject* parent = nullptr);

    void present(const ReceivedMessage& message) override;

    /// Message notifications open or on their way to the server.
    int messagesOnScreen() const { return int(m_openIds.size()) + m_pending; }

    static constexpr int kCallTimeoutMs = 5000;

private slots:
    void onNotificationClosed(uint id, uint reason);

private:
    void notify(const ReceivedMessage& message, bool serverReadsMarkup);
    void fallBack(const ReceivedMessage& message, const QString& reason);
    void fold(const ReceivedMessage& message);
    void updateMoreEntry();
    void forgetOpenNotifications();

    QDBusConnection m_bus;
    MessagePresenter* m_fallback;
    QSet<uint> m_openIds; ///< message notifications the server has shown and not yet closed
    int m_pending = 0; ///< messages on their way to the server
    uint m_moreId = 0; ///< the "N more messages" notification, 0 when there is none
    int m_folded = 0;
    bool m_moreCallPending = false;
    bool m_moreOutdated = false; ///< a message was folded while the entry's last update was on its way
};
