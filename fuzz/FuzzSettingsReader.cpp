// libFuzzer entry for the settings file reader. Whatever bytes the file holds, reading gives values that
// the scheduler can use, and saving the language choice keeps the file's other settings as they were.
#include "FuzzCheck.h"
#include "core/SettingsFile.h"
#include "core/SettingsModel.h"
#include "core/TextFile.h"

#include <QByteArray>
#include <QStringDecoder>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

using namespace settingsfile;

namespace {

struct Read
{
    SettingsModel model;
    QStringList working;
    QStringList rest;
    QStringList holidays;
};

Read readAll(const QString& text)
{
    Read read;
    readActionFields(text, read.model);
    read.working = parseTimeSection(text, WorkingOpen, WorkingClose);
    read.rest = parseTimeSection(text, RestOpen, RestClose);
    read.holidays = parseTimeSection(text, HolidayOpen, HolidayClose);
    return read;
}

bool sameSettings(const Read& a, const Read& b)
{
    return a.model.ShutdownActionName == b.model.ShutdownActionName && a.model.ShutdownFlags == b.model.ShutdownFlags
        && a.model.SendNotice == b.model.SendNotice && a.model.IpPrefix == b.model.IpPrefix
        && a.model.IpStart == b.model.IpStart && a.model.IpEnd == b.model.IpEnd && a.working == b.working
        && a.rest == b.rest && a.holidays == b.holidays;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    bool lossless = false;
    const QString text = textfile::decode(bytes, &lossless);
    // The settings store rewrites only files read without loss: those must come back byte for byte.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    utf8(bytes);
    if (lossless && utf8.hasError()) {
        FUZZ_CHECK(textfile::encode(text) == bytes);
    }

    const Read read = readAll(text);
    const SettingsModel& model = read.model;
    const int action = model.ShutdownFlags & 3;
    FUZZ_CHECK((model.ShutdownFlags & ~7) == 0 && action != 2);
    FUZZ_CHECK(((model.ShutdownFlags & 4) != 0) == model.ForceShutdown);
    FUZZ_CHECK((action == 1 && model.ShutdownActionName == PowerOff)
               || (action == 0 && model.ShutdownActionName == LogOff)
               || (action == 3 && model.ShutdownActionName == Restart));
    // The start address is kept unrounded but handed on as a 16-bit number.
    FUZZ_CHECK(std::isfinite(model.IpStart) && std::nearbyint(model.IpStart) >= std::numeric_limits<qint16>::min()
               && std::nearbyint(model.IpStart) <= std::numeric_limits<qint16>::max());
    for (const QStringList* list : { &read.working, &read.rest, &read.holidays }) {
        for (const QString& item : *list) {
            FUZZ_CHECK(isTimeItem(item));
        }
    }
    if (const std::optional<double> language = languageNumber(text)) {
        FUZZ_CHECK(std::isfinite(*language));
    }

    // Saving the language choice, then reading the file back.
    const int k = size > 0 ? data[0] % 101 : 1;
    const QString saved = withLanguageField(text, k);
    FUZZ_CHECK(saved.startsWith(languageField(k)));
    FUZZ_CHECK(languageNumber(saved) == double(k));
    FUZZ_CHECK(withLanguageField(saved, k) == saved);
    FUZZ_CHECK(textfile::decode(textfile::encode(saved)) == saved);
    // A file that holds no language tag yet only gains the new first line.
    if (!text.contains(QStringLiteral("[语言类别]")) && !text.contains(LanguageClose)) {
        FUZZ_CHECK(saved == languageField(k) + text);
        FUZZ_CHECK(sameSettings(readAll(saved), read));
    }
    return 0;
}
