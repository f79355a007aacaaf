#include "SettingsFile.h"

#include "TextHelpers.h"

#include <cmath>
#include <limits>

namespace settingsfile {

namespace {
const QString ListSeparator = QStringLiteral("、");

bool containsBoth(const QString& text, const QString& open, const QString& close)
{
    return text.contains(open) && text.contains(close);
}

// The number between an opening and closing tag. A missing closing tag (or one before the opening
// tag) counts as an absent field, as for the time sections.
std::optional<double> taggedNumber(const QString& text, const QString& open, const QString& close)
{
    const std::optional<QString> value = text::between(text, open, close);
    if (!value) {
        return std::nullopt;
    }
    const double number = text::leadingNumber(*value);
    if (!std::isfinite(number)) {
        return std::nullopt;
    }
    return number;
}
} // namespace

std::optional<double> languageNumber(const QString& text)
{
    if (!containsBoth(text, LanguageOpen, LanguageClose)) {
        return std::nullopt;
    }
    const std::optional<QString> value = text::between(text, LanguageOpen, LanguageClose);
    const double number = value ? text::leadingNumber(*value) : 0;
    return std::isfinite(number) ? number : 0;
}

void readActionFields(const QString& text, SettingsModel& model)
{
    int action = 1;
    model.ShutdownActionName = PowerOff;
    if (text.contains(ActionOpen + PowerOff + ActionClose)) {
        action = 1;
    } else if (text.contains(ActionOpen + LogOff + ActionClose)) {
        action = 0;
        model.ShutdownActionName = LogOff;
    } else if (text.contains(ActionOpen + Restart + ActionClose)) {
        action = 3;
        model.ShutdownActionName = Restart;
    }

    const QString lower = text.toLower();
    model.ForceShutdown = lower.contains(ForceOpen + QStringLiteral("yes"));
    model.ShutdownFlags = qint16(action | (model.ForceShutdown ? 4 : 0));
    model.SendNotice = lower.contains(NoticeOpen + QStringLiteral("yes"));

    if (const std::optional<QString> prefix = text::between(text, PrefixOpen, PrefixClose)) {
        model.IpPrefix = *prefix;
    }
    if (const std::optional<double> start = taggedNumber(text, StartOpen, StartClose)) {
        // Kept unrounded, but it is handed on as a 16-bit number: one that cannot be is ignored.
        const double rounded = text::roundHalfEven(*start);
        if (rounded >= std::numeric_limits<qint16>::min() && rounded <= std::numeric_limits<qint16>::max()) {
            model.IpStart = *start;
        }
    }
    if (const std::optional<double> end = taggedNumber(text, EndOpen, EndClose)) {
        const double rounded = text::roundHalfEven(*end);
        if (rounded >= std::numeric_limits<qint16>::min() && rounded <= std::numeric_limits<qint16>::max()) {
            model.IpEnd = qint16(rounded);
        }
    }
}

bool isTimeItem(const QString& item)
{
    if (item.size() != 8) {
        return false;
    }
    for (int i : { 0, 1, 3, 4, 6, 7 }) {
        if (item[i] < u'0' || item[i] > u'9') {
            return false;
        }
    }
    return item[2] == u':' && item[5] == u':';
}

QStringList parseTimeSection(const QString& text, const QString& open, const QString& close)
{
    QStringList items;
    if (!containsBoth(text, open, close)) {
        return items;
    }
    const std::optional<QString> section = text::between(text, open, close);
    if (!section) {
        return items;
    }
    QString rest = *section;
    rest.remove(u' ');
    for (const QString& part : rest.split(ListSeparator)) {
        const QString item = text::trimBlanks(part);
        if (isTimeItem(item)) {
            items << item;
        }
    }
    return items;
}

DayType dayTypeOf(const QDate& date)
{
    const int month = date.month();
    const int day = date.day();
    if ((month == 1 && day == 1) || ((month == 5 || month == 10) && day >= 1 && day <= 3)) {
        return DayType::Holiday;
    }
    const int weekday = date.dayOfWeek(); // Monday 1 .. Sunday 7
    return weekday >= 6 ? DayType::Rest : DayType::Working;
}

QString buildText(const Values& values)
{
    static const QString actions[] = { PowerOff, LogOff, Restart };
    const QString action
        = values.actionOption >= 0 && values.actionOption <= 2 ? actions[values.actionOption] : PowerOff;
    const QString yes = QStringLiteral("Yes");
    const QString no = QStringLiteral("No");

    QString text = WorkingOpen + values.workingDays.join(ListSeparator) + WorkingClose + u'\n';
    if (values.holidaysSeparate) {
        text += RestOpen + values.restDays.join(ListSeparator) + RestClose + u'\n';
        text += HolidayOpen + values.holidays.join(ListSeparator) + HolidayClose + u'\n';
    }
    text += ActionOpen + action + ActionClose + u'\n';
    text += ForceOpen + (values.force ? yes : no) + u'\n';
    text += NoticeOpen + (values.notice ? yes : no) + u'\n';
    text += PrefixOpen + text::trimBlanks(values.prefix) + PrefixClose + u'\n';
    text += StartOpen + text::trimBlanks(values.start) + StartClose + u'\n';
    text += EndOpen + text::trimBlanks(values.end) + EndClose;
    return text;
}

QString languageField(int k)
{
    return LanguageOpen + QString::number(k) + LanguageClose + u'\n';
}

QString withLanguageField(const QString& text, int k)
{
    const QString tag = QStringLiteral("[语言类别]");
    const QString closeAndLf = LanguageClose + u'\n';
    const qsizetype headEnd = text.indexOf(tag);
    const QString head = headEnd >= 0 ? text.left(headEnd) : QString();
    const qsizetype closeAt = text.indexOf(closeAndLf);
    const QString tail = closeAt >= 0 ? text.mid(closeAt + closeAndLf.size()) : text;
    return languageField(k) + head + tail;
}

} // namespace settingsfile
