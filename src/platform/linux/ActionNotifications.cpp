#include "ActionNotifications.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QStringList>
#include <QVariantMap>

namespace {
const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Interface = QStringLiteral("org.freedesktop.Notifications");
} // namespace

ActionNotifications::ActionNotifications(const QDBusConnection& bus, QObject* parent) : QObject(parent), m_bus(bus)
{
    if (!m_bus.isConnected()) {
        return;
    }
    // String-based: QtDBus connects bus signals only this way.
    m_bus.connect(Service, Path, Interface, QStringLiteral("ActionInvoked"), this,
                  SLOT(onActionInvoked(uint, QString)));
    m_bus.connect(Service, Path, Interface, QStringLiteral("NotificationClosed"), this,
                  SLOT(onNotificationClosed(uint, uint)));
    // A server that starts later (or again) is asked anew; one that goes away takes its notifications along.
    auto* watcher = new QDBusServiceWatcher(Service, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) {
                m_offersActions = false;
                m_latestId = 0;
                if (!newOwner.isEmpty()) {
                    askCapabilities();
                }
            });
    askCapabilities();
}

void ActionNotifications::askCapabilities()
{
    const QDBusMessage call
        = QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("GetCapabilities"));
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, CallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
        finished->deleteLater();
        const QDBusPendingReply<QStringList> reply = *finished;
        m_offersActions = !reply.isError() && reply.value().contains(QStringLiteral("actions"));
    });
}

void ActionNotifications::notify(const QString& title, const QString& text,
                                 const QList<NotificationIcon::MessageAction>& actions)
{
    QStringList pairs;
    for (const NotificationIcon::MessageAction& action : actions) {
        pairs << action.key << action.text;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("Notify"));
    // Critical: the server keeps it until the user has seen it, as a warning before a shutdown must be.
    const QVariantMap hints { { QStringLiteral("urgency"), QVariant::fromValue(uchar(2)) } };
    call << QStringLiteral("Tova Shutdown") << m_latestId << QStringLiteral("tova-shutdown") << title << text << pairs
         << hints << int(-1);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, CallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
        finished->deleteLater();
        const QDBusPendingReply<uint> reply = *finished;
        m_latestId = reply.isError() ? 0 : reply.value();
    });
}

void ActionNotifications::onActionInvoked(uint id, const QString& key)
{
    if (id != 0 && id == m_latestId) {
        Q_EMIT actionInvoked(key);
    }
}

void ActionNotifications::onNotificationClosed(uint id, uint /*reason*/)
{
    if (id == m_latestId) {
        m_latestId = 0;
    }
}
