// The machine-wide schedule without a display: what it asks the system to have pending, second by second,
// as the file, the action and the date change.
#include "service/MachineSchedule.h"

#include "core/ProgramState.h"
#include "core/TextFile.h"
#include "platform/fake/FakeClock.h"
#include "platform/fake/FakeLauncher.h"
#include "platform/fake/FakeScheduledShutdown.h"
#include "platform/fake/FakeShutdownApi.h"
#include "platform/fake/FakeSystemInfo.h"
#include "schedule/Scheduler.h"
#include "shutdown/ShutdownExecutor.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
QString machineFile(const QString& working, const QString& rest, const QString& action = QStringLiteral("关闭电源"))
{
    return QStringLiteral("[关机时间]：%1[/关机时间]\n[法定休息日]：%2[/法定休息日]\n[关机动作]：%3[/关机动作]\n"
                          "[强制关机]：Yes\n[是否发送关机信息]：Yes\n[IP地址前缀]：127.0.0[/IP地址前缀]\n"
                          "[IP开始子地址]：2[/IP开始子地址]\n[IP结束子地址]：3[/IP结束子地址]")
        .arg(working, rest, action);
}

struct Fixture
{
    int argc = 1;
    char name[24] = "machine_schedule_test";
    char* argv[2] = { name, nullptr };
    QCoreApplication app { argc, argv };
    QTemporaryDir dir;
    FakeSystemInfo system;
    FakeClock clock { QDateTime(QDate(2026, 12, 11), QTime(16, 0, 0)) }; // a Friday
    FakeLauncher launcher;
    FakeShutdownApi shutdownApi;
    ShutdownExecutor executor { shutdownApi, QStringLiteral("tova-shutdownd") };
    FakeScheduledShutdown scheduled;
    ProgramState state { system, clock };
    Scheduler scheduler { state, launcher, executor };
    QStringList journal;
    MachineSchedule schedule { state,
                               scheduler,
                               scheduled,
                               clock,
                               system,
                               [this](MachineSchedule::Priority priority, const QString& text) {
                                   journal << QStringLiteral("<%1>%2").arg(int(priority)).arg(text);
                               } };

    Fixture()
    {
        LoadBuiltInTexts(state.lang);
        state.settings.SettingsFilePath = dir.filePath(QStringLiteral("TovaShutDown.ini"));
    }
    void write(const QString& text) { ASSERT_TRUE(textfile::write(state.settings.SettingsFilePath, text)); }
};
} // namespace

TEST(MachineSchedule, ArmsTheNextListedTimeAndFollowsEveryChange)
{
    Fixture f;
    f.write(machineFile(QStringLiteral("17:00:00、22:30:00"), QStringLiteral("09:00:00")));
    ASSERT_EQ(f.schedule.refusal(), QString());

    const struct
    {
        QDateTime at;
        QString file; // written before the tick; empty keeps it
        QStringList calls;
    } ticks[] = {
        { QDateTime(QDate(2026, 12, 11), QTime(16, 0, 0)), {}, { "schedule poweroff 2026-12-11 17:00:00" } },
        { QDateTime(QDate(2026, 12, 11), QTime(16, 0, 1)), {}, {} },
        // The warnings and notices go out as on a desktop; the system itself shuts down at 17:00:00.
        { QDateTime(QDate(2026, 12, 11), QTime(16, 59, 0)), {}, {} },
        { QDateTime(QDate(2026, 12, 11), QTime(16, 59, 45)), {}, {} },
        { QDateTime(QDate(2026, 12, 11), QTime(16, 59, 59)), {}, {} },
        { QDateTime(QDate(2026, 12, 11), QTime(17, 0, 30)), {}, {} }, // still being carried out
        { QDateTime(QDate(2026, 12, 11), QTime(17, 1, 0)), {}, { "schedule poweroff 2026-12-11 22:30:00" } },
        // After the last time: tomorrow's first, from a Saturday's list; a new action re-arms.
        { QDateTime(QDate(2026, 12, 11), QTime(17, 2, 0)),
          machineFile(QStringLiteral("17:00:00"), QStringLiteral("09:00:00"), QStringLiteral("重新启动")),
          { "schedule reboot 2026-12-12 09:00:00" } },
        { QDateTime(QDate(2026, 12, 11), QTime(17, 3, 0)),
          machineFile(QStringLiteral("17:00:00"), QString(), QStringLiteral("重新启动")),
          { "cancel" } },
        { QDateTime(QDate(2026, 12, 14), QTime(6, 0, 0)), {}, { "schedule reboot 2026-12-14 17:00:00" } },
        { QDateTime(QDate(2026, 12, 14), QTime(18, 0, 0)), {}, { "schedule reboot 2026-12-15 17:00:00" } },
        // The same time, told again on the new day: what was lost or cancelled by hand is armed anew.
        { QDateTime(QDate(2026, 12, 15), QTime(0, 0, 1)), {}, { "schedule reboot 2026-12-15 17:00:00" } },
        // A log off has no session to end: nothing stays pending.
        { QDateTime(QDate(2026, 12, 15), QTime(0, 0, 2)),
          machineFile(QStringLiteral("17:00:00"), QString(), QStringLiteral("注销")),
          { "cancel" } },
    };
    for (const auto& tick : ticks) {
        SCOPED_TRACE(tick.at.toString(Qt::ISODate).toStdString());
        if (!tick.file.isEmpty()) {
            f.write(tick.file);
        }
        f.scheduled.calls.clear();
        f.clock.set(tick.at);
        f.schedule.tick();
        EXPECT_EQ(f.scheduled.calls, tick.calls);
    }
    EXPECT_TRUE(f.shutdownApi.calls.isEmpty()) << f.shutdownApi.calls.join(u',').toStdString();
    EXPECT_EQ(f.journal.filter(QStringLiteral("notice sent to 127.0.0.2-3")).size(), 2);
    EXPECT_EQ(f.journal.filter(QStringLiteral("<4>")).size(), 2) << f.journal.join(u'\n').toStdString();
    EXPECT_EQ(f.journal.filter(QStringLiteral("asks to log off")).size(), 1);
}

TEST(MachineSchedule, RefusesAFileThatAsksToLogOffAndAsksAgainAfterARefusal)
{
    Fixture f;
    f.write(machineFile(QStringLiteral("17:00:00"), QString(), QStringLiteral("注销")));
    EXPECT_TRUE(f.schedule.refusal().contains(QStringLiteral("no session to end")));

    f.write(machineFile(QStringLiteral("17:00:00"), QString()));
    f.scheduled.succeeds = false;
    for (int second = 0; second <= ShutdownArming::RetrySeconds; ++second) {
        f.schedule.tick();
        f.clock.advanceSeconds(1);
    }
    EXPECT_EQ(f.scheduled.calls.size(), 2); // at once, and once a minute later
    EXPECT_EQ(f.journal.filter(QStringLiteral("refused")).size(), 1);
}
