#pragma once

#include <QObject>

class QSocketNotifier;

// Brings SIGTERM, SIGINT and SIGHUP into the event loop: the handler only writes the signal's
// number to a socket pair, and the loop reads it and emits signalReceived.
class UnixSignalWatcher : public QObject
{
    Q_OBJECT
public:
    explicit UnixSignalWatcher(QObject* parent = nullptr);
    ~UnixSignalWatcher() override;

signals:
    void signalReceived(int signalNumber);

private:
    static void handle(int signalNumber);
    void readSignal();

    QSocketNotifier* m_notifier = nullptr;
};
