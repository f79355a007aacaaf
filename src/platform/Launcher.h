#pragma once

#include <QString>
#include <functional>

// Starts programs the way the Windows WinExec call does.
class Launcher
{
public:
    virtual ~Launcher() = default;
    /// Starts commandLine without a shell and without waiting. The line is split with the Windows
    /// rules; the program is looked up in the folder of tova-shutdown first, then on PATH (but net, the
    /// program's own messenger, only in that folder).
    /// Returns more than 31 on success, 2 when the program is not found, 0 when out of resources.
    /// showMode is kept for the callers' sake; nothing started here has a window of ours.
    virtual int WinExec(const QString& commandLine, int showMode) = 0;

    /// As WinExec, for one of many commands started at once (a notice burst): the caller does not wait
    /// for the system to create the process, and a start that fails after the program was found goes
    /// unreported. Returns 2 when the program is not found, else more than 31.
    virtual int WinExecDetached(const QString& commandLine) = 0;

    /// As WinExec, for a command whose failure the user must hear of: when the started program ends with
    /// a status other than 0, onFailure runs later on this thread with the last line the program wrote to
    /// its error output (its exit status when it wrote none).
    virtual int WinExecWatched(const QString& commandLine, int showMode,
                               std::function<void(const QString& reason)> onFailure)
        = 0;
};
