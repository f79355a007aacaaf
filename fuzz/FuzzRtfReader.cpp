// libFuzzer entry for the RTF reader: any bytes must give well-formed text, never a crash or a hang.
#include "messaging/import/RtfReader.h"

#include <QByteArrayView>
#include <QString>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    RtfReader::isRtf(bytes);
    const QString text = RtfReader::toPlainText(bytes);

    // No input byte yields more than one UTF-16 unit: more output than input means text was made up.
    if (static_cast<size_t>(text.size()) > size) {
        __builtin_trap();
    }
    // The text goes into a message box and on a command line: no stray controls, no broken surrogates.
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if ((c.unicode() < 0x20 && c != u'\t' && c != u'\n') || c.isLowSurrogate()) {
            __builtin_trap();
        }
        if (c.isHighSurrogate()) {
            if (i + 1 >= text.size() || !text[i + 1].isLowSurrogate()) {
                __builtin_trap();
            }
            ++i;
        }
    }
    return 0;
}
