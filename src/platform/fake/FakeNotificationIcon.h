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
    bool isShown() const override { return m_shown; }
    QString tip() const override { return m_tip; }
    bool isAreaAvailable() const override { return areaAvailable; }
    QRect geometry() const override { return iconGeometry; }
    void showMessage(const QString& title, const QString& text) override { messages << title + u'\n' + text; }
    void setContextMenu(QMenu* menu) override { contextMenu = menu; }

    bool areaAvailable = true;
    QRect iconGeometry;
    int adds = 0;
    int removes = 0;
    QStringList messages;
    QMenu* contextMenu = nullptr;

private:
    bool m_shown = false;
    QString m_tip;
};
