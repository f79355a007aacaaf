#include "messaging/net/MessengerService.h"

#include "messaging/net/MessagePresenter.h"
#include "messaging/net/NetSender.h"
#include "messaging/net/NetTestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSet>
#include <gtest/gtest.h>
#include <iostream>
#include <memory>
#include <vector>

namespace {

const QString kNotice = QStringLiteral("请保存文件！服务器将在 60 秒之后关闭");

// The default bursts with no refill during a test: what is shown then does not depend on how long
// the datagrams take to arrive on a busy machine. Refill timing has its own test with explicit times.
RateLimits limitsWithoutRefill()
{
    RateLimits limits;
    limits.perSenderRefillMs = 3600 * 1000;
    limits.overallRefillMs = 3600 * 1000;
    return limits;
}

// Below the test's ctest timeout, so that a slow run fails here with a message, not by being killed.
constexpr int kBurstWaitMs = 240000;

class RecordingPresenter : public MessagePresenter
{
public:
    void present(const ReceivedMessage& message) override { shown.append(message); }
    QList<ReceivedMessage> shown;
};

// A service in this process, on a port of the test's own, fed by the real net program.
class MessengerServiceTest : public ::testing::Test
{
protected:
    void listen(RateLimits limits = {})
    {
        m_service = std::make_unique<MessengerService>(&m_presenter, limits);
        QObject::connect(m_service.get(), &MessengerService::messageReceived,
                         [this](const ReceivedMessage& message) { m_received.append(message); });
        QObject::connect(m_service.get(), &MessengerService::datagramDropped,
                         [this](const QString&, const QString& reason) { m_dropped.append(reason); });
        m_port = freeUdpPort();
        QString error;
        ASSERT_TRUE(m_service->listen(m_port, &error)) << error.toStdString();
    }

    std::unique_ptr<QProcess> startNet(const QStringList& arguments) const
    {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TOVA_MESSENGER_PORT"), QString::number(m_port));
        process->setProcessEnvironment(environment);
        process->setStandardInputFile(QProcess::nullDevice());
        process->setStandardOutputFile(QProcess::nullDevice());
        process->start(netProgram(), arguments);
        return process;
    }

    int runNet(const QStringList& arguments, QString* standardError = nullptr) const
    {
        const std::unique_ptr<QProcess> process = startNet(arguments);
        // The service runs in this thread: keep the loop turning while net runs.
        waitUntil([&] { return process->state() == QProcess::NotRunning; }, 30000);
        if (standardError)
            *standardError = QString::fromUtf8(process->readAllStandardError());
        return process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1;
    }

