#pragma once

#include "RaisedError.h"

#include <QString>
#include <functional>

class Dialogs;

// Every event handler runs through run(): an error that reaches it is shown in an error box and the
// program ends with a non-zero status. No exception ever crosses Qt's event loop.
class ErrorGuard
{
public:
    using Exit = std::function<void(int status)>;

    /// exit defaults to QCoreApplication::exit; tests hand in their own.
    explicit ErrorGuard(Dialogs& dialogs, QString title = QString(), Exit exit = Exit());

    /// Called before the error box shows, so that no timer fires behind it.
    void setStopTimers(std::function<void()> stopTimers) { m_stopTimers = std::move(stopTimers); }
    void setTitle(const QString& title) { m_title = title; }

    /// True once an error has been reported; later handlers then do nothing.
    bool hasFailed() const { return m_failed; }

    template<typename Handler> void run(Handler&& handler) noexcept
    {
        if (m_failed) {
            return;
        }
        try {
            handler();
        } catch (const RaisedError& error) {
            fail(error.description());
        } catch (const std::exception& error) {
            fail(QString::fromUtf8(error.what()));
        } catch (...) {
            fail(QStringLiteral("Unexpected internal error"));
        }
    }

    /// Wraps a handler for connect(): the returned callable runs it through the guard.
    template<typename Handler> auto wrap(Handler handler)
    {
        return [this, handler](auto&&... args) { run([&] { handler(args...); }); };
    }

private:
    void fail(const QString& description) noexcept;

    Dialogs& m_dialogs;
    QString m_title;
    Exit m_exit;
    std::function<void()> m_stopTimers;
    bool m_failed = false;
};
