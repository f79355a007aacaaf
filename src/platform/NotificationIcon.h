#pragma once

#include <QList>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QString>

class QMenu;

// The program's icon in the desktop's notification area.
class NotificationIcon : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    /// A command offered with a message: the key it is reported by, and the text the user sees.
    struct MessageAction
    {
        QString key;
        QString text;
    };

    /// Shows the icon with the given tip (NIM_ADD). Adding twice keeps one icon.
    virtual void add(const QString& tip) = 0;
    /// Changes the tip (NIM_MODIFY). A panel that shows the tip is sent each change: call it when the
    /// text has changed, not on every tick.
    virtual void setTip(const QString& tip) = 0;
    /// Shows the icon in its warning state (something is about to happen) or in its usual one.
    virtual void setWarningState(bool warning) = 0;
    /// Removes the icon (NIM_DELETE); removing a removed icon is harmless.
    virtual void remove() = 0;
    virtual bool isShown() const = 0;
    /// The tip currently shown, empty when none.
    virtual QString tip() const = 0;
    /// True when the desktop has a notification area right now.
    virtual bool isAreaAvailable() const = 0;
    /// The icon's screen rectangle in pixels, or an empty rectangle where the desktop does not tell.
    virtual QRect geometry() const = 0;
    /// A desktop notification from the icon, where the desktop shows them.
    virtual void showMessage(const QString& title, const QString& text) = 0;
    /// As showMessage, offering commands in the notification itself where the desktop's notification server
    /// shows them (capability "actions"); each such message takes the place of the previous one. Elsewhere
    /// the same as showMessage, and the commands are only where the caller also puts them (the menus).
    virtual void showMessageWithActions(const QString& title, const QString& text, const QList<MessageAction>& actions)
        = 0;
    /// The menu the icon opens: at the pointer on a right click, or through the desktop's own menu
    /// where the icon is a StatusNotifierItem (exported over dbusmenu).
    virtual void setContextMenu(QMenu* menu) = 0;

Q_SIGNALS:
    /// A double click, or the primary activation of a StatusNotifierItem (where a desktop reports no
    /// double clicks).
    void doubleClicked();
    /// The notification area appeared or went away.
    void areaAvailabilityChanged(bool available);
    /// The user picked a command of the latest message shown with commands.
    void messageActionInvoked(const QString& key);
};
