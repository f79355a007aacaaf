#include "SettingsStore.h"

#include "TextFile.h"
#include "platform/Clock.h"
#include "platform/SystemInfo.h"

#include <cmath>

using namespace settingsfile;

namespace {
void assign(TimeList& list, const QStringList& items)
{
    QStringList sorted = items;
    std::stable_sort(sorted.begin(), sorted.end());
    if (list.items() != sorted) {
        list.setStringList(sorted);
    }
}
} // namespace

SettingsStore::SettingsStore(SettingsModel& model, const SystemInfo& system, const Clock& clock)
    : m_model(model), m_system(system), m_clock(clock)
{ }

bool SettingsStore::fileExists() const
{
    return !m_model.SettingsFilePath.isEmpty() && m_system.isOrdinaryFile(m_model.SettingsFilePath);
}

SystemInfo::ReadResult SettingsStore::loadBuffer(QString* error)
{
    if (m_model.SettingsFilePath.isEmpty()) {
        return SystemInfo::ReadResult::NoFile;
    }
    const SystemInfo::ReadResult result
        = m_system.readOrdinaryFile(m_model.SettingsFilePath, textfile::MaxReadSize, &m_readBytes, error);
    m_lastRead = result;
    if (result != SystemInfo::ReadResult::Read) {
        return result;
    }
    if (m_readBytes != m_decodedBytes || m_decodedBytes.isNull()) {
        m_decodedText = textfile::decode(m_readBytes, &m_decodedLossless);
        m_decodedBytes = m_readBytes;
        m_decodedBytes.detach(); // the next read fills m_readBytes in place
        ++m_bufferGeneration;
    }
    RichTextBox1 = m_decodedText;
    m_bufferLossless = m_decodedLossless;
    return result;
}

bool SettingsStore::saveBuffer(QString* error)
{
    ++m_bufferGeneration;
    return textfile::write(m_model.SettingsFilePath, RichTextBox1, error);
}

bool SettingsStore::LoadActionSettings(const std::function<void(std::optional<int>)>& selectLanguage, QString* error)
{
    if (const SystemInfo::ReadResult read = loadBuffer(error); read != SystemInfo::ReadResult::Read) {
        return read == SystemInfo::ReadResult::NoFile; // no file: nothing to read, and no failure
    }
    const QString text = RichTextBox1;
    if (m_model.LanguageIndex == -1) {
        const std::optional<double> stored = languageNumber(text);
        m_model.LanguageIndex = stored.value_or(0);
        std::optional<int> k;
        if (stored) {
            const double rounded = std::nearbyint(*stored);
            // A hand-edited number far outside the columns falls back to the first language.
            k = rounded >= 0 && rounded <= 100 ? int(rounded) : 1;
        }
        if (selectLanguage) {
            selectLanguage(k);
        }
    }
    if (text != m_parsedText || m_parsedText.isNull()) {
        m_parsedFields = parseActionFields(text);
        m_parsedText = text;
    }
    applyActionFields(m_parsedFields, m_model);
    return true;
}

bool SettingsStore::LoadTimeLists(QString* error)
{
    const SystemInfo::ReadResult read = loadBuffer(error);
    if (read == SystemInfo::ReadResult::Failed) {
        return false;
    }
    if (read == SystemInfo::ReadResult::Read) {
        m_timeListsGeneration = m_bufferGeneration;
        const QString text = RichTextBox1;
        const QStringList working = parseTimeSection(text, WorkingOpen, WorkingClose);
        assign(Clstm_Lst1, working);
        const bool restPresent = text.contains(RestOpen) && text.contains(RestClose);
        const bool holidayPresent = text.contains(HolidayOpen) && text.contains(HolidayClose);
        m_model.HolidaysSeparate = restPresent || holidayPresent;
        assign(Clstm_Lst2, restPresent ? parseTimeSection(text, RestOpen, RestClose) : working);
        assign(Clstm_Lst3, holidayPresent ? parseTimeSection(text, HolidayOpen, HolidayClose) : working);
    }
    Clstm_Lst0.copyFrom(listOf(dayTypeOf(m_clock.now().date())));
    return true;
}

const TimeList& SettingsStore::listOf(DayType type) const
{
    switch (type) {
    case DayType::Holiday:
        return Clstm_Lst3;
    case DayType::Rest:
        return Clstm_Lst2;
    case DayType::Working:
        break;
    }
    return Clstm_Lst1;
}

QStringList SettingsStore::listFor(const QDate& date) const
{
    return listOf(dayTypeOf(date)).items();
}

bool SettingsStore::SaveSettings(const Values& values, QString* error)
{
    RichTextBox1 = buildText(values);
    m_bufferLossless = true;
    return saveBuffer(error);
}

bool SettingsStore::SaveLanguageChoice(int k, QString* error)
{
    if (RichTextBox1.contains(languageField(k))) {
        return true;
    }
    if (const SystemInfo::ReadResult read = loadBuffer(error); read != SystemInfo::ReadResult::Read) {
        return read == SystemInfo::ReadResult::NoFile; // no file: nothing to read, and no failure
    }
    if (!m_bufferLossless) {
        // Written back, every byte that is no character would become U+FFFD, and a UTF-8 file with one
        // stray byte would lose its settings for good. Leave such a file for the user to mend, and say so
        // once rather than at every reload.
        if (RichTextBox1 == m_refusedText) {
            return true;
        }
        m_refusedText = RichTextBox1;
        if (error) {
            *error = QStringLiteral("The file is neither UTF-8 nor GB18030 text; it is left unchanged.");
        }
        return false;
    }
    RichTextBox1 = withLanguageField(RichTextBox1, k);
    return saveBuffer(error);
}
