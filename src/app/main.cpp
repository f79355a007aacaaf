// The composition root: the only place where the real platform is built.
#include "core/ProgramState.h"
#include "localisation/LanguageFile.h"
#include "mainwindow/AppIcon.h"
#include "mainwindow/MDIFrm.h"
#include "platform/linux/LinuxClock.h"
#include "platform/linux/LinuxDialogs.h"
#include "platform/linux/LinuxInstanceLock.h"
#include "platform/linux/LinuxLauncher.h"
#include "platform/linux/LinuxSystemInfo.h"
#include "platform/linux/LogindScheduledShutdown.h"
#include "platform/linux/LogindShutdownApi.h"
#include "platform/linux/TerminationSignals.h"
#include "platform/linux/TrayNotificationIcon.h"
#include "shutdown/ErrorGuard.h"
#include "shutdown/ShutdownExecutor.h"

#include <QApplication>
#include <cstdio>

namespace {
bool hasDisplay()
{
    return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY")
        || qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
}

} // namespace

int main(int argc, char* argv[])
{
    if (!hasDisplay()) {
        std::fprintf(stderr,
                     "tova-shutdown: no graphical display (DISPLAY or WAYLAND_DISPLAY is not set).\n"
                     "Start it from a desktop session, or under xvfb-run for a test.\n");
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tova-shutdown"));
    QApplication::setDesktopFileName(QStringLiteral("tova-shutdown"));
    // The program lives in the notification area: closing its last window must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    LinuxClock clock;
    LinuxSystemInfo system;
    LinuxInstanceLock instanceLock;
    LinuxLauncher launcher(system.programDirectory());
    LinuxDialogs dialogs;
    const QIcon programIcon = appIcon();
    TrayNotificationIcon icon(programIcon, warningIcon(programIcon));
    LogindShutdownApi shutdownApi;
    ShutdownExecutor executor(shutdownApi, QStringLiteral("tova-shutdown"));
    ErrorGuard guard(dialogs, QStringLiteral("Tova Shutdown"));
    LogindScheduledShutdown scheduledShutdown;
    Platform platform { clock, system, instanceLock, launcher, dialogs, icon, scheduledShutdown };
    ProgramState state(system, clock);

    MDIFrm::Options options { true, installedDataDirectory() };
    // Gone at log out, as a postponement or a skip should be; kept across a restart of the program.
    options.overridesPath = LinuxInstanceLock::defaultDirectory() + QStringLiteral("/tova/today");
    MDIFrm window(state, platform, executor, guard, options);
    TerminationSignals termination;
    // A signal may come while a start-up box runs its own event loop, before the main loop exists to be
    // told to quit: remember it.
    bool terminated = false;
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &window, [&] {
        terminated = true;
        window.close();
    });
    bool started = false;
    guard.run([&] { started = window.MDIForm_Load(); });
    if (!started || terminated) {
        return guard.hasFailed() ? 1 : 0;
    }
    return app.exec();
}
