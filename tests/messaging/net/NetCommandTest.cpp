#include "messaging/net/NetSender.h"
#include "messaging/net/NetTestSupport.h"

#include <QDir>
#include <QFile>
#include <QUdpSocket>
#include <csignal>
#include <gtest/gtest.h>

namespace {

const QString kNotice = QStringLiteral("请保存文件！服务器将在 60 秒之后关闭");

struct CommandCase
{
    const char* name;
    QStringList arguments;
    int exitCode;
    const char* saying;
};

class NetCommandLine : public ::testing::TestWithParam<CommandCase>
{
};

TEST_P(NetCommandLine, FailsWithAReason)
{
    NetSandbox sandbox;
    const NetRun run = sandbox.run(GetParam().arguments);
    EXPECT_EQ(run.exitCode, GetParam().exitCode) << run.standardError.toStdString();
    EXPECT_TRUE(run.standardError.contains(QString::fromUtf8(GetParam().saying))) << run.standardError.toStdString();
    if (GetParam().exitCode == 1) {
        EXPECT_EQ(run.standardError.count(u'\n'), 1) << "one line: " << run.standardError.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, NetCommandLine,
    ::testing::Values(
        CommandCase { "Nothing", {}, 2, "usage: net send NAME MESSAGE..." },
        CommandCase { "SendWithoutMessage", { "send", "127.0.0.1" }, 1, "no message" },
        CommandCase { "StartAnotherService", { "start", "spooler" }, 2, "usage" },
        CommandCase { "StopWithMore", { "stop", "messenger", "now" }, 2, "usage" },
        CommandCase { "ServiceOnStandardOutput", { "messenger-service", "--ready-fd", "1" }, 2, "usage" },
        CommandCase { "NotAName", { "send", "no such;host", "hi" }, 1, "is not a computer name or address" },
        CommandCase { "NameOverTwoLines", { "send", "pc1\nMessage from boss", "hi" }, 1, "not a computer name" },
        CommandCase { "LabelTooLong", { "send", QString(64, u'a') + ".example", "hi" }, 1, "not a computer name" },
        CommandCase { "MessageTooLong", { "send", "127.0.0.1", QString(901, u'x') }, 1, "too long" },
        CommandCase { "ChineseTooLong", { "send", "127.0.0.1", QString(301, QChar(0x4E2D)) }, 1, "too long" }),
    [](const ::testing::TestParamInfo<CommandCase>& info) { return std::string(info.param.name); });

TEST(NetCommand, StartTwiceStopTwice)
{
    NetSandbox sandbox;
    EXPECT_EQ(sandbox.run({ "stop", "messenger" }).exitCode, 0) << "stopping what never ran is not an error";

    const NetRun first = sandbox.run({ "start", "messenger" });
    ASSERT_EQ(first.exitCode, 0) << first.standardError.toStdString();
    const qint64 pid = sandbox.servicePid();
    EXPECT_TRUE(isMessengerServiceRunning(pid));
    EXPECT_TRUE(sandbox.log().contains(QStringLiteral("listening on UDP port %1").arg(sandbox.port())));

    // Windows spells its commands in any case; so may the callers.
    EXPECT_EQ(sandbox.run({ "START", "Messenger" }).exitCode, 0);
    EXPECT_EQ(sandbox.servicePid(), pid) << "a second start changes nothing";
    EXPECT_TRUE(isMessengerServiceRunning(pid));

    const NetRun stop = sandbox.run({ "stop", "messenger" });
    EXPECT_EQ(stop.exitCode, 0) << stop.standardError.toStdString();
    // net stop sees the service's last steps through for a while, not for ever: on a busy machine
    // the process may still be ending when it returns.
    EXPECT_TRUE(waitUntil([&] { return hasEnded(pid); }, 60000));
    EXPECT_EQ(sandbox.run({ "stop", "messenger" }).exitCode, 0);
    EXPECT_EQ(zombieChildren(), 0);
}

TEST(NetCommand, CrashedServiceDoesNotBlockARestart)
{
    NetSandbox sandbox;
    ASSERT_EQ(sandbox.run({ "start", "messenger" }).exitCode, 0);
    const qint64 crashed = sandbox.servicePid();
    ASSERT_TRUE(isMessengerServiceRunning(crashed));
    ASSERT_EQ(kill(pid_t(crashed), SIGKILL), 0);
    ASSERT_TRUE(waitUntil([&] { return hasEnded(crashed); }));

    const NetRun restart = sandbox.run({ "start", "messenger" });
    ASSERT_EQ(restart.exitCode, 0) << restart.standardError.toStdString();
    EXPECT_NE(sandbox.servicePid(), crashed) << sandbox.log().toStdString();
    EXPECT_TRUE(isMessengerServiceRunning(sandbox.servicePid()));
}

TEST(NetCommand, LockNumberOfAnotherProcessIsNeverSignalled)
{
    NetSandbox sandbox;
    // A number left in the lock by a crashed service, now used by someone else (this test).
    QFile lock(QDir(sandbox.runDir()).filePath(QStringLiteral("tova-messenger.lock")));
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.write(QByteArray::number(qint64(getpid())) + '\n');
    lock.close();
    EXPECT_EQ(sandbox.run({ "stop", "messenger" }).exitCode, 0);
    ASSERT_EQ(sandbox.run({ "start", "messenger" }).exitCode, 0);
    EXPECT_NE(sandbox.servicePid(), qint64(getpid()));
}

TEST(NetCommand, StartReportsAPortInUse)
{
    NetSandbox sandbox;
    QUdpSocket holder;
    ASSERT_TRUE(holder.bind(QHostAddress::AnyIPv4, sandbox.port()));
    const NetRun run = sandbox.run({ "start", "messenger" });
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.standardError.contains(QStringLiteral("cannot listen on UDP port %1").arg(sandbox.port())))
        << run.standardError.toStdString();

    holder.close();
    EXPECT_EQ(sandbox.run({ "start", "messenger" }).exitCode, 0) << "the failed start left no lock behind";
}

TEST(NetCommand, RuntimeFolderThatIsALinkIsRefused)
{
    NetSandbox sandbox;
    const QString link = QDir(sandbox.runDir()).filePath(QStringLiteral("link"));
    ASSERT_TRUE(QFile::link(sandbox.runDir(), link));
    sandbox.setEnvironmentValue(QStringLiteral("TOVA_MESSENGER_RUNDIR"), link);
    const NetRun run = sandbox.run({ "start", "messenger" });
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.standardError.contains(QStringLiteral("not a folder of this user")))
        << run.standardError.toStdString();
}

