#pragma once

#include "analysis/GridSpreadsheet.h"
#include "analysis/TrendFit.h"

#include <optional>

class TrendChart;

// The trend chart and its omission table as one spreadsheet grid: 期号 and one
// column per chart column; a row per counted draw (the drawn cells filled and
// named, the others their running omission), then the table's rows under it,
// the marked counts filled, and last the fit to chance.
class TrendSheet : public SheetSource {
public:
    static constexpr int kTableRows = 6;
    static QString fileName() { return QStringLiteral("zoushi.xlsx"); }

    explicit TrendSheet(const TrendChart& chart);

    int rowCount() const override;
    int columnCount() const override;
    QString header(int column) const override;
    double columnWidth(int column) const override;
    SheetCell cell(int row, int column) const override;

private:
    const TrendChart& m_chart;
    std::optional<TrendFit> m_fit;
};
