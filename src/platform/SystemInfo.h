#pragma once

#include <QByteArray>
#include <QLocale>
#include <QString>

// Facts about this user's system that the program reads by name.
class SystemInfo
{
public:
    virtual ~SystemInfo() = default;
    /// The program's folder for this user ($XDG_CONFIG_HOME/tova), without a trailing slash.
    /// It need not exist yet; writers create it with mode 0700.
    virtual QString systemDirectory() const = 0;
    /// The login name of the effective user; empty when the system cannot tell.
    virtual QString currentUserName() const = 0;
    /// True when path names a regular file (not a folder, not a dangling link).
    virtual bool isOrdinaryFile(const QString& path) const = 0;

    enum class ReadResult { Read, NoFile, Failed };
    /// Reads the file at path whole when it is an ordinary file (NoFile otherwise, as isOrdinaryFile
    /// tells). Failed comes with the system's reason in *error, also for a file of more than maxSize bytes.
    virtual ReadResult readOrdinaryFile(const QString& path, qint64 maxSize, QByteArray* bytes,
                                        QString* error) const = 0;

    /// The folder that holds the running executable.
    virtual QString programDirectory() const = 0;

    /// The language the desktop speaks to this user (LANGUAGE, LC_ALL, LC_MESSAGES, LANG), with its
    /// country's conventions; the C locale when none is set.
    virtual QLocale desktopLocale() const = 0;
};
