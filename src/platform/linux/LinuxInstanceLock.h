#pragma once

#include "platform/InstanceLock.h"

#include <QString>
#include <memory>

class QLockFile;

// A QLockFile in a folder private to this user. QLockFile records our pid and program name, so a lock
// left by a crashed instance is recognised (no such process, or a different program under that pid)
// and taken over; age alone never makes a lock stale, since the running instance never refreshes it.
class LinuxInstanceLock : public InstanceLock
{
public:
    /// The lock lives in directory; empty means defaultDirectory().
    explicit LinuxInstanceLock(const QString& directory = QString());
    ~LinuxInstanceLock() override;

    /// True when this object holds the lock (again, if it already did). Also true, with a warning, when
    /// no lock file can be made at all: a program that never starts would be worse than a second one.
    bool tryLock() override;

    /// The lock file's full path.
    QString lockFilePath() const { return m_path; }

    /// $XDG_RUNTIME_DIR when it is an absolute path to a folder of ours that nobody else may write to;
    /// otherwise tova-<uid> in the temporary folder ($TMPDIR or /tmp), made 0700 and checked the same
    /// way; otherwise ~/.cache/tova, for when someone else has taken that name in the shared folder.
    static QString defaultDirectory();

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};
