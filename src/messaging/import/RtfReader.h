#pragma once

#include <QByteArrayView>
#include <QString>

/// Reads the text of an RTF document the way a plain-text message needs it: paragraphs and line breaks
/// become LF, tabs and table cells TAB, table rows LF, and what is not body text (font, colour and style
/// tables, document information, pictures, embedded objects, headers and footers, field codes, every
/// ignorable destination) is left out. Bytes written as \'hh are read in the code page of the current
/// font or, failing that, of the document.
///
/// Pure and total: any bytes give some text, in time linear in their length, without recursion. A
/// document cut short yields what was read up to the cut; text after the document's closing brace is
/// ignored, as word processors do.
class RtfReader
{
public:
    /// Groups nested deeper than this are still matched brace for brace, but their text is dropped.
    static constexpr int MaxDepth = 512;

    static QString toPlainText(QByteArrayView rtf);

    /// True when the bytes begin with "{\rtf", after an optional UTF-8 byte order mark and blanks.
    static bool isRtf(QByteArrayView bytes);
};
