#pragma once

#include <QString>
#include <optional>

// Small text procedures shared by the settings file, the language file and the dialogs.
namespace text {

/// The text between the first open tag and the first close tag after it, when both are present.
std::optional<QString> between(const QString& text, const QString& open, const QString& close);

/// Leading-number parse: blanks skipped, optional sign, digits with an optional decimal point;
/// stops at the first character that cannot continue the number. No number gives 0.
double leadingNumber(const QString& text);

/// Full-width forms (U+FF01..U+FF5E and the ideographic space) to their half-width forms.
QString narrow(const QString& text);

/// Non-overlapping occurrences of needle in text, scanned from the left; 0 when either is empty.
int CountOccurrences(const QString& needle, const QString& text);

/// Round half to even, as the settings readers store whole numbers.
double roundHalfEven(double value);

/// Blanks (U+0020) trimmed from both ends; other white space stays.
QString trimBlanks(const QString& text);

} // namespace text
