#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

// The service's log: one entry per event, each starting on a new line with its date
// ("yyyy-MM-dd HH:mm:ss "). What an entry quotes (a message, a name) may hold line breaks;
// each break (LF, CR, CR LF, vertical tab, form feed, NEL, U+2028, U+2029) continues the entry
// on a new line indented by kLogContinuation, so no line a sender writes can start like an entry
// of its own. Other control characters become U+FFFD; tabs stay.

/// Indent of an entry's continuation lines.
inline constexpr char kLogContinuation[] = "    ";

/// The bytes of the entry for line at time at, ending in a line feed. Pure.
QByteArray messengerLogEntry(const QDateTime& at, const QString& line);

/// Writes one entry dated now to the service's log: through the MessengerLogFile set with
/// setMessengerLogFile, else to standard error.
void messengerLog(const QString& line);

// The log file the service's standard output and error are redirected to, kept under maxBytes:
// an entry that would take it past that moves it to "<path>.1" (replacing the older one) and
// starts a new file at path, which each of fds is then made to write to with dup2. The size is
// counted here, from what the file held when this took it over, so writing costs no system call
// beyond the write itself.
class MessengerLogFile
{
public:
    static constexpr qint64 kDefaultMaxBytes = 1 << 20;

    /// fds all write to the file at path; the entries are written through the last one.
    MessengerLogFile(QString path, qint64 maxBytes = kDefaultMaxBytes, QList<int> fds = { 1, 2 });
    MessengerLogFile(const MessengerLogFile&) = delete;
    MessengerLogFile& operator=(const MessengerLogFile&) = delete;

    void write(const QByteArray& entry);
    qint64 size() const { return m_size; }

private:
    void rotate();

    QString m_path;
    qint64 m_maxBytes;
    QList<int> m_fds;
    qint64 m_size = 0;
};

/// Makes messengerLog write through file (not owned; nullptr: standard error again).
void setMessengerLogFile(MessengerLogFile* file);

/// For the service whose standard output and error go to the file at path: from now on the log
/// is kept under MessengerLogFile::kDefaultMaxBytes.
void keepMessengerLogBounded(const QString& path);
