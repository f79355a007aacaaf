#include "messaging/net/NetSender.h"
#include "messaging/net/NetTestSupport.h"
#include "support/PrivateBus.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

struct ServerCase
{
    const char* name;
    const char* parameters;
    const char* body;
};

class NetNotification : public ::testing::TestWithParam<ServerCase>
{
};

// The service as "net start messenger" starts it, on a session bus of the test's own with a mock
// notification server: what the user sees.
TEST_P(NetNotification, UserSeesHeadingAsSummaryAndTheTextAsBody)
{
    PrivateBus bus(PrivateBus::Type::Session);
    QString error;
    ASSERT_TRUE(bus.start(&error)) << error.toStdString();
    PrivateBus::Mock* server = bus.startTemplate(
        QStringLiteral("notification_daemon"), QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"), QString::fromLatin1(GetParam().parameters), &error);
    ASSERT_NE(server, nullptr) << error.toStdString();

    NetSandbox sandbox;
    sandbox.setEnvironmentValue(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());
    ASSERT_EQ(sandbox.run({ "start", "messenger" }).exitCode, 0);
    const NetRun send
        = sandbox.run({ "send", "127.0.0.1", "<b>请保存文件！</b>", "&", "<a href='http://127.0.0.1/'>x</a>" });
    ASSERT_EQ(send.exitCode, 0) << send.standardError.toStdString();

    QList<QVariantList> calls;
    ASSERT_TRUE(waitUntil([&] { return !(calls = server->methodCalls(QStringLiteral("Notify"))).isEmpty(); }))
        << sandbox.log().toStdString();
    ASSERT_EQ(calls.size(), 1);
    ASSERT_EQ(calls[0].size(), 8);
    const QRegularExpression summary(
        QStringLiteral("^Message from 127\\.0\\.0\\.1 \\(calls itself %1\\) to 127\\.0\\.0\\.1 on "
                       "\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$")
            .arg(QRegularExpression::escape(QString::fromStdString(localComputerName()))));
    EXPECT_TRUE(summary.match(calls[0][3].toString()).hasMatch()) << calls[0][3].toString().toStdString();
    EXPECT_EQ(calls[0][4].toString(), QString::fromUtf8(GetParam().body));
    EXPECT_TRUE(calls[0][5].toStringList().isEmpty()) << "no actions: nothing to click into running something";
    // The service took the server's answer as shown, and showed nothing elsewhere.
    EXPECT_TRUE(waitUntil([&] { return sandbox.log().contains(QStringLiteral("shown as notification")); }));
    EXPECT_FALSE(sandbox.log().contains(QStringLiteral("no desktop notification")));
}

INSTANTIATE_TEST_SUITE_P(
    Capabilities, NetNotification,
    ::testing::Values(
        ServerCase { "ReadsMarkup", "",
                     "&lt;b&gt;请保存文件！&lt;/b&gt; &amp; &lt;a href='http://127.0.0.1/'&gt;x&lt;/a&gt;" },
        // Such a server shows entities as they are: the text goes unescaped.
        ServerCase { "PlainTextOnly", R"({"capabilities": "body"})",
                     "<b>请保存文件！</b> & <a href='http://127.0.0.1/'>x</a>" }),
    [](const ::testing::TestParamInfo<ServerCase>& info) { return std::string(info.param.name); });

} // namespace
