#pragma once

#include "platform/SystemInfo.h"

#include <QByteArray>
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
    /// The settings file is read every second. The file last read is kept open and read again from its
    /// start; one stat() of the path tells whether the name still leads to that same file (an editor or
    /// our own writer may have renamed a new one over it), else it is opened afresh.
    ReadResult readOrdinaryFile(const QString& path, qint64 maxSize, QByteArray* bytes, QString* error) const override;
    /// QCoreApplication::applicationDirPath(), or the folder of /proc/self/exe before an application
    /// object exists.
    QString programDirectory() const override;

    /// The choice currentUserName() makes among its sources, first usable one wins. The name becomes
    /// part of a file name, so a value with a '/' in it (never a real login name, but the environment
    /// can say anything) is passed over rather than let it point the settings file elsewhere.
    static QString chooseUserName(const QByteArray& databaseName, const QByteArray& user, const QByteArray& logname);

    LinuxSystemInfo() = default;
    LinuxSystemInfo(const LinuxSystemInfo&) = delete;
    LinuxSystemInfo& operator=(const LinuxSystemInfo&) = delete;
    ~LinuxSystemInfo() override;

private:
    void closeHeldFile() const;

    struct HeldFile
    {
        QByteArray path;
        int fd = -1;
        dev_t device = 0;
        ino_t inode = 0;
    };
    mutable HeldFile m_held;
};
