// The scheduler's costs: one tick with a realistic settings file, and the phase of real ticks against
// the second boundary. Prints its figures; asserts nothing.
#include "core/TextFile.h"
#include "mainwindow/MDIFrm.h"
#include "platform/fake/FakeClock.h"
#include "platform/fake/FakeDialogs.h"
#include "platform/fake/FakeInstanceLock.h"
#include "platform/fake/FakeLauncher.h"
#include "platform/fake/FakeNotificationIcon.h"
#include "platform/fake/FakeScheduledShutdown.h"
#include "platform/fake/FakeShutdownApi.h"
#include "platform/linux/LinuxClock.h"
#include "platform/linux/LinuxSystemInfo.h"
#include "shutdown/ErrorGuard.h"
#include "shutdown/ShutdownExecutor.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
const QString Settings = QStringLiteral("[语言类别]：1[/语言类别]\n"
                                        "[关机时间]：07:30:00、12:00:00、17:30:00、22:45:00[/关机时间]\n"
                                        "[法定休息日]：11:30:00、23:00:00[/法定休息日]\n"
                                        "[法定节假日]：[/法定节假日]\n"
                                        "[关机动作]：关闭电源[/关机动作]\n"
                                        "[强制关机]：No\n"
                                        "[是否发送关机信息]：Yes\n"
                                        "[IP地址前缀]：192.168.0[/IP地址前缀]\n"
                                        "[IP开始子地址]：2[/IP开始子地址]\n"
                                        "[IP结束子地址]：255[/IP结束子地址]");

// The real file reader, in a folder of the benchmark's own.
class BenchSystemInfo : public LinuxSystemInfo
{
public:
    QString systemDirectory() const override { return directory; }
    QString currentUserName() const override { return QStringLiteral("Admin"); }
    QString directory;
};

// The real clock, noting how far into its second each tick first reads it.
class PhaseClock : public Clock
{
public:
    QDateTime now() const override
    {
        const QDateTime now = QDateTime::currentDateTime();
        if (!m_last.isValid() || m_last.msecsTo(now) > 500) {
            phases.push_back(now.time().msec());
        }
        m_last = now;
        return now;
    }
    mutable std::vector<int> phases;

private:
    mutable QDateTime m_last;
};

struct Rig
{
    explicit Rig(Clock& clock, bool timers)
        : platform { clock, system, lock, launcher, dialogs, icon, scheduledShutdown }, state(system, clock)
    {
        system.directory = dir.path();
        textfile::write(dir.filePath(QStringLiteral("AdminTovaShutDown.ini")), Settings);
        window = std::make_unique<MDIFrm>(state, platform, executor, guard, MDIFrm::Options { timers, QString() });
        window->MDIForm_Load();
    }
    QTemporaryDir dir;
    BenchSystemInfo system;
    FakeInstanceLock lock;
    FakeLauncher launcher;
    FakeDialogs dialogs;
    FakeNotificationIcon icon;
    FakeScheduledShutdown scheduledShutdown;
    FakeShutdownApi shutdownApi;
    ShutdownExecutor executor { shutdownApi, QStringLiteral("tova-shutdown") };
    ErrorGuard guard { dialogs, QString(), [](int) {} };
    Platform platform;
    ProgramState state;
    std::unique_ptr<MDIFrm> window;
};
} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;

    FakeClock fake(QDateTime(QDate(2026, 12, 7), QTime(9, 0, 0)));
    Rig rig(fake, false);
    const int ticks = 20000;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < ticks; ++i) {
        fake.advanceSeconds(1);
        rig.window->Timer2_Timer();
    }
    std::printf("tick: %.0f ns mean over %d ticks (settings file re-read every tick)\n",
                double(timer.nsecsElapsed()) / ticks, ticks);

    if (seconds > 0) {
        PhaseClock clock;
        Rig real(clock, true);
        QTimer::singleShot(seconds * 1000 + 500, &app, &QCoreApplication::quit);
        app.exec();
        std::vector<int> phases(clock.phases.begin() + 1, clock.phases.end()); // skip the start-up read
        std::sort(phases.begin(), phases.end());
        if (!phases.empty()) {
            std::printf(
                "tick phase after the second boundary over %zu real ticks: min %d ms, median %d ms, max %d ms\n",
                phases.size(), phases.front(), phases[phases.size() / 2], phases.back());
        }
    }
    return 0;
}
