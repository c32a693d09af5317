#include "gui/main/HistoryTableModel.h"

#include "history/HistorySnapshot.h"

#include <QBrush>
#include <QColor>
#include <cmath>

HistoryTableModel::HistoryTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void HistoryTableModel::setHistory(std::shared_ptr<const HistorySnapshot> history)
{
    beginResetModel();
    m_history = std::move(history);
    m_results.clear();
    endResetModel();
}

void HistoryTableModel::setResultColumns(std::vector<FormulaResultColumn> columns)
{
    beginResetModel();
    m_results = std::move(columns);
    endResetModel();
}

int HistoryTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !m_history ? 0 : m_history->size();
}

int HistoryTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kFixedColumns + static_cast<int>(m_results.size());
}

QVariant HistoryTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !m_history || index.row() >= m_history->size())
        return {};
    const int row = index.row();
    const int column = index.column();
    if (column >= kFixedColumns)
        return resultData(m_results[static_cast<size_t>(column - kFixedColumns)], row, role);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignCenter);
    if (column == 0) {
        if (role == Qt::DisplayRole || role == kRawRole)
            return m_history->issue(row);
        return {};
    }
    const int number = m_history->number(row, column);
    if (role == Qt::DisplayRole)
        return QStringLiteral("%1").arg(number, 2, 10, QChar(u'0'));
    if (role == kRawRole)
        return number;
    return {};
}

QVariant HistoryTableModel::resultData(const FormulaResultColumn& column, int row, int role) const
{
    const auto r = static_cast<size_t>(row);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignCenter);
    if (role == Qt::ToolTipRole)
        return column.toolTip;
    if (!column.values.empty()) {
        const double value = r < column.values.size() ? column.values[r] : NAN;
        if (!std::isfinite(value))
            return {};
        if (role == Qt::DisplayRole)
            return QString::number(value, 'g', 10);
        if (role == kRawRole)
            return value;
        return {};
    }
    if (r >= column.numbers.size() || column.numbers[r] == FormulaResultColumn::kEmpty)
        return {};
    if (role == Qt::DisplayRole || role == kRawRole)
        return static_cast<int>(column.numbers[r]);
    if (role == Qt::BackgroundRole && r < column.hits.size() && column.hits[r])
        return QBrush(QColor(0, 255, 0));
    return {};
}

QVariant HistoryTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (orientation == Qt::Vertical)
        return section + 1;
    static const char* const kHeadings[] = {"期号", "第一", "第二", "第三", "第四", "第五"};
    if (section >= 0 && section < kFixedColumns)
        return QString::fromUtf8(kHeadings[section]);
    const auto i = static_cast<size_t>(section - kFixedColumns);
    return i < m_results.size() ? QVariant(m_results[i].header) : QVariant();
}
