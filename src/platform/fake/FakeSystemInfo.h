#pragma once

#include "platform/SystemInfo.h"

#include <QFile>
#include <QFileInfo>

// System facts set by the test; the file test looks at the real file system (a temporary folder).
class FakeSystemInfo : public SystemInfo
{
public:
    QString systemDirectory() const override { return directory; }
    QString currentUserName() const override { return userName; }
    bool isOrdinaryFile(const QString& path) const override
    {
        const QFileInfo info(path);
        return info.exists() && info.isFile();
    }
    ReadResult readOrdinaryFile(const QString& path, qint64 maxSize, QByteArray* bytes, QString* error) const override
    {
        if (!isOrdinaryFile(path)) {
            return ReadResult::NoFile;
        }
        QFile file(path);
        if (!readFailure.isEmpty() || !file.open(QIODevice::ReadOnly)) {
            *error = readFailure.isEmpty() ? file.errorString() : readFailure;
            return ReadResult::Failed;
        }
        if (file.size() > maxSize) {
            *error = QStringLiteral("File too large (%1 bytes)").arg(file.size());
            return ReadResult::Failed;
        }
        *bytes = file.read(maxSize + 1);
        if (bytes->size() > maxSize) {
            *error = QStringLiteral("File too large");
            return ReadResult::Failed;
        }
        return ReadResult::Read;
    }
    QString programDirectory() const override { return programDir; }
    QLocale desktopLocale() const override { return locale; }

    QString directory;
    QString userName = QStringLiteral("Admin");
    QString programDir;
    /// The desktop of the program's first user: Simplified Chinese, the first language of the shipped file.
    QLocale locale { QLocale::Chinese, QLocale::China };
    /// When set, every read of an ordinary file fails with this reason.
    QString readFailure;
};
