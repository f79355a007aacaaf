#include "shutdown/ShutdownExecutor.h"

#include "core/SettingsModel.h"
#include "platform/fake/FakeShutdownApi.h"
#include "shutdown/RaisedError.h"

#include <gtest/gtest.h>

namespace {
const QString Source = QStringLiteral("tova-shutdown.mShutDown");

// Runs ShutDownSystem and hands back the error it raised; fails the test when it raised none.
RaisedError shutDownExpectingError(ShutdownExecutor& executor, qint16 flags)
{
    try {
        executor.ShutDownSystem(flags);
    } catch (const RaisedError& error) {
        return error;
    }
    ADD_FAILURE() << "flags " << flags << " raised no error";
    return RaisedError(0, QString(), QString());
}
} // namespace

TEST(ShutdownExecutorTest, EachFlagsWordReachesItsRequest)
{
    struct Row
    {
        qint16 flags;
        QStringList calls;
    };
    const QString version = QStringLiteral("queryVersion");
    const QString connect = QStringLiteral("connectToLoginManager");
    const QString session = QStringLiteral("findOwnSession");
    const std::vector<Row> rows = {
        { 1, { version, connect, "mayAct PowerOff", "exitSession 1" } },
        { 5, { version, connect, "mayAct PowerOff", "exitSession 5" } },
        { 0, { version, connect, session, "mayAct LogOff", "exitSession 0" } },
        { 4, { version, connect, session, "mayAct LogOff", "exitSession 4" } },
        { 3, { version, connect, "mayAct Reboot", "exitSession 3" } },
        { 7, { version, connect, "mayAct Reboot", "exitSession 7" } },
        // The reboot bit alone means restart, as it does for ExitWindowsEx.
        { 2, { version, connect, "mayAct Reboot", "exitSession 2" } },
    };
    for (const Row& row : rows) {
        FakeShutdownApi api;
        ShutdownExecutor executor(api, QStringLiteral("tova-shutdown"));
        EXPECT_NO_THROW(executor.ShutDownSystem(row.flags)) << row.flags;
        EXPECT_EQ(api.calls, row.calls) << row.flags;
    }
}

TEST(ShutdownExecutorTest, FlagsOfASettingsModelNeverReadAreAPlainLogOff)
{
    FakeShutdownApi api;
    ShutdownExecutor executor(api, QStringLiteral("tova-shutdown"));
    executor.ShutDownSystem(SettingsModel().ShutdownFlags);
    ASSERT_FALSE(api.calls.isEmpty());
    EXPECT_EQ(api.calls.last(), QStringLiteral("exitSession 0"));
}

TEST(ShutdownExecutorTest, NotNtRaisesError1AfterTheVersionQueryAlone)
{
    struct Row
    {
        const char* name;
        bool versionSucceeds;
        int platformId;
    };
    const std::vector<Row> rows = {
        { "another platform", true, 1 },
        { "failed version query", false, ShutdownApi::PlatformNT },
    };
    for (const Row& row : rows) {
        FakeShutdownApi api;
        api.versionSucceeds = row.versionSucceeds;
        api.platformId = row.platformId;
        ShutdownExecutor executor(api, QStringLiteral("tova-shutdown"));
        const RaisedError error = shutDownExpectingError(executor, 1);
        EXPECT_EQ(error.number(), 1) << row.name;
        EXPECT_EQ(error.source(), Source) << row.name;
        EXPECT_EQ(error.description(), QStringLiteral("函数仅在Windows NT下有效。")) << row.name;
        EXPECT_EQ(api.calls, QStringList { QStringLiteral("queryVersion") }) << row.name;
    }
}

TEST(ShutdownExecutorTest, VersionIsQueriedUntilItSucceedsThenNeverAgain)
{
    FakeShutdownApi api;
    ShutdownExecutor executor(api, QStringLiteral("tova-shutdown"));
    api.versionSucceeds = false;
    EXPECT_FALSE(executor.IsWindowsNT());
    EXPECT_FALSE(executor.IsWindowsNT());
    EXPECT_EQ(api.calls.count(QStringLiteral("queryVersion")), 2);

    api.versionSucceeds = true;
    for (int i = 0; i < 10; ++i) {
        EXPECT_TRUE(executor.IsWindowsNT());
    }
    // The answer stays even if the system would now say otherwise.
    api.platformId = 1;
    EXPECT_TRUE(executor.IsWindowsNT());
    executor.ShutDownSystem(1);
    EXPECT_EQ(api.calls.count(QStringLiteral("queryVersion")), 3);
}

