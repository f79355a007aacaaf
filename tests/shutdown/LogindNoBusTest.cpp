// LogindShutdownApi on a machine without any system bus. A process of its own: Qt keeps its system bus
// connection, failed or not, for the life of the process.

#include "platform/linux/LogindShutdownApi.h"
#include "shutdown/RaisedError.h"
#include "shutdown/ShutdownExecutor.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <iostream>

namespace {
QString missingSocket;
}

TEST(LogindNoBusTest, EveryActionFailsAtThePrivilegeLookupWithTheSystemsReason)
{
    const QString expected
        = QStringLiteral("不能shutdown：找不到SE_SHUTDOWN_NAME特权值。[Failed to connect to socket %1: "
                         "No such file or directory (org.freedesktop.DBus.Error.FileNotFound)]")
              .arg(missingSocket);
    for (qint16 flags = 0; flags <= 7; ++flags) {
        LogindShutdownApi api;
        ShutdownExecutor executor(api, QStringLiteral("tova-shutdown"));
        try {
            executor.ShutDownSystem(flags);
            ADD_FAILURE() << "flags " << flags << " reported success without a bus";
        } catch (const RaisedError& error) {
            EXPECT_EQ(error.number(), 4) << flags;
            EXPECT_EQ(error.source(), QStringLiteral("tova-shutdown.mShutDown"));
            EXPECT_EQ(error.description(), expected) << error.description().toStdString();
            if (flags == 1) {
                std::cout << "error box: " << error.description().toStdString() << '\n';
            }
        }
    }
}

TEST(LogindNoBusTest, EveryServiceCallFailsWithATextWhenAskedDirectly)
{
    LogindShutdownApi api;
    for (const quint32 flags : { 0u, 1u, 3u, 4u, 5u, 7u }) {
        EXPECT_FALSE(api.exitSession(flags)) << flags;
        EXPECT_TRUE(api.errorText(api.lastError()).contains(QStringLiteral("org.freedesktop.DBus.Error.FileNotFound")))
            << flags;
    }
    EXPECT_FALSE(api.findOwnSession());
    EXPECT_FALSE(api.mayAct(ShutdownApi::Action::PowerOff));
    EXPECT_FALSE(api.exitSession(8));
    EXPECT_EQ(api.errorText(api.lastError()), QStringLiteral("Invalid argument"));
}

int main(int argc, char** argv)
{
    // Set here rather than trusting the caller's environment: run by hand, this must not find the real bus.
    QTemporaryDir dir;
    missingSocket = dir.filePath(QStringLiteral("no-bus"));
    const QByteArray address = "unix:path=" + missingSocket.toUtf8();
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", address);
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
