#include "platform/linux/LinuxSystemInfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

QString homeFolder()
{
    const QString home = qEnvironmentVariable("HOME");
    if (QDir::isAbsolutePath(home))
        return home;
    struct passwd entry;
    struct passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir
        && found->pw_dir[0] == '/')
        return QFile::decodeName(found->pw_dir);
    return QDir::rootPath();
}

QByteArray databaseUserName()
{
    struct passwd entry;
    struct passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_name)
        return QByteArray(found->pw_name);
    return QByteArray();
}

} // namespace

QString LinuxSystemInfo::systemDirectory() const
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!QDir::isAbsolutePath(base))
        base = homeFolder() + QStringLiteral("/.config");
    return QDir::cleanPath(base + QStringLiteral("/tova"));
}

QString LinuxSystemInfo::currentUserName() const
{
    return chooseUserName(databaseUserName(), qgetenv("USER"), qgetenv("LOGNAME"));
}

QString LinuxSystemInfo::chooseUserName(const QByteArray& databaseName, const QByteArray& user,
                                        const QByteArray& logname)
{
    for (const QByteArray& name : { databaseName, user, logname }) {
        if (!name.isEmpty() && !name.contains('/'))
            return QFile::decodeName(name);
    }
    return QString();
}

bool LinuxSystemInfo::isOrdinaryFile(const QString& path) const
{
    if (path.isEmpty())
        return false;
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

QString LinuxSystemInfo::programDirectory() const
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absolutePath();
}
