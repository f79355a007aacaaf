#pragma once

#include "messaging/net/RateLimiter.h"
#include "messaging/net/ReceivedMessage.h"
#include "messaging/net/SourceFilter.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSet>
#include <QTimer>
#include <QUdpSocket>

class MessagePresenter;

// Receives messenger datagrams on the port of every IPv4 address (and IPv6 where the system has
// it) and hands the valid ones from the local network, as far as the rate limit lets them
// through, to the presenter. Datagrams from outside the local network, malformed ones and those
// whose sender name is no computer name are dropped; nothing a datagram holds can stop the service.
class MessengerService : public QObject
{
    Q_OBJECT
public:
    explicit MessengerService(MessagePresenter* presenter, RateLimits limits = {}, QObject* parent = nullptr);

    /// Binds both sockets, exclusively: another socket on the port, even one of this user, fails
    /// it, since it would receive some of what is sent here. Without IPv6 on the system (no such
    /// socket family, or no IPv6 address at all) the service runs on IPv4 alone.
    bool listen(quint16 port, QString* error);
    bool listensOnIpv6() const { return m_ipv6.state() == QAbstractSocket::BoundState; }

    /// Who counts as the local network (default: the system's interfaces, nothing beyond).
    void setSourceFilter(LocalSourceFilter filter) { m_sources = std::move(filter); }
    /// How often, at most, a line counts the datagrams dropped as from outside the local network.
    void setOutsideReportIntervalMs(int ms) { m_outsideReport.setInterval(ms); }

    /// Handles one datagram as if it had come from from: what the sockets do with each one read.
    void handleDatagram(const QByteArray& data, const QHostAddress& from);

    /// Datagrams a single wake-up reads at most, so a flood cannot starve the rest of the loop.
    static constexpr int kMaxDatagramsPerWakeUp = 64;
    static constexpr int kOutsideReportIntervalMs = 60000;

signals:
    /// Every well-formed message, before the rate limit decides whether it is shown.
    void messageReceived(const ReceivedMessage& message);
    void messageShown(const ReceivedMessage& message);
    void datagramDropped(const QString& senderAddress, const QString& reason);

private:
    void readDatagrams(QUdpSocket* socket);
    void reportOutsideDrops();

    MessagePresenter* m_presenter;
    RateLimiter m_limiter;
    LocalSourceFilter m_sources;
    QElapsedTimer m_clock;
    QUdpSocket m_ipv4;
    QUdpSocket m_ipv6;
    QSet<QString> m_limitedSenders;
    QTimer m_outsideReport;
    int m_outsideDrops = 0;
    QString m_lastOutsideSource;
};
