#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QString>

// The program's icon in the desktop's notification area.
class NotificationIcon : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    /// Shows the icon with the given tip (NIM_ADD). Adding twice keeps one icon.
    virtual void add(const QString& tip) = 0;
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

Q_SIGNALS:
    void doubleClicked();
    void contextMenuRequested(const QPoint& globalPos);
    /// The notification area appeared or went away.
    void areaAvailabilityChanged(bool available);
};
