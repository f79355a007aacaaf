#pragma once

#include <QHostAddress>
#include <QList>
#include <QNetworkAddressEntry>
#include <QPair>
#include <functional>

// Who may put a message on this desktop: the local network only, unless the user widens it.

/// A network as QHostAddress::parseSubnet gives it: its address and prefix length.
using Subnet = QPair<QHostAddress, int>;

/// The address a datagram came from as the rules see it: an IPv4-mapped IPv6 address
/// (::ffff:a.b.c.d, what a dual-stack socket reports) is its IPv4 address.
QHostAddress comparableSourceAddress(const QHostAddress& source);

/// Whether a datagram from source counts as coming from the local network: loopback
/// (127.0.0.0/8, ::1), link-local (169.254.0.0/16, fe80::/10), the subnet of any address of
/// interfaces (address and prefix length; an entry without a known prefix is only its own
/// address), or one of extraAllowed. Pure, for any input.
bool isLocalSource(const QHostAddress& source, const QList<QNetworkAddressEntry>& interfaces,
                   const QList<Subnet>& extraAllowed);

/// The addresses of every interface of this computer, as QNetworkInterface reports them now.
QList<QNetworkAddressEntry> systemInterfaceEntries();

// isLocalSource with the interfaces read from the system and kept, so that a datagram costs no
// system call. Networks come and go (a laptop moves): a source the kept list refuses makes it
// read them again, at most once per kRereadIntervalMs so a flood from outside cannot keep it
// busy, and a list older than kMaxAgeMs is read again before it accepts anyone, so that a
// network left behind stops counting as local. Time is passed in (milliseconds of a monotonic
// clock) so that the rules can be tested without waiting.
class LocalSourceFilter
{
public:
    using InterfaceReader = std::function<QList<QNetworkAddressEntry>()>;

    explicit LocalSourceFilter(QList<Subnet> extraAllowed = {}, InterfaceReader reader = systemInterfaceEntries);

    bool accepts(const QHostAddress& source, qint64 nowMs);

    const QList<Subnet>& extraAllowed() const { return m_extraAllowed; }
    /// How often the interfaces have been read so far.
    int interfaceReads() const { return m_reads; }

    static constexpr qint64 kRereadIntervalMs = 1000;
    static constexpr qint64 kMaxAgeMs = 60000;

private:
    void readInterfaces(qint64 nowMs);

    QList<Subnet> m_extraAllowed;
    InterfaceReader m_reader;
    QList<QNetworkAddressEntry> m_interfaces;
    qint64 m_readAtMs = 0;
    int m_reads = 0;
};
