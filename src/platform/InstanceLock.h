#pragma once

// One running instance per user.
class InstanceLock
{
public:
    virtual ~InstanceLock() = default;
    /// Takes the per-user lock for the life of this object; false when another instance holds it.
    /// A lock left by a crashed instance does not count.
    virtual bool tryLock() = 0;
};
