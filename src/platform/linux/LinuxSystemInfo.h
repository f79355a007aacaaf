#pragma once

#include "platform/SystemInfo.h"

#include <QByteArray>

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
    /// QCoreApplication::applicationDirPath(), or the folder of /proc/self/exe before an application
    /// object exists.
    QString programDirectory() const override;

    /// The choice currentUserName() makes among its sources, first usable one wins. The name becomes
    /// part of a file name, so a value with a '/' in it (never a real login name, but the environment
    /// can say anything) is passed over rather than let it point the settings file elsewhere.
    static QString chooseUserName(const QByteArray& databaseName, const QByteArray& user, const QByteArray& logname);
};
