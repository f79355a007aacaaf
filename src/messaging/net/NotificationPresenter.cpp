#include "messaging/net/NotificationPresenter.h"

#include "messaging/net/MessengerLog.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
} // namespace

NotificationPresenter::NotificationPresenter(const QDBusConnection& bus, MessagePresenter* fallback, QObject* parent)
    : QObject(parent), m_bus(bus), m_fallback(fallback)
{ }

void NotificationPresenter::present(const ReceivedMessage& message)
{
    if (!m_bus.isConnected()) {
        fallBack(message, QStringLiteral("no session bus"));
        return;
    }
    const QDBusMessage call
        = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("GetCapabilities"));
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, message](QDBusPendingCallWatcher* finished) {
        finished->deleteLater();
        const QDBusPendingReply<QStringList> reply = *finished;
        if (reply.isError()) {
            fallBack(message, reply.error().message());
            return;
        }
        notify(message, reply.value().contains(QStringLiteral("body-markup")));
    });
}

void NotificationPresenter::notify(const ReceivedMessage& message, bool serverReadsMarkup)
{
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    // No actions: nothing in a message can be clicked into running something. The summary is
    // plain text for every server; only the body may be read as markup. Expiry 0: the message
    // stays until the user has seen it, as a message box would.
    call << QStringLiteral("Tova Shutdown") << uint(0) << QStringLiteral("dialog-information") << message.heading()
         << message.notificationBody(serverReadsMarkup) << QStringList() << QVariantMap() << int(0);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, message](QDBusPendingCallWatcher* finished) {
        finished->deleteLater();
        const QDBusPendingReply<uint> reply = *finished;
        if (reply.isError()) {
            fallBack(message, reply.error().message());
            return;
        }
        messengerLog(QStringLiteral("shown as notification %1: %2").arg(reply.value()).arg(message.heading()));
    });
}

void NotificationPresenter::fallBack(const ReceivedMessage& message, const QString& reason)
{
    messengerLog(QStringLiteral("no desktop notification (%1)").arg(reason));
    if (m_fallback)
        m_fallback->present(message);
}
