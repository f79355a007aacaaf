// libFuzzer entry for the language file loader: any file leaves a table that every window can show.
#include "FuzzCheck.h"
#include "core/LangTable.h"
#include "core/TextFile.h"
#include "core/TextHelpers.h"
#include "localisation/LanguageFile.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // 20,000 strings: too big for the stack, and cleared rather than rebuilt for each input.
    static const std::unique_ptr<LangTable> table = std::make_unique<LangTable>();
    table->clear();

    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const bool fromFile = applyLanguageText(*table, textfile::decode(bytes));

    // Language 1 always has something to show, from the file or built in.
    bool language1HasText = false;
    for (int row = 1; row < LangTable::Rows; ++row) {
        language1HasText = language1HasText || !text::trimBlanks(table->text(1, row)).isEmpty();
    }
    FUZZ_CHECK(language1HasText);
    if (!fromFile) {
        FUZZ_CHECK(table->text(1, 1) == QStringLiteral("操作(&O)"));
    }
    // A text ends at its line end: none holds a line feed, and carriage returns of CR LF files are gone.
    for (int column = 1; column < LangTable::Columns; ++column) {
        for (int row = 1; row < LangTable::Rows; ++row) {
            const QString& cell = table->text(column, row);
            FUZZ_CHECK(!cell.contains(u'\n') && !cell.contains(u'\r'));
        }
    }
    return 0;
}
