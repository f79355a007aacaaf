#include "messaging/net/MessengerService.h"

#include "messaging/net/MessagePresenter.h"
#include "messaging/net/MessengerLog.h"
#include "messaging/net/NetDatagram.h"

#include <QNetworkDatagram>
#include <algorithm>

namespace {
// Room for a burst of datagrams that arrive while the event loop is busy showing a message.
constexpr int kReceiveBufferBytes = 1 << 20;
constexpr int kMaxLoggedSenders = 1024;

QString addressText(const QHostAddress& address)
{
    return comparableSourceAddress(address).toString();
}

bool systemHasIpv6Address(const QList<QNetworkAddressEntry>& entries)
{
    return std::any_of(entries.begin(), entries.end(), [](const QNetworkAddressEntry& entry) {
        return entry.ip().protocol() == QAbstractSocket::IPv6Protocol;
    });
}
} // namespace

MessengerService::MessengerService(MessagePresenter* presenter, RateLimits limits, QObject* parent)
    : QObject(parent), m_presenter(presenter), m_limiter(limits)
{
    m_clock.start();
    connect(&m_ipv4, &QUdpSocket::readyRead, this, [this] { readDatagrams(&m_ipv4); });
    connect(&m_ipv6, &QUdpSocket::readyRead, this, [this] { readDatagrams(&m_ipv6); });
    m_outsideReport.setSingleShot(true);
    m_outsideReport.setInterval(kOutsideReportIntervalMs);
    connect(&m_outsideReport, &QTimer::timeout, this, &MessengerService::reportOutsideDrops);
}

bool MessengerService::listen(quint16 port, QString* error)
{
    // Never SO_REUSEADDR (Qt's ShareAddress and ReuseAddressHint): set on both sockets, it lets
    // Linux give another UDP socket the same port, and datagrams meant for this one with it.
    if (!m_ipv4.bind(QHostAddress::AnyIPv4, port, QAbstractSocket::DontShareAddress)) {
        if (error)
            *error = QStringLiteral("cannot listen on UDP port %1: %2").arg(port).arg(m_ipv4.errorString());
        return false;
    }
    m_ipv4.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, kReceiveBufferBytes);
    // Qt binds AnyIPv6 as IPv6-only, so this socket does not compete with the IPv4 one.
    if (m_ipv6.bind(QHostAddress::AnyIPv6, port, QAbstractSocket::DontShareAddress)) {
        m_ipv6.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, kReceiveBufferBytes);
        return true;
    }
    // Whoever holds the IPv6 port would receive what is sent to ::1 or this computer's IPv6
    // addresses: only a system without IPv6 may do without it.
    const bool noIpv6 = m_ipv6.error() == QAbstractSocket::UnsupportedSocketOperationError
        || !systemHasIpv6Address(systemInterfaceEntries());
    if (noIpv6) {
        messengerLog(QStringLiteral("no IPv6: %1").arg(m_ipv6.errorString()));
        return true;
    }
    if (error)
        *error = QStringLiteral("cannot listen on UDP port %1 for IPv6: %2").arg(port).arg(m_ipv6.errorString());
    m_ipv4.close();
    return false;
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
    // Before anything is done with the content: a stranger's datagram costs no more than this.
    if (!m_sources.accepts(from, m_clock.elapsed())) {
        ++m_outsideDrops;
        m_lastOutsideSource = address;
        if (!m_outsideReport.isActive())
            m_outsideReport.start();
        emit datagramDropped(address, QStringLiteral("outside the local network"));
        return;
    }
    QString reason;
    const std::optional<NetMessage> message = parseDatagram(data, &reason);
    if (!message) {
        emit datagramDropped(address, reason);
        return;
    }
    if (!isValidSenderName(message->sender)) {
        emit datagramDropped(address, QStringLiteral("the sender name is not a computer name"));
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

void MessengerService::reportOutsideDrops()
{
    // The timer starts with the first drop after a report, so lines are at least an interval apart.
    if (m_outsideDrops == 0)
        return;
    messengerLog(QStringLiteral("dropped %1 %2 from outside the local network in the last minute, the last from %3")
                     .arg(QString::number(m_outsideDrops),
                          m_outsideDrops == 1 ? QStringLiteral("datagram") : QStringLiteral("datagrams"),
                          m_lastOutsideSource));
    m_outsideDrops = 0;
}
