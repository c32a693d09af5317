#pragma once

#include "analysis/GridSpreadsheet.h"
#include "formula/FormulaResultColumn.h"

#include <vector>

class HistorySnapshot;

// The history grid (MSFlexGrid1) as texts and colours: 期号, the five numbers,
// then the formula result columns with their hit cells green. The spreadsheet
// copy is lishi.xlsx.
class HistoryGridSheet : public SheetSource {
public:
    static constexpr int kFixedColumns = 6;
    static QString fileName() { return QStringLiteral("lishi.xlsx"); }
    static QString questionTitle() { return QStringLiteral("查询等待确认"); }
    static QString question()
    {
        return QStringLiteral("将本表导出到EXCEL，因为公式每一期验证数据较多可能需要数分钟，确认需要执行并等待吗？");
    }

    HistoryGridSheet(const HistorySnapshot& history, const std::vector<FormulaResultColumn>& columns);

    static QString fixedHeader(int column);

    int rowCount() const override;
    int columnCount() const override { return kFixedColumns + static_cast<int>(m_columns.size()); }
    QString header(int column) const override;
    double columnWidth(int column) const override;
    SheetCell cell(int row, int column) const override;

private:
    const HistorySnapshot& m_history;
    const std::vector<FormulaResultColumn>& m_columns;
};
