// The scheduler as the service will drive it: an event loop without any window, and nothing but its
// signals to say what happened. The window's own tests drive the same rules through MDIFrm.
#include "schedule/Scheduler.h"

#include "core/ProgramState.h"
#include "core/TextFile.h"
#include "platform/fake/FakeClock.h"
#include "platform/fake/FakeLauncher.h"
#include "platform/fake/FakeShutdownApi.h"
#include "platform/fake/FakeSystemInfo.h"
#include "schedule/TodayOverrides.h"
#include "shutdown/ShutdownExecutor.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {
struct CoreApplication
{
    int argc = 1;
    char name[16] = "scheduler_test";
    char* argv[2] = { name, nullptr };
    QCoreApplication app { argc, argv };
};
} // namespace

TEST(Scheduler, RunsWithoutAWindowAndReportsEachSecond)
{
    CoreApplication application;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    FakeSystemInfo system;
    system.directory = dir.path();
    FakeClock clock; // a Monday
    FakeLauncher launcher;
    FakeShutdownApi shutdownApi;
    shutdownApi.exitSucceeds = false; // held back by a program, every time
    shutdownApi.exitHeldBack = true;
    shutdownApi.texts.insert(shutdownApi.failureCode, QStringLiteral("held back by Backup tool"));
    ShutdownExecutor executor(shutdownApi, QStringLiteral("tova-shutdownd"));
    ProgramState state(system, clock);
    LoadBuiltInTexts(state.lang);
    state.lang.copyColumn(1, 0);
    state.settings.SettingsFilePath = dir.filePath(QStringLiteral("AdminTovaShutDown.ini"));
    textfile::write(state.settings.SettingsFilePath,
                    QStringLiteral("[语言类别]：1[/语言类别]\n[关机时间]：08:00:00、17:30:00[/关机时间]\n"
                                   "[关机动作]：关闭电源[/关机动作]\n[强制关机]：No\n[是否发送关机信息]：Yes\n"
                                   "[IP地址前缀]：127.0.0[/IP地址前缀]\n[IP开始子地址]：2[/IP开始子地址]\n"
                                   "[IP结束子地址]：3[/IP结束子地址]"));

    Scheduler scheduler(state, launcher, executor);
    QStringList seen;
    QObject::connect(&scheduler, &Scheduler::storedLanguageRead,
                     [&](std::optional<int> k) { seen << QStringLiteral("language %1").arg(k.value_or(-1)); });
    QObject::connect(&scheduler, &Scheduler::settingsReloaded, [&] { seen << QStringLiteral("reloaded"); });
    QObject::connect(&scheduler, &Scheduler::countdownUpdated,
                     [&](const QString& next, const QString& left) { seen << next + u' ' + left; });
    QObject::connect(&scheduler, &Scheduler::warningDue,
                     [&](const QString& line) { seen << QStringLiteral("warning ") + line; });
    QObject::connect(&scheduler, &Scheduler::noticeSent,
                     [&](const QString& text) { seen << QStringLiteral("notice ") + text; });
    QObject::connect(&scheduler, &Scheduler::shutdownRefused,
                     [&](const QString& reason, int number, const QString& source, bool retrying) {
                         seen << QStringLiteral("refused %1 [%2 %3]%4")
                                     .arg(reason)
                                     .arg(number)
                                     .arg(source, retrying ? QStringLiteral(", again") : QString());
                     });
    QObject::connect(&scheduler, &Scheduler::shutdownRetryDue, [&] { seen << QStringLiteral("retry"); });

    const struct
    {
        const char* time;
        QStringList seen;
    } ticks[] = {
        { "17:28:59", { "reloaded", "language 1", "17:30:00 0:01:01" } },
        { "17:29:00",
          { "17:30:00 0:01:00", "warning 服务器将在 60 秒之后关闭", "notice 请保存文件！服务器将在 60 秒之后关闭" } },
        { "17:29:45", { "17:30:00 0:00:15", "warning 现在关闭服务器！", "notice 现在关闭服务器！" } },
        { "17:29:57", { "17:30:00 0:00:03" } },
        // 17:29:59 was skipped and is caught up; the retry is due a minute after this tick.
        { "17:30:00", { "08:00:00 14:30:00", "refused held back by Backup tool [2 tova-shutdownd.mShutDown], again" } },
        { "17:30:59", { "08:00:00 14:29:01" } },
        { "17:31:00",
          { "08:00:00 14:29:00", "retry", "refused held back by Backup tool [2 tova-shutdownd.mShutDown], again" } },
    };
    for (const auto& t : ticks) {
        seen.clear();
        clock.setTime(QTime::fromString(QLatin1String(t.time)));
        scheduler.tick(clock.now());
        EXPECT_EQ(seen, t.seen) << t.time;
    }
    while (scheduler.noticesPending() > 0) {
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(launcher.commandLines,
              QStringList({ "net send 127.0.0.2 请保存文件！服务器将在 60 秒之后关闭",
                            "net send 127.0.0.3 请保存文件！服务器将在 60 秒之后关闭",
                            "net send 127.0.0.2 现在关闭服务器！", "net send 127.0.0.3 现在关闭服务器！" }));
}

// Postpone and skip as the user gives them on the desktop: today's pending time moves or goes, the warnings,
// notices and the request follow, a restart the same day keeps it, the file and the next day stay as they were.
TEST(Scheduler, PostponeAndSkipHoldForTheDayAndOutliveARestart)
{
    CoreApplication application;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    FakeSystemInfo system;
    system.directory = dir.path();
    FakeClock clock; // Monday 2026-12-07
    FakeLauncher launcher;
    FakeShutdownApi shutdownApi;
    ShutdownExecutor executor(shutdownApi, QStringLiteral("tova-shutdown"));
    const QString settingsPath = dir.filePath(QStringLiteral("AdminTovaShutDown.ini"));
    const QString settings = QStringLiteral("[语言类别]：1[/语言类别]\n[关机时间]：08:00:00、17:30:00[/关机时间]\n"
                                            "[关机动作]：关闭电源[/关机动作]\n[强制关机]：No\n[是否发送关机信息]：Yes\n"
                                            "[IP地址前缀]：127.0.0[/IP地址前缀]\n[IP开始子地址]：2[/IP开始子地址]\n"
                                            "[IP结束子地址]：2[/IP结束子地址]");
    textfile::write(settingsPath, settings);

    // One run of the program: what a restart throws away and builds again.
    struct Run
    {
        Run(FakeSystemInfo& system, FakeClock& clock, FakeLauncher& launcher, ShutdownExecutor& executor,
            const QString& settingsPath, const QString& overridesPath)
            : state(system, clock), overrides(overridesPath), scheduler(state, launcher, executor)
        {
            LoadBuiltInTexts(state.lang);
            state.lang.copyColumn(1, 0);
            state.settings.SettingsFilePath = settingsPath;
            scheduler.setOverrides(&overrides);
        }
        ProgramState state;
        TodayOverrides overrides;
        Scheduler scheduler;
    };
    std::unique_ptr<Run> run;
    QStringList seen;
    const auto start = [&] {
        run.reset();
        run = std::make_unique<Run>(system, clock, launcher, executor, settingsPath,
                                    dir.filePath(QStringLiteral("run/tova/today")));
        Scheduler& s = run->scheduler;
        QObject::connect(&s, &Scheduler::countdownUpdated,
                         [&](const QString& next, const QString& left) { seen << next + u' ' + left; });
        QObject::connect(&s, &Scheduler::warningDue,
                         [&](const QString& line) { seen << QStringLiteral("warning ") + line; });
        QObject::connect(&s, &Scheduler::noticeSent,
                         [&](const QString& text) { seen << QStringLiteral("notice ") + text; });
        QObject::connect(&s, &Scheduler::overrideMade, [&](const QString& line, const QString& error) {
            seen << QStringLiteral("log ") + line + error;
        });
    };
    start();

    const struct
    {
        const char* step; // a time to tick at; "postpone", "skip", "restart"; "+1" for the next day
        QStringList seen;
        bool shutdown = false; // the request went out in this step
    } steps[] = {
        { "17:25:00", { "17:30:00 0:05:00" } },
        { "postpone", { "log 关机时间推迟到 17:40:00", "notice 关机时间推迟到 17:40:00" } },
        { "17:29:59", { "17:40:00 0:10:01" } },
        { "restart", {} },
        { "17:30:00", { "17:40:00 0:10:00" } },
        { "17:39:00",
          { "17:40:00 0:01:00", "warning 服务器将在 60 秒之后关闭", "notice 请保存文件！服务器将在 60 秒之后关闭" } },
        { "postpone", { "log 关机时间推迟到 17:50:00", "notice 关机时间推迟到 17:50:00" } },
        { "17:49:45", { "17:50:00 0:00:15", "warning 现在关闭服务器！", "notice 现在关闭服务器！" } },
        { "17:49:59", { "17:50:00 0:00:01" }, true },
        { "+1", {} }, // Tuesday: the list as it is in the file
        { "17:25:00", { "17:30:00 0:05:00" } },
        { "skip", { "log 今天跳过这次关机：17:30:00", "notice 今天跳过这次关机：17:30:00" } },
        { "17:29:59", { "08:00:00 14:30:01" } },
        { "restart", {} },
        { "17:30:00", { "08:00:00 14:30:00" } },
        { "+1", {} }, // Wednesday
        { "17:29:59", { "17:30:00 0:00:01" }, true },
    };
    for (const auto& s : steps) {
        seen.clear();
        const int requests = int(shutdownApi.calls.count(QStringLiteral("exitSession 1")));
        const QString step = QLatin1String(s.step);
        if (step == QLatin1String("postpone")) {
            EXPECT_TRUE(run->scheduler.postpone(clock.now()));
        } else if (step == QLatin1String("skip")) {
            EXPECT_TRUE(run->scheduler.skip(clock.now()));
        } else if (step == QLatin1String("restart")) {
            start();
        } else if (step == QLatin1String("+1")) {
            clock.set(clock.now().addDays(1));
        } else {
            clock.setTime(QTime::fromString(step));
            run->scheduler.tick(clock.now());
        }
        while (run->scheduler.noticesPending() > 0) {
            QCoreApplication::processEvents();
        }
        EXPECT_EQ(seen, s.seen) << s.step << " at " << clock.now().toString().toStdString();
        EXPECT_EQ(shutdownApi.calls.count(QStringLiteral("exitSession 1")), requests + (s.shutdown ? 1 : 0))
            << s.step << " at " << clock.now().toString().toStdString();
    }
    EXPECT_TRUE(launcher.commandLines.contains(QStringLiteral("net send 127.0.0.2 关机时间推迟到 17:40:00")));
    QString file;
    ASSERT_TRUE(textfile::read(settingsPath, &file));
    EXPECT_EQ(file, settings);
}
