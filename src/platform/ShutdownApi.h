#pragma once

#include <QString>
#include <QtGlobal>

// The system services behind the shutdown executor, one method per Windows call it stood on
// (GetVersionExA, the token calls, ExitWindowsEx, GetLastError, FormatMessageA). On Linux the
// login manager (systemd-logind) does the work; see LogindShutdownApi.
//
// Every method that can fail returns false and leaves a code that lastError() reports until the
// next failure, as GetLastError does; errorText() turns a code into the system's text.
class ShutdownApi
{
public:
    /// Bits of the flags word, with the values of the Windows EWX_* flags the settings file stores.
    enum Flag : quint32 {
        LogOffFlag = 0,
        PowerOffFlag = 1,
        RebootFlag = 2,
        ForceFlag = 4,
    };
    /// The largest flags word that means anything: reboot (with or without the power-off bit), forced.
    static constexpr quint32 MaxFlags = 7;

    enum class Action { LogOff, PowerOff, Reboot };

    /// The platform identifier of systems that shut down through a privileged system service
    /// (VER_PLATFORM_WIN32_NT); the only kind this program can act on.
    static constexpr int PlatformNT = 2;

    /// Codes from this bit up stand for failures the system reported as text (a D-Bus error), not for
    /// errno values; the same bit marks application-defined codes on Windows.
    static constexpr quint32 TextErrorBase = 0x20000000;

    /// The action a flags word asks for; false for words outside 0..MaxFlags, which ask for nothing.
    /// As with ExitWindowsEx, the reboot bit wins over the power-off bit.
    static bool actionOf(quint32 flags, Action* action)
    {
        if (flags > MaxFlags) {
            return false;
        }
        if (flags & RebootFlag) {
            *action = Action::Reboot;
        } else if (flags & PowerOffFlag) {
            *action = Action::PowerOff;
        } else {
            *action = Action::LogOff;
        }
        return true;
    }

    static bool isForced(quint32 flags) { return (flags & ForceFlag) != 0; }

    virtual ~ShutdownApi() = default;

    /// The version query: sets *platformId to the kind of system this is (PlatformNT where the login
    /// manager can be asked). False when the system cannot tell; *platformId is then unchanged.
    virtual bool queryVersion(int* platformId) = 0;

    /// The privilege lookup: reaches the service that powers off, restarts and ends sessions.
    /// False when there is no bus or no login manager on it.
    virtual bool connectToLoginManager() = 0;

    /// The own-process step: finds the login session this process belongs to, which a log off ends.
    /// False when the process belongs to no session the login manager knows.
    virtual bool findOwnSession() = 0;

    /// The may-I-act question: whether this user may carry out action now. False when the login
    /// manager says no or that the action is not available here, or gives no usable answer.
    virtual bool mayAct(Action action) = 0;

    /// The action request with the flags word (ExitWindowsEx). Without the force bit, programs may hold
    /// the action back and the request then fails, saying who held it back and why; with it, nothing is
    /// asked and the login manager decides. True when the request was accepted: the system then acts on
    /// its own. False for words outside 0..MaxFlags.
    virtual bool exitSession(quint32 flags) = 0;

    /// The code of the last failure (GetLastError); 0 before any failure.
    virtual quint32 lastError() const = 0;

    /// True when the last failure was an exitSession without the force bit that programs held back
    /// (a block inhibitor): they may let go later, so asking again can succeed. False for every other
    /// failure, and before any.
    virtual bool lastFailureHeldBack() const = 0;

    /// The system's text for code (FormatMessageA): the errno text, or for a code from TextErrorBase up
    /// the error message kept with its name. Empty when the system has no text for the code.
    virtual QString errorText(quint32 code) const = 0;
};
