#include "TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>

namespace {

// GB18030 with the one byte of Windows' code page 936 that it lacks: 0x80 alone is the euro sign there,
// and files written on Windows in the GBK of that code page carry it. The decoder would make it U+FFFD.
QString decodeGb18030(QStringDecoder& decoder, const QByteArray& bytes, bool* lossless)
{
    QString text;
    bool clean = true;
    qsizetype start = 0;
    const qsizetype n = bytes.size();
    const auto decodePart = [&](qsizetype end) {
        text += decoder(QByteArrayView(bytes).sliced(start, end - start));
        clean = clean && !decoder.hasError();
        decoder.resetState();
    };
    for (qsizetype i = 0; i < n;) {
        const auto byte = quint8(bytes[i]);
        if (byte == 0x80) {
            decodePart(i);
            text += QChar(0x20AC);
            start = ++i;
        } else if (byte < 0x80 || byte == 0xFF) {
            ++i;
        } else {
            // A lead byte: a four-byte character when a digit follows, else a two-byte one.
            const bool fourBytes = i + 1 < n && bytes[i + 1] >= '0' && bytes[i + 1] <= '9';
            i = std::min(n, i + (fourBytes ? 4 : 2));
        }
    }
    decodePart(n);
    if (lossless) {
        *lossless = clean;
    }
    return text;
}

} // namespace

namespace textfile {

QString decode(const QByteArray& bytes, bool* lossless)
{
    if (lossless) {
        *lossless = true;
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError()) {
        if (text.startsWith(QChar(0xFEFF))) {
            text.remove(0, 1);
        }
        return text;
    }
    // Stateless, so that a character cut off at the end of the file counts as an error: otherwise the
    // decoder keeps its bytes for more input that never comes, and they vanish unnoticed.
    QStringDecoder gb18030("GB18030", QStringDecoder::Flag::Stateless);
    if (gb18030.isValid()) {
        return decodeGb18030(gb18030, bytes, lossless);
    }
    return QString::fromLatin1(bytes);
}

QByteArray encode(const QString& text)
{
    QStringEncoder gb18030("GB18030");
    if (gb18030.isValid()) {
        return gb18030(text);
    }
    return text.toUtf8();
}

bool read(const QString& path, QString* text, QString* error, bool* lossless)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) {
            *error = file.errorString();
        }
        return false;
    }
    if (file.size() > MaxReadSize) {
        if (error) {
            *error = QStringLiteral("File too large (%1 bytes)").arg(file.size());
        }
        return false;
    }
    // Sized to the file, not to the limit, which would map and unmap 16 MiB for a file of a few hundred
    // bytes. One byte more than the size tells a file that grew since.
    const QByteArray bytes = file.read(std::min(file.size(), MaxReadSize) + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > MaxReadSize) {
        if (error) {
            *error = bytes.size() > MaxReadSize ? QStringLiteral("File too large") : file.errorString();
        }
        return false;
    }
    *text = decode(bytes, lossless);
    return true;
}

bool write(const QString& path, const QString& text, QString* error)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!QFileInfo::exists(folder)) {
        if (!QDir().mkpath(folder)) {
            if (error) {
                *error = QStringLiteral("Cannot create folder %1").arg(folder);
            }
            return false;
        }
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    QSaveFile file(path);
    const QByteArray bytes = encode(text);
    // Qt reports a short write on a full disk as success: check what reached the temporary file
    // before it replaces the old one.
    const bool written = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush()
        && file.size() == bytes.size();
    if (!written) {
        const QString reason
            = file.error() != QFileDevice::NoError && file.errorString() != QLatin1String("Unknown error")
            ? file.errorString()
            : QStringLiteral("No space left on device or file size limit reached");
        file.cancelWriting();
        if (error) {
            *error = reason;
        }
        return false;
    }
    if (!file.commit()) {
        if (error) {
            *error = file.errorString();
        }
        return false;
    }
    return true;
}

} // namespace textfile

namespace textfile {
QString cutToEncodedBytes(const QString& text, int maxBytes)
{
    int used = 0;
    qsizetype end = 0;
    while (end < text.size()) {
        const qsizetype width = text[end].isHighSurrogate() && end + 1 < text.size() ? 2 : 1;
        const int bytes = int(encode(text.mid(end, width)).size());
        if (used + bytes > maxBytes) {
            break;
        }
        used += bytes;
        end += width;
    }
    return text.left(end);
}
} // namespace textfile
