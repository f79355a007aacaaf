#pragma once

#include "LangTable.h"
#include "SettingsModel.h"
#include "SettingsStore.h"

// Everything that lives for the whole run and is shared by the windows.
struct ProgramState
{
    ProgramState(const SystemInfo& system, const Clock& clock) : store(settings, system, clock) { }
    LangTable lang;
    SettingsModel settings;
    SettingsStore store;
};
