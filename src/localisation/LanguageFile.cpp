#include "localisation/LanguageFile.h"

#include "core/LangTable.h"
#include "core/TextFile.h"
#include "core/TextHelpers.h"
#include "platform/SystemInfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <array>
#include <optional>

namespace {

constexpr int MaxLanguages = LangTable::Columns - 1;
constexpr int LastRow = LangTable::Rows - 1;

// Row keys are exactly three ASCII digits and "="; full-width digits never count as a key.
int keyRowBefore(QStringView block, qsizetype equalsAt)
{
    if (equalsAt < 3) {
        return -1;
    }
    int row = 0;
    for (qsizetype i = equalsAt - 3; i < equalsAt; ++i) {
        const char16_t c = block[i].unicode();
        if (c < u'0' || c > u'9') {
            return -1;
        }
        row = row * 10 + (c - u'0');
    }
    return row;
}

// One pass over the block instead of one search per row: a key's "=" fixes where the key starts, so the
// first "=" preceded by a row's digits is that row's first occurrence, mid-line ones included.
void applyBlock(LangTable& table, int column, QStringView block)
{
    std::array<qsizetype, LangTable::Rows> textStart;
    textStart.fill(-1);
    for (qsizetype at = block.indexOf(u'='); at >= 0; at = block.indexOf(u'=', at + 1)) {
        const int row = keyRowBefore(block, at);
        if (row >= 1 && row <= LastRow && textStart[row] < 0) {
            textStart[row] = at + 1;
        }
    }
    for (int row = 1; row <= LastRow; ++row) {
        QString value;
        if (textStart[row] >= 0) {
            // A text only ends at a line feed inside the block: a key on the closing tag's line is empty.
            const qsizetype lineEnd = block.indexOf(u'\n', textStart[row]);
            if (lineEnd >= 0) {
                value = block.mid(textStart[row], lineEnd - textStart[row]).toString();
                value.remove(u'\r');
            }
        }
        table.set(column, row, value);
    }
}

bool hasTextForLanguage1(const LangTable& table)
{
    for (int row = 1; row <= LastRow; ++row) {
        if (!text::trimBlanks(table.text(1, row)).isEmpty()) {
            return true;
        }
    }
    return false;
}

} // namespace

QStringList languageFileCandidates(const SystemInfo& system, const QString& dataDir)
{
    const QString name = LanguageFileName.toString();
    QStringList candidates { name };
    for (const QString& folder : { system.systemDirectory(), dataDir }) {
        if (!folder.isEmpty()) {
            candidates << folder + u'/' + name;
        }
    }
    return candidates;
}

bool applyLanguageText(LangTable& table, const QString& fileText)
{
    // Only the header accepts the colon forms; the blocks are looked up in the text as it stands.
    QString unified = fileText;
    unified.replace(QStringLiteral("[langue]："), QStringLiteral("[langue]"));
    unified.replace(QStringLiteral("[langue]:"), QStringLiteral("[langue]"));
    // Without a complete header there is no list to count: such a file offers no language at all.
    const std::optional<QString> list = text::between(unified, QStringLiteral("[langue]"), QStringLiteral("[/langue]"));
    if (!list) {
        LoadBuiltInTexts(table);
        return false;
    }

    const QString names = text::narrow(*list) + u'.';
    const int count = std::min(text::CountOccurrences(QStringLiteral("."), names), MaxLanguages);
    const QStringList parts = names.split(u'.');
    const QStringView source(fileText);
    for (int k = 1; k <= count; ++k) {
        table.set(k, 0, parts[k - 1]);
        const QString openTag = QStringLiteral("[langue%1]").arg(k);
        const qsizetype start = source.indexOf(openTag);
        if (start < 0) {
            table.set(k, 0, QString());
            continue;
        }
        const qsizetype end = source.indexOf(QStringLiteral("[/langue%1]").arg(k), start);
        applyBlock(table, k, end < 0 ? QStringView() : source.mid(start, end - start));
    }

    if (!hasTextForLanguage1(table)) {
        LoadBuiltInTexts(table);
        return false;
    }
    return true;
}

QString LoadLanguageFile(LangTable& table, const QStringList& candidatePaths, const SystemInfo& system,
                         QString* readPath)
{
    for (const QString& path : candidatePaths) {
        if (!system.isOrdinaryFile(path)) {
            continue;
        }
        // Only the first file found is ever read; one that cannot be read (or is too large) hides the others.
        QString content;
        if (textfile::read(path, &content)) {
            if (readPath) {
                *readPath = path;
            }
            applyLanguageText(table, content);
        } else {
            LoadBuiltInTexts(table);
        }
        return QString();
    }
    LoadBuiltInTexts(table);
    return QString();
}

QString installedDataDirectory()
{
    // Installed, the programs are <prefix>/lib/tova and the data <prefix>/share/tova; a build tree keeps
    // it in <build>/share/tova beside <build>/bin. The folder is the real one: applicationDirPath()
    // resolves /proc/self/exe, so a bin/ symlink does not mislead it.
    const QString programDir = QCoreApplication::applicationDirPath();
    for (const QString& relative : { QStringLiteral(TOVA_DATA_FROM_PROGRAM), QStringLiteral("../share/tova") }) {
        const QString folder = QDir::cleanPath(programDir + u'/' + relative);
        if (QFileInfo(folder + u'/' + LanguageFileName.toString()).isFile()) {
            return folder;
        }
    }
    return QStringLiteral(TOVA_DATA_DIR);
}
