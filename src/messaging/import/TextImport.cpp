#include "messaging/import/TextImport.h"

#include "core/TextFile.h"
#include "messaging/import/RtfReader.h"
#include "messaging/import/TextTidy.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace {

bool fail(QString* error, const QString& reason)
{
    if (error) {
        *error = reason;
    }
    return false;
}

} // namespace

bool TextImport::readMessageFile(const QString& path, QString* text, QString* error)
{
    const QFileInfo info(path);
    // A folder, a pipe or a device would block the window or feed it without end.
    if (info.exists() && !info.isFile()) {
        return fail(error, QStringLiteral("%1 is not an ordinary file").arg(path));
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return fail(error, file.errorString());
    }
    const auto tooLarge = [&](qint64 size) {
        return fail(error,
                    QStringLiteral("%1 is %2 bytes long; files over %3 MiB are not imported, as no message "
                                   "is that long")
                        .arg(path)
                        .arg(size)
                        .arg(MaxFileSize / (1024 * 1024)));
    };
    if (file.size() > MaxFileSize) {
        return tooLarge(file.size());
    }
    // The file may grow between the size check and the read: never read more than the limit allows.
    const QByteArray bytes = file.read(MaxFileSize + 1);
    if (file.error() != QFileDevice::NoError) {
        return fail(error, file.errorString());
    }
    if (bytes.size() > MaxFileSize) {
        return tooLarge(bytes.size());
    }
    QString decoded;
    if (!decodeMessageBytes(bytes, &decoded, error)) {
        return false;
    }
    *text = decoded;
    return true;
}

bool TextImport::decodeMessageBytes(const QByteArray& bytes, QString* text, QString* error)
{
    if (RtfReader::isRtf(bytes)) {
        *text = RtfReader::toPlainText(bytes);
        return true;
    }
    // Notepad's "Unicode" files: UTF-16 with a byte order mark, full of NUL bytes that are not binary.
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder utf16(bytes.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
        const QString decoded = utf16.decode(QByteArrayView(bytes).sliced(2));
        *text = texttidy::tidy(decoded);
        return true;
    }
    if (bytes.contains('\0')) {
        return fail(error, QStringLiteral("The file does not hold text"));
    }
    *text = texttidy::tidy(textfile::decode(bytes));
    return true;
}
