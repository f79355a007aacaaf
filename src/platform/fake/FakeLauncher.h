#pragma once

#include "platform/Launcher.h"

#include <QStringList>

// Records every command line in order and starts nothing.
class FakeLauncher : public Launcher
{
public:
    int WinExec(const QString& commandLine, int showMode) override
    {
        commandLines << commandLine;
        showModes.push_back(showMode);
        return result;
    }
    int WinExecDetached(const QString& commandLine) override { return WinExec(commandLine, 0); }
    int WinExecWatched(const QString& commandLine, int showMode,
                       std::function<void(const QString& reason)> onFailure) override
    {
        failureHandlers.push_back(std::move(onFailure));
        return WinExec(commandLine, showMode);
    }
    QStringList commandLines;
    std::vector<int> showModes;
    /// What each watched start reports a failure to; the test calls it as the ended program would.
    std::vector<std::function<void(const QString& reason)>> failureHandlers;
    int result = 33;
};
