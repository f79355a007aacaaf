#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM, SIGINT and SIGHUP (a logout, a `kill`, Ctrl+C in a terminal) brought into the event loop, so
// that the program closes the way its Exit command does. The signal handler only writes one byte to a
// socket pair; everything else happens on the window thread.
class TerminationSignals : public QObject
{
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

Q_SIGNALS:
    void terminationRequested(int signal);

private:
    void readSignal();

    QSocketNotifier* m_notifier = nullptr;
};
