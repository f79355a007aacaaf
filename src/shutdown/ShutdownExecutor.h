#pragma once

#include <QString>
#include <QtGlobal>

class ShutdownApi;

// Carries out the shutdown: the platform test, the privilege, and the request itself. Every failure
// raises a RaisedError whose source is "<executable>.mShutDown"; nothing here shows a message.
class ShutdownExecutor
{
public:
    /// executableName is the program's file name (a path or an extension is dropped), e.g. "tova-shutdown".
    ShutdownExecutor(ShutdownApi& api, const QString& executableName);

    /// The system's text for code; empty when the system has none.
    QString ApiErrorText(quint32 code) const;

    /// True on a system this program can shut down. The answer is cached after the first successful
    /// query; a failed query answers false and is tried again on the next call.
    bool IsWindowsNT();

    /// Makes sure this user may carry out the action of flags; raises error 4, 5 or 6 instead of
    /// returning false (4 also for flags that name no action). Unlike the Windows privilege, the
    /// answer depends on the action, hence flags.
    bool EnableShutdownPrivilege(qint16 flags);

    /// Asks the system to log off (0), power off (1) or restart (3), forced with +4. Returns once the
    /// request was accepted; raises error 1 or 2, or lets an error of EnableShutdownPrivilege through.
    void ShutDownSystem(qint16 flags);

    const QString& errorSource() const { return m_source; }

    /// Why the last ShutDownSystem failed, as the system put it and without the names of the calls
    /// behind it: what the user is told. Empty before any failure.
    const QString& refusalReason() const { return m_refusalReason; }

    /// The last ShutDownSystem failed because programs held an unforced action back; asking again
    /// later may succeed. False after any other failure.
    bool wasHeldBack() const { return m_heldBack; }

private:
    /// reason: the system's own words, where it gave any; heldBack: see wasHeldBack().
    [[noreturn]] void raise(int number, const QString& description, const QString& reason = QString(),
                            bool heldBack = false);
    [[noreturn]] void raisePrivilegeError(int number, const QString& what);

    ShutdownApi& m_api;
    QString m_source;
    bool m_platformTested = false;
    bool m_isNT = false;
    QString m_refusalReason;
    bool m_heldBack = false;
};
