#include "messaging/net/MessengerService.h"

#include "messaging/net/MessagePresenter.h"
#include "messaging/net/MessengerLog.h"
#include "messaging/net/NetDatagram.h"

#include <QNetworkDatagram>

namespace {
// Room for a burst of datagrams that arrive while the event loop is busy showing a message.
constexpr int kReceiveBufferBytes = 1 << 20;
constexpr int kMaxLoggedSenders = 1024;

QString addressText(const QHostAddress& address)
{
    bool isIpv4 = false;
    const quint32 ipv4 = address.toIPv4Address(&isIpv4);
    return isIpv4 ? QHostAddress(ipv4).toString() : address.toString();
}
} // namespace

MessengerService::MessengerService(MessagePresenter* presenter, RateLimits limits, QObject* parent)
    : QObject(parent), m_presenter(presenter), m_limiter(limits)
{
    m_clock.start();
    connect(&m_ipv4, &QUdpSocket::readyRead, this, [this] { readDatagrams(&m_ipv4); });
    connect(&m_ipv6, &QUdpSocket::readyRead, this, [this] { readDatagrams(&m_ipv6); });
}

bool MessengerService::listen(quint16 port, QString* error)
{
    if (!m_ipv4.bind(QHostAddress::AnyIPv4, port)) {
        if (error)
            *error = QStringLiteral("cannot listen on UDP port %1: %2").arg(port).arg(m_ipv4.errorString());
        return false;
    }
    m_ipv4.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, kReceiveBufferBytes);
    // Qt binds AnyIPv6 as IPv6-only, so this socket does not compete with the IPv4 one.
    if (m_ipv6.bind(QHostAddress::AnyIPv6, port))
        m_ipv6.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, kReceiveBufferBytes);
    else
        messengerLog(QStringLiteral("no IPv6: %1").arg(m_ipv6.errorString()));
    return true;
}

void MessengerService::readDatagrams(QUdpSocket* socket)
{
    for (int i = 0; i < kMaxDatagramsPerWakeUp && socket->hasPendingDatagrams(); ++i) {
        // One byte more than the largest datagram tells an oversized one from a full one; the
        // rest of an oversized datagram is discarded by the system.
        const QNetworkDatagram datagram = socket->receiveDatagram(NetDatagram::kMaxDatagramBytes + 1);
        if (datagram.senderAddress().isNull())
            continue; // a read error, not a datagram
        handleDatagram(datagram.data(), datagram.senderAddress());
    }
}

void MessengerService::handleDatagram(const QByteArray& data, const QHostAddress& from)
{
    const QString address = addressText(from);
    QString reason;
    const std::optional<NetMessage> message = parseDatagram(data, &reason);
    if (!message) {
        emit datagramDropped(address, reason);
        return;
    }
    const ReceivedMessage received { *message, address, QDateTime::currentDateTime() };
    emit messageReceived(received);
    if (!m_limiter.allow(address, m_clock.elapsed())) {
        // One log line when a sender starts being held back, not one per datagram; the set is
        // bounded because a flood can make up any number of addresses.
        if (!m_limitedSenders.contains(address) && m_limitedSenders.size() < kMaxLoggedSenders) {
            m_limitedSenders.insert(address);
            messengerLog(QStringLiteral("too many messages from %1: not showing them for now").arg(address));
        }
        emit datagramDropped(address, QStringLiteral("rate limit"));
        return;
    }
    m_limitedSenders.remove(address);
    m_presenter->present(received);
    emit messageShown(received);
}
