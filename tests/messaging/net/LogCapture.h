#pragma once

#include "messaging/net/MessengerLog.h"

#include <QFile>
#include <QTemporaryDir>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

// Points messengerLog at a file of the test's own, through a descriptor of the test's own in place
// of the service's standard output and error, for as long as it lives.
class LogCapture
{
public:
    explicit LogCapture(qint64 maxBytes = MessengerLogFile::kDefaultMaxBytes)
        : m_path(m_dir.path() + QStringLiteral("/tova-messenger.log")),
          m_fd(::open(QFile::encodeName(m_path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600)),
          m_file(std::make_unique<MessengerLogFile>(m_path, maxBytes, QList<int> { m_fd }))
    {
        setMessengerLogFile(m_file.get());
    }
    ~LogCapture()
    {
        setMessengerLogFile(nullptr);
        ::close(m_fd);
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    const QString& path() const { return m_path; }
    /// What the file at path, or at path + suffix, holds now.
    QByteArray contents(const QString& suffix = {}) const
    {
        QFile file(m_path + suffix);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private:
    QTemporaryDir m_dir;
    QString m_path;
    int m_fd;
    std::unique_ptr<MessengerLogFile> m_file;
};
