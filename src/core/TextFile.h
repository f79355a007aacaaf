#pragma once

#include <QByteArray>
#include <QString>

// Whole-file text access in the program's code page. Files are written in GB18030 (a superset of the
// GBK that the Windows originals use); a file that is valid UTF-8, with or without BOM, reads as UTF-8.
namespace textfile {

/// *lossless, when given, tells whether every byte was part of a character: only then does writing the
/// text back keep what the file said. Bytes that are no character read as U+FFFD, or are dropped when
/// they are a character cut off at the end.
QString decode(const QByteArray& bytes, bool* lossless = nullptr);
QByteArray encode(const QString& text);

/// Reads and decodes the whole file. On failure returns false and the system's reason in *error.
bool read(const QString& path, QString* text, QString* error = nullptr, bool* lossless = nullptr);

/// Replaces the file atomically: a temporary file in the same folder, flushed, renamed over the old
/// one. The folder is created with mode 0700 when missing. On failure the old file is untouched and
/// *error holds the system's reason.
bool write(const QString& path, const QString& text, QString* error = nullptr);

/// Largest file read whole; anything bigger is refused rather than loaded.
constexpr qint64 MaxReadSize = 16 * 1024 * 1024;

} // namespace textfile

namespace textfile {
/// The longest start of text whose encoding takes at most maxBytes, never cutting inside a character.
QString cutToEncodedBytes(const QString& text, int maxBytes);
} // namespace textfile
