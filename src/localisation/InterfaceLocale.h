#pragma once

#include <QLocale>
#include <QString>
#include <QTranslator>

class LangTable;

// Which Qt locale a language of the language file stands for. A language file names its languages for
// people ("English(&E)", "中文简体(&C)"); the locale is found from that name, so that a language file
// written by a user needs nothing more than a recognisable name.

/// The language a name stands for: the Qt language whose English or native name it contains (the longest
/// such name wins), or QLocale::AnyLanguage when none does.
QLocale::Language languageOfName(const QString& name);

/// The first of languages 1..Columns-1 whose name stands for the language of desktop, else 1.
int languageForDesktop(const LangTable& table, const QLocale& desktop);

/// The locale for dates and Qt's own texts while the language called name is shown: the desktop's own
/// locale when it speaks that language (its country's date order), else the language's usual one; the C
/// locale for a name that stands for no language.
QLocale interfaceLocale(const QString& name, const QLocale& desktop);

/// Qt's own texts (standard buttons, file dialogs) in the interface language, from the translations
/// installed with Qt. Where none is installed for a language Qt keeps its English.
class QtTranslations
{
public:
    ~QtTranslations();
    /// Replaces the translation in use with that of locale; returns whether one was found.
    bool use(const QLocale& locale);

private:
    QTranslator m_translator;
    bool m_installed = false;
};
