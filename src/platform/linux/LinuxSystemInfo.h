#pragma once

#include "platform/SystemInfo.h"

#include <QByteArray>
#include <QFileSystemWatcher>
#include <memory>
#include <sys/types.h>

class LinuxSystemInfo : public SystemInfo
{
public:
    /// $XDG_CONFIG_HOME/tova; ~/.config/tova when XDG_CONFIG_HOME is unset, empty or relative, which
    /// the XDG base-directory rules say to ignore.
    QString systemDirectory() const override;
    /// The effective user's login name from the user database, else $USER, else $LOGNAME, else empty.
    QString currentUserName() const override;
    /// stat() after following links: a regular file.
    bool isOrdinaryFile(const QString& path) const override;
    /// The settings file is read every second, and on this kind of machine each system call of an idle
    /// program costs some 10 µs. So the file last read is kept open and read again from its start with
    /// one pread(); whether its name still leads to that same file (an editor or our own writer may have
    /// renamed a new one over it) is asked with stat() only when a watch on the file and its folder
    /// saw a change, and every ReadsBetweenChecks reads.
    ReadResult readOrdinaryFile(const QString& path, qint64 maxSize, QByteArray* bytes, QString* error) const override;
    /// QCoreApplication::applicationDirPath(), or the folder of /proc/self/exe before an application
    /// object exists.
    QString programDirectory() const override;
    QLocale desktopLocale() const override;

    /// The choice currentUserName() makes among its sources, first usable one wins. The name becomes
    /// part of a file name, so a value with a '/' in it (never a real login name, but the environment
    /// can say anything) is passed over rather than let it point the settings file elsewhere.
    static QString chooseUserName(const QByteArray& databaseName, const QByteArray& user, const QByteArray& logname);

    LinuxSystemInfo() = default;
    LinuxSystemInfo(const LinuxSystemInfo&) = delete;
    LinuxSystemInfo& operator=(const LinuxSystemInfo&) = delete;
    ~LinuxSystemInfo() override;

    static constexpr int ReadsBetweenChecks = 10;

private:
    void closeHeldFile() const;
    void watchHeldFile() const;

    struct HeldFile
    {
        QByteArray path;
        int fd = -1;
        dev_t device = 0;
        ino_t inode = 0;
        qint64 size = 0; // at the last read
        bool watched = false;
        bool nameChecked = false; // since the watch last saw a change
        int readsSinceCheck = 0;
    };
    mutable HeldFile m_held;
    mutable std::unique_ptr<QFileSystemWatcher> m_watcher;
};
