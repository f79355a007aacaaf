#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

class LangTable;
class SystemInfo;

// Reading TovaShutdownlangue.ini into columns 1..100 of the LangTable.

inline constexpr QStringView LanguageFileName = u"TovaShutdownlangue.ini";

/// The folder of the shipped language file, found from the executable first so that a tree installed under
/// another prefix, or a package unpacked anywhere, finds its own; last, the folder this build was
/// configured to install into. Needs a QCoreApplication.
QString installedDataDirectory();

/// Where the language file is looked for, in order: the bare name (the current folder), the program's
/// folder for this user, then dataDir (the installed data folder). Empty folders are left out.
QStringList languageFileCandidates(const SystemInfo& system, const QString& dataDir);

/// Fills columns 1..100 from the whole text of a language file: row 0 of column k gets the k-th name of
/// the header, rows 1..200 the texts of block k. When the text yields no usable header or no non-blank
/// text for language 1, column 1 gets the built-in texts instead.
/// Returns true when language 1 comes from the text, false when the built-in texts were loaded.
bool applyLanguageText(LangTable& table, const QString& fileText);

/// Reads the first candidate that is an ordinary file (only that one, even when it cannot be read) and
/// applies it; without a readable file, column 1 gets the built-in texts. The result is always empty.
/// *readPath, when given, receives the path read, or stays empty when no file was read.
QString LoadLanguageFile(LangTable& table, const QStringList& candidatePaths, const SystemInfo& system,
                         QString* readPath = nullptr);
