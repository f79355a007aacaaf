#pragma once

#include "SettingsFile.h"
#include "SettingsModel.h"
#include "TimeList.h"
#include "platform/SystemInfo.h"

#include <QString>
#include <functional>
#include <optional>

class Clock;

// The settings file's readers and writers, the time lists they fill and the buffer through which the
// file is always read and written whole. The settings dialog shows these lists; they outlive it.
class SettingsStore
{
public:
    SettingsStore(SettingsModel& model, const SystemInfo& system, const Clock& clock);

    /// The settings file exists as an ordinary file.
    bool fileExists() const;

    /// Reads language (once), action, force, notice and address range from the file. selectLanguage
    /// runs while LanguageIndex is -1, with the stored language number, rounded, or with nothing when the
    /// file holds none (the caller keeps the language it shows).
    /// Returns false with the system's reason when the file exists but cannot be read.
    bool LoadActionSettings(const std::function<void(std::optional<int>)>& selectLanguage, QString* error);

    /// Rebuilds the three lists from the file and today's list from them.
    bool LoadTimeLists(QString* error);

    /// The last read of the file found it (a cheaper fileExists() for whoever reads it every second).
    bool fileReadLastTime() const { return m_lastRead == SystemInfo::ReadResult::Read; }

    /// The times listed for date's kind of day (working day, rest day, holiday), as last read.
    QStringList listFor(const QDate& date) const;

    /// The buffer has changed (a new read of changed bytes, or a save) since the lists were last built
    /// from it: the file was edited since.
    bool timeListsOutdated() const { return m_bufferGeneration != m_timeListsGeneration; }

    /// Writes the file from the dialog's values (without the language line).
    bool SaveSettings(const settingsfile::Values& values, QString* error);

    /// Puts the language field k at the top of the file; does nothing when the buffer holds it already.
    bool SaveLanguageChoice(int k, QString* error);

    SettingsModel& model() { return m_model; }

    /// The buffer: the file's text as last read or written.
    QString RichTextBox1;
    TimeList Clstm_Lst0; // today's list
    TimeList Clstm_Lst1; // working days
    TimeList Clstm_Lst2; // rest days
    TimeList Clstm_Lst3; // holidays

private:
    const TimeList& listOf(settingsfile::DayType type) const;
    SystemInfo::ReadResult loadBuffer(QString* error);
    bool saveBuffer(QString* error);

    SettingsModel& m_model;
    const SystemInfo& m_system;
    const Clock& m_clock;
    SystemInfo::ReadResult m_lastRead = SystemInfo::ReadResult::NoFile;
    /// The buffer holds every byte of the file as a character (or text of our own).
    bool m_bufferLossless = true;
    /// The text of a file that SaveLanguageChoice refused to rewrite and has said so about.
    QString m_refusedText;
    /// Counts the changes of the buffer's text, and the count the time lists were built at.
    quint64 m_bufferGeneration = 0;
    quint64 m_timeListsGeneration = 0;

    // The file is read every second and is nearly always what it was a second ago. Decoding and
    // parsing are pure functions of its bytes, so their last results are kept with the input they came
    // from and reused only when that input is the same; every change is still seen at the next read.
    QByteArray m_readBytes;
    QByteArray m_decodedBytes;
    QString m_decodedText;
    bool m_decodedLossless = true;
    QString m_parsedText;
    settingsfile::ActionFields m_parsedFields;
};
