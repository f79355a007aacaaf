// The machine-wide schedule's composition root: QtCore and the system bus, no display, no session.
#include "MachineSchedule.h"
#include "core/ProgramState.h"
#include "localisation/LanguageFile.h"
#include "platform/linux/LinuxClock.h"
#include "platform/linux/LinuxLauncher.h"
#include "platform/linux/LinuxSystemInfo.h"
#include "platform/linux/LogindScheduledShutdown.h"
#include "platform/linux/LogindShutdownApi.h"
#include "platform/linux/TerminationSignals.h"
#include "schedule/Scheduler.h"
#include "shutdown/ShutdownExecutor.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>

namespace {
const QString DefaultFile = QStringLiteral("/etc/tova/TovaShutDown.ini");
// sysexits.h's EX_CONFIG: systemd is told not to restart a service whose file cannot work.
constexpr int ConfigurationError = 78;

// Lines to standard error: run by systemd (JOURNAL_STREAM is set) each carries its priority as the
// journal reads it, "<4>…".
void writeJournal(MachineSchedule::Priority priority, const QString& text)
{
    static const bool toJournal = qEnvironmentVariableIsSet("JOURNAL_STREAM");
    const QByteArray line = text.toUtf8();
    if (toJournal) {
        std::fprintf(stderr, "<%d>%s\n", int(priority), line.constData());
    } else {
        std::fprintf(stderr, "tova-shutdownd: %s\n", line.constData());
    }
    std::fflush(stderr);
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tova-shutdownd"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Shuts this computer down at the times of a machine-wide schedule, handing each "
                       "time to the system's own scheduler (systemd-logind)."));
    parser.addHelpOption();
    const QCommandLineOption fileOption(QStringLiteral("file"),
                                        QStringLiteral("The schedule to follow (default %1).").arg(DefaultFile),
                                        QStringLiteral("path"), DefaultFile);
    parser.addOption(fileOption);
    parser.process(app);

    LinuxClock clock;
    LinuxSystemInfo system;
    LinuxLauncher launcher(system.programDirectory());
    LogindShutdownApi shutdownApi;
    ShutdownExecutor executor(shutdownApi, QStringLiteral("tova-shutdownd"));
    LogindScheduledShutdown scheduled;
    ProgramState state(system, clock);
    state.settings.SettingsFilePath = parser.value(fileOption);
    LoadLanguageFile(state.lang, { installedDataDirectory() + u'/' + LanguageFileName.toString() }, system);

    Scheduler scheduler(state, launcher, executor);
    MachineSchedule schedule(state, scheduler, scheduled, clock, system, writeJournal);
    if (const QString refusal = schedule.refusal(); !refusal.isEmpty()) {
        writeJournal(MachineSchedule::Error, refusal);
        return ConfigurationError;
    }
    writeJournal(MachineSchedule::Info, QStringLiteral("following %1").arg(state.settings.SettingsFilePath));
    // Whoever may write the file decides when this machine shuts down.
    const QFileInfo file(state.settings.SettingsFilePath);
    if (file.permissions() & (QFileDevice::WriteGroup | QFileDevice::WriteOther) || file.ownerId() != 0) {
        writeJournal(MachineSchedule::Warning,
                     QStringLiteral("%1 is not root's alone to change: whoever may write it decides when this machine "
                                    "shuts down (chown root: and chmod 644 it)")
                         .arg(file.filePath()));
    }

    // Stopping leaves what is scheduled in place: the system carries it out without us.
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &app, [] { QCoreApplication::quit(); });
    schedule.start();
    return QCoreApplication::exec();
}
