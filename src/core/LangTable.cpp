#include "LangTable.h"

namespace {
bool inGrid(int column, int row)
{
    return column >= 0 && column < LangTable::Columns && row >= 0 && row < LangTable::Rows;
}
} // namespace

const QString& LangTable::text(int column, int row) const
{
    static const QString empty;
    return inGrid(column, row) && m_cells[column] ? (*m_cells[column])[row] : empty;
}

void LangTable::set(int column, int row, const QString& value)
{
    if (!inGrid(column, row) || (!m_cells[column] && value.isEmpty())) {
        return;
    }
    if (!m_cells[column]) {
        m_cells[column] = std::make_unique<Column>();
    }
    (*m_cells[column])[row] = value;
}

void LangTable::copyColumn(int from, int to)
{
    if (!inGrid(from, 0) || !inGrid(to, 0) || from == to) {
        return;
    }
    if (!m_cells[from]) {
        m_cells[to].reset();
    } else if (m_cells[to]) {
        *m_cells[to] = *m_cells[from];
    } else {
        m_cells[to] = std::make_unique<Column>(*m_cells[from]);
    }
}

void LangTable::clear()
{
    for (auto& column : m_cells) {
        column.reset();
    }
}

QString withNumber(const QString& text, long long number)
{
    QString result = text;
    return result.replace(QStringLiteral("%n"), QString::number(number));
}
