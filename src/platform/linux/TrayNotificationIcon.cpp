#include "TrayNotificationIcon.h"

#include "ActionNotifications.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QSystemTrayIcon>

TrayNotificationIcon::TrayNotificationIcon(const QIcon& icon, const QIcon& warningIcon, const QDBusConnection& bus,
                                           QObject* parent)
    : NotificationIcon(parent), m_tray(new QSystemTrayIcon(icon, this)), m_icon(icon), m_warningIcon(warningIcon),
      m_notifications(new ActionNotifications(bus, this))
{
    connect(m_notifications, &ActionNotifications::actionInvoked, this, &NotificationIcon::messageActionInvoked);
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        // In a notification area of our own a single click (Trigger) does nothing, as on the desktops
        // this program comes from. A StatusNotifierItem host reports every primary activation as
        // Trigger and never a double click: there it is the user's way in.
        if (reason == QSystemTrayIcon::DoubleClick || (reason == QSystemTrayIcon::Trigger && isStatusNotifierItem())) {
            Q_EMIT doubleClicked();
        }
    });
    m_areaAvailable = QSystemTrayIcon::isSystemTrayAvailable();
    // A notification area may start after us: look for it until it is there. Once it is, Qt docks the
    // icon again by itself when a panel restarts, so the poll stops rather than wake us every 2 s.
    m_areaWatch.setInterval(2000);
    connect(&m_areaWatch, &QTimer::timeout, this, &TrayNotificationIcon::watchArea);
    if (!m_areaAvailable) {
        m_areaWatch.start();
    }
}

TrayNotificationIcon::~TrayNotificationIcon() = default;

void TrayNotificationIcon::watchArea()
{
    const bool available = QSystemTrayIcon::isSystemTrayAvailable();
    if (available != m_areaAvailable) {
        m_areaAvailable = available;
        Q_EMIT areaAvailabilityChanged(available);
    }
    if (available) {
        m_areaWatch.stop();
    }
}

void TrayNotificationIcon::add(const QString& tip)
{
    m_tray->setToolTip(tip);
    // With no notification area there is nothing to show the icon in (on Wayland Qt would only print
    // a warning); once one appears the program adds its icon again.
    if (m_areaAvailable) {
        m_tray->show();
    }
}

void TrayNotificationIcon::setTip(const QString& tip)
{
    // Each change goes over the bus to a StatusNotifierItem host.
    if (m_tray->toolTip() != tip) {
        m_tray->setToolTip(tip);
    }
}

void TrayNotificationIcon::setWarningState(bool warning)
{
    if (warning != m_warning) {
        m_warning = warning;
        m_tray->setIcon(warning ? m_warningIcon : m_icon);
    }
}

bool TrayNotificationIcon::offersMessageActions() const
{
    return m_notifications->offersActions();
}

void TrayNotificationIcon::remove()
{
    m_tray->hide();
}

bool TrayNotificationIcon::isShown() const
{
    return m_tray->isVisible();
}

QString TrayNotificationIcon::tip() const
{
    return m_tray->isVisible() ? m_tray->toolTip() : QString();
}

bool TrayNotificationIcon::isAreaAvailable() const
{
    return m_areaAvailable;
}

QRect TrayNotificationIcon::geometry() const
{
    return m_tray->isVisible() ? m_tray->geometry() : QRect();
}

void TrayNotificationIcon::setContextMenu(QMenu* menu)
{
    // Qt opens it on a right click, and exports it over dbusmenu for a StatusNotifierItem host.
    m_tray->setContextMenu(menu);
}

bool TrayNotificationIcon::isStatusNotifierItem()
{
    // Qt takes that path whenever a watcher is on the session bus when the icon is shown.
    const QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    return bus != nullptr && bus->isServiceRegistered(QStringLiteral("org.kde.StatusNotifierWatcher"));
}

void TrayNotificationIcon::showMessage(const QString& title, const QString& text)
{
    if (m_tray->isVisible() && QSystemTrayIcon::supportsMessages()) {
        m_tray->showMessage(title, text, QSystemTrayIcon::Warning, 15000);
    }
}

void TrayNotificationIcon::showMessageWithActions(const QString& title, const QString& text,
                                                  const QList<MessageAction>& actions)
{
    // Qt's own messages carry no commands: a server that shows them is asked directly, icon or no icon.
    if (!actions.isEmpty() && m_notifications->offersActions()) {
        m_notifications->notify(title, text, actions);
    } else {
        showMessage(title, text);
    }
}
