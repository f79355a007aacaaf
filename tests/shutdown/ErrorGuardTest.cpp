#include "shutdown/ErrorGuard.h"

#include "platform/fake/FakeDialogs.h"

#include <gtest/gtest.h>

TEST(ErrorGuardTest, RaisedErrorStopsTimersShowsItsDescriptionAndEndsTheProgram)
{
    FakeDialogs dialogs;
    QStringList events;
    std::vector<int> statuses;
    ErrorGuard guard(dialogs, QStringLiteral("Tova"), [&](int status) {
        events << QStringLiteral("exit after %1 box(es)").arg(dialogs.shown.size());
        statuses.push_back(status);
    });
    guard.setStopTimers([&] { events << QStringLiteral("stop timers after %1 box(es)").arg(dialogs.shown.size()); });

    bool ran = false;
    guard.run([&] {
        ran = true;
        throw RaisedError(6, QStringLiteral("tova-shutdown.mShutDown"), QStringLiteral("不能shutdown：[reason]"));
    });

    EXPECT_TRUE(ran);
    EXPECT_TRUE(guard.hasFailed());
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown.at(0).kind, FakeDialogs::Kind::Error);
    EXPECT_EQ(dialogs.shown.at(0).title, QStringLiteral("Tova"));
    EXPECT_EQ(dialogs.shown.at(0).text, QStringLiteral("不能shutdown：[reason]"));
    EXPECT_EQ(events, (QStringList { "stop timers after 0 box(es)", "exit after 1 box(es)" }));
    ASSERT_EQ(statuses.size(), 1u);
    EXPECT_NE(statuses.at(0), 0);

    // The program is on its way out: later handlers must neither run nor report again.
    bool ranLater = false;
    guard.run([&] { ranLater = true; });
    guard.wrap([&](int) { ranLater = true; })(1);
    EXPECT_FALSE(ranLater);
    EXPECT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(statuses.size(), 1u);
}

TEST(ErrorGuardTest, HandlersRunUntilSomethingFails)
{
    FakeDialogs dialogs;
    int exits = 0;
    ErrorGuard guard(dialogs, QString(), [&](int) { ++exits; });
    int runs = 0;
    guard.run([&] { ++runs; });
    guard.wrap([&](int step) { runs += step; })(2);
    EXPECT_EQ(runs, 3);
    EXPECT_FALSE(guard.hasFailed());
    EXPECT_TRUE(dialogs.shown.isEmpty());
    EXPECT_EQ(exits, 0);

    // Any other exception is reported the same way rather than crossing the event loop.
    guard.run([] { throw std::runtime_error("broken"); });
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown.at(0).text, QStringLiteral("broken"));
    EXPECT_EQ(exits, 1);
}
