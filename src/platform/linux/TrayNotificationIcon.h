#pragma once

#include "platform/NotificationIcon.h"

#include <QIcon>
#include <QTimer>

class QSystemTrayIcon;

// The notification-area icon through QSystemTrayIcon (XEmbed tray or StatusNotifierItem).
class TrayNotificationIcon : public NotificationIcon
{
    Q_OBJECT
public:
    explicit TrayNotificationIcon(const QIcon& icon, QObject* parent = nullptr);
    ~TrayNotificationIcon() override;

    void add(const QString& tip) override;
    void remove() override;
    bool isShown() const override;
    QString tip() const override;
    bool isAreaAvailable() const override;
    QRect geometry() const override;
    void showMessage(const QString& title, const QString& text) override;
    void setContextMenu(QMenu* menu) override;

private:
    static bool isStatusNotifierItem();
    void watchArea();

    QSystemTrayIcon* m_tray;
    QTimer m_areaWatch;
    bool m_areaAvailable = false;
};
