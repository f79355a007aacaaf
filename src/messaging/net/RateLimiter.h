#pragma once

#include <QHash>
#include <QString>

// Token buckets that keep one sender, and all senders together, from flooding the screen.
// Time is passed in (milliseconds of a monotonic clock) so the rules can be tested without waiting.
struct RateLimits
{
    int perSenderBurst = 5; ///< messages a quiet sender may send at once
    qint64 perSenderRefillMs = 10000; ///< then one more per this interval
    int overallBurst = 20; ///< the same over all senders, against spoofed addresses
    qint64 overallRefillMs = 2000;
    int maxTrackedSenders = 1024; ///< bounds memory under a flood of made-up addresses
};

class RateLimiter
{
public:
    explicit RateLimiter(RateLimits limits = {});

    /// Whether a message from sender may be shown at nowMs; counts it when it may.
    bool allow(const QString& sender, qint64 nowMs);

private:
    struct Bucket
    {
        int tokens = 0;
        qint64 refilledAtMs = 0;
    };
    static void refill(Bucket* bucket, int burst, qint64 refillMs, qint64 nowMs);
    void forgetIdleSenders(qint64 nowMs);

    RateLimits m_limits;
    Bucket m_overall;
    QHash<QString, Bucket> m_senders;
};