// No notification server and no display: the message goes to the service's log.
TEST(NetCommand, ServiceSurvivesBadDatagramsAndLogsMessages)
{
    NetSandbox sandbox;
    ASSERT_EQ(sandbox.run({ "start", "messenger" }).exitCode, 0);
    const qint64 pid = sandbox.servicePid();
    for (const QByteArray& bad : { QByteArray(), QByteArray("\x1B[2J"), QByteArray(65000, 'x'),
                                   QByteArray("TVNM\x01\x00\x01"
                                              "a\x00\x01"
                                              "b\x00\x05"
                                              "\x1B[2J!",
                                              18) })
        ASSERT_TRUE(sendRawDatagram(bad, sandbox.port()));

    const NetRun send = sandbox.run({ "send", "127.0.0.1", kNotice });
    ASSERT_EQ(send.exitCode, 0) << send.standardError.toStdString();
    ASSERT_TRUE(waitUntil([&] { return sandbox.log().contains(kNotice); })) << sandbox.log().toStdString();
    const QString heading = QStringLiteral("Message from %1 (127.0.0.1) to 127.0.0.1 on ").arg(localComputerName());
    EXPECT_TRUE(sandbox.log().contains(heading)) << sandbox.log().toStdString();
    EXPECT_FALSE(sandbox.log().contains(u'\x1B'));
    EXPECT_TRUE(isMessengerServiceRunning(pid));
}

// A display but no notification server: a window, and the service outlives it.
TEST(NetCommand, ServiceShowsAWindowWhereNoNotificationServerAnswers)
{
    NetSandbox sandbox;
    sandbox.setEnvironmentValue(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    ASSERT_EQ(sandbox.run({ "start", "messenger" }).exitCode, 0);
    ASSERT_EQ(sandbox.run({ "send", "127.0.0.1", "first" }).exitCode, 0);
    ASSERT_EQ(sandbox.run({ "send", "127.0.0.1", "second" }).exitCode, 0);
    ASSERT_TRUE(waitUntil([&] { return sandbox.log().count(QStringLiteral("shown in a window: Message from ")) == 2; }))
        << sandbox.log().toStdString();
    EXPECT_TRUE(isMessengerServiceRunning(sandbox.servicePid()));
}

// The end of the user's last session removes the runtime folder; the service must not stay
// behind holding the port.
TEST(NetCommand, ServiceEndsWhenItsLockIsRemoved)
{
    NetSandbox sandbox;
    ASSERT_EQ(sandbox.run({ "start", "messenger" }).exitCode, 0);
    const qint64 pid = sandbox.servicePid();
    ASSERT_TRUE(isMessengerServiceRunning(pid));
    ASSERT_TRUE(QFile::remove(QDir(sandbox.runDir()).filePath(QStringLiteral("tova-messenger.lock"))));
    EXPECT_TRUE(waitUntil([&] { return hasEnded(pid); })) << sandbox.log().toStdString();
}

} // namespace
