#include "messaging/net/NetTestSupport.h"
#include "messaging/net/NotificationPresenter.h"
#include "messaging/net/ReceivedMessage.h"
#include "messaging/net/WindowPresenter.h"
#include "support/PrivateBus.h"

#include <QApplication>
#include <QMessageBox>
#include <gtest/gtest.h>

namespace {

const QString kMarkup = QStringLiteral("<b>请保存文件！</b> & <a href=\"http://127.0.0.1/\">link</a>\r\nend");

ReceivedMessage sample()
{
    return { { QStringLiteral("pc1"), QStringLiteral("127.0.0.9"), kMarkup },
             QStringLiteral("127.0.0.1"),
             QDateTime(QDate(2024, 5, 1), QTime(17, 30, 5)) };
}

class RecordingPresenter : public MessagePresenter
{
public:
    void present(const ReceivedMessage& message) override { shown.append(message); }
    QList<ReceivedMessage> shown;
};

TEST(ReceivedMessage, HeadingNamesSenderWithItsAddressReceiverAndTime)
{
    EXPECT_EQ(sample().heading(), QStringLiteral("Message from pc1 (127.0.0.1) to 127.0.0.9 on 2024-05-01 17:30:05"));
    ReceivedMessage unnamed = sample();
    unnamed.message.sender = QStringLiteral("127.0.0.1");
    EXPECT_EQ(unnamed.heading(), QStringLiteral("Message from 127.0.0.1 to 127.0.0.9 on 2024-05-01 17:30:05"));
}

TEST(WindowPresenter, ShowsPlainTextInAWindowThatDoesNotBlock)
{
    WindowPresenter().present(sample());
    QMessageBox* box = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QLatin1String("messengerMessageBox") && widget->isVisible())
            box = qobject_cast<QMessageBox*>(widget);
    }
    ASSERT_NE(box, nullptr);
    // Tags stay text: no formatting, no links.
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    EXPECT_EQ(box->text(), sample().heading() + QStringLiteral("\n\n") + QString(kMarkup).replace("\r\n", "\n"));
    EXPECT_FALSE(box->isModal());
    box->close();
}

struct FallbackCase
{
    const char* name;
    bool withServer;
};

class NotificationFallback : public ::testing::TestWithParam<FallbackCase>
{
};

TEST_P(NotificationFallback, MessageIsShownAnotherWay)
{
    PrivateBus bus(PrivateBus::Type::Session);
    QString error;
    ASSERT_TRUE(bus.start(&error)) << error.toStdString();
    if (GetParam().withServer) {
        PrivateBus::Mock* server
            = bus.startTemplate(QStringLiteral("notification_daemon"), QStringLiteral("org.freedesktop.Notifications"),
                                QStringLiteral("/org/freedesktop/Notifications"), {}, &error);
        ASSERT_NE(server, nullptr) << error.toStdString();
        ASSERT_TRUE(server->addMethod(QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"),
                                      QStringLiteral("susssasa{sv}i"), QStringLiteral("u"),
                                      QStringLiteral("raise dbus.exceptions.DBusException('full', "
                                                     "name='org.freedesktop.DBus.Error.LimitsExceeded')"),
                                      {}, &error))
            << error.toStdString();
    }
    RecordingPresenter fallback;
    NotificationPresenter presenter(bus.connection(), &fallback);
    presenter.present(sample());
    ASSERT_TRUE(waitUntil([&] { return !fallback.shown.isEmpty(); }));
    EXPECT_EQ(fallback.shown[0].message, sample().message);
}

INSTANTIATE_TEST_SUITE_P(Servers, NotificationFallback,
                         ::testing::Values(FallbackCase { "NoServerAnswers", false },
                                           FallbackCase { "ServerRefusesTheNotification", true }),
                         [](const ::testing::TestParamInfo<FallbackCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
