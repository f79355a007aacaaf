#include "core/SettingsFile.h"

#include "core/TextHelpers.h"

#include <gtest/gtest.h>

using namespace settingsfile;

namespace {
QString withWorking(const QString& items)
{
    return WorkingOpen + items + WorkingClose;
}
} // namespace

TEST(SettingsFile, SectionParseSkipsBadItemsAndKeepsOrder)
{
    const struct
    {
        QString section;
        QStringList expected;
    } cases[] = {
        { QStringLiteral(" 08:00:00 、12:00:00、、7:00:00、24:61:99"), { "08:00:00", "12:00:00", "24:61:99" } },
        { QString(), {} },
        { QStringLiteral("12:00:00、12:00:00"), { "12:00:00", "12:00:00" } },
        { QStringLiteral("12-00-00、1a:00:00、12:00:000"), {} },
        { QStringLiteral("1 2:3 0:00"), { "12:30:00" } },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseTimeSection(withWorking(c.section), WorkingOpen, WorkingClose), c.expected)
            << c.section.toStdString();
    }
    EXPECT_TRUE(parseTimeSection(WorkingOpen + QStringLiteral("08:00:00"), WorkingOpen, WorkingClose).isEmpty());
}

TEST(SettingsFile, ActionAndFlags)
{
    const struct
    {
        QString text;
        QString action;
        int flags;
        bool force;
    } cases[] = {
        { QString(), PowerOff, 1, false },
        { ActionOpen + Restart + ActionClose + u'\n' + ForceOpen + QStringLiteral("yes"), Restart, 7, true },
        { ActionOpen + LogOff + ActionClose + u'\n' + ForceOpen + QStringLiteral("YES"), LogOff, 4, true },
        { ActionOpen + PowerOff + ActionClose + u'\n' + ForceOpen + QStringLiteral("Yes \n"), PowerOff, 5, true },
        { ActionOpen + Restart + ActionClose + u'\n' + ForceOpen + QStringLiteral("Y"), Restart, 3, false },
        { ActionOpen + QStringLiteral("Shutdown") + ActionClose + u'\n' + ForceOpen + QStringLiteral("No"), PowerOff, 1,
          false },
    };
    for (const auto& c : cases) {
        SettingsModel model;
        readActionFields(c.text, model);
        EXPECT_EQ(model.ShutdownActionName, c.action) << c.text.toStdString();
        EXPECT_EQ(model.ShutdownFlags, c.flags) << c.text.toStdString();
        EXPECT_EQ(model.ForceShutdown, c.force) << c.text.toStdString();
    }
}

TEST(SettingsFile, AddressRangeReadsAndRounds)
{
    const struct
    {
        QString start;
        QString end;
        double ipStart;
        int ipEnd;
    } cases[] = {
        { "2.5", "2.5", 2.5, 2 },           { "3", "3.5", 3, 4 }, { " 7abc", "-2", 7, -2 }, { "x", "", 0, 0 },
        { "1e999999", "99999999", 2, 255 }, // out of range: the previous values stay
        { "40000", "40000", 2, 255 },
    };
    for (const auto& c : cases) {
        SettingsModel model;
        const QString text = StartOpen + c.start + StartClose + u'\n' + EndOpen + c.end + EndClose;
        readActionFields(text, model);
        EXPECT_EQ(model.IpStart, c.ipStart) << c.start.toStdString();
        EXPECT_EQ(model.IpEnd, c.ipEnd) << c.end.toStdString();
    }
}

TEST(SettingsFile, AbsentOrUnclosedFieldsKeepPreviousValues)
{
    SettingsModel model;
    model.IpPrefix = QStringLiteral("10.0.0");
    model.IpStart = 9;
    model.IpEnd = 99;
    readActionFields(PrefixOpen + QStringLiteral("1.2.3") + u'\n' + StartOpen + QStringLiteral("5"), model);
    EXPECT_EQ(model.IpPrefix, QStringLiteral("10.0.0"));
    EXPECT_EQ(model.IpStart, 9);
    EXPECT_EQ(model.IpEnd, 99);
    readActionFields(PrefixOpen + QStringLiteral(" 1.2.3 ") + PrefixClose, model);
    EXPECT_EQ(model.IpPrefix, QStringLiteral(" 1.2.3 ")); // taken unchanged
}

TEST(SettingsFile, NoticeFlagIsCaseInsensitive)
{
    for (const auto& [value, expected] :
         std::vector<std::pair<QString, bool>> { { "Yes", true },
                                                 { "yEs", true },
                                                 { "No", false },
                                                 { "", false },
                                                 { "Ye", false },
                                                 { "No\n" + NoticeOpen + "YES", true }, // any of several lines
                                                 { "No\n" + NoticeOpen + "yeah", false } }) {
        SettingsModel model;
        readActionFields(NoticeOpen + value, model);
        EXPECT_EQ(model.SendNotice, expected) << value.toStdString();
    }
}

