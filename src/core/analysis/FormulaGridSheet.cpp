#include "analysis/FormulaGridSheet.h"

#include "formula/FormulaSelection.h"

namespace {

constexpr std::uint32_t kBlue = 0x0000FF;
constexpr std::uint32_t kGreen = 0x00FF00;
constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kButtonFace = 0xF0F0F0;
constexpr std::uint32_t kRed = 0xFF0000;

} // namespace

FormulaGridSheet::FormulaGridSheet(const std::vector<ScoredFormula>& rows, FormulaGridView view)
    : m_rows(rows),
      m_view(std::move(view))
{}

QString FormulaGridSheet::headerText(int column, bool weighted)
{
    switch (column) {
    case 0: return QStringLiteral("序号");
    case 1: return QStringLiteral("公式");
    case 2: return QStringLiteral("种类");
    case 3: return QStringLiteral("生杀");
    case 4: return QStringLiteral("计算值");
    case 5: return weighted ? QStringLiteral("正确率（加权算法）") : QStringLiteral("正确率");
    case 6: return QStringLiteral("最大连错");
    case 7: return QStringLiteral("最大连对");
    case 8: return QStringLiteral("最后连错");
    case 9: return QStringLiteral("最后连对");
    case kExpectedRateColumn: return QStringLiteral("随机期望");
    case kZColumn: return QStringLiteral("超随机Z");
    default: return {};
    }
}

bool FormulaGridSheet::isSelected(const ScoredFormula& formula, const FormulaGridView& view)
{
    return !view.selection || view.selection->isSelected(formula.record.idx);
}

QString FormulaGridSheet::text(const ScoredFormula& formula, int column, const FormulaGridView& view)
{
    const FormulaRecord& r = formula.record;
    switch (column) {
    case 0: return QString::number(r.idx);
    case 1: return view.showCode ? r.code : r.chinese;
    case 2: return view.kindLabel;
    case 3: return r.kill ? QStringLiteral("杀") : QStringLiteral("生");
    case 4: return isSelected(formula, view) && formula.nextNumber ? QString::number(*formula.nextNumber) : QString();
    case 5: return formula.evaluable ? formula.rateText : QStringLiteral("无法计算");
    case 6: return QString::number(r.statistics.longestMissRun);
    case 7: return QString::number(r.statistics.longestHitRun);
    case 8: return QString::number(r.statistics.lastMissRun);
    case 9: return QString::number(r.statistics.lastHitRun);
    case kExpectedRateColumn: return formula.evaluable ? expectedRateText(r.statistics) : QString();
    case kZColumn: return formula.evaluable ? zText(r.statistics) : QString();
    default: return {};
    }
}

QString FormulaGridSheet::expectedRateText(const FormulaStatistics& statistics)
{
    return statistics.hasChance() ? QString(QString::number(statistics.expectedRate, 'f', 4) + u'%') : QString();
}

QString FormulaGridSheet::zText(const FormulaStatistics& statistics)
{
    return statistics.hasChance() ? QString::number(statistics.z, 'f', 2) : QString();
}

double FormulaGridSheet::columnWidth(int column) const
{
    switch (column) {
    case 1: return 48.0;
    case 2: return 12.0;
    case 5: return 30.0;
    case kExpectedRateColumn: return 12.0;
    default: return 9.0;
    }
}

SheetCell FormulaGridSheet::cell(int row, int column) const
{
    const ScoredFormula& formula = m_rows[static_cast<size_t>(row)];
    SheetCell cell;
    cell.text = text(formula, column, m_view);
    const bool numeric = column == 0 || column == 4 || (column >= 6 && column <= 9);
    if (numeric && !cell.text.isEmpty())
        cell.number = cell.text.toDouble();
    if (column == 0) {
        const bool selected = isSelected(formula, m_view);
        cell.fill = selected ? kBlue : kButtonFace;
        if (selected)
            cell.font = kWhite;
    } else if (column == 4) {
        const bool same = m_view.highlight && m_view.highlight->first == text(formula, 2, m_view) &&
                          m_view.highlight->second == cell.text;
        cell.fill = same ? kGreen : kWhite;
        cell.font = kBlue;
    } else if (column == 5 && !formula.evaluable) {
        cell.font = kRed;
    }
    return cell;
}
