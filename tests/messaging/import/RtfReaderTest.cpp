#include "messaging/import/RtfReader.h"

#include <QByteArray>
#include <QString>
#include <gtest/gtest.h>
#include <string>

using namespace std::string_literals;

namespace {

struct Case
{
    const char* name;
    std::string rtf;
    const char* expected; // UTF-8
};

std::string read(const std::string& rtf)
{
    return RtfReader::toPlainText(QByteArrayView(rtf.data(), static_cast<qsizetype>(rtf.size()))).toStdString();
}

void expectAll(const std::vector<Case>& cases)
{
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(read(c.rtf), c.expected);
    }
}

std::string repeat(const std::string& part, int times)
{
    std::string out;
    out.reserve(part.size() * static_cast<size_t>(times));
    for (int i = 0; i < times; ++i) {
        out += part;
    }
    return out;
}

} // namespace

TEST(RtfReader, SyntaxOfWordsSymbolsAndBreaks)
{
    expectAll({
        { "plain text", R"({\rtf1 Hello})", "Hello" },
        { "one delimiter blank belongs to the word", R"({\rtf1\b bold\b0  text})", "bold text" },
        { "parameter ends the word without a blank", R"({\rtf1\fs20x})", "x" },
        { "par and line", R"({\rtf1 a\par b\line c})", "a\nb\nc" },
        { "the closing paragraph mark is not a line", R"({\rtf1 a\par})", "a" },
        { "only the closing mark goes", R"({\rtf1 a\par\par})", "a\n" },
        { "a closing line break stays", R"({\rtf1 a\line})", "a\n" },
        { "tab", R"({\rtf1 a\tab b})", "a\tb" },
        { "escaped braces and backslash", R"({\rtf1 \{x\} \\})", "{x} \\" },
        { "nbsp, optional hyphen, nb hyphen", R"({\rtf1 a\~b\-c\_d})", "a\u00A0bc\u2011d" },
        { "named characters", R"({\rtf1 \ldblquote x\rdblquote\emdash\bullet})", "\u201Cx\u201D\u2014\u2022" },
        { "line ends in the file are not text", "{\\rtf1 a\r\nb\nc\rd}", "abcd" },
        { "backslash before a line end is a paragraph", "{\\rtf1 a\\\nb\\\r\nc}", "a\nb\nc" },
        { "literal tab", "{\\rtf1 a\tb}", "a\tb" },
        { "byte order mark and blanks before the document", "\xEF\xBB\xBF \r\n{\\rtf1 a}", "a" },
        { "text after the closing brace is not the document's", R"({\rtf1 a}b{c})", "a" },
        { "hidden text", R"({\rtf1 a{\v hidden}b\v c\v0 d})", "abd" },
        { "plain ends hidden text", R"({\rtf1 a\v b\plain c})", "ac" },
        { "control characters from hex are dropped", R"({\rtf1 a\'00b\'07c\'0d\'0ad})", "abc\nd" },
    });
}

TEST(RtfReader, DestinationsThatAreNotBodyText)
{
    expectAll({
        { "tables, info, headers and footers",
          R"({\rtf1{\fonttbl{\f0 Arial;}}{\colortbl;\red0\green0\blue0;}{\stylesheet{\s0 Normal;}})"
          R"({\info{\title T}{\author A}}{\header H}{\footer F}{\footnote N}Body})",
          "Body" },
        { "picture and object", R"({\rtf1 a{\pict\pngblip 89504e47}{\object{\objdata 0102}{\result R}}b})", "ab" },
        { "every starred destination", R"({\rtf1 a{\*\unknown b{c}}{\*\generator x;}d})", "ad" },
        { "field shows its result, not its code", R"({\rtf1{\field{\*\fldinst HYPERLINK "x"}{\fldrslt link}}})",
          "link" },
        { "field code without the star", R"({\rtf1{\field{\fldinst PAGE}{\fldrslt 3}}})", "3" },
        { "list numbers written for simple readers", R"({\rtf1{\listtext 1.\tab}Item{\*\pn\pnlvlbody{\pntxta .}}})",
          "1.\tItem" },
        { "ANSI half of a Unicode pair", R"({\rtf1{\upr{ansi}{\*\ud{uni}}}})", "ansi" },
        { "binary data may hold braces", R"({\rtf1 a{\pict\bin4 }}{{}b})", "ab" },
        { "star only skips its own group", R"({\rtf1{\*\x y}z})", "z" },
    });
}

TEST(RtfReader, TablesBecomeTabsAndLines)
{
    expectAll({
        { "cells and rows", R"({\rtf1 \trowd\cellx1\cellx2 a\cell b\cell\row c})", "a\tb\nc" },
        { "row end in a group of its own", R"({\rtf1 a\cell b\cell{\trowd\cellx1\cellx2\row}c})", "a\tb\nc" },
        { "empty last cell keeps its separator", R"({\rtf1 a\cell b\cell\cell\row})", "a\tb\t\n" },
        { "two rows", R"({\rtf1 a\cell b\cell\row c\cell d\cell\row})", "a\tb\nc\td\n" },
        { "nested table", R"({\rtf1 a\nestcell b\nestcell{\*\nesttableprops\nestrow}\cell\row})", "a\tb\t\n" },
    });
}

