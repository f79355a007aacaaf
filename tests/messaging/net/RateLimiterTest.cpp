#include "messaging/net/RateLimiter.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

struct Step
{
    const char* sender;
    qint64 atMs;
    bool shown;
};

struct LimiterCase
{
    const char* name;
    RateLimits limits;
    std::vector<Step> steps;
};

RateLimits limits(int perSenderBurst, qint64 perSenderRefillMs, int overallBurst, qint64 overallRefillMs,
                  int maxTrackedSenders = 1024)
{
    return { perSenderBurst, perSenderRefillMs, overallBurst, overallRefillMs, maxTrackedSenders };
}

class RateLimiterSteps : public ::testing::TestWithParam<LimiterCase>
{
};

TEST_P(RateLimiterSteps, ShowsWhatTheBucketsAllow)
{
    RateLimiter limiter(GetParam().limits);
    int index = 0;
    for (const Step& step : GetParam().steps) {
        EXPECT_EQ(limiter.allow(QString::fromLatin1(step.sender), step.atMs), step.shown)
            << "step " << index << ": " << step.sender << " at " << step.atMs << " ms";
        ++index;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, RateLimiterSteps,
    ::testing::Values(
        LimiterCase { "BurstThenOnePerInterval",
                      limits(3, 1000, 100, 1),
                      { { "a", 0, true },
                        { "a", 0, true },
                        { "a", 0, true },
                        { "a", 10, false },
                        { "a", 999, false },
                        { "a", 1000, true },
                        { "a", 1001, false },
                        { "a", 2500, true },
                        // The half interval waited before the last message still counts.
                        { "a", 3000, true },
                        { "a", 3000, false } } },
        LimiterCase { "SendersAreCountedApart",
                      limits(1, 1000, 100, 1),
                      { { "127.0.0.1", 0, true },
                        { "127.0.0.1", 0, false },
                        { "127.0.0.2", 0, true },
                        { "::1", 0, true },
                        { "127.0.0.2", 0, false } } },
        LimiterCase { "ManySendersMeetTheOverallLimit",
                      limits(5, 1000, 3, 500),
                      { { "a", 0, true },
                        { "b", 0, true },
                        { "c", 0, true },
                        { "d", 0, false },
                        { "e", 499, false },
                        { "e", 500, true },
                        { "f", 500, false } } },
        LimiterCase { "RefusedMessagesDoNotUseUpTheOverallLimit",
                      limits(1, 1000, 2, 1000),
                      { { "a", 0, true }, { "a", 0, false }, { "a", 0, false }, { "b", 0, true }, { "c", 0, false } } },
        LimiterCase { "FullTableRefusesNewSendersUntilOneIsIdle",
                      limits(2, 1000, 100, 1, 2),
                      { { "a", 0, true },
                        { "b", 0, true },
                        { "c", 0, false },
                        { "c", 500, false },
                        // a and b have their tokens back: the table forgets them.
                        { "c", 1000, true },
                        { "a", 1000, true } } }),
    [](const ::testing::TestParamInfo<LimiterCase>& info) { return std::string(info.param.name); });

} // namespace
