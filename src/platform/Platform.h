#pragma once

class Clock;
class Dialogs;
class InstanceLock;
class Launcher;
class NotificationIcon;
class ScheduledShutdown;
class SystemInfo;

// The operating-system services the windows use, built in main.cpp (real) or by a test (fakes).
struct Platform
{
    Clock& clock;
    SystemInfo& system;
    InstanceLock& instanceLock;
    Launcher& launcher;
    Dialogs& dialogs;
    NotificationIcon& icon;
    /// What the system has pending for the whole machine (an administrator's shutdown).
    ScheduledShutdown& scheduledShutdown;
};
