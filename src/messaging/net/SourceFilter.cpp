#include "messaging/net/SourceFilter.h"

#include <QNetworkInterface>

namespace {

const Subnet kAlwaysLocal[] = {
    { QHostAddress(QStringLiteral("127.0.0.0")), 8 },
    { QHostAddress(QStringLiteral("::1")), 128 },
    { QHostAddress(QStringLiteral("169.254.0.0")), 16 },
    { QHostAddress(QStringLiteral("fe80::")), 10 },
};

const Subnet kIpv4Mapped { QHostAddress(QStringLiteral("::ffff:0.0.0.0")), 96 };

bool inSubnet(const QHostAddress& address, const Subnet& subnet)
{
    // Different families never match; isInSubnet also ignores the scope of a link-local address.
    return address.protocol() == subnet.first.protocol() && subnet.second >= 0
        && address.isInSubnet(subnet.first, subnet.second);
}

} // namespace

QHostAddress comparableSourceAddress(const QHostAddress& source)
{
    // toIPv4Address() alone would also turn "::" into 0.0.0.0.
    if (source.protocol() == QAbstractSocket::IPv6Protocol && inSubnet(source, kIpv4Mapped)) {
        bool ok = false;
        const quint32 ipv4 = source.toIPv4Address(&ok);
        if (ok)
            return QHostAddress(ipv4);
    }
    return source;
}

bool isLocalSource(const QHostAddress& source, const QList<QNetworkAddressEntry>& interfaces,
                   const QList<Subnet>& extraAllowed)
{
    const QHostAddress address = comparableSourceAddress(source);
    if (address.isNull())
        return false;
    for (const Subnet& subnet : kAlwaysLocal) {
        if (inSubnet(address, subnet))
            return true;
    }
    for (const QNetworkAddressEntry& entry : interfaces) {
        const QHostAddress ip = comparableSourceAddress(entry.ip());
        if (ip.isNull())
            continue;
        const int hostBits = ip.protocol() == QAbstractSocket::IPv4Protocol ? 32 : 128;
        // An entry whose prefix has been mapped along with its address keeps the same network.
        int prefix = entry.prefixLength();
        if (ip.protocol() != entry.ip().protocol() && prefix >= 96)
            prefix -= 96;
        if (prefix < 0 || prefix > hostBits)
            prefix = hostBits;
        if (inSubnet(address, { ip, prefix }))
            return true;
    }
    for (const Subnet& subnet : extraAllowed) {
        if (inSubnet(address, subnet))
            return true;
    }
    return false;
}

QList<QNetworkAddressEntry> systemInterfaceEntries()
{
    QList<QNetworkAddressEntry> entries;
    for (const QNetworkInterface& interface : QNetworkInterface::allInterfaces())
        entries += interface.addressEntries();
    return entries;
}

LocalSourceFilter::LocalSourceFilter(QList<Subnet> extraAllowed, InterfaceReader reader)
    : m_extraAllowed(std::move(extraAllowed)), m_reader(std::move(reader))
{ }

bool LocalSourceFilter::accepts(const QHostAddress& source, qint64 nowMs)
{
    // Loopback, link-local and the user's own subnets need no interface list.
    if (isLocalSource(source, {}, m_extraAllowed))
        return true;
    if (m_reads == 0 || nowMs - m_readAtMs >= kMaxAgeMs)
        readInterfaces(nowMs);
    if (isLocalSource(source, m_interfaces, {}))
        return true;
    if (nowMs - m_readAtMs < kRereadIntervalMs)
        return false;
    readInterfaces(nowMs);
    return isLocalSource(source, m_interfaces, {});
}

void LocalSourceFilter::readInterfaces(qint64 nowMs)
{
    m_interfaces = m_reader ? m_reader() : QList<QNetworkAddressEntry>();
    m_readAtMs = nowMs;
    ++m_reads;
}
