#pragma once

#include <cstdint>
#include <string>

// Where this user's messenger service keeps its files, and which port it uses. Plain C++: net,
// which has no Qt, and the service share these rules.

/// The folder for the lock and the log: TOVA_MESSENGER_RUNDIR (a knob for tests), else
/// $XDG_RUNTIME_DIR, else /tmp/tova-<uid>. The folder is created 0700 where it is ours to make;
/// one that is a link, belongs to another user or others may write into is refused, so that
/// nobody else can plant or take this user's lock.
bool messengerRuntimeFolder(std::string* folder, std::string* error);

std::string messengerLockPath(const std::string& folder);
std::string messengerLogPath(const std::string& folder);

/// NetDatagram::kDefaultPort, or TOVA_MESSENGER_PORT for tests; a knob that is not a port
/// number is an error rather than a silent fall back to the real port.
bool messengerPort(std::uint16_t* port, std::string* error);

/// Whether there is a display to show a window on.
bool messengerHasDisplay();
