#include "messaging/net/NetSender.h"

#include "messaging/net/NetDatagram.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QSysInfo>
#include <QUdpSocket>
#include <QUrl>

QString localComputerName()
{
    const QString name = truncateUtf8(QSysInfo::machineHostName(), NetDatagram::kMaxSenderBytes);
    return name.isEmpty() ? QStringLiteral("unknown") : name;
}

bool isValidComputerName(const QString& name)
{
    if (!QHostAddress(name).isNull())
        return true;
    QString ascii = QString::fromLatin1(QUrl::toAce(name));
    if (ascii.endsWith(u'.'))
        ascii.chop(1); // a fully qualified name may end in the root's dot
    if (ascii.isEmpty() || ascii.size() > 253)
        return false;
    for (const QString& label : ascii.split(u'.')) {
        if (label.isEmpty() || label.size() > 63)
            return false;
        for (const QChar c : label) {
            if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != u'-' && c != u'_')
                return false;
        }
    }
    return true;
}

bool sendNetMessage(const QString& name, const QString& text, quint16 port, QString* error)
{
    if (!isValidComputerName(name)) {
        *error = QStringLiteral("%1 is not a computer name or address").arg(name);
        return false;
    }

    QString reason;
    const QByteArray datagram = buildDatagram(NetMessage { localComputerName(), name, text }, &reason);
    if (datagram.isEmpty()) {
        *error = reason;
        return false;
    }

    QList<QHostAddress> addresses;
    const QHostAddress literal(name);
    if (!literal.isNull()) {
        addresses.append(literal);
    } else {
        const QHostInfo info = QHostInfo::fromName(name);
        if (info.error() != QHostInfo::NoError || info.addresses().isEmpty()) {
            *error = QStringLiteral("cannot find the computer %1: %2").arg(name, info.errorString());
            return false;
        }
        addresses = info.addresses();
    }

    for (const QHostAddress& address : addresses) {
        QUdpSocket socket;
        if (socket.writeDatagram(datagram, address, port) == datagram.size())
            return true;
        reason = socket.errorString();
    }
    *error = QStringLiteral("cannot send to %1: %2").arg(name, reason);
    return false;
}
