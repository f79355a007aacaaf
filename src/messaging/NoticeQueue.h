#pragma once

#include "platform/Launcher.h"

#include <QObject>
#include <QStringList>

// Hands queued command lines to the real launcher a few at a time, one batch per turn of the event loop,
// each started detached (the launcher's own thread waits for the system to create the process). A notice
// burst starts up to 254 processes: the window thread only hands them over, the ticks and the user's
// clicks go on in between, and the commands still start in order, without waiting for each other.
class NoticeQueue : public QObject, public Launcher
{
    Q_OBJECT
public:
    explicit NoticeQueue(Launcher& launcher, int batchSize = 8, QObject* parent = nullptr);

    /// Queues the line and answers "started": the notice senders ignore launch failures anyway.
    int WinExec(const QString& commandLine, int showMode) override;
    int WinExecDetached(const QString& commandLine) override { return WinExec(commandLine, 0); }
    /// Not queued: a single command the user waits to hear about.
    int WinExecWatched(const QString& commandLine, int showMode,
                       std::function<void(const QString& reason)> onFailure) override
    {
        return m_launcher.WinExecWatched(commandLine, showMode, std::move(onFailure));
    }
    int pending() const { return int(m_lines.size() - m_next); }

private:
    void startBatch();

    Launcher& m_launcher;
    int m_batchSize;
    QStringList m_lines;
    qsizetype m_next = 0;
    bool m_scheduled = false;
};
