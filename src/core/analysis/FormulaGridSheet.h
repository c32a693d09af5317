#pragma once

#include "analysis/GridSpreadsheet.h"
#include "formula/TableScorer.h"

#include <optional>
#include <utility>
#include <vector>

class FormulaSelection;

// What the formula list shows besides the formulas themselves.
struct FormulaGridView {
    QString kindLabel; // "第一直选", the 种类 column
    bool weighted = true; // the rate heading names the weighting
    bool showCode = false; // 公式 shows the code form
    bool showChance = true; // 随机期望 and 超随机Z follow the five statistics
    const FormulaSelection* selection = nullptr; // nullptr: every formula selected
    // 计算值 cells whose 种类 and 计算值 texts equal these are green.
    std::optional<std::pair<QString, QString>> highlight;
};

// The formula grid (MSFlexGrid2) as texts and colours: 序号, 公式, 种类, 生杀, 计算值,
// the five statistics and, unless hidden, the chance baseline (随机期望, 超随机Z).
// The list window shows these texts; the spreadsheet copy (gongshi.xlsx) writes
// them with the same colours.
class FormulaGridSheet : public SheetSource {
public:
    static constexpr int kColumns = 12;
    static constexpr int kChanceColumns = 2; // the last two
    static constexpr int kExpectedRateColumn = 10;
    static constexpr int kZColumn = 11;
    static QString fileName() { return QStringLiteral("gongshi.xlsx"); }

    FormulaGridSheet(const std::vector<ScoredFormula>& rows, FormulaGridView view);

    static QString headerText(int column, bool weighted);
    static QString text(const ScoredFormula& formula, int column, const FormulaGridView& view);
    static bool isSelected(const ScoredFormula& formula, const FormulaGridView& view);
    // "90.9091%" and "2.35"; empty when not measured.
    static QString expectedRateText(const FormulaStatistics& statistics);
    static QString zText(const FormulaStatistics& statistics);

    int rowCount() const override { return static_cast<int>(m_rows.size()); }
    int columnCount() const override { return m_view.showChance ? kColumns : kColumns - kChanceColumns; }
    QString header(int column) const override { return headerText(column, m_view.weighted); }
    double columnWidth(int column) const override;
    SheetCell cell(int row, int column) const override;

private:
    const std::vector<ScoredFormula>& m_rows;
    FormulaGridView m_view;
};
