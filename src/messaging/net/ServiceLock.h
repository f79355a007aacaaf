#pragma once

#include <cstdint>
#include <string>

// The per-user lock that says "the messenger service runs", with the service's process id in
// it. An flock(2) on the file: the system drops it when the holder ends in any way, so a
// crashed service never leaves a lock that blocks the next start. The file itself may stay.
// Plain C++: net probes the lock, the service holds it.
class ServiceLock
{
public:
    explicit ServiceLock(std::string path);
    ~ServiceLock();
    ServiceLock(const ServiceLock&) = delete;
    ServiceLock& operator=(const ServiceLock&) = delete;

    enum class Result { Acquired, HeldElsewhere, Failed };
    /// Takes the lock for the life of this object.
    Result acquire(std::string* error);
    /// Records pid in the held lock.
    bool writePid(std::int64_t pid, std::string* error);
    /// Empties the held lock's record before a clean exit.
    void clearPid();
    /// Whether the path still names the file this object locked (it is gone when the runtime
    /// folder is removed at the end of the user's last session).
    bool stillInPlace() const;

    enum class State { NotRunning, Running, Failed };
    /// Looks at the lock at path without disturbing its holder; *pid is the holder's process id
    /// when it runs and has recorded it, else 0.
    static State probe(const std::string& path, std::int64_t* pid, std::string* error);

private:
    std::string m_path;
    int m_fd = -1;
};
