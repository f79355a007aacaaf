#include "localisation/InterfaceLocale.h"

#include "core/LangTable.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QRegularExpression>

namespace {

// "中文简体(&C)" -> "中文简体": the menu accelerator is not part of the name.
QString plainName(QString name)
{
    static const QRegularExpression accelerator(QStringLiteral("\\(&.\\)"));
    name.remove(accelerator);
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

} // namespace

QLocale::Language languageOfName(const QString& name)
{
    const QString plain = plainName(name);
    if (plain.isEmpty()) {
        return QLocale::AnyLanguage;
    }
    QLocale::Language best = QLocale::AnyLanguage;
    qsizetype bestLength = 0;
    const auto consider = [&](QLocale::Language language, const QString& candidate) {
        if (candidate.size() > bestLength && plain.contains(candidate, Qt::CaseInsensitive)) {
            best = language;
            bestLength = candidate.size();
        }
    };
    for (int value = QLocale::C + 1; value <= QLocale::LastLanguage; ++value) {
        const auto language = QLocale::Language(value);
        const QLocale locale(language);
        if (locale.language() != language) {
            continue; // Qt has no data for it
        }
        consider(language, QLocale::languageToString(language));
        consider(language, locale.nativeLanguageName());
    }
    for (const ExtraName& extra : ExtraNames) {
        consider(extra.language, QString::fromUtf16(extra.name));
    }
    return best;
}

int languageForDesktop(const LangTable& table, const QLocale& desktop)
{
    for (int k = 1; k < LangTable::Columns; ++k) {
        const QString& name = table.text(k, 0);
        if (!name.isEmpty() && languageOfName(name) == desktop.language()) {
            return k;
        }
    }
    return 1;
}

QLocale interfaceLocale(const QString& name, const QLocale& desktop)
{
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
