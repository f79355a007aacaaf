#pragma once

#include "messaging/net/MessagePresenter.h"

#include <QDBusConnection>
#include <QObject>

// Desktop notifications (org.freedesktop.Notifications on the session bus). Each message asks
// the server for its capabilities and then for the notification, both without blocking; when
// either fails (no bus, no server, an error, no answer in time) the fallback shows the message.
class NotificationPresenter : public QObject, public MessagePresenter
{
    Q_OBJECT
public:
    NotificationPresenter(const QDBusConnection& bus, MessagePresenter* fallback, QObject* parent = nullptr);

    void present(const ReceivedMessage& message) override;

    static constexpr int kCallTimeoutMs = 5000;

private:
    void notify(const ReceivedMessage& message, bool serverReadsMarkup);
    void fallBack(const ReceivedMessage& message, const QString& reason);

    QDBusConnection m_bus;
    MessagePresenter* m_fallback;
};
