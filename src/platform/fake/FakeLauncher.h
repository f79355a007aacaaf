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
    QStringList commandLines;
    std::vector<int> showModes;
    int result = 33;
};
