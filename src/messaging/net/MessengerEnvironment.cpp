#include "messaging/net/MessengerEnvironment.h"

#include "messaging/net/DatagramEncoder.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string environmentValue(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

// The absolute form of path with "." and ".." taken out by the letters, not by following links:
// the folder is then checked with lstat, and a link is refused rather than resolved.
std::string cleanAbsolutePath(const std::string& path)
{
    std::filesystem::path absolute(path);
    if (absolute.is_relative()) {
        std::error_code failed;
        absolute = std::filesystem::current_path(failed) / absolute;
    }
    std::string clean = absolute.lexically_normal().string();
    if (clean.size() > 1 && clean.back() == '/')
        clean.pop_back();
    return clean;
}

bool usableFolder(const std::string& folder, bool create, std::string* error)
{
    if (create && mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        *error = "cannot create " + folder + ": " + std::strerror(errno);
        return false;
    }
    struct stat info = {};
    if (lstat(folder.c_str(), &info) != 0) {
        *error = folder + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISDIR(info.st_mode) || info.st_uid != geteuid()) {
        *error = folder + " is not a folder of this user";
        return false;
    }
    if ((info.st_mode & 022) != 0 && chmod(folder.c_str(), info.st_mode & 0700) != 0) {
        *error = folder + " is writable by others";
        return false;
    }
    return true;
}

} // namespace

bool messengerRuntimeFolder(std::string* folder, std::string* error)
{
    const std::string knob = environmentValue("TOVA_MESSENGER_RUNDIR");
    if (!knob.empty()) {
        *folder = cleanAbsolutePath(knob);
        return usableFolder(*folder, true, error);
    }
    const std::string runtime = environmentValue("XDG_RUNTIME_DIR");
    std::string ignored;
    if (!runtime.empty() && runtime[0] == '/' && usableFolder(runtime, false, &ignored)) {
        *folder = cleanAbsolutePath(runtime);
        return true;
    }
    *folder = "/tmp/tova-" + std::to_string(geteuid());
    return usableFolder(*folder, true, error);
}

std::string messengerLockPath(const std::string& folder)
{
    return folder + "/tova-messenger.lock";
}

std::string messengerLogPath(const std::string& folder)
{
    return folder + "/tova-messenger.log";
}

bool messengerPort(std::uint16_t* port, std::string* error)
{
    const std::string knob = environmentValue("TOVA_MESSENGER_PORT");
    if (knob.empty()) {
        *port = NetDatagram::kDefaultPort;
        return true;
    }
    unsigned long value = 0;
    bool ok = knob.size() <= 5;
    for (const char c : knob) {
        ok = ok && c >= '0' && c <= '9';
        value = value * 10 + static_cast<unsigned long>(c - '0');
    }
    if (!ok || value == 0 || value > 65535) {
        *error = "TOVA_MESSENGER_PORT is not a port number: " + knob;
        return false;
    }
    *port = static_cast<std::uint16_t>(value);
    return true;
}

bool messengerHasDisplay()
{
    return !environmentValue("DISPLAY").empty() || !environmentValue("WAYLAND_DISPLAY").empty()
        || !environmentValue("QT_QPA_PLATFORM").empty();
}