TEST(RtfReader, CodePagesOfDocumentAndFont)
{
    const std::string gbFonts = R"({\fonttbl{\f0\fcharset0 Arial;}{\f1\fcharset134 SimSun;})"
                                R"({\f2\fcharset1 Default;}{\f3\fcharset204 Cyr;}{\f4\cpg1253 Greek;}})";
    expectAll({
        { "windows-1252 by default", R"({\rtf1\ansi caf\'e9 \'80 \'93})", "caf\u00E9 \u20AC \u201C" },
        { "no code page word at all", R"({\rtf1 \'e9})", "\u00E9" },
        { "double-byte pairs in 936", R"({\rtf1\ansi\ansicpg936 \'c4\'e3\'ba\'c3})", "\u4F60\u597D" },
        { "raw bytes in 936", "{\\rtf1\\ansi\\ansicpg936 \xC4\xE3!}", "\u4F60!" },
        { "euro sign of 936", R"({\rtf1\ansi\ansicpg936 \'80})", "\u20AC" },
        { "a pair whose trail byte is an escaped brace", R"({\rtf1\ansicpg936 \'95\{})", "\u664E" },
        { "1251", R"({\rtf1\ansi\ansicpg1251 \'cf\'f0\'e8})", "\u041F\u0440\u0438" },
        { "932", R"({\rtf1\ansi\ansicpg932 \'82\'a0})", "\u3042" },
        { "unknown code page reads as 1252", R"({\rtf1\ansi\ansicpg99999 \'e9})", "\u00E9" },
        { "Macintosh", R"({\rtf1\mac \'8e})", "\u00E9" },
        { "PC 437", R"({\rtf1\pc \'82})", "\u00E9" },
        { "font charset wins over the document",
          R"({\rtf1\ansi\ansicpg1252\deff0)" + gbFonts + R"(\f1\'c4\'e3\f0\'e9\f3\'e4})", "\u4F60\u00E9\u0434" },
        { "default charset uses the document's", R"({\rtf1\ansi\ansicpg936\deff0)" + gbFonts + R"(\f2\'c4\'e3})",
          "\u4F60" },
        { "code page of the font", R"({\rtf1\deff0)" + gbFonts + R"(\f4\'e1})", "\u03B1" },
        { "default font applies before any font word", R"({\rtf1\ansi\deff1)" + gbFonts + R"(\'c4\'e3})", "\u4F60" },
        { "font returns at the group's end", R"({\rtf1\deff0)" + gbFonts + R"({\f1\'c4\'e3}\'e9})", "\u4F60\u00E9" },
        { "plain returns to the default font", R"({\rtf1\deff0)" + gbFonts + R"(\f1\'c4\'e3\plain\'e9})",
          "\u4F60\u00E9" },
        { "font table without inner groups", R"({\rtf1{\fonttbl\f0\fcharset134 A;\f1\fcharset0 B;}\f0\'c4\'e3})",
          "\u4F60" },
        { "font names are not text", R"({\rtf1\ansicpg936{\fonttbl{\f0\fcharset134 \'cb\'ce\'cc\'e5;}}x})", "x" },
    });
}

TEST(RtfReader, UnicodeAndItsFallback)
{
    expectAll({
        { "one fallback character by default", R"({\rtf1 \u20320?\u22909?})", "\u4F60\u597D" },
        { "negative means above 32767", R"({\rtf1 \u-3972?})", "\uF07C" },
        { "surrogate pair", R"({\rtf1 \u-10179?\u-8704?})", "\U0001F600" },
        { "LibreOffice's surrogate pair", R"({\rtf1 \uc0 \u55357\uc1 \u56832\'3f!})", "\U0001F600!" },
        { "lone surrogate", R"({\rtf1 \u-10179?x})", "\uFFFDx" },
        { "two-byte fallback", R"({\rtf1\uc2 \u20320\'c4\'e3!})", "\u4F60!" },
        { "no fallback", R"({\rtf1\uc0 \u20320 x})", "\u4F60x" },
        { "a control word is one fallback character", R"({\rtf1 \u20320\par x})", "\u4F60x" },
        { "uc ends with its group", R"({\rtf1{\uc2 \u20320??}\u22909?x})", "\u4F60\u597Dx" },
        { "a group end cuts the fallback short", R"({\rtf1{\uc3\u20320 a}b})", "\u4F60b" },
        { "fallback inside a skipped group is not counted outside", R"({\rtf1 \u20320{\*\x}y})", "\u4F60y" },
        { "code point above the BMP", R"({\rtf1\uc0 \u128512 })", "\U0001F600" },
        { "zero", R"({\rtf1 a\u0?b})", "ab" },
    });
}

