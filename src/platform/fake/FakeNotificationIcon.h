#pragma once

#include "platform/NotificationIcon.h"

#include <QStringList>

// Records adds, removes and messages; the test emits the signals itself.
class FakeNotificationIcon : public NotificationIcon
{
public:
    void add(const QString& tip) override
    {
        m_shown = true;
        m_tip = tip;
        ++adds;
    }
    void remove() override
    {
        m_shown = false;
        m_tip.clear();
        ++removes;
    }
    void setTip(const QString& tip) override
    {
        m_tip = tip;
        ++tipChanges;
    }
    void setWarningState(bool warning) override { warningState = warning; }
    bool isShown() const override { return m_shown; }
    QString tip() const override { return m_tip; }
    bool isAreaAvailable() const override { return areaAvailable; }
    QRect geometry() const override { return iconGeometry; }
    void showMessage(const QString& title, const QString& text) override { messages << title + u'\n' + text; }
    void showMessageWithActions(const QString& title, const QString& text, const QList<MessageAction>& actions) override
    {
        showMessage(title, text);
        QStringList keys;
        for (const MessageAction& action : actions) {
            keys << action.key;
        }
        messageActions << keys;
    }
    void setContextMenu(QMenu* menu) override { contextMenu = menu; }

    bool areaAvailable = true;
    QRect iconGeometry;
    int adds = 0;
    int removes = 0;
    int tipChanges = 0;
    bool warningState = false;
    QStringList messages;
    /// The keys offered with each message shown with commands.
    QList<QStringList> messageActions;
    QMenu* contextMenu = nullptr;

private:
    bool m_shown = false;
    QString m_tip;
};
