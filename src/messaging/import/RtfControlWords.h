#pragma once

#include <QtGlobal>
#include <string_view>
#include <unordered_map>

// The control words the RTF reader acts on; every other word is read and ignored.
namespace rtfwords {

enum class Kind : quint8 {
    Skip, // a destination whose text is not part of the body
    FontTable,
    Char,
    Par,
    Line,
    Tab,
    Cell,
    Row,
    Uc,
    U,
    Ansi,
    AnsiCpg,
    Mac,
    Pc,
    Pca,
    Deff,
    Font,
    FontCharset,
    Cpg,
    Plain,
    Hidden,
};

struct WordAction
{
    Kind kind;
    char16_t ch = 0;
};

/// Lookup by the word's letters, without the backslash and parameter.
const std::unordered_map<std::string_view, WordAction>& controlWords();

} // namespace rtfwords
