#pragma once

#include "messaging/net/RateLimiter.h"
#include "messaging/net/ReceivedMessage.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSet>
#include <QUdpSocket>

class MessagePresenter;

// Receives messenger datagrams on the port of every IPv4 address (and IPv6 where the system has
// it) and hands the valid ones, as far as the rate limit lets them through, to the presenter.
// Malformed and oversized datagrams are dropped; nothing a datagram holds can stop the service.
class MessengerService : public QObject
{
    Q_OBJECT
public:
    explicit MessengerService(MessagePresenter* presenter, RateLimits limits = {}, QObject* parent = nullptr);

    /// Binds both sockets. IPv4 is required; without IPv6 the service runs on IPv4 alone.
    bool listen(quint16 port, QString* error);
    bool listensOnIpv6() const { return m_ipv6.state() == QAbstractSocket::BoundState; }

    /// Datagrams a single wake-up reads at most, so a flood cannot starve the rest of the loop.
    static constexpr int kMaxDatagramsPerWakeUp = 64;

signals:
    /// Every well-formed message, before the rate limit decides whether it is shown.
    void messageReceived(const ReceivedMessage& message);
    void messageShown(const ReceivedMessage& message);
    void datagramDropped(const QString& senderAddress, const QString& reason);

private:
    void readDatagrams(QUdpSocket* socket);
    void handleDatagram(const QByteArray& data, const QHostAddress& from);

    MessagePresenter* m_presenter;
    RateLimiter m_limiter;
    QElapsedTimer m_clock;
    QUdpSocket m_ipv4;
    QUdpSocket m_ipv6;
    QSet<QString> m_limitedSenders;
};
