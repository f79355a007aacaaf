#include "messaging/import/RtfCodePages.h"

namespace rtfcodepages {

namespace {

// Code pages a document may name, with the converter that reads them. Only these are ever looked up,
// so that a document cannot make us build converters without end; any other number reads as 1252.
struct CodePageName
{
    int codePage;
    const char* name;
};

constexpr CodePageName CodePageNames[] = {
    { 437, "CP437" },         { 737, "CP737" },         { 775, "CP775" },         { 850, "CP850" },
    { 852, "CP852" },         { 855, "CP855" },         { 857, "CP857" },         { 860, "CP860" },
    { 861, "CP861" },         { 862, "CP862" },         { 863, "CP863" },         { 864, "CP864" },
    { 865, "CP865" },         { 866, "CP866" },         { 869, "CP869" },         { 874, "windows-874" },
    { 932, "windows-932" },   { 936, "windows-936" },   { 949, "windows-949" },   { 950, "windows-950" },
    { 1250, "windows-1250" }, { 1251, "windows-1251" }, { 1252, "windows-1252" }, { 1253, "windows-1253" },
    { 1254, "windows-1254" }, { 1255, "windows-1255" }, { 1256, "windows-1256" }, { 1257, "windows-1257" },
    { 1258, "windows-1258" }, { 10000, "macintosh" },   { 20127, "US-ASCII" },    { 20866, "KOI8-R" },
    { 20932, "EUC-JP" },      { 20936, "GB2312" },      { 21866, "KOI8-U" },      { 28591, "ISO-8859-1" },
    { 28592, "ISO-8859-2" },  { 28595, "ISO-8859-5" },  { 28597, "ISO-8859-7" },  { 28605, "ISO-8859-15" },
    { 51932, "EUC-JP" },      { 51936, "GB2312" },      { 51949, "EUC-KR" },      { 54936, "GB18030" },
    { 65001, "UTF-8" },
};

const char* converterName(int codePage)
{
    for (const CodePageName& entry : CodePageNames) {
        if (entry.codePage == codePage) {
            return entry.name;
        }
    }
    return nullptr;
}

} // namespace

int ofCharset(int charset)
{
    switch (charset) {
    case 0:
        return 1252;
    case 77:
        return 10000;
    case 128:
        return 932;
    case 129:
        return 949;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 254:
        return 437;
    case 255:
        return 850;
    default:
        return 0; // DEFAULT_CHARSET, SYMBOL_CHARSET and the unknown
    }
}

bool isKnown(int codePage)
{
    return converterName(codePage) != nullptr;
}

QStringDecoder decoder(int codePage)
{
    const char* name = converterName(codePage);
    QStringDecoder made(name ? name : "windows-1252", QStringDecoder::Flag::Stateless);
    if (!made.isValid()) {
        made = QStringDecoder("windows-1252", QStringDecoder::Flag::Stateless);
    }
    if (!made.isValid()) {
        made = QStringDecoder(QStringDecoder::Latin1, QStringDecoder::Flag::Stateless);
    }
    return made;
}

} // namespace rtfcodepages
