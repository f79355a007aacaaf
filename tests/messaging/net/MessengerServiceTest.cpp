#include "messaging/net/MessengerService.h"

#include "messaging/net/LogCapture.h"
#include "messaging/net/MessagePresenter.h"
#include "messaging/net/MessengerConfig.h"
#include "messaging/net/NetSender.h"
#include "messaging/net/NetTestSupport.h"
#include "messaging/net/SourceFilter.h"
#include "platform/QtPrinters.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSet>
#include <gtest/gtest.h>
#include <iostream>
#include <memory>
#include <vector>

namespace {

const QString kNotice = QStringLiteral("请保存文件！服务器将在 60 秒之后关闭");

// The default bursts with no refill during a test: what is shown then does not depend on how long
// the datagrams take to arrive on a busy machine. Refill timing has its own test with explicit times.
RateLimits limitsWithoutRefill()
{
    RateLimits limits;
    limits.perSenderRefillMs = 3600 * 1000;
    limits.overallRefillMs = 3600 * 1000;
    return limits;
}

// Below the test's ctest timeout, so that a slow run fails here with a message, not by being killed.
constexpr int kBurstWaitMs = 240000;

class RecordingPresenter : public MessagePresenter
{
public:
    void present(const ReceivedMessage& message) override { shown.append(message); }
    QList<ReceivedMessage> shown;
};

// A service in this process, on a port of the test's own, fed by the real net program.
class MessengerServiceTest : public ::testing::Test
{
protected:
    void listen(RateLimits limits = {})
    {
        m_service = std::make_unique<MessengerService>(&m_presenter, limits);
        QObject::connect(m_service.get(), &MessengerService::messageReceived,
                         [this](const ReceivedMessage& message) { m_received.append(message); });
        QObject::connect(m_service.get(), &MessengerService::datagramDropped,
                         [this](const QString& address, const QString& reason) {
                             m_dropped.append(address + QStringLiteral(": ") + reason);
                         });
        m_port = freeUdpPort();
        QString error;
        ASSERT_TRUE(m_service->listen(m_port, &error)) << error.toStdString();
    }

    std::unique_ptr<QProcess> startNet(const QStringList& arguments) const
    {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TOVA_MESSENGER_PORT"), QString::number(m_port));
        process->setProcessEnvironment(environment);
        process->setStandardInputFile(QProcess::nullDevice());
        process->setStandardOutputFile(QProcess::nullDevice());
        process->start(netProgram(), arguments);
        return process;
    }

    int runNet(const QStringList& arguments, QString* standardError = nullptr) const
    {
        const std::unique_ptr<QProcess> process = startNet(arguments);
        // The service runs in this thread: keep the loop turning while net runs.
        waitUntil([&] { return process->state() == QProcess::NotRunning; }, 30000);
        if (standardError)
            *standardError = QString::fromUtf8(process->readAllStandardError());
        return process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1;
    }