TEST(ShutdownExecutorTest, FailuresRaiseTheirErrorWithTheSystemText)
{
    enum class Fails { Connect, Session, May, Exit };
    struct Row
    {
        Fails step;
        qint16 flags;
        bool hasText;
        int number;
        QString description;
        QString lastCall;
    };
    const QString noValue = QStringLiteral("不能shutdown：找不到SE_SHUTDOWN_NAME特权值。");
    const QString noProcess = QStringLiteral("不能shutdown：不能终止当前进程。");
    const QString noRight = QStringLiteral("不能shutdown：你没有关闭本系统的权限。");
    const QString failed = QStringLiteral("InitiateSystemShutdown failed: ");
    const std::vector<Row> rows = {
        { Fails::Connect, 1, true, 4, noValue + "[system text]", "connectToLoginManager" },
        { Fails::Connect, 1, false, 4, noValue + "[]", "connectToLoginManager" },
        { Fails::Session, 0, true, 5, noProcess + "[system text]", "findOwnSession" },
        { Fails::Session, 4, false, 5, noProcess + "[]", "findOwnSession" },
        { Fails::May, 3, true, 6, noRight + "[system text]", "mayAct Reboot" },
        { Fails::May, 1, false, 6, noRight + "[]", "mayAct PowerOff" },
        { Fails::Exit, 5, true, 2, failed + "system text", "exitSession 5" },
        { Fails::Exit, 7, false, 2, failed, "exitSession 7" },
    };
    for (const Row& row : rows) {
        FakeShutdownApi api;
        api.connectSucceeds = row.step != Fails::Connect;
        api.sessionFound = row.step != Fails::Session;
        api.maySucceed = row.step != Fails::May;
        api.exitSucceeds = row.step != Fails::Exit;
        api.failureCode = 0x20000001;
        if (row.hasText) {
            api.texts.insert(api.failureCode, QStringLiteral("system text"));
        }
        ShutdownExecutor executor(api, QStringLiteral("tova-shutdown"));
        const RaisedError error = shutDownExpectingError(executor, row.flags);
        EXPECT_EQ(error.number(), row.number) << row.lastCall.toStdString();
        EXPECT_EQ(error.source(), Source);
        EXPECT_EQ(error.description(), row.description) << row.lastCall.toStdString();
        // Nothing is asked once a step has failed.
        EXPECT_EQ(api.calls.last(), row.lastCall);
    }
}

TEST(ShutdownExecutorTest, FlagsThatNameNoActionAreRefusedBeforeAnythingIsAsked)
{
    for (const qint16 flags : { qint16(-1), qint16(-4), qint16(8), qint16(9), qint16(15), qint16(0x7fff) }) {
        FakeShutdownApi api;
        ShutdownExecutor executor(api, QStringLiteral("tova-shutdown"));
        const RaisedError error = shutDownExpectingError(executor, flags);
        EXPECT_EQ(error.number(), 2) << flags;
        EXPECT_TRUE(
            error.description().startsWith(QStringLiteral("InitiateSystemShutdown failed: the shutdown flags ")))
            << error.description().toStdString();
        EXPECT_TRUE(error.description().contains(QString::number(flags))) << error.description().toStdString();
        EXPECT_EQ(api.calls, QStringList { QStringLiteral("queryVersion") }) << flags;

        try {
            executor.EnableShutdownPrivilege(flags);
            ADD_FAILURE() << "EnableShutdownPrivilege accepted " << flags;
        } catch (const RaisedError& privilegeError) {
            EXPECT_EQ(privilegeError.number(), 4);
        }
        EXPECT_EQ(api.calls, QStringList { QStringLiteral("queryVersion") }) << flags;
    }
}

TEST(ShutdownExecutorTest, SourceIsTheExecutableNameWithoutItsExtension)
{
    FakeShutdownApi api;
    api.platformId = 1;
    for (const char* name : { "tova-shutdown", "/usr/bin/tova-shutdown", "tova-shutdown.exe" }) {
        ShutdownExecutor executor(api, QString::fromUtf8(name));
        EXPECT_EQ(executor.errorSource(), Source) << name;
        EXPECT_EQ(shutDownExpectingError(executor, 1).source(), Source) << name;
    }
}
