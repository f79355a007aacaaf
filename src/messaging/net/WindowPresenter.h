#pragma once

#include "messaging/net/MessagePresenter.h"

#include <QList>
#include <QPointer>

class QMessageBox;

// A small plain window per message, for desktops without a notification server; at most
// kMaxMessagesOnScreen of them open at once, further messages counted in one more window.
// Needs a QApplication.
class WindowPresenter : public MessagePresenter
{
public:
    void present(const ReceivedMessage& message) override;

    /// Message windows still open.
    int openWindows() const;

private:
    void fold(const ReceivedMessage& message);

    QList<QPointer<QMessageBox>> m_windows;
    QPointer<QMessageBox> m_moreWindow;
    int m_folded = 0;
};
