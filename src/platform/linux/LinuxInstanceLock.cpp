#include "platform/linux/LinuxInstanceLock.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QStandardPaths>
#include <QtGlobal>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char LockFileName[] = "tova-shutdown.lock";

// Anyone else able to write there could delete our lock or plant one that keeps us from starting.
bool isPrivateFolder(const QString& path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid()
        && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

} // namespace

LinuxInstanceLock::LinuxInstanceLock(const QString& directory)
    : m_path((directory.isEmpty() ? defaultDirectory() : directory) + QLatin1Char('/') + QLatin1String(LockFileName))
{ }

LinuxInstanceLock::~LinuxInstanceLock() = default;

bool LinuxInstanceLock::tryLock()
{
    if (m_lock && m_lock->isLocked())
        return true;
    m_lock = std::make_unique<QLockFile>(m_path);
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0))
        return true;
    if (m_lock->error() == QLockFile::LockFailedError)
        return false;
    qWarning("Cannot create the instance lock %s; running without it.", qPrintable(m_path));
    return true;
}

QString LinuxInstanceLock::defaultDirectory()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(runtime) && isPrivateFolder(runtime))
        return QDir::cleanPath(runtime);

    const QString shared = QDir::tempPath() + QStringLiteral("/tova-") + QString::number(::geteuid());
    ::mkdir(QFile::encodeName(shared).constData(), 0700);
    if (isPrivateFolder(shared))
        return shared;

    const QString cache
        = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/tova");
    QDir().mkpath(cache);
    QFile::setPermissions(cache, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return cache;
}
