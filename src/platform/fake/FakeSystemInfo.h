#pragma once

#include "platform/SystemInfo.h"

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
    QString programDirectory() const override { return programDir; }

    QString directory;
    QString userName = QStringLiteral("Admin");
    QString programDir;
};
