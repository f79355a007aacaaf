#include "messaging/net/MessengerEnvironment.h"

#include "messaging/net/NetDatagram.h"

#include <QDir>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool usableFolder(const QString& folder, bool create, QString* error)
{
    const QByteArray path = folder.toLocal8Bit();
    if (create && mkdir(path.constData(), 0700) != 0 && errno != EEXIST) {
        *error = QStringLiteral("cannot create %1: %2").arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    struct stat info = {};
    if (lstat(path.constData(), &info) != 0) {
        *error = QStringLiteral("%1: %2").arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    if (!S_ISDIR(info.st_mode) || info.st_uid != geteuid()) {
        *error = QStringLiteral("%1 is not a folder of this user").arg(folder);
        return false;
    }
    if ((info.st_mode & 022) != 0 && chmod(path.constData(), info.st_mode & 0700) != 0) {
        *error = QStringLiteral("%1 is writable by others").arg(folder);
        return false;
    }
    return true;
}

} // namespace

bool messengerRuntimeFolder(QString* folder, QString* error)
{
    const QString knob = qEnvironmentVariable("TOVA_MESSENGER_RUNDIR");
    if (!knob.isEmpty()) {
        *folder = QDir::cleanPath(QDir::current().absoluteFilePath(knob));
        return usableFolder(*folder, true, error);
    }
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    QString ignored;
    if (QDir::isAbsolutePath(runtime) && usableFolder(runtime, false, &ignored)) {
        *folder = QDir::cleanPath(runtime);
        return true;
    }
    *folder = QStringLiteral("/tmp/tova-%1").arg(geteuid());
    return usableFolder(*folder, true, error);
}

QString messengerLockPath(const QString& folder)
{
    return folder + QStringLiteral("/tova-messenger.lock");
}

QString messengerLogPath(const QString& folder)
{
    return folder + QStringLiteral("/tova-messenger.log");
}

bool messengerPort(quint16* port, QString* error)
{
    const QString knob = qEnvironmentVariable("TOVA_MESSENGER_PORT");
    if (knob.isEmpty()) {
        *port = NetDatagram::kDefaultPort;
        return true;
    }
    bool ok = false;
    const uint value = knob.toUInt(&ok);
    if (!ok || value == 0 || value > 65535) {
        *error = QStringLiteral("TOVA_MESSENGER_PORT is not a port number: %1").arg(knob);
        return false;
    }
    *port = quint16(value);
    return true;
}

bool messengerHasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}
