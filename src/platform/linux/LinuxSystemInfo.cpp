#include "platform/linux/LinuxSystemInfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <cerrno>
#include <fcntl.h>
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

LinuxSystemInfo::~LinuxSystemInfo()
{
    closeHeldFile();
}

void LinuxSystemInfo::closeHeldFile() const
{
    if (m_held.fd >= 0)
        ::close(m_held.fd);
    m_held = HeldFile();
    if (m_watcher && !m_watcher->files().isEmpty())
        m_watcher->removePaths(m_watcher->files());
    if (m_watcher && !m_watcher->directories().isEmpty())
        m_watcher->removePaths(m_watcher->directories());
}

void LinuxSystemInfo::watchHeldFile() const
{
    // Only where an event loop delivers the news; elsewhere every read asks the name again.
    if (!QCoreApplication::instance())
        return;
    if (!m_watcher) {
        m_watcher = std::make_unique<QFileSystemWatcher>();
        const auto moved = [this] { m_held.nameChecked = false; };
        QObject::connect(m_watcher.get(), &QFileSystemWatcher::fileChanged, m_watcher.get(), moved);
        QObject::connect(m_watcher.get(), &QFileSystemWatcher::directoryChanged, m_watcher.get(), moved);
    }
    const QString file = QFile::decodeName(m_held.path);
    m_held.watched = m_watcher->addPath(file) && m_watcher->addPath(QFileInfo(file).absolutePath());
}

SystemInfo::ReadResult LinuxSystemInfo::readOrdinaryFile(const QString& path, qint64 maxSize, QByteArray* bytes,
                                                         QString* error) const
{
    const QByteArray name = QFile::encodeName(path);
    const auto fail = [&](const QString& reason) {
        closeHeldFile();
        *error = reason;
        return ReadResult::Failed;
    };
    // The name is asked again when the watch saw its folder or the file change, when there is no watch,
    // and every few reads all the same: a watch misses what other machines do to a network folder and
    // a folder further up being renamed.
    qint64 expected = m_held.size;
    if (m_held.fd < 0 || m_held.path != name || !m_held.watched || !m_held.nameChecked
        || ++m_held.readsSinceCheck >= ReadsBetweenChecks) {
        struct stat st;
        if (name.isEmpty() || ::stat(name.constData(), &st) != 0 || !S_ISREG(st.st_mode)) {
            closeHeldFile();
            return ReadResult::NoFile;
        }
        if (st.st_size > maxSize)
            return fail(QStringLiteral("File too large (%1 bytes)").arg(qint64(st.st_size)));
        if (m_held.fd < 0 || m_held.path != name || m_held.device != st.st_dev || m_held.inode != st.st_ino) {
            closeHeldFile();
            // Not blocking, so that a pipe put in the file's place between the stat and the open cannot
            // hold the program up; it is caught by the check below.
            const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
            if (fd < 0)
                return fail(qt_error_string(errno));
            struct stat opened;
            if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
                ::close(fd);
                return ReadResult::NoFile;
            }
            m_held.path = name;
            m_held.fd = fd;
            m_held.device = opened.st_dev;
            m_held.inode = opened.st_ino;
            st = opened;
            watchHeldFile();
        }
        m_held.nameChecked = true;
        m_held.readsSinceCheck = 0;
        expected = st.st_size;
    }

    // Sized to the file plus one byte: a full buffer means the file is longer than the size known, and
    // the reading goes on until a short read, the end of the file.
    bytes->resize(qsizetype(std::min<qint64>(expected, maxSize) + 1));
    qint64 filled = 0;
    for (;;) {
        const ssize_t got = ::pread(m_held.fd, bytes->data() + filled, size_t(bytes->size() - filled), off_t(filled));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return fail(qt_error_string(errno));
        }
        filled += got;
        if (got == 0 || filled < bytes->size())
            break;
        if (filled > maxSize)
            return fail(QStringLiteral("File too large (more than %1 bytes)").arg(maxSize));
        bytes->resize(qsizetype(std::min<qint64>(filled * 2, maxSize + 1)));
    }
    bytes->resize(qsizetype(filled));
    m_held.size = filled;
    return ReadResult::Read;
}

QString LinuxSystemInfo::programDirectory() const
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absolutePath();
}

QLocale LinuxSystemInfo::desktopLocale() const
{
    // Qt reads the variables in the order the C library gives them weight; its first interface language
    // is the one the user asked for, LANGUAGE included.
    const QStringList languages = QLocale::system().uiLanguages();
    return languages.isEmpty() ? QLocale::system() : QLocale(languages.first());
}
