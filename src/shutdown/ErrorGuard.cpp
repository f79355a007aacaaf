#include "ErrorGuard.h"

#include "platform/Dialogs.h"

#include <QCoreApplication>

ErrorGuard::ErrorGuard(Dialogs& dialogs, QString title, Exit exit)
    : m_dialogs(dialogs), m_title(std::move(title)), m_exit(std::move(exit))
{
    if (!m_exit) {
        m_exit = [](int status) { QCoreApplication::exit(status); };
    }
}

void ErrorGuard::fail(const QString& description) noexcept
{
    m_failed = true;
    try {
        if (m_stopTimers) {
            m_stopTimers();
        }
        m_dialogs.showError(nullptr, m_title, description);
    } catch (...) {
        // Reporting must not throw past the event loop either; the exit below still happens.
    }
    m_exit(1);
}
