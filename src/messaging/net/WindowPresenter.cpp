#include "messaging/net/WindowPresenter.h"

#include "messaging/net/MessengerLog.h"

#include <QMessageBox>
#include <algorithm>

namespace {

QMessageBox* newWindow(const QString& objectName, const QString& text)
{
    auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("Message"), text, QMessageBox::Ok);
    box->setObjectName(objectName);
    // Auto-detected rich text would turn the sender's tags into formatting and links.
    box->setTextFormat(Qt::PlainText);
    box->setTextInteractionFlags(Qt::TextSelectableByMouse);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
    return box;
}

bool isOpen(const QPointer<QMessageBox>& box)
{
    // A closed window is hidden at once and deleted later.
    return box && box->isVisible();
}

} // namespace

int WindowPresenter::openWindows() const
{
    return int(std::count_if(m_windows.begin(), m_windows.end(), isOpen));
}

void WindowPresenter::present(const ReceivedMessage& message)
{
    m_windows.removeIf([](const QPointer<QMessageBox>& box) { return !isOpen(box); });
    if (m_windows.size() >= kMaxMessagesOnScreen) {
        fold(message);
        return;
    }
    m_windows.append(newWindow(QStringLiteral("messengerMessageBox"),
                               message.heading() + QStringLiteral("\n\n") + message.plainText()));
    messengerLog(QStringLiteral("shown in a window: ") + message.heading());
}

void WindowPresenter::fold(const ReceivedMessage& message)
{
    logFoldedMessage(message);
    if (!isOpen(m_moreWindow)) {
        m_folded = 0;
        m_moreWindow = newWindow(QStringLiteral("messengerMoreBox"), QString());
    }
    ++m_folded;
    m_moreWindow->setText(moreMessagesSummary(m_folded) + QStringLiteral("\n\n") + moreMessagesBody());
}
