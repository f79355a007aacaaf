#pragma once

#include "platform/Launcher.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QTimer>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <sys/types.h>
#include <thread>
#include <vector>

// Starts programs with posix_spawn, no shell in between: the words of the command line reach the
// program exactly, whatever ; | & $( ) ` > they hold. Children get /dev/null for their standard streams,
// a session of their own (a Ctrl+C in our terminal does not reach them), default signal handling and
// no descriptor of ours beyond the three standard ones.
//
// Nothing waits for a child. Ended children are collected with waitpid(pid, WNOHANG) on every launch
// and by a timer while any are outstanding, so no zombie stays behind; a process-wide SIGCHLD handler
// would fight QProcess's own child handling, so there is none. Use it from the thread it lives in.
class LinuxLauncher : public QObject, public Launcher
{
    Q_OBJECT
public:
    enum Result {
        OutOfResources = 0,
        FileNotFound = 2, // ERROR_FILE_NOT_FOUND
        AccessDenied = 5, // ERROR_ACCESS_DENIED
        BadFormat = 11, // ERROR_BAD_FORMAT
        Started = 33, // any value above 31 means success to WinExec's callers
    };

    /// programDirectory is searched before PATH: tova-shutdown's own folder, where `net` is installed.
    /// `net` is looked for there only.
    explicit LinuxLauncher(const QString& programDirectory, QObject* parent = nullptr);
    ~LinuxLauncher() override;

    /// Returns Started, FileNotFound (no such program, or not an executable regular file), BadFormat
    /// (the kernel cannot run the file), AccessDenied, or OutOfResources (no memory or processes left).
    int WinExec(const QString& commandLine, int showMode) override;
    /// FileNotFound at once, else Started; the process is created on the launcher's spawning thread.
    int WinExecDetached(const QString& commandLine) override;
    /// Started through QProcess, which collects the child and its error output; the same results.
    int WinExecWatched(const QString& commandLine, int showMode,
                       std::function<void(const QString& reason)> onFailure) override;

    /// Children started or waiting to be started, and not yet collected.
    int outstandingChildren() const;

    /// Collects every child that has ended; never blocks.
    void reapChildren();

private:
    /// The program and its words, as the child gets them.
    struct Start
    {
        QByteArray program;
        std::vector<QByteArray> words;
    };
    /// Parses the line and finds the program; FileNotFound or Started.
    int prepare(const QString& commandLine, Start* start);
    /// posix_spawn with our streams, session and signals; safe on any thread.
    int spawn(Start& start, pid_t* pid) const;
    void runSpawner();
    void startReaping();
    QByteArray findProgram(const QString& name);
    void forgetLookups();

    QByteArray m_programDirectory;
    std::vector<pid_t> m_children;
    // Detached starts: queued here by the launcher's thread, created by the spawning thread, which
    // hands the process ids back for collecting.
    mutable std::mutex m_spawnMutex;
    std::condition_variable m_spawnWake;
    std::deque<Start> m_toSpawn;
    std::vector<pid_t> m_spawned;
    int m_spawning = 0;
    bool m_stopSpawner = false;
    std::thread m_spawner;
    QTimer m_reapTimer;
    int m_devNull = -1;
    // Lookups of one burst (say 254 "net send" lines from one timer tick) share one PATH scan; the cache
    // is dropped when control returns to the event loop.
    QHash<QString, QByteArray> m_lookups;
    QByteArray m_lookupPath;
    bool m_forgetPosted = false;
};
