#pragma once

#include "platform/NotificationIcon.h"

#include <QDBusConnection>
#include <QIcon>
#include <QTimer>

class ActionNotifications;
class QSystemTrayIcon;

// The notification-area icon through QSystemTrayIcon (XEmbed tray or StatusNotifierItem). Messages with
// commands go straight to the desktop's notification server on bus where it shows them.
class TrayNotificationIcon : public NotificationIcon
{
    Q_OBJECT
public:
    TrayNotificationIcon(const QIcon& icon, const QIcon& warningIcon,
                         const QDBusConnection& bus = QDBusConnection::sessionBus(), QObject* parent = nullptr);
    ~TrayNotificationIcon() override;

    /// True once the notification server has said that it shows commands.
    bool offersMessageActions() const;

    void add(const QString& tip) override;
    void setTip(const QString& tip) override;
    void setWarningState(bool warning) override;
    void remove() override;
    bool isShown() const override;
    QString tip() const override;
    bool isAreaAvailable() const override;
    QRect geometry() const override;
    void showMessage(const QString& title, const QString& text) override;
    void showMessageWithActions(const QString& title, const QString& text,
                                const QList<MessageAction>& actions) override;
    void setContextMenu(QMenu* menu) override;

private:
    static bool isStatusNotifierItem();
    void watchArea();

    QSystemTrayIcon* m_tray;
    QIcon m_icon;
    QIcon m_warningIcon;
    bool m_warning = false;
    ActionNotifications* m_notifications;
    QTimer m_areaWatch;
    bool m_areaAvailable = false;
};
