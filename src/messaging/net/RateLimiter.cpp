#include "messaging/net/RateLimiter.h"

RateLimiter::RateLimiter(RateLimits limits) : m_limits(limits), m_overall { limits.overallBurst, 0 } { }

void RateLimiter::refill(Bucket* bucket, int burst, qint64 refillMs, qint64 nowMs)
{
    if (nowMs <= bucket->refilledAtMs || refillMs <= 0)
        return;
    const qint64 earned = (nowMs - bucket->refilledAtMs) / refillMs;
    if (bucket->tokens + earned >= burst) {
        bucket->tokens = burst;
        bucket->refilledAtMs = nowMs;
    } else {
        bucket->tokens += int(earned);
        // Keep the part of an interval already waited for.
        bucket->refilledAtMs += earned * refillMs;
    }
}

void RateLimiter::forgetIdleSenders(qint64 nowMs)
{
    // A sender whose bucket has filled up again is no different from one never seen.
    for (auto it = m_senders.begin(); it != m_senders.end();) {
        refill(&it.value(), m_limits.perSenderBurst, m_limits.perSenderRefillMs, nowMs);
        if (it.value().tokens >= m_limits.perSenderBurst)
            it = m_senders.erase(it);
        else
            ++it;
    }
}

bool RateLimiter::allow(const QString& sender, qint64 nowMs)
{
    refill(&m_overall, m_limits.overallBurst, m_limits.overallRefillMs, nowMs);
    auto it = m_senders.find(sender);
    if (it == m_senders.end()) {
        if (m_senders.size() >= m_limits.maxTrackedSenders) {
            forgetIdleSenders(nowMs);
            if (m_senders.size() >= m_limits.maxTrackedSenders)
                return false;
        }
        it = m_senders.insert(sender, Bucket { m_limits.perSenderBurst, nowMs });
    } else {
        refill(&it.value(), m_limits.perSenderBurst, m_limits.perSenderRefillMs, nowMs);
    }
    if (it.value().tokens <= 0 || m_overall.tokens <= 0)
        return false;
    --it.value().tokens;
    --m_overall.tokens;
    return true;
}