    RecordingPresenter m_presenter;
    std::unique_ptr<MessengerService> m_service;
    QList<ReceivedMessage> m_received;
    QStringList m_dropped;
    quint16 m_port = 0;
};

struct TypedCase
{
    const char* name;
    QStringList words;
    QString arrives;
};

class MessengerServiceTyped : public MessengerServiceTest, public ::testing::WithParamInterface<TypedCase>
{
};

TEST_P(MessengerServiceTyped, TextArrivesAsTyped)
{
    listen();
    QString standardError;
    ASSERT_EQ(
        runNet(QStringList { QStringLiteral("send"), QStringLiteral("127.0.0.1") } + GetParam().words, &standardError),
        0)
        << standardError.toStdString();
    ASSERT_TRUE(waitUntil([this] { return !m_presenter.shown.isEmpty(); }));
    const ReceivedMessage& shown = m_presenter.shown[0];
    EXPECT_EQ(shown.message.text, GetParam().arrives);
    EXPECT_EQ(shown.message.receiver, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(shown.message.sender, QString::fromStdString(localComputerName()));
    EXPECT_EQ(shown.senderAddress, QStringLiteral("127.0.0.1"));
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, MessengerServiceTyped,
    ::testing::Values(TypedCase { "ChineseNotice", { kNotice }, kNotice },
                      TypedCase { "ChineseNoticeAsWords", kNotice.split(u' '), kNotice },
                      TypedCase { "BlanksInsideOneArgument", { "  two  blanks   kept  " }, "  two  blanks   kept  " },
                      TypedCase {
                          "ShellCharacters",
                          { "a;b", "|", "&", "$(touch", "/tmp/x)", "`id`", ">", "out", "\"quoted\"", "'single'", "*" },
                          "a;b | & $(touch /tmp/x) `id` > out \"quoted\" 'single' *" },
                      TypedCase { "LineBreaks", { "line one\nline two" }, "line one\nline two" },
                      // A control character cannot travel; the message still does, with a visible mark.
                      TypedCase { "ControlCharactersMarked",
                                  { "bell\x07!", QStringLiteral("next\u0085line"), "del\x7f" },
                                  QStringLiteral("bell\uFFFD! next\uFFFDline del\uFFFD") }),
    [](const ::testing::TestParamInfo<TypedCase>& info) { return std::string(info.param.name); });

TEST_F(MessengerServiceTest, ArrivesOverIpv6Loopback)
{
    listen();
    if (!m_service->listensOnIpv6())
        GTEST_SKIP() << "no IPv6 on this system";
    ASSERT_EQ(runNet({ QStringLiteral("send"), QStringLiteral("::1"), kNotice }), 0);
    ASSERT_TRUE(waitUntil([this] { return !m_presenter.shown.isEmpty(); }));
    EXPECT_EQ(m_presenter.shown[0].message.text, kNotice);
    EXPECT_EQ(m_presenter.shown[0].senderAddress, QStringLiteral("::1"));
}

TEST_F(MessengerServiceTest, FloodFromOneSenderIsLimitedButOthersGetThrough)
{
    const RateLimits limits = limitsWithoutRefill();
    listen(limits);
    const QByteArray message = buildDatagram({ QStringLiteral("pc1"), QStringLiteral("pc2"), QStringLiteral("flood") });
    constexpr int kFlood = 40;
    for (int i = 0; i < kFlood; ++i)
        ASSERT_TRUE(sendRawDatagram(message, m_port));
    ASSERT_TRUE(waitUntil([this] { return m_received.size() == kFlood; }));
    EXPECT_EQ(m_presenter.shown.size(), limits.perSenderBurst);

    ASSERT_TRUE(sendRawDatagram(message, m_port, QHostAddress::LocalHost, QHostAddress(QStringLiteral("127.0.0.2"))));
    ASSERT_TRUE(waitUntil([&] { return m_presenter.shown.size() == limits.perSenderBurst + 1; }));
    EXPECT_EQ(m_presenter.shown.last().senderAddress, QStringLiteral("127.0.0.2"));
}

// What the shutdown notice does with the default range: 254 net processes at once.
TEST_F(MessengerServiceTest, BurstOf254SendsAllArrive)
{
    const RateLimits limits = limitsWithoutRefill();
    listen(limits);
    std::vector<std::unique_ptr<QProcess>> processes;
    QElapsedTimer elapsed;
    elapsed.start();
    for (int n = 2; n <= 255; ++n) {
        processes.push_back(
            startNet({ QStringLiteral("send"), QStringLiteral("127.0.0.%1").arg(n), QStringLiteral("msg") }));
        QCoreApplication::processEvents();
    }
    const bool allEnded = waitUntil(
        [&] {
            for (const auto& process : processes) {
                if (process->state() != QProcess::NotRunning)
                    return false;
            }
            return true;
        },
        kBurstWaitMs);
    ASSERT_TRUE(allEnded);
    ASSERT_TRUE(waitUntil([this] { return m_received.size() >= 254; }, kBurstWaitMs));
    std::cout << "254 net send processes: " << elapsed.elapsed() << " ms from the first start to the last arrival\n";

    for (const auto& process : processes) {
        EXPECT_EQ(process->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process->exitCode(), 0) << process->readAllStandardError().toStdString();
    }
    QSet<QString> receivers;
    for (const ReceivedMessage& message : m_received)
        receivers.insert(message.message.receiver);
    EXPECT_EQ(m_received.size(), 254);
    EXPECT_EQ(receivers.size(), 254) << "every address from 127.0.0.2 to 127.0.0.255 once";
    // All came from one sender address, so the screen shows only the first few.
    EXPECT_EQ(m_presenter.shown.size(), limits.perSenderBurst);
    processes.clear();
    EXPECT_EQ(zombieChildren(), 0);
}

QNetworkAddressEntry addressEntry(const QString& ip, int prefixLength = -1)
{
    QNetworkAddressEntry entry;
    entry.setIp(QHostAddress(ip));
    if (prefixLength >= 0)
        entry.setPrefixLength(prefixLength);
    return entry;
}

enum class Networks { None, Home, UnknownPrefix };

QList<QNetworkAddressEntry> interfaces(Networks networks)
{
    switch (networks) {
    case Networks::None:
        return {};
    case Networks::Home:
        // Loopback, an IPv4 and an IPv6 subnet and the link-local address, as a laptop at home has.
        return { addressEntry("127.0.0.1", 8), addressEntry("::1", 128), addressEntry("192.168.0.7", 24),
                 addressEntry("fd00:1::7", 64), addressEntry("fe80::7%eth0", 64) };
    case Networks::UnknownPrefix:
        return { addressEntry("192.168.5.7") };
    }
    return {};
}

struct SourceCase
{
    const char* name;
    const char* source;
    Networks networks;
    const char* config; ///< messenger.conf
    bool local;
};

class LocalSource : public ::testing::TestWithParam<SourceCase>
{
};

TEST_P(LocalSource, OnlyTheLocalNetworkAndWhatTheUserAllowsMaySpeak)
{
    QStringList problems;
    const QList<Subnet> allowed = parseMessengerConfig(QString::fromUtf8(GetParam().config), &problems);
    ASSERT_TRUE(problems.isEmpty()) << problems.join(u'\n').toStdString();
    const QHostAddress source(QString::fromLatin1(GetParam().source));
    ASSERT_FALSE(source.isNull());
    EXPECT_EQ(isLocalSource(source, interfaces(GetParam().networks), allowed), GetParam().local);
}

INSTANTIATE_TEST_SUITE_P(
    Sources, LocalSource,
    ::testing::Values(SourceCase { "Loopback", "127.0.0.1", Networks::None, "", true },
                      SourceCase { "AnyLoopback", "127.200.3.4", Networks::None, "", true },
                      SourceCase { "Ipv6Loopback", "::1", Networks::None, "", true },
                      SourceCase { "Ipv4LinkLocal", "169.254.7.7", Networks::None, "", true },
                      SourceCase { "Ipv6LinkLocal", "fe80::1234%eth0", Networks::None, "", true },
                      SourceCase { "Ipv6LinkLocalUpperEnd", "febf::1", Networks::None, "", true },
                      SourceCase { "Ipv6SiteLocalIsNotLinkLocal", "fec0::1", Networks::Home, "", false },
                      SourceCase { "OnIpv4Subnet", "192.168.0.200", Networks::Home, "", true },
                      SourceCase { "Ipv4SubnetNoInterfaceIsOn", "192.168.0.200", Networks::None, "", false },
                      SourceCase { "OffIpv4Subnet", "192.168.1.200", Networks::Home, "", false },
                      SourceCase { "OnIpv6Subnet", "fd00:1::abcd", Networks::Home, "", true },
                      SourceCase { "OffIpv6Subnet", "fd00:2::abcd", Networks::Home, "", false },
                      SourceCase { "Ipv4MappedOnSubnet", "::ffff:192.168.0.9", Networks::Home, "", true },
                      SourceCase { "Ipv4MappedOffSubnet", "::ffff:203.0.113.9", Networks::Home, "", false },
                      SourceCase { "Ipv4MappedLoopback", "::ffff:127.0.0.1", Networks::None, "", true },
                      SourceCase { "Unspecified", "::", Networks::Home, "", false },
                      SourceCase { "UnknownPrefixIsTheAddressAlone", "192.168.5.7", Networks::UnknownPrefix, "", true },
                      SourceCase { "UnknownPrefixNeighbour", "192.168.5.8", Networks::UnknownPrefix, "", false },
                      SourceCase { "Public", "203.0.113.9", Networks::Home, "", false },
                      SourceCase { "AllowedSubnet", "10.20.33.4", Networks::Home, "allow 10.20.0.0/16", true },
                      SourceCase { "BesideAllowedSubnet", "10.21.0.1", Networks::Home, "allow 10.20.0.0/16", false },
                      SourceCase { "AllowedSubnetMappedSource", "::ffff:10.20.0.5", Networks::None,
                                   "allow 10.20.0.0/16", true },
                      SourceCase { "AllowedIpv6Subnet", "2001:db8:5::1", Networks::None, "allow 2001:db8::/32", true },
                      SourceCase { "AllowAnyIpv4", "203.0.113.9", Networks::None, "# the campus\nallow any", true },
                      SourceCase { "AllowAnyIpv6", "2001:db8::1", Networks::None, "allow any", true }),
    [](const ::testing::TestParamInfo<SourceCase>& info) { return std::string(info.param.name); });

struct ConfigCase
{
    const char* name;
    const char* text;
    QStringList allowed;
    QStringList problemLines;
};

class MessengerConfigText : public ::testing::TestWithParam<ConfigCase>
{
};

TEST_P(MessengerConfigText, AllowLinesAddNetworksAndOthersAreReportedAndIgnored)
{
    QStringList problems;
    QStringList allowed;
    for (const Subnet& subnet : parseMessengerConfig(QString::fromUtf8(GetParam().text), &problems))
        allowed.append(QStringLiteral("%1/%2").arg(subnet.first.toString()).arg(subnet.second));
    EXPECT_EQ(allowed, GetParam().allowed);
    QStringList problemLines;
    for (const QString& problem : problems)
        problemLines.append(problem.section(u':', 0, 0));
    EXPECT_EQ(problemLines, GetParam().problemLines) << problems.join(u'\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Files, MessengerConfigText,
    ::testing::Values(ConfigCase { "Empty", "", {}, {} },
                      ConfigCase { "CommentsAndBlankLines", "# nothing yet\n\n   \t\n", {}, {} },
                      ConfigCase { "Subnet", "allow 10.20.0.0/16   # the campus", { "10.20.0.0/16" }, {} },
                      ConfigCase { "HostBitsAreCleared", "allow 10.20.5.7/16", { "10.20.0.0/16" }, {} },
                      ConfigCase { "OneComputer", "allow 192.168.9.9", { "192.168.9.9/32" }, {} },
                      ConfigCase { "Ipv6Subnet", "\tallow  fd12:3456::/48\r\n", { "fd12:3456::/48" }, {} },
                      ConfigCase { "Ipv4MappedSubnet", "allow ::ffff:10.0.0.0/104", { "10.0.0.0/8" }, {} },
                      ConfigCase { "Any", "allow any", { "0.0.0.0/0", "::/0" }, {} },
                      ConfigCase {
                          "UnreadableLinesIgnored",
                          "allow 10.0.0.0/33\nallow 10.1.0.0/16\ndeny 10.2.0.0/16\nallow\nallow 10.3.0.0/16 now\n"
                          "allow 10.20/16\nallow fe80::%eth0/64\nallow 10.4.0.0/-1",
                          { "10.1.0.0/16" },
                          { "line 1", "line 3", "line 4", "line 5", "line 6", "line 7", "line 8" } }),
    [](const ::testing::TestParamInfo<ConfigCase>& info) { return std::string(info.param.name); });

TEST(MessengerConfig, TheFileUnderXdgConfigHomeIsReadAndItsUnreadableLinesLogged)
{
    QTemporaryDir home;
    ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("tova")));
    const QByteArray previous = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
    const QString path = messengerConfigPath();
    if (previous.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", previous);
    ASSERT_EQ(path, home.path() + QStringLiteral("/tova/messenger.conf"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("allow 10.20.0.0/16\nallow the neighbours\n");
    file.close();

    LogCapture log;
    const QList<Subnet> allowed = loadMessengerConfig(path);
    ASSERT_EQ(allowed.size(), 1);
    EXPECT_EQ(allowed[0], Subnet(QHostAddress(QStringLiteral("10.20.0.0")), 16));
    EXPECT_TRUE(log.contents().contains("line 2: not understood, ignored: \"allow the neighbours\""))
        << log.contents().toStdString();
    EXPECT_TRUE(loadMessengerConfig(home.path() + QStringLiteral("/none.conf")).isEmpty());
}

// Interfaces are read once and kept; a refused source reads them again, but not more than once a
// second however many strangers send, and a list grown old is read again before it accepts anyone.
TEST(LocalSourceFilter, FollowsTheNetworksWithoutReadingThemForEveryDatagram)
{
    QList<QNetworkAddressEntry> current;
    LocalSourceFilter filter({}, [&current] { return current; });
    const QHostAddress neighbour(QStringLiteral("192.168.0.9"));
    const QHostAddress stranger(QStringLiteral("203.0.113.9"));

    EXPECT_TRUE(filter.accepts(QHostAddress::LocalHost, 0));
    EXPECT_EQ(filter.interfaceReads(), 0) << "loopback needs no interface list";
    EXPECT_FALSE(filter.accepts(neighbour, 0));
    EXPECT_EQ(filter.interfaceReads(), 1);

    current = { addressEntry("192.168.0.7", 24) }; // the laptop joins the network
    for (int i = 0; i < 100; ++i)
        EXPECT_FALSE(filter.accepts(stranger, 500));
    EXPECT_FALSE(filter.accepts(neighbour, 999));
    EXPECT_EQ(filter.interfaceReads(), 1);
    EXPECT_TRUE(filter.accepts(neighbour, LocalSourceFilter::kRereadIntervalMs));
    EXPECT_EQ(filter.interfaceReads(), 2);
    EXPECT_FALSE(filter.accepts(stranger, LocalSourceFilter::kRereadIntervalMs + 1));
    EXPECT_EQ(filter.interfaceReads(), 2);

    current.clear(); // and leaves it
    const qint64 readAt = LocalSourceFilter::kRereadIntervalMs;
    EXPECT_TRUE(filter.accepts(neighbour, readAt + LocalSourceFilter::kMaxAgeMs - 1));
    EXPECT_FALSE(filter.accepts(neighbour, readAt + LocalSourceFilter::kMaxAgeMs));
    EXPECT_EQ(filter.interfaceReads(), 3);
}

TEST_F(MessengerServiceTest, StrangersAndMadeUpNamesAreDroppedAndStrangersCountedInOneLogLine)
{
    LogCapture log;
    listen();
    m_service->setSourceFilter(LocalSourceFilter({}, [] { return interfaces(Networks::Home); }));
    m_service->setOutsideReportIntervalMs(10);
    const QByteArray datagram = buildDatagram({ QStringLiteral("pc1"), QStringLiteral("pc2"), QStringLiteral("hi") });
    const QByteArray spoofed
        = buildDatagram({ QStringLiteral("pc1 (192.168.0.1)"), QStringLiteral("pc2"), QStringLiteral("hi") });
    ASSERT_FALSE(spoofed.isEmpty());
    m_service->handleDatagram(datagram, QHostAddress(QStringLiteral("203.0.113.9")));
    m_service->handleDatagram(datagram, QHostAddress(QStringLiteral("::ffff:203.0.113.7")));
    m_service->handleDatagram(datagram, QHostAddress(QStringLiteral("2001:db8::9")));
    m_service->handleDatagram(spoofed, QHostAddress(QStringLiteral("192.168.0.21")));
    m_service->handleDatagram(datagram, QHostAddress(QStringLiteral("::ffff:192.168.0.20")));

    EXPECT_EQ(m_dropped,
              QStringList({ "203.0.113.9: outside the local network", "203.0.113.7: outside the local network",
                            "2001:db8::9: outside the local network",
                            "192.168.0.21: the sender name is not a computer name" }));
    ASSERT_EQ(m_presenter.shown.size(), 1);
    EXPECT_TRUE(m_presenter.shown[0].heading().startsWith(
        QLatin1String("Message from 192.168.0.20 (calls itself pc1) to pc2 on ")))
        << m_presenter.shown[0].heading().toStdString();

    ASSERT_TRUE(waitUntil([&] {
        return log.contents().contains(
            "dropped 3 datagrams from outside the local network in the last minute, the last from 2001:db8::9");
    })) << log.contents().toStdString();
    m_service->handleDatagram(datagram, QHostAddress(QStringLiteral("198.51.100.1")));
    ASSERT_TRUE(waitUntil([&] {
        return log.contents().contains(
            "dropped 1 datagram from outside the local network in the last minute, the last from 198.51.100.1");
    })) << log.contents().toStdString();
    EXPECT_EQ(log.contents().count("dropped "), 2);
}

struct HolderCase
{
    const char* name;
    const char* address;
    QAbstractSocket::BindMode mode;
    const char* reason;
};

class MessengerServiceHeldPort : public ::testing::TestWithParam<HolderCase>
{
};

// Whoever held the port would receive some of what is sent to this user's messenger.
TEST_P(MessengerServiceHeldPort, ListenFailsWithTheReasonAndLeavesThePortFree)
{
    const quint16 port = freeUdpPort();
    ASSERT_NE(port, 0);
    const QHostAddress address(QString::fromLatin1(GetParam().address));
    QUdpSocket holder;
    if (!holder.bind(address, port, GetParam().mode)) {
        if (address.protocol() == QAbstractSocket::IPv6Protocol)
            GTEST_SKIP() << "no IPv6 on this system";
        FAIL() << holder.errorString().toStdString();
    }
    RecordingPresenter presenter;
    QString error;
    {
        MessengerService service(&presenter);
        EXPECT_FALSE(service.listen(port, &error));
        EXPECT_TRUE(error.contains(QStringLiteral("UDP port %1").arg(port))) << error.toStdString();
        EXPECT_TRUE(error.contains(QLatin1String(GetParam().reason))) << error.toStdString();
    }
    holder.close();
    MessengerService service(&presenter);
    EXPECT_TRUE(service.listen(port, &error)) << error.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Holders, MessengerServiceHeldPort,
    ::testing::Values(HolderCase { "Ipv6Loopback", "::1", QAbstractSocket::DefaultForPlatform, "for IPv6: " },
                      HolderCase { "Ipv6AnySharingTheAddress", "::", QAbstractSocket::ShareAddress, "for IPv6: " },
                      HolderCase { "Ipv4Loopback", "127.0.0.1", QAbstractSocket::DefaultForPlatform,
                                   "already in use" }),
    [](const ::testing::TestParamInfo<HolderCase>& info) { return std::string(info.param.name); });

} // namespace
