#pragma once

#include <QString>
#include <array>
#include <memory>

// The grid of user-interface texts: column 0 is the active language, column k (1..100) language k,
// row 0 a language's name. Unset cells and indexes outside the grid read as empty text.
class LangTable
{
public:
    static constexpr int Columns = 101;
    static constexpr int Rows = 201;

    const QString& text(int column, int row) const;
    void set(int column, int row, const QString& value);
    /// Column 0, the active language: what every window reads.
    const QString& operator[](int row) const { return text(0, row); }
    /// Row copy of a whole column, used when a language is selected.
    void copyColumn(int from, int to);
    void clear();

private:
    using Column = std::array<QString, Rows>;
    // A column is made when first written: a language file names a few of the hundred languages, and
    // the whole grid would take half a megabyte.
    std::array<std::unique_ptr<Column>, Columns> m_cells;
};

/// Fills column 1 with the built-in Simplified Chinese texts; other rows and columns stay as they are.
void LoadBuiltInTexts(LangTable& table);

/// Row text with every "%n" replaced by number.
QString withNumber(const QString& text, long long number);
