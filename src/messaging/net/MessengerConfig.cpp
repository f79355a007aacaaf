#include "messaging/net/MessengerConfig.h"

#include "messaging/net/MessengerLog.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace {

// What a line may hold: a file edited by hand, not a place for a megabyte of text in the log.
constexpr int kMaxQuotedChars = 80;

QString quoted(const QString& line)
{
    return u'"' + (line.size() > kMaxQuotedChars ? line.left(kMaxQuotedChars) + QStringLiteral("...") : line) + u'"';
}

// "ADDRESS" or "ADDRESS/PREFIX" with a complete address, so that a typing error such as
// "10.20/16" is reported rather than read as some other network.
bool parseNetwork(const QString& text, Subnet* subnet)
{
    const qsizetype slash = text.indexOf(u'/');
    const QString addressText = slash < 0 ? text : text.left(slash);
    // QHostAddress would read "10.20" as 10.0.0.20, as inet_aton does.
    static const QRegularExpression dottedQuad(QStringLiteral("^[0-9]{1,3}(\\.[0-9]{1,3}){3}$"));
    if (!addressText.contains(u':') && !dottedQuad.match(addressText).hasMatch())
        return false;
    const QHostAddress address(addressText);
    if (address.isNull() || !address.scopeId().isEmpty())
        return false;
    const bool ipv4 = address.protocol() == QAbstractSocket::IPv4Protocol;
    const int hostBits = ipv4 ? 32 : 128;
    int prefix = hostBits;
    if (slash >= 0) {
        static const QRegularExpression digits(QStringLiteral("^[0-9]{1,3}$"));
        const QString prefixText = text.mid(slash + 1);
        if (!digits.match(prefixText).hasMatch())
            return false;
        prefix = prefixText.toInt();
        if (prefix > hostBits)
            return false;
    }
    // The filter compares IPv4-mapped sources as IPv4, so an IPv4-mapped network is one too.
    const QHostAddress comparable = comparableSourceAddress(address);
    if (comparable.protocol() != address.protocol()) {
        if (prefix < 96)
            return false;
        prefix -= 96;
    }
    *subnet = QHostAddress::parseSubnet(QStringLiteral("%1/%2").arg(comparable.toString()).arg(prefix));
    return subnet->second >= 0;
}

} // namespace

QString messengerConfigPath()
{
    QString folder = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!QDir::isAbsolutePath(folder))
        folder = QDir::homePath() + QStringLiteral("/.config");
    return QDir::cleanPath(folder + QStringLiteral("/tova/messenger.conf"));
}

QList<Subnet> parseMessengerConfig(const QString& text, QStringList* problems)
{
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    QList<Subnet> allowed;
    const QStringList lines = text.split(QRegularExpression(QStringLiteral("\\r\\n|\\n|\\r")));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString setting = lines[i].section(u'#', 0, 0).trimmed();
        if (setting.isEmpty())
            continue;
        const QStringList words = setting.split(blanks);
        Subnet subnet;
        if (words.size() == 2 && words[0] == QLatin1String("allow") && words[1] == QLatin1String("any")) {
            allowed.append({ QHostAddress(QHostAddress::AnyIPv4), 0 });
            allowed.append({ QHostAddress(QHostAddress::AnyIPv6), 0 });
        } else if (words.size() == 2 && words[0] == QLatin1String("allow") && parseNetwork(words[1], &subnet)) {
            allowed.append(subnet);
        } else if (problems) {
            problems->append(QStringLiteral("line %1: not understood, ignored: %2").arg(i + 1).arg(quoted(setting)));
        }
    }
    return allowed;
}

QList<Subnet> loadMessengerConfig(const QString& path)
{
    QFile file(path);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly)) {
        messengerLog(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
        return {};
    }
    // A settings file is small; more than this is not one.
    QStringList problems;
    const QList<Subnet> allowed = parseMessengerConfig(QString::fromUtf8(file.read(64 * 1024)), &problems);
    for (const QString& problem : problems)
        messengerLog(QStringLiteral("%1 %2").arg(path, problem));
    QStringList networks;
    for (const Subnet& subnet : allowed)
        networks.append(QStringLiteral("%1/%2").arg(subnet.first.toString()).arg(subnet.second));
    if (!networks.isEmpty())
        messengerLog(
            QStringLiteral("%1: also accepting messages from %2").arg(path, networks.join(QStringLiteral(", "))));
    return allowed;
}
