#include "gui/analysis/OmissionTableModel.h"

#include <QBrush>
#include <QFont>

namespace {

const char* const kRowTitles[OmissionTableModel::kRows] = {"当前遗漏", "最大遗漏", "平均遗漏",
                                                           "出现次数", "理论次数", "最大连出"};
const char* const kRowTips[OmissionTableModel::kRows] = {
    "距该号码上次开出的期数；最新一期开出为 0，统计期内从未开出则为统计期数",
    "统计期内连续未开出的最长期数（含当前这一段）",
    "统计期内各段未开出期数的平均：(期数 − 出现次数) ÷ (出现次数 + 1)",
    "统计期内开出的次数",
    "纯随机开奖时应开出的次数：期数 × 该列的机会（各列的机会见说明书“走势图”）",
    "统计期内连续开出的最长期数",
};

} // namespace

void OmissionTableModel::setChart(const TrendChart& chart)
{
    beginResetModel();
    m_labels = chart.classes().labels;
    m_stats = chart.omissionTable();
    endResetModel();
}

int OmissionTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kRows; }

int OmissionTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_stats.size());
}

QVariant OmissionTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const OmissionStats& s = m_stats[static_cast<size_t>(index.column())];
    switch (role) {
    case Qt::DisplayRole:
        switch (index.row()) {
        case Current: return s.current;
        case Max: return s.max;
        // Whole numbers from 100 up, so the figure fits its column.
        case Average: return QString::number(s.average, 'f', s.average >= 100 ? 0 : 1);
        case Frequency: return s.frequency;
        case Expected: return QString::number(s.expected, 'f', s.expected >= 100 ? 0 : 1);
        case MaxRun: return s.maxRun;
        default: return {};
        }
    case Qt::TextAlignmentRole: return static_cast<int>(Qt::AlignCenter);
    case Qt::ForegroundRole:
        // The current run is the longest one seen: worth a look, though chance alone makes such runs.
        if (index.row() == Current && s.current > 0 && s.current == s.max)
            return QBrush(Qt::red);
        return {};
    case Qt::BackgroundRole:
        if (index.row() == Frequency && s.marked)
            return QBrush(QColor(0xff, 0xd5, 0x80));
        return {};
    case Qt::ToolTipRole:
        if (index.row() == Frequency && s.marked)
            return QStringLiteral("出现次数离理论次数较远（z = %1）；列数多时，纯随机开奖也常有几列如此。")
                .arg(s.z, 0, 'f', 1);
        return {};
    default: return {};
    }
}

QVariant OmissionTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal) {
        if (role == Qt::DisplayRole && section < m_labels.size())
            return m_labels.at(section);
        return {};
    }
    if (section < 0 || section >= kRows)
        return {};
    if (role == Qt::DisplayRole)
        return QString::fromUtf8(kRowTitles[section]);
    if (role == Qt::ToolTipRole)
        return QString::fromUtf8(kRowTips[section]);
    return {};
}
