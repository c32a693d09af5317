#include "analysis/TrendSheet.h"

#include "analysis/TrendChart.h"

namespace {

constexpr std::uint32_t kDrawnFill = 0xf4c7c3;
constexpr std::uint32_t kMarkedFill = 0xffd580;
const char* const kTableTitles[TrendSheet::kTableRows] = {"当前遗漏", "最大遗漏", "平均遗漏",
                                                          "出现次数", "理论次数", "最大连出"};

} // namespace

TrendSheet::TrendSheet(const TrendChart& chart) : m_chart(chart), m_fit(TrendFit::of(chart)) {}

int TrendSheet::rowCount() const { return m_chart.rowCount() + kTableRows + 1; }

int TrendSheet::columnCount() const { return 1 + m_chart.columnCount(); }

QString TrendSheet::header(int column) const
{
    return column == 0 ? QStringLiteral("期号") : m_chart.classes().labels.at(column - 1);
}

double TrendSheet::columnWidth(int column) const { return column == 0 ? 12.0 : 8.0; }

SheetCell TrendSheet::cell(int row, int column) const
{
    SheetCell cell;
    const int c = column - 1;
    if (row < m_chart.rowCount()) {
        if (column == 0) {
            cell.text = m_chart.issue(row);
        } else if (m_chart.omission(row, c) == 0) {
            cell.text = m_chart.classes().labels.at(c);
            cell.fill = kDrawnFill;
        } else {
            cell.number = m_chart.omission(row, c);
        }
        return cell;
    }
    const int tableRow = row - m_chart.rowCount();
    if (tableRow == kTableRows) {
        if (column == 0)
            cell.text = QStringLiteral("卡方检验");
        else if (column == 1 && m_fit)
            cell.text = QStringLiteral("卡方 %1，自由度 %2，p = %3（这张表与随机开奖相符的程度）")
                            .arg(m_fit->chiSquare, 0, 'f', 2)
                            .arg(m_fit->degreesOfFreedom)
                            .arg(m_fit->pValue, 0, 'g', 3);
        return cell;
    }
    if (column == 0) {
        cell.text = QString::fromUtf8(kTableTitles[tableRow]);
        return cell;
    }
    const OmissionStats& s = m_chart.omissionTable()[static_cast<size_t>(c)];
    switch (tableRow) {
    case 0: cell.number = s.current; break;
    case 1: cell.number = s.max; break;
    case 2: cell.number = s.average; break;
    case 3:
        cell.number = s.frequency;
        if (s.marked)
            cell.fill = kMarkedFill;
        break;
    case 4: cell.number = s.expected; break;
    default: cell.number = s.maxRun; break;
    }
    return cell;
}
