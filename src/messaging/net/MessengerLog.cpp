#include "messaging/net/MessengerLog.h"

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

MessengerLogFile* g_logFile = nullptr;

bool isLineBreak(char16_t c)
{
    return c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f' || c == u'\x85' || c == u'\u2028' || c == u'\u2029';
}

bool writeAll(int fd, const char* data, qint64 size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size_t(size));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= written;
    }
    return true;
}

} // namespace

QByteArray messengerLogEntry(const QDateTime& at, const QString& line)
{
    QString text = at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss "));
    text.reserve(text.size() + line.size() + 1);
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (isLineBreak(c.unicode())) {
            if (c == u'\r' && i + 1 < line.size() && line[i + 1] == u'\n')
                ++i; // CR LF is one break
            text += u'\n';
            text += QLatin1String(kLogContinuation);
        } else if (c.category() == QChar::Other_Control && c != u'\t') {
            text += QChar::ReplacementCharacter;
        } else {
            text += c;
        }
    }
    text += u'\n';
    return text.toUtf8();
}

void messengerLog(const QString& line)
{
    const QByteArray entry = messengerLogEntry(QDateTime::currentDateTime(), line);
    if (g_logFile) {
        g_logFile->write(entry);
        return;
    }
    std::fwrite(entry.constData(), 1, size_t(entry.size()), stderr);
    std::fflush(stderr);
}

MessengerLogFile::MessengerLogFile(QString path, qint64 maxBytes, QList<int> fds)
    : m_path(std::move(path)), m_maxBytes(maxBytes), m_fds(std::move(fds))
{
    struct stat info = {};
    if (!m_fds.isEmpty() && fstat(m_fds.last(), &info) == 0)
        m_size = info.st_size;
}

void MessengerLogFile::write(const QByteArray& entry)
{
    if (m_fds.isEmpty())
        return;
    // An entry is never split over two files; one larger than the limit alone starts a file.
    if (m_size > 0 && m_size + entry.size() > m_maxBytes)
        rotate();
    if (writeAll(m_fds.last(), entry.constData(), entry.size()))
        m_size += entry.size();
}

void MessengerLogFile::rotate()
{
    const QByteArray path = QFile::encodeName(m_path);
    const QByteArray older = path + ".1";
    int fd = -1;
    if (::rename(path.constData(), older.constData()) == 0 || errno == ENOENT)
        fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        // Neither moved aside nor started anew: start the current file over rather than let it grow.
        for (const int target : std::as_const(m_fds)) {
            if (ftruncate(target, 0) == 0)
                lseek(target, 0, SEEK_SET);
        }
        m_size = 0;
        return;
    }
    for (const int target : std::as_const(m_fds))
        dup2(fd, target);
    ::close(fd);
    m_size = 0;
}

void setMessengerLogFile(MessengerLogFile* file)
{
    g_logFile = file;
}

void keepMessengerLogBounded(const QString& path)
{
    // Lives as long as the process: messengerLog may be called until its very end.
    static MessengerLogFile file(path);
    setMessengerLogFile(&file);
}
