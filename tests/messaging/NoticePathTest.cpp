// The shutdown notice as it leaves the program: SendShutdownNotice through the real launcher and the real
// net program of this build, to a messenger service on loopback. Nothing is sent anywhere but 127.0.0.0/8.
#include "messaging/SendMsgCommands.h"
#include "messaging/ShutdownNotice.h"
#include "messaging/net/MessagePresenter.h"
#include "messaging/net/MessengerService.h"
#include "messaging/net/NetTestSupport.h"
#include "platform/linux/LinuxLauncher.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSet>
#include <gtest/gtest.h>
#include <iostream>
#include <optional>

namespace {

const QString kNotice = QStringLiteral("请保存文件！服务器将在 60 秒之后关闭");

class NothingShown : public MessagePresenter
{
public:
    void present(const ReceivedMessage&) override { }
};

// net reads its port from the environment it inherits through the launcher.
class ScopedPort
{
public:
    explicit ScopedPort(quint16 port)
        : m_old(qgetenv("TOVA_MESSENGER_PORT")), m_had(qEnvironmentVariableIsSet("TOVA_MESSENGER_PORT"))
    {
        qputenv("TOVA_MESSENGER_PORT", QByteArray::number(port));
    }
    ~ScopedPort()
    {
        if (m_had)
            qputenv("TOVA_MESSENGER_PORT", m_old);
        else
            qunsetenv("TOVA_MESSENGER_PORT");
    }

private:
    QByteArray m_old;
    bool m_had;
};

// A messenger service on loopback and a private port, which the net processes started here inherit.
class NoticePath : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QObject::connect(&service, &MessengerService::messageReceived,
                         [this](const ReceivedMessage& message) { received.append(message); });
        const quint16 port = freeUdpPort();
        ASSERT_NE(port, 0);
        QString error;
        ASSERT_TRUE(service.listen(port, &error)) << error.toStdString();
        scopedPort.emplace(port);
    }

    NothingShown presenter;
    MessengerService service { &presenter };
    QList<ReceivedMessage> received;
    std::optional<ScopedPort> scopedPort;
};

// The default range from one tick: 254 net processes in one burst, every one arriving once. The service
// counts arrivals before its per-sender limit, which holds back all but the first few from the screen.
TEST_F(NoticePath, WholeRangeArrivesOncePerAddressAndNoChildIsLeft)
{
    LinuxLauncher launcher(QFileInfo(netProgram()).absolutePath());
    QString prefix = QStringLiteral("127.0.0");
    qint16 first = 2;
    qint16 last = 255;
    QElapsedTimer clock;
    clock.start();
    SendShutdownNotice(launcher, kNotice, prefix, first, last);
    const qint64 launchedMs = clock.elapsed();
    ASSERT_TRUE(waitUntil([&] { return received.size() >= 254; }, 240000)) << received.size() << " arrived";
    const qint64 arrivedMs = clock.elapsed();
    std::cout << "254 notices: started in " << launchedMs << " ms, all arrived after " << arrivedMs << " ms\n";

    ASSERT_TRUE(waitUntil([&] { return launcher.outstandingChildren() == 0; }, 30000))
        << launcher.outstandingChildren() << " net processes still running";
    // Late duplicates would have arrived by the time every sender has ended.
    QCoreApplication::processEvents();
    EXPECT_EQ(received.size(), 254);
    QSet<QString> receivers;
    for (const ReceivedMessage& message : received) {
        receivers.insert(message.message.receiver);
        EXPECT_EQ(message.message.text, kNotice) << "to " << message.message.receiver.toStdString();
    }
    QSet<QString> expected;
    for (int n = 2; n <= 255; ++n)
        expected.insert(QStringLiteral("127.0.0.%1").arg(n));
    EXPECT_EQ(receivers, expected);
    EXPECT_EQ(zombieChildren(), 0);
    EXPECT_EQ(prefix, QStringLiteral("127.0.0."));
}

// What the send-message window starts, through the same launcher and net: the text arrives as typed.
TEST_F(NoticePath, ATypedMessageArrivesByteForByte)
{
    const QString typed = QStringLiteral("  say \"hi\"  twice,\n\ta path C:\\dir\\ and \"\" 关机  ");
    LinuxLauncher launcher(QFileInfo(netProgram()).absolutePath());
    ASSERT_GT(launcher.WinExec(sendmsg::netSendCommandLine(QStringLiteral("127.0.0.1"), typed), 0), 31);
    ASSERT_TRUE(waitUntil([&] { return !received.isEmpty(); }, 60000));
    EXPECT_EQ(received.first().message.text, typed);
}

} // namespace
