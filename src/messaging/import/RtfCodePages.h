#pragma once

#include <QStringDecoder>

// The Windows code pages an RTF document may name, by \ansicpgN, \cpgN or a font's \fcharsetN.
namespace rtfcodepages {

/// Bytes that name no code page of their own are in this one.
constexpr int Default = 1252;

/// True for the code pages we read; a document cannot make us look up converters by arbitrary numbers.
bool isKnown(int codePage);

/// The code page of a font's \fcharsetN, or 0 when the charset names none (DEFAULT_CHARSET, SYMBOL_CHARSET
/// and the unknown), so that the document's own applies.
int ofCharset(int charset);

/// A converter from the code page, without state between calls; windows-1252 where the code page is not
/// known or the system cannot convert it, Latin-1 as the last resort.
QStringDecoder decoder(int codePage);

} // namespace rtfcodepages