TEST(RtfReader, TruncatedAndMalformedInputNeverFails)
{
    expectAll({
        { "no closing brace", R"({\rtf1 abc)", "abc" },
        { "one hex digit at the end", R"({\rtf1 a\'4)", "a" },
        { "no hex digit at the end", R"({\rtf1 a\')", "a" },
        { "one hex digit before text", R"({\rtf1 \'4x})", "x" },
        { "no hex digit before text", R"({\rtf1 \'xy})", "xy" },
        { "half a double-byte pair", R"({\rtf1\ansicpg936 a\'c4)", "a" },
        { "u without a number", R"({\rtf1 a\u)", "a" },
        { "u with a bare minus", R"({\rtf1 a\u-)", "a-" },
        { "u with a bare minus before text", R"({\rtf1 a\u-b})", "a-b" },
        { "u cut before its fallback", R"({\rtf1 a\u20320)", "a\u4F60" },
        { "backslash at the end", "{\\rtf1 a\\", "a" },
        { "star at the end", R"({\rtf1 a{\*)", "a" },
        { "extra closing braces", R"({\rtf1 a}}}b)", "a" },
        { "closing braces first", R"(}}}{\rtf1 a})", "a" },
        { "groups never closed", R"({\rtf1 {{{a)", "a" },
        { "no opening brace at all", "plain words", "" },
        { "empty", "", "" },
        { "only a brace", "{", "" },
        { "huge parameters", R"({\rtf1\ansicpg1000000000\f99999999999999999999\fs-99999999999999 a})", "a" },
        { "huge Unicode value", R"({\rtf1 \u1000000000 ab})", "b" },
        { "most negative Unicode value", R"({\rtf1 \u-2147483648 ab})", "b" },
        { "huge fallback count", R"({\rtf1\uc1000000000 \u20320 abc})", "\u4F60" },
        { "huge binary length", R"({\rtf1 a\bin1000000000 xyz})", "a" },
        { "negative binary length", R"({\rtf1 a\bin-5 b})", "ab" },
        { "NUL bytes in the text", "{\\rtf1 a\0b}"s, "ab" },
        { "WordPad's NUL after the document", "{\\rtf1 a}\r\n\0"s, "a" },
    });
}

TEST(RtfReader, DeepNestingIsCappedNotRecursed)
{
    const int n = 1000000;
    EXPECT_EQ(read(R"({\rtf1 )" + repeat("{", n) + "x" + repeat("}", n) + "y}"), "y");
    EXPECT_EQ(read(R"({\rtf1 )" + repeat("{", n)), "");
    EXPECT_EQ(read(R"({\rtf1 )" + repeat("{\\*", n) + "x"), "");
    // Nesting a document really uses keeps its text.
    const int shallow = RtfReader::MaxDepth - 2;
    EXPECT_EQ(read(R"({\rtf1 )" + repeat("{", shallow) + "x" + repeat("}", shallow) + "y}"), "xy");
    // The brace that closes the capped groups still closes the right ones.
    const int deep = RtfReader::MaxDepth * 2;
    EXPECT_EQ(read(R"({\rtf1 a{\*)" + repeat("{", deep) + "x" + repeat("}", deep) + "b}c}"), "ac");
}

TEST(RtfReader, LargeInputsFinish)
{
    const int n = 500000;
    // Each of these once took time out of proportion to its length in naive readers.
    const QString pairs = RtfReader::toPlainText(
        QByteArray::fromStdString(R"({\rtf1\ansicpg936 )" + repeat(R"(\'c4\'e3)", n) + R"(})"));
    EXPECT_EQ(pairs.size(), n);
    const QString unicode
        = RtfReader::toPlainText(QByteArray::fromStdString(R"({\rtf1 )" + repeat(R"(\u20320?\par )", n) + R"(})"));
    EXPECT_EQ(unicode.size(), 2 * n - 1);
    const QString cells = RtfReader::toPlainText(
        QByteArray::fromStdString(R"({\rtf1 )" + repeat(R"(a\cell\row{\f1\ansicpg1251\'e4})", n) + R"(})"));
    EXPECT_EQ(cells.size(), 3 * n);
    const QString word
        = RtfReader::toPlainText(QByteArray::fromStdString("{\\rtf1\\" + std::string(4000000, 'a') + " x}"));
    EXPECT_EQ(word, QStringLiteral("x"));
}

TEST(RtfReader, RecognisesDocumentsByContent)
{
    const struct
    {
        std::string bytes;
        bool rtf;
    } cases[] = {
        { R"({\rtf1\ansi x})", true },
        { "\xEF\xBB\xBF{\\rtf1 x}", true },
        { " \t\r\n{\\rtf1 x}", true },
        { "{\\rtf", true },
        { "{\\rt", false },
        { "x{\\rtf1}", false },
        { "{\\RTF1}", false },
        { "\xFF\xFE{\0\\\0r\0t\0f\0"s, false },
        { "", false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(RtfReader::isRtf(QByteArrayView(c.bytes.data(), static_cast<qsizetype>(c.bytes.size()))), c.rtf);
    }
}
