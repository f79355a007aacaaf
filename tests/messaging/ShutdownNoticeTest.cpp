#include "messaging/ShutdownNotice.h"

#include "platform/fake/FakeLauncher.h"

#include <gtest/gtest.h>

TEST(ShutdownNotice, OneCommandPerAddressInOrder)
{
    const QString message = QStringLiteral("请保存文件！服务器将在 60 秒之后关闭");
    const struct
    {
        QString prefix;
        qint16 first;
        qint16 last;
        QString firstAddress; // empty: nothing started
        int count;
        QString normalisedPrefix;
    } cases[] = {
        { "192.168.0", 2, 4, "192.168.0.2", 3, "192.168.0." },
        { "192.168.0.", 2, 4, "192.168.0.2", 3, "192.168.0." },
        { "192.168.0..", 2, 2, "192.168.0..2", 1, "192.168.0.." },
        { "   ", 2, 2, "192.168.0.2", 1, "192.168.0." },
        { " 10.0.0", 7, 7, " 10.0.0.7", 1, " 10.0.0." },
        { "127.0.0", 0, 0, "127.0.0.1", 255, "127.0.0." },
        { "127.0.0", 10, 5, "", 0, "127.0.0." },
        { "127.0.0", 250, 300, "127.0.0.250", 51, "127.0.0." },
    };
    for (const auto& c : cases) {
        FakeLauncher launcher;
        QString prefix = c.prefix;
        qint16 first = c.first;
        qint16 last = c.last;
        SendShutdownNotice(launcher, message, prefix, first, last);
        ASSERT_EQ(launcher.commandLines.size(), c.count) << c.prefix.toStdString();
        EXPECT_EQ(prefix, c.normalisedPrefix);
        if (c.count > 0) {
            EXPECT_EQ(launcher.commandLines.first(), QStringLiteral("net send ") + c.firstAddress + u' ' + message);
            EXPECT_TRUE(launcher.commandLines.last().startsWith(QStringLiteral("net send ") + prefix
                                                                + QString::number(last) + u' '));
        }
        for (int mode : launcher.showModes) {
            EXPECT_EQ(mode, 0);
        }
    }
}

TEST(ShutdownNotice, ExactLinesAndFailuresIgnored)
{
    FakeLauncher launcher;
    launcher.result = 0; // every launch fails: the loop goes on regardless
    QString prefix = QStringLiteral("192.168.0");
    qint16 first = 2;
    qint16 last = 4;
    const QString message = QStringLiteral("a b; rm -rf / | $(x) `y` > z \"q\"");
    SendShutdownNotice(launcher, message, prefix, first, last);
    EXPECT_EQ(launcher.commandLines,
              QStringList({ "net send 192.168.0.2 " + message, "net send 192.168.0.3 " + message,
                            "net send 192.168.0.4 " + message }));
}
