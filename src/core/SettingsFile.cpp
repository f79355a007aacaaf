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

// Whether the text, lower-cased, holds tag followed by "yes". Only 'Y', 'E' and 'S' lower-case to
// those letters and the tags hold no cased letters, so looking after each tag is the same test
// without lower-casing the whole text.
bool hasYesAfter(const QString& text, const QString& tag)
{
    const auto isLetter = [](QChar c, char16_t lower) { return c == lower || c == QChar(lower - u'a' + u'A'); };
    for (qsizetype at = text.indexOf(tag); at >= 0; at = text.indexOf(tag, at + 1)) {
        const QStringView after = QStringView(text).mid(at + tag.size(), 3);
        if (after.size() == 3 && isLetter(after[0], u'y') && isLetter(after[1], u'e') && isLetter(after[2], u's')) {
            return true;
        }
    }
    return false;
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

ActionFields parseActionFields(const QString& text)
{
    static const QString powerOffField = ActionOpen + PowerOff + ActionClose;
    static const QString logOffField = ActionOpen + LogOff + ActionClose;
    static const QString restartField = ActionOpen + Restart + ActionClose;

    ActionFields fields;
    int action = 1;
    if (text.contains(powerOffField)) {
        action = 1;
    } else if (text.contains(logOffField)) {
        action = 0;
        fields.actionName = LogOff;
    } else if (text.contains(restartField)) {
        action = 3;
        fields.actionName = Restart;
    }
    fields.force = hasYesAfter(text, ForceOpen);
    fields.flags = qint16(action | (fields.force ? 4 : 0));
    fields.notice = hasYesAfter(text, NoticeOpen);

    fields.prefix = text::between(text, PrefixOpen, PrefixClose);
    if (const std::optional<double> start = taggedNumber(text, StartOpen, StartClose)) {
        // Kept unrounded, but it is handed on as a 16-bit number: one that cannot be is ignored.
        const double rounded = text::roundHalfEven(*start);
        if (rounded >= std::numeric_limits<qint16>::min() && rounded <= std::numeric_limits<qint16>::max()) {
            fields.start = *start;
        }
    }
    if (const std::optional<double> end = taggedNumber(text, EndOpen, EndClose)) {
        const double rounded = text::roundHalfEven(*end);
        if (rounded >= std::numeric_limits<qint16>::min() && rounded <= std::numeric_limits<qint16>::max()) {
            fields.end = qint16(rounded);
        }
    }
    return fields;
}

void applyActionFields(const ActionFields& fields, SettingsModel& model)
{
    model.ShutdownActionName = fields.actionName;
    model.ForceShutdown = fields.force;
    model.ShutdownFlags = fields.flags;
    model.SendNotice = fields.notice;
    if (fields.prefix) {
        model.IpPrefix = *fields.prefix;
    }
    if (fields.start) {
        model.IpStart = *fields.start;
    }
    if (fields.end) {
        model.IpEnd = *fields.end;
    }
}

void readActionFields(const QString& text, SettingsModel& model)
{
    applyActionFields(parseActionFields(text), model);
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
