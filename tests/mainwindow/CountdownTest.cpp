#include "schedule/Countdown.h"

#include "mainwindow/StatusLayout.h"

#include <gtest/gtest.h>

using namespace countdown;

namespace {
QTime at(const char* text)
{
    return QTime::fromString(QLatin1String(text), QStringLiteral("HH:mm:ss"));
}
} // namespace

TEST(Countdown, NextTimeAndRemaining)
{
    const QStringList day { "08:00:00", "17:30:00" };
    const struct
    {
        QStringList list;
        const char* now;
        QString next;
        QString left; // empty: no countdown
        QString afterLast = QString(); // tomorrow's first where today's list was changed for today only
    } cases[] = {
        { {}, "12:00:00", "", "" },
        { day, "12:00:00", "17:30:00", "5:30:00" },
        { day, "17:30:00", "08:00:00", "14:30:00" }, // at the last entry: tomorrow's first
        { day, "08:00:00", "08:00:00", "0:00:00" },
        { day, "07:59:59", "08:00:00", "0:00:01" },
        { { "00:00:10" }, "23:59:30", "00:00:10", "0:00:40" },
        { { "7:00:00" }, "06:00:00", "7:00:00", "" }, // not eight characters: shown, never counted down
        { { "99:99:99" }, "06:00:00", "99:99:99", "" },
        { { "17:40:00" }, "17:35:00", "17:40:00", "0:05:00", "17:30:00" }, // postponed
        { { "17:40:00" }, "18:00:00", "17:30:00", "23:30:00", "17:30:00" },
        { {}, "17:25:00", "", "", "17:30:00" }, // skipped: tomorrow's is more than a day away
        { {}, "17:31:00", "17:30:00", "23:59:00", "17:30:00" },
    };
    for (const auto& c : cases) {
        const QString next = nextShutdownTime(c.list, at(c.now), c.afterLast);
        EXPECT_EQ(next, c.next) << c.now;
        const std::optional<int> left = secondsRemaining(next, at(c.now));
        EXPECT_EQ(left ? remainingText(*left) : QString(), c.left) << c.now;
    }
}

TEST(Countdown, ClockTextIsTwoDigitsEach)
{
    for (const char* text : { "00:00:00", "07:05:09", "23:59:59", "12:30:00" }) {
        EXPECT_EQ(clockText(at(text)), QLatin1String(text));
    }
}

TEST(Countdown, EventsFallDueOnTheirSecond)
{
    const QStringList list { "17:30:00" };
    const struct
    {
        const char* now;
        std::optional<Event> event;
    } cases[] = {
        { "17:28:59", std::nullopt },
        { "17:29:00", Event::OneMinuteWarning },
        { "17:29:45", Event::FifteenSecondWarning },
        { "17:29:59", Event::ShutDown },
        { "17:30:00", std::nullopt },
        { "23:59:59", std::nullopt },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(eventAt(list, at(c.now)), c.event) << c.now;
    }
    // Only the next time counts: a later entry's warning is not given while an earlier one is due.
    EXPECT_EQ(eventAt({ "17:29:30", "17:30:00" }, at("17:29:00")), std::nullopt);
}

TEST(Countdown, SkippedSecondsAreCaughtUpOnlyOverShortGaps)
{
    const QStringList list { "17:30:00" };
    const struct
    {
        std::optional<QTime> previous;
        const char* now;
        std::vector<Event> events;
    } cases[] = {
        { at("17:29:58"), "17:29:59", { Event::ShutDown } },
        { at("17:29:57"), "17:30:00", { Event::ShutDown } }, // a busy machine skipped 17:29:59
        { at("17:28:58"), "17:29:00", { Event::OneMinuteWarning } }, // skipped nothing due
        { at("17:28:59"), "17:29:03", { Event::OneMinuteWarning } }, // skipped the warning second
        { at("16:29:58"), "17:30:00", {} }, // an hour's jump fires nothing missed
        { at("16:29:58"), "17:29:59", { Event::ShutDown } }, // ...but the second it lands on counts
        { at("17:29:59"), "17:29:59", {} }, // the same second twice: once only
        { at("17:30:05"), "17:29:59", { Event::ShutDown } }, // the clock went back: only now counts
        { std::nullopt, "17:29:59", { Event::ShutDown } },
        { at("23:59:58"), "00:00:01", {} },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(eventsSince(list, c.previous, at(c.now)), c.events) << c.now;
    }
    EXPECT_EQ(eventsSince({ "00:00:10" }, at("00:00:07"), at("00:00:10")), std::vector<Event>({ Event::ShutDown }));
    EXPECT_EQ(eventsSince({ "00:00:15" }, at("23:59:58"), at("00:00:01")),
              std::vector<Event>({ Event::FifteenSecondWarning }));
}

TEST(StatusLayout, PanelsShareTheBarBetweenTwoSpacers)
{
    const std::array<int, 6> expected { 1, 1249, 1249, 1249, 1249, 1 };
    EXPECT_EQ(statusPanelWidths(5000), expected);
    EXPECT_EQ(statusPanelWidths(2)[1], 0);
}

TEST(Countdown, EntriesReadAsQtReadsHHmmss)
{
    // The countdown parses entries itself for speed; it must agree with QTime's "HH:mm:ss" on every
    // eight-character entry a hand-edited file can hold.
    const char16_t* entries[] = {
        u"00:00:00", u"23:59:59", u"07:30:05", u"24:00:00", u"07:60:00", u"07:30:60",
        u" 7:30:00", u"7:30:00 ", u"+7:30:00", u"-7:30:00", u"07:3:000", u"07:30: 0",
        u"7:030:00", u"07.30.00", u"0x:30:00", u"٠٧:٣٠:٠٠", u"07：30:0", u"99:99:99",
    };
    const QTime midnight(0, 0);
    for (const char16_t* entry : entries) {
        const QString text = QString::fromUtf16(entry);
        const QTime qt = QTime::fromString(text, QStringLiteral("HH:mm:ss"));
        const std::optional<int> expected
            = text.size() == 8 && qt.isValid() ? std::optional<int>(qt.msecsSinceStartOfDay() / 1000) : std::nullopt;
        EXPECT_EQ(secondsRemaining(text, midnight), expected) << text.toStdString();
    }
    // And the clock side: the time of day compares with entries as the text Qt would write for it.
    for (const char* now : { "00:00:00", "09:05:07", "23:59:59" }) {
        EXPECT_EQ(nextShutdownTime({ QString::fromLatin1(now) }, at(now)), QString::fromLatin1(now)) << now;
    }
}
