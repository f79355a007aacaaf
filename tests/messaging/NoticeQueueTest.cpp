#include "messaging/NoticeQueue.h"

#include "platform/fake/FakeLauncher.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

TEST(NoticeQueue, StartsEveryLineInOrderAFewPerTurnOfTheEventLoop)
{
    FakeLauncher launcher;
    launcher.result = 0; // failures change nothing
    NoticeQueue queue(launcher, 8);
    for (int n = 1; n <= 20; ++n) {
        EXPECT_GT(queue.WinExec(QStringLiteral("net send 127.0.0.%1 hi").arg(n), 0), 31);
    }
    EXPECT_TRUE(launcher.commandLines.isEmpty()); // nothing starts inside the caller's tick
    QCoreApplication::processEvents();
    EXPECT_EQ(launcher.commandLines.size(), 8);
    while (queue.pending() > 0) {
        QCoreApplication::processEvents();
    }
    ASSERT_EQ(launcher.commandLines.size(), 20);
    for (int n = 1; n <= 20; ++n) {
        EXPECT_EQ(launcher.commandLines[n - 1], QStringLiteral("net send 127.0.0.%1 hi").arg(n));
    }
    queue.WinExec(QStringLiteral("net send 127.0.0.99 again"), 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(launcher.commandLines.last(), QStringLiteral("net send 127.0.0.99 again"));
}
