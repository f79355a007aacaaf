#include "messaging/net/NotificationPresenter.h"

#include "messaging/net/MessengerLog.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");

QDBusMessage notifyCall(uint replacesId, const QString& summary, const QString& body)
{
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    // No actions: nothing in a message can be clicked into running something. The summary is
    // plain text for every server; only the body may be read as markup. Expiry 0: the message
    // stays until the user has seen it, as a message box would.
    call << QStringLiteral("Tova Shutdown") << replacesId << QStringLiteral("dialog-information") << summary << body
         << QStringList() << QVariantMap() << int(0);
    return call;
}
} // namespace

NotificationPresenter::NotificationPresenter(const QDBusConnection& bus, MessagePresenter* fallback, QObject* parent)
    : QObject(parent), m_bus(bus), m_fallback(fallback)
{
    if (!m_bus.isConnected())
        return;
    m_bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                  SLOT(onNotificationClosed(uint, uint)));
    // A server that goes away takes its notifications with it; the next one starts with none open.
    auto* serverWatcher = new QDBusServiceWatcher(kService, m_bus, QDBusServiceWatcher::WatchForUnregistration, this);
    connect(serverWatcher, &QDBusServiceWatcher::serviceUnregistered, this,
            &NotificationPresenter::forgetOpenNotifications);
}

void NotificationPresenter::present(const ReceivedMessage& message)
{
    if (!m_bus.isConnected()) {
        fallBack(message, QStringLiteral("no session bus"));
        return;
    }
    if (messagesOnScreen() >= kMaxMessagesOnScreen) {
        fold(message);
        return;
    }
    ++m_pending;
    const QDBusMessage call
        = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("GetCapabilities"));
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, message](QDBusPendingCallWatcher* finished) {
        finished->deleteLater();
        const QDBusPendingReply<QStringList> reply = *finished;
        if (reply.isError()) {
            --m_pending;
            fallBack(message, reply.error().message());
            return;
        }
        notify(message, reply.value().contains(QStringLiteral("body-markup")));
    });
}

void NotificationPresenter::notify(const ReceivedMessage& message, bool serverReadsMarkup)
{
    const QDBusMessage call = notifyCall(0, message.heading(), message.notificationBody(serverReadsMarkup));
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, message](QDBusPendingCallWatcher* finished) {
        finished->deleteLater();
        --m_pending;
        const QDBusPendingReply<uint> reply = *finished;
        if (reply.isError()) {
            fallBack(message, reply.error().message());
            return;
        }
        m_openIds.insert(reply.value());
        messengerLog(QStringLiteral("shown as notification %1: %2").arg(reply.value()).arg(message.heading()));
    });
}

void NotificationPresenter::fallBack(const ReceivedMessage& message, const QString& reason)
{
    messengerLog(QStringLiteral("no desktop notification (%1)").arg(reason));
    if (m_fallback)
        m_fallback->present(message);
}

void NotificationPresenter::fold(const ReceivedMessage& message)
{
    logFoldedMessage(message);
    ++m_folded;
    updateMoreEntry();
}

void NotificationPresenter::updateMoreEntry()
{
    // One update on its way at a time: the next one must replace the id this one is given.
    if (m_moreCallPending) {
        m_moreOutdated = true;
        return;
    }
    m_moreCallPending = true;
    m_moreOutdated = false;
    // The body is free of markup characters and reads the same to every server.
    const QDBusMessage call = notifyCall(m_moreId, moreMessagesSummary(m_folded), moreMessagesBody());
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
        finished->deleteLater();
        m_moreCallPending = false;
        const QDBusPendingReply<uint> reply = *finished;
        if (reply.isError()) {
            // The folded messages are in the log all the same.
            messengerLog(QStringLiteral("no desktop notification for %1 (%2)")
                             .arg(moreMessagesSummary(m_folded), reply.error().message()));
        } else {
            m_moreId = reply.value();
        }
        if (m_moreOutdated && m_folded > 0)
            updateMoreEntry();
    });
}

void NotificationPresenter::onNotificationClosed(uint id, uint /*reason*/)
{
    if (id != 0 && id == m_moreId) {
        m_moreId = 0;
        m_folded = 0;
        return;
    }
    m_openIds.remove(id);
}

void NotificationPresenter::forgetOpenNotifications()
{
    m_openIds.clear();
    m_moreId = 0;
    m_folded = 0;
}
