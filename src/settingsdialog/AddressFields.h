#pragma once

#include <QString>

// The three address boxes of the settings dialog (prefix, first and last sub-address) and the
// tidy-up that Apply runs on them before saving. Typing is never checked; this is the only place
// where bad input is corrected, silently.
struct AddressFields
{
    QString prefix; // Text1
    QString start; // Text2
    QString end; // Text3

    /// Full stops of any width in the prefix become ".", full-width forms half-width; the
    /// sub-addresses become their leading numbers with 1 <= start < end <= 255 for whole numbers.
    /// A fraction passes unchanged. The prefix is not trimmed here: the writer trims all three.
    AddressFields tidied() const;

    /// A number as the boxes show it: no exponent, no trailing zeros (2 -> "2", 2.5 -> "2.5").
    static QString numberText(double value);
};