    RecordingPresenter m_presenter;
    std::unique_ptr<MessengerService> m_service;
    QList<ReceivedMessage> m_received;
    QStringList m_dropped;
    quint16 m_port = 0;
};

struct TypedCase
{
    const char* name;
    QStringList words;
    QString arrives;
};

class MessengerServiceTyped : public MessengerServiceTest, public ::testing::WithParamInterface<TypedCase>
{
};

TEST_P(MessengerServiceTyped, TextArrivesAsTyped)
{
    listen();
    QString standardError;
    ASSERT_EQ(
        runNet(QStringList { QStringLiteral("send"), QStringLiteral("127.0.0.1") } + GetParam().words, &standardError),
        0)
        << standardError.toStdString();
    ASSERT_TRUE(waitUntil([this] { return !m_presenter.shown.isEmpty(); }));
    const ReceivedMessage& shown = m_presenter.shown[0];
    EXPECT_EQ(shown.message.text, GetParam().arrives);
    EXPECT_EQ(shown.message.receiver, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(shown.message.sender, localComputerName());
    EXPECT_EQ(shown.senderAddress, QStringLiteral("127.0.0.1"));
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, MessengerServiceTyped,
    ::testing::Values(TypedCase { "ChineseNotice", { kNotice }, kNotice },
                      TypedCase { "ChineseNoticeAsWords", kNotice.split(u' '), kNotice },
                      TypedCase { "BlanksInsideOneArgument", { "  two  blanks   kept  " }, "  two  blanks   kept  " },
                      TypedCase {
                          "ShellCharacters",
                          { "a;b", "|", "&", "$(touch", "/tmp/x)", "`id`", ">", "out", "\"quoted\"", "'single'", "*" },
                          "a;b | & $(touch /tmp/x) `id` > out \"quoted\" 'single' *" },
                      TypedCase { "LineBreaks", { "line one\nline two" }, "line one\nline two" },
                      // A control character cannot travel; the message still does, with a visible mark.
                      TypedCase { "ControlCharacterMarked", { "bell\x07!" }, QStringLiteral("bell\uFFFD!") }),
    [](const ::testing::TestParamInfo<TypedCase>& info) { return std::string(info.param.name); });

TEST_F(MessengerServiceTest, ArrivesOverIpv6Loopback)
{
    listen();
    if (!m_service->listensOnIpv6())
        GTEST_SKIP() << "no IPv6 on this system";
    ASSERT_EQ(runNet({ QStringLiteral("send"), QStringLiteral("::1"), kNotice }), 0);
    ASSERT_TRUE(waitUntil([this] { return !m_presenter.shown.isEmpty(); }));
    EXPECT_EQ(m_presenter.shown[0].message.text, kNotice);
    EXPECT_EQ(m_presenter.shown[0].senderAddress, QStringLiteral("::1"));
}

TEST_F(MessengerServiceTest, FloodFromOneSenderIsLimitedButOthersGetThrough)
{
    const RateLimits limits = limitsWithoutRefill();
    listen(limits);
    const QByteArray message = buildDatagram({ QStringLiteral("pc1"), QStringLiteral("pc2"), QStringLiteral("flood") });
    constexpr int kFlood = 40;
    for (int i = 0; i < kFlood; ++i)
        ASSERT_TRUE(sendRawDatagram(message, m_port));
    ASSERT_TRUE(waitUntil([this] { return m_received.size() == kFlood; }));
    EXPECT_EQ(m_presenter.shown.size(), limits.perSenderBurst);

    ASSERT_TRUE(sendRawDatagram(message, m_port, QHostAddress::LocalHost, QHostAddress(QStringLiteral("127.0.0.2"))));
    ASSERT_TRUE(waitUntil([&] { return m_presenter.shown.size() == limits.perSenderBurst + 1; }));
    EXPECT_EQ(m_presenter.shown.last().senderAddress, QStringLiteral("127.0.0.2"));
}

// What the shutdown notice does with the default range: 254 net processes at once.
TEST_F(MessengerServiceTest, BurstOf254SendsAllArrive)
{
    const RateLimits limits = limitsWithoutRefill();
    listen(limits);
    std::vector<std::unique_ptr<QProcess>> processes;
    QElapsedTimer elapsed;
    elapsed.start();
    for (int n = 2; n <= 255; ++n) {
        processes.push_back(
            startNet({ QStringLiteral("send"), QStringLiteral("127.0.0.%1").arg(n), QStringLiteral("msg") }));
        QCoreApplication::processEvents();
    }
    const bool allEnded = waitUntil(
        [&] {
            for (const auto& process : processes) {
                if (process->state() != QProcess::NotRunning)
                    return false;
            }
            return true;
        },
        kBurstWaitMs);
    ASSERT_TRUE(allEnded);
    ASSERT_TRUE(waitUntil([this] { return m_received.size() >= 254; }, kBurstWaitMs));
    std::cout << "254 net send processes: " << elapsed.elapsed() << " ms from the first start to the last arrival\n";

    for (const auto& process : processes) {
        EXPECT_EQ(process->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process->exitCode(), 0) << process->readAllStandardError().toStdString();
    }
    QSet<QString> receivers;
    for (const ReceivedMessage& message : m_received)
        receivers.insert(message.message.receiver);
    EXPECT_EQ(m_received.size(), 254);
    EXPECT_EQ(receivers.size(), 254) << "every address from 127.0.0.2 to 127.0.0.255 once";
    // All came from one sender address, so the screen shows only the first few.
    EXPECT_EQ(m_presenter.shown.size(), limits.perSenderBurst);
    processes.clear();
    EXPECT_EQ(zombieChildren(), 0);
}

} // namespace
