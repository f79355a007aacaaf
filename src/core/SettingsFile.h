#pragma once

#include "SettingsModel.h"

#include <QDate>
#include <QStringList>
#include <optional>

// The tagged settings file: its tags, how its text reads into the model, and how it is written.
namespace settingsfile {

inline const QString FileNameSuffix = QStringLiteral("TovaShutDown.ini");

inline const QString LanguageOpen = QStringLiteral("[语言类别]：");
inline const QString LanguageClose = QStringLiteral("[/语言类别]");
inline const QString WorkingOpen = QStringLiteral("[关机时间]：");
inline const QString WorkingClose = QStringLiteral("[/关机时间]");
inline const QString RestOpen = QStringLiteral("[法定休息日]：");
inline const QString RestClose = QStringLiteral("[/法定休息日]");
inline const QString HolidayOpen = QStringLiteral("[法定节假日]：");
inline const QString HolidayClose = QStringLiteral("[/法定节假日]");
inline const QString ActionOpen = QStringLiteral("[关机动作]：");
inline const QString ActionClose = QStringLiteral("[/关机动作]");
inline const QString ForceOpen = QStringLiteral("[强制关机]：");
inline const QString NoticeOpen = QStringLiteral("[是否发送关机信息]：");
inline const QString PrefixOpen = QStringLiteral("[IP地址前缀]：");
inline const QString PrefixClose = QStringLiteral("[/IP地址前缀]");
inline const QString StartOpen = QStringLiteral("[IP开始子地址]：");
inline const QString StartClose = QStringLiteral("[/IP开始子地址]");
inline const QString EndOpen = QStringLiteral("[IP结束子地址]：");
inline const QString EndClose = QStringLiteral("[/IP结束子地址]");

inline const QString PowerOff = QStringLiteral("关闭电源");
inline const QString LogOff = QStringLiteral("注销");
inline const QString Restart = QStringLiteral("重新启动");

/// The stored language number, when both language tags are present and the number is usable.
std::optional<double> languageNumber(const QString& text);

/// What a file's text says of the action, force, notice and address range. The address fields are
/// absent when their tags are, or when their value does not fit where it goes.
struct ActionFields
{
    QString actionName = PowerOff;
    qint16 flags = 1;
    bool force = false;
    bool notice = false;
    std::optional<QString> prefix;
    std::optional<double> start;
    std::optional<qint16> end;
};
ActionFields parseActionFields(const QString& text);

/// Puts the fields into the model; an absent field keeps the model's previous value.
void applyActionFields(const ActionFields& fields, SettingsModel& model);

/// Reads action, force, notice and the address range: parse, then apply.
void readActionFields(const QString& text, SettingsModel& model);

/// The accepted HH:MM:SS items of one section, in file order; empty when either tag is missing.
QStringList parseTimeSection(const QString& text, const QString& open, const QString& close);

/// Whether an item has the HH:MM:SS shape (digits and colons only; no range check).
bool isTimeItem(const QString& item);

enum class DayType { Working, Rest, Holiday };
/// Fixed holidays: 1 January and 1 to 3 May and October; then Saturday and Sunday; else working day.
DayType dayTypeOf(const QDate& date);

/// What the settings dialog hands to the writer: its controls' values.
struct Values
{
    QStringList workingDays;
    QStringList restDays;
    QStringList holidays;
    bool holidaysSeparate = false; // Check1 checked
    int actionOption = -1; // selected Shutdown_Option element, -1 for none
    bool force = false; // Check3
    bool notice = false; // Check2
    QString prefix; // Text1
    QString start; // Text2
    QString end; // Text3
};

/// The whole file as the settings dialog saves it; never holds the language line.
QString buildText(const Values& values);

/// The file text with the language field k as its first line; the old field is removed when it is
/// followed by LF. Returns the text unchanged in content order otherwise.
QString withLanguageField(const QString& text, int k);
QString languageField(int k);

} // namespace settingsfile
