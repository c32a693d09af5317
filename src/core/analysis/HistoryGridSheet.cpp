#include "analysis/HistoryGridSheet.h"

#include "history/HistorySnapshot.h"

#include <cmath>

HistoryGridSheet::HistoryGridSheet(const HistorySnapshot& history, const std::vector<FormulaResultColumn>& columns)
    : m_history(history),
      m_columns(columns)
{}

QString HistoryGridSheet::fixedHeader(int column)
{
    static const char* const kHeadings[] = {"期号", "第一", "第二", "第三", "第四", "第五"};
    return column >= 0 && column < kFixedColumns ? QString::fromUtf8(kHeadings[column]) : QString();
}

int HistoryGridSheet::rowCount() const { return m_history.size(); }

QString HistoryGridSheet::header(int column) const
{
    if (column < kFixedColumns)
        return fixedHeader(column);
    return m_columns[static_cast<size_t>(column - kFixedColumns)].header;
}

double HistoryGridSheet::columnWidth(int column) const { return column == 0 ? 14.0 : 6.0; }

SheetCell HistoryGridSheet::cell(int row, int column) const
{
    SheetCell cell;
    if (column == 0) {
        cell.text = m_history.issue(row);
        return cell;
    }
    if (column < kFixedColumns) {
        cell.number = m_history.number(row, column);
        cell.twoDigits = true;
        return cell;
    }
    const FormulaResultColumn& result = m_columns[static_cast<size_t>(column - kFixedColumns)];
    const auto r = static_cast<size_t>(row);
    if (!result.values.empty()) {
        if (r < result.values.size() && std::isfinite(result.values[r]))
            cell.number = result.values[r];
        return cell;
    }
    if (r < result.numbers.size() && result.numbers[r] != FormulaResultColumn::kEmpty) {
        cell.number = result.numbers[r];
        if (r < result.hits.size() && result.hits[r])
            cell.fill = 0x00FF00;
    }
    return cell;
}
