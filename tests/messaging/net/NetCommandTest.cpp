#include "messaging/net/NetSender.h"
#include "messaging/net/NetTestSupport.h"

#include <QDir>
#include <QFile>
#include <QUdpSocket>
#include <csignal>
#include <gtest/gtest.h>

namespace {

const QString kNotice = QStringLiteral("请保存文件！服务器将在 60 秒之后关闭");

// Bytes: the arguments are printf formats for the shell to turn into net's arguments, for the bytes
// that are not UTF-8 and so cannot be passed as a QString.
enum class Via { Net, Bytes, Messenger };

struct CommandCase
{
    const char* name;
    QStringList arguments;
    int exitCode;
    const char* saying;
    Via via = Via::Net;
    const char* environment = nullptr; // NAME=VALUE
};

class NetCommandLine : public ::testing::TestWithParam<CommandCase>
{
};

NetRun runCase(NetSandbox& sandbox, const CommandCase& command)
{
    if (command.environment) {
        const QStringList setting = QString::fromUtf8(command.environment).split(u'=');
        sandbox.setEnvironmentValue(setting[0], setting[1]);
    }
    switch (command.via) {
    case Via::Net:
        break;
    case Via::Messenger:
        return sandbox.run(command.arguments, messengerProgram());
    case Via::Bytes: {
        const QString script = QStringLiteral(
            "n=$#; for a do set -- \"$@\" \"$(printf \"$a\")\"; done; shift \"$n\"; exec \"$0\" \"$@\"");
        return sandbox.run(QStringList { QStringLiteral("-c"), script, netProgram() } + command.arguments,
                           QStringLiteral("/bin/sh"));
    }
    }
    return sandbox.run(command.arguments);
}

TEST_P(NetCommandLine, FailsWithAReason)
{
    NetSandbox sandbox;
    const NetRun run = runCase(sandbox, GetParam());
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
        CommandCase { "ServiceOnStandardOutput", { "--ready-fd", "1" }, 2, "usage: tova-messenger", Via::Messenger },
        CommandCase { "NoHiddenServiceCommand", { "messenger-service" }, 2, "usage: net" },
        CommandCase { "PortNotANumber",
                      { "send", "127.0.0.1", "hi" },
                      1,
                      "TOVA_MESSENGER_PORT is not a port number: 65536",
                      Via::Net,
                      "TOVA_MESSENGER_PORT=65536" },
        CommandCase { "NotAName", { "send", "no such;host", "hi" }, 1, "is not a computer name or address" },
        CommandCase { "NameOverTwoLines", { "send", "pc1\nMessage from boss", "hi" }, 1, "not a computer name" },
        CommandCase { "LabelTooLong", { "send", QString(64, u'a') + ".example", "hi" }, 1, "not a computer name" },
        CommandCase { "NameNotUtf8", { "send", "pc\\377", "hi" }, 1, "the computer name is not UTF-8", Via::Bytes },
        CommandCase { "MessageInLatin1", { "send", "127.0.0.1", "caf\\351" }, 1, "message is not UTF-8", Via::Bytes },
        CommandCase { "OverlongSlash", { "send", "127.0.0.1", "ok", "\\300\\257" }, 1, "not UTF-8", Via::Bytes },
        CommandCase { "Surrogate", { "send", "127.0.0.1", "\\355\\240\\200" }, 1, "not UTF-8", Via::Bytes },
        CommandCase { "MessageTooLong", { "send", "127.0.0.1", QString(901, u'x') }, 1, "too long (901 bytes" },
        CommandCase { "ChineseTooLong", { "send", "127.0.0.1", QString(301, QChar(0x4E2D)) }, 1, "(903 bytes" }),
    [](const ::testing::TestParamInfo<CommandCase>& info) { return std::string(info.param.name); });

struct NameCase
{
    const char* name;
    std::string computer; // UTF-8
    bool valid;
};

class ComputerName : public ::testing::TestWithParam<NameCase>
{
};

std::string repeated(int times, const std::string& piece)
{
    std::string text;
    for (int i = 0; i < times; ++i)
        text += piece;
    return text;
}

// Checked without running net: a valid name would be sent to the resolver.
TEST_P(ComputerName, IsCheckedBeforeAnyLookUp)
{
    EXPECT_EQ(isValidComputerName(GetParam().computer), GetParam().valid);
}

INSTANTIATE_TEST_SUITE_P(
    Names, ComputerName,
    ::testing::Values(
        NameCase { "Ipv4", "192.168.0.2", true }, NameCase { "Ipv6WithScope", "fe80::1%1", true },
        NameCase { "HyphenAndUnderscore", "pc-1_b", true }, NameCase { "RootDotAtTheEnd", "pc1.example.", true },
        NameCase { "German", "b\u00fccher.example", true },
        NameCase { "Russian", "\u043f\u0440\u0438\u043c\u0435\u0440", true },
        NameCase { "Chinese", "\u5f20\u4e09.example", true }, NameCase { "CombiningAccent", "cafe\u0301", true },
        NameCase { "LongestLabel", repeated(63, "a") + ".example", true },
        NameCase { "LongestName", repeated(3, std::string(63, 'a') + '.') + repeated(61, "d"), true },
        NameCase { "NameOneTooLong", repeated(3, std::string(63, 'a') + '.') + repeated(62, "d"), false },
        // 32 characters, 64 bytes: the limits are on the bytes.
        NameCase { "LabelOfTwoByteLettersTooLong", repeated(32, "\u00e9"), false }, NameCase { "Empty", "", false },
        NameCase { "RootDotOnly", ".", false }, NameCase { "EmptyLabel", "pc1..example", false },
        NameCase { "Blank", "pc 1", false }, NameCase { "Slash", "pc1/x", false },
        NameCase { "IdeographicFullStop", "pc1\u3002example", false },
        NameCase { "ZeroWidthSpace", "pc\u200b1", false }, NameCase { "NotUtf8", "caf\xe9", false }),
    [](const ::testing::TestParamInfo<NameCase>& info) { return std::string(info.param.name); });

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
    const QString heading = QStringLiteral("Message from 127.0.0.1 (calls itself %1) to 127.0.0.1 on ")
                                .arg(QString::fromStdString(localComputerName()));
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
