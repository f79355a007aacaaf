#include "messaging/net/WindowPresenter.h"

#include "messaging/net/MessengerLog.h"

#include <QMessageBox>

void WindowPresenter::present(const ReceivedMessage& message)
{
    auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("Message"),
                                message.heading() + QStringLiteral("\n\n") + message.plainText(), QMessageBox::Ok);
    box->setObjectName(QStringLiteral("messengerMessageBox"));
    // Auto-detected rich text would turn the sender's tags into formatting and links.
    box->setTextFormat(Qt::PlainText);
    box->setTextInteractionFlags(Qt::TextSelectableByMouse);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
    messengerLog(QStringLiteral("shown in a window: ") + message.heading());
}