TEST(SettingsFile, DayTypes)
{
    const struct
    {
        QDate date;
        DayType type;
    } cases[] = {
        { QDate(2027, 1, 1), DayType::Holiday },  { QDate(2027, 1, 2), DayType::Rest }, // a Saturday
        { QDate(2026, 1, 2), DayType::Working },  { QDate(2026, 5, 2), DayType::Holiday }, // a Saturday
        { QDate(2026, 5, 4), DayType::Working },  { QDate(2024, 5, 4), DayType::Rest }, // a Saturday
        { QDate(2026, 10, 2), DayType::Holiday }, { QDate(2026, 10, 4), DayType::Rest }, // a Sunday
        { QDate(2026, 10, 5), DayType::Working }, { QDate(2026, 12, 6), DayType::Rest },
        { QDate(2026, 12, 7), DayType::Working },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(dayTypeOf(c.date), c.type) << c.date.toString().toStdString();
    }
}

TEST(SettingsFile, WrittenTextMatchesTheReaders)
{
    Values values;
    values.workingDays = QStringList { "12:00:00", "17:30:00" };
    values.restDays = QStringList { "11:30:00" };
    values.holidaysSeparate = true;
    values.actionOption = 0;
    values.notice = true;
    values.prefix = QStringLiteral(" 192.168.0 ");
    values.start = QStringLiteral("2");
    values.end = QStringLiteral("255 ");
    const QString expected = QStringLiteral("[关机时间]：12:00:00、17:30:00[/关机时间]\n"
                                            "[法定休息日]：11:30:00[/法定休息日]\n"
                                            "[法定节假日]：[/法定节假日]\n"
                                            "[关机动作]：关闭电源[/关机动作]\n"
                                            "[强制关机]：No\n"
                                            "[是否发送关机信息]：Yes\n"
                                            "[IP地址前缀]：192.168.0[/IP地址前缀]\n"
                                            "[IP开始子地址]：2[/IP开始子地址]\n"
                                            "[IP结束子地址]：255[/IP结束子地址]");
    const QString text = buildText(values);
    EXPECT_EQ(text, expected);
    EXPECT_FALSE(text.contains(LanguageOpen));

    values.holidaysSeparate = false;
    values.actionOption = -1;
    const QString plain = buildText(values);
    EXPECT_FALSE(plain.contains(RestOpen));
    EXPECT_TRUE(plain.contains(ActionOpen + PowerOff + ActionClose));
}

TEST(SettingsFile, LanguageFieldGoesFirst)
{
    const struct
    {
        QString before;
        QString after;
    } cases[] = {
        { "A\nB", "[语言类别]：2[/语言类别]\nA\nB" },
        { "[语言类别]：1[/语言类别]\nA\nB", "[语言类别]：2[/语言类别]\nA\nB" },
        { "A\n[语言类别]：1[/语言类别]\nB", "[语言类别]：2[/语言类别]\nA\nB" },
        // An old field closed by CR LF is not removed: the new one goes in front of the whole text.
        { "[语言类别]：1[/语言类别]\r\nA", "[语言类别]：2[/语言类别]\n[语言类别]：1[/语言类别]\r\nA" },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(withLanguageField(c.before, 2), c.after) << c.before.toStdString();
    }
    EXPECT_EQ(languageNumber(QStringLiteral("[语言类别]：3[/语言类别]")), 3.0);
    EXPECT_FALSE(languageNumber(QStringLiteral("[语言类别]：3")).has_value());
}

TEST(TextHelpers, LeadingNumberAndNarrowing)
{
    const struct
    {
        QString text;
        double value;
    } numbers[] = { { "  12abc", 12 }, { "-3.5x", -3.5 }, { "abc", 0 }, { "", 0 },
                    { "1.2.3", 1.2 },  { "+7", 7 },       { ".5", 0.5 } };
    for (const auto& c : numbers) {
        EXPECT_EQ(text::leadingNumber(c.text), c.value) << c.text.toStdString();
    }
    EXPECT_EQ(text::narrow(QStringLiteral("１９２。１６８·０ＡＢ（ａ）")), QStringLiteral("192。168·0AB(a)"));
    EXPECT_EQ(text::CountOccurrences(QStringLiteral("aa"), QStringLiteral("aaaaa")), 2);
    EXPECT_EQ(text::CountOccurrences(QString(), QStringLiteral("a")), 0);
    EXPECT_EQ(text::roundHalfEven(2.5), 2);
    EXPECT_EQ(text::roundHalfEven(3.5), 4);
}
