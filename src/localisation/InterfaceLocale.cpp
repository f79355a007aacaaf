#include "localisation/InterfaceLocale.h"

#include "core/LangTable.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <algorithm>

namespace {

// "中文简体(&C)" -> "中文简体": the menu accelerator is not part of the name. By hand: a regular
// expression would load its engine into a service that otherwise never needs it.
QString plainName(QString name)
{
    for (qsizetype at = name.indexOf(u"(&"); at >= 0; at = name.indexOf(u"(&", at)) {
        if (at + 3 < name.size() && name[at + 2] != u'\n' && name[at + 3] == u')') {
            name.remove(at, 4);
        } else {
            ++at;
        }
    }
    name.remove(u'&');
    return name.trimmed();
}

// Qt names Chinese by its script ("简体中文"); a language file may put the words the other way round.
struct ExtraName
{
    QLocale::Language language;
    const char16_t* name;
};
constexpr ExtraName ExtraNames[]
    = { { QLocale::Chinese, u"中文" }, { QLocale::Chinese, u"汉语" }, { QLocale::Chinese, u"漢語" } };

// The names a language goes by: Qt's English and native names, and the extra ones. None for the C locale
// and where Qt has no data for the language.
QStringList namesOf(QLocale::Language language)
{
    const QLocale locale(language);
    if (language <= QLocale::C || locale.language() != language) {
        return {};
    }
    QStringList names { QLocale::languageToString(language), locale.nativeLanguageName() };
    for (const ExtraName& extra : ExtraNames) {
        if (extra.language == language) {
            names.append(QString::fromUtf16(extra.name));
        }
    }
    return names;
}

bool standsFor(const QString& plain, QLocale::Language language)
{
    const QStringList names = namesOf(language);
    return std::any_of(names.begin(), names.end(), [&](const QString& candidate) {
        return !candidate.isEmpty() && plain.contains(candidate, Qt::CaseInsensitive);
    });
}

} // namespace

QLocale::Language languageOfName(const QString& name)
{
    const QString plain = plainName(name);
    if (plain.isEmpty()) {
        return QLocale::AnyLanguage;
    }
    QLocale::Language best = QLocale::AnyLanguage;
    qsizetype bestLength = 0;
    for (int value = QLocale::C + 1; value <= QLocale::LastLanguage; ++value) {
        const auto language = QLocale::Language(value);
        for (const QString& candidate : namesOf(language)) {
            if (candidate.size() > bestLength && plain.contains(candidate, Qt::CaseInsensitive)) {
                best = language;
                bestLength = candidate.size();
            }
        }
    }
    return best;
}

int languageForDesktop(const LangTable& table, const QLocale& desktop)
{
    for (int k = 1; k < LangTable::Columns; ++k) {
        const QString& name = table.text(k, 0);
        if (!name.isEmpty() && standsFor(plainName(name), desktop.language())) {
            return k;
        }
    }
    return 1;
}

QLocale interfaceLocale(const QString& name, const QLocale& desktop)
{
    // Most often the interface speaks the desktop's language: no need to look through all of Qt's.
    if (standsFor(plainName(name), desktop.language())) {
        return desktop;
    }
    const QLocale::Language language = languageOfName(name);
    if (language == QLocale::AnyLanguage) {
        return QLocale::c();
    }
    return desktop.language() == language ? desktop : QLocale(language);
}

QtTranslations::~QtTranslations()
{
    if (m_installed) {
        QCoreApplication::removeTranslator(&m_translator);
    }
}

bool QtTranslations::use(const QLocale& locale)
{
    if (m_installed) {
        QCoreApplication::removeTranslator(&m_translator);
        m_installed = false;
    }
    // English needs no translation; loading one would only cost time.
    if (locale.language() == QLocale::English || locale.language() == QLocale::C) {
        return true;
    }
    if (!m_translator.load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        return false;
    }
    m_installed = QCoreApplication::installTranslator(&m_translator);
    return m_installed;
}
