#pragma once

#include <QByteArray>
#include <QString>

/// Reads a file chosen for a message's text: an RTF document (known by its content, whatever the file is
/// called) becomes its plain text, anything else is read as text in the program's code page (UTF-8 when
/// valid, else GB18030; UTF-16 with a byte order mark too). Line ends come out as LF.
class TextImport
{
public:
    /// Larger files are refused: pictures can make an RTF document of a short note a few MiB long, but
    /// nothing near this size is a message.
    static constexpr qint64 MaxFileSize = 16 * 1024 * 1024;

    /// Reads the file at path into *text. On failure returns false, leaves *text alone and puts the
    /// reason in *error: the system's, or why the file is not taken.
    static bool readMessageFile(const QString& path, QString* text, QString* error = nullptr);

    /// The file content already read. Fails only for content that is not text (it holds NUL bytes).
    static bool decodeMessageBytes(const QByteArray& bytes, QString* text, QString* error = nullptr);
};
