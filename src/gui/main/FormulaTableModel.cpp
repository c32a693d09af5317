#include "gui/main/FormulaTableModel.h"

#include "formula/FormulaRanking.h"
#include "formula/FormulaSelection.h"

#include <QApplication>
#include <QBrush>
#include <QColor>
#include <QPalette>

FormulaTableModel::FormulaTableModel(const FormulaSelection& selection, QObject* parent)
    : QAbstractTableModel(parent),
      m_selection(selection)
{}

void FormulaTableModel::setRows(std::vector<ScoredFormula> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

std::vector<int> FormulaTableModel::idxs() const
{
    std::vector<int> result;
    result.reserve(m_rows.size());
    for (const ScoredFormula& row : m_rows)
        result.push_back(row.record.idx);
    return result;
}

int FormulaTableModel::idxAt(int row) const
{
    return row >= 0 && row < rowCount() ? m_rows[static_cast<size_t>(row)].record.idx : 0;
}

void FormulaTableModel::setKindLabel(const QString& label)
{
    m_kindLabel = label;
    if (!m_rows.empty())
        emit dataChanged(index(0, 2), index(rowCount() - 1, 2));
}

void FormulaTableModel::setWeighted(bool weighted)
{
    m_weighted = weighted;
    emit headerDataChanged(Qt::Horizontal, 5, 5);
}

void FormulaTableModel::setShowCode(bool showCode)
{
    m_showCode = showCode;
    if (!m_rows.empty())
        emit dataChanged(index(0, 1), index(rowCount() - 1, 1));
}

void FormulaTableModel::setHighlight(std::optional<std::pair<QString, QString>> kindAndValue)
{
    m_highlight = std::move(kindAndValue);
    if (!m_rows.empty())
        emit dataChanged(index(0, 4), index(rowCount() - 1, 4));
}

void FormulaTableModel::selectionChanged()
{
    if (!m_rows.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, 4));
}

int FormulaTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int FormulaTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

QString FormulaTableModel::text(const ScoredFormula& formula, int column) const
{
    const FormulaRecord& r = formula.record;
    switch (column) {
    case 0: return QString::number(r.idx);
    case 1: return m_showCode ? r.code : r.chinese;
    case 2: return m_kindLabel;
    case 3: return r.kill ? QStringLiteral("杀") : QStringLiteral("生");
    case 4:
        return m_selection.isSelected(r.idx) && formula.nextNumber ? QString::number(*formula.nextNumber) : QString();
    case 5: return formula.evaluable ? formula.rateText : QStringLiteral("无法计算");
    case 6: return QString::number(r.statistics.longestMissRun);
    case 7: return QString::number(r.statistics.longestHitRun);
    case 8: return QString::number(r.statistics.lastMissRun);
    case 9: return QString::number(r.statistics.lastHitRun);
    default: return {};
    }
}

QVariant FormulaTableModel::raw(const ScoredFormula& formula, int column) const
{
    if (FormulaRanking::isStatisticColumn(column))
        return FormulaRanking::key(formula.record, column);
    if (column == 0)
        return formula.record.idx;
    if (column == 4)
        return formula.nextNumber ? QVariant(*formula.nextNumber) : QVariant();
    return text(formula, column);
}

QVariant FormulaTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const ScoredFormula& formula = m_rows[static_cast<size_t>(index.row())];
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole: return text(formula, column);
    case kRawRole: return raw(formula, column);
    case kIdxRole: return formula.record.idx;
    case Qt::ToolTipRole:
        if (column == 1)
            return QString(formula.record.chinese + u'\n' + formula.record.code);
        if (column == 5 && !formula.evaluable)
            return formula.error;
        return {};
    case Qt::TextAlignmentRole:
        return column == 1 ? QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter)
                           : QVariant::fromValue(Qt::AlignCenter);
    case Qt::BackgroundRole:
        if (column == 0)
            return m_selection.isSelected(formula.record.idx) ? QBrush(QColor(0, 0, 255))
                                                              : QApplication::palette().brush(QPalette::Button);
        if (column == 4) {
            const bool same =
                m_highlight && m_highlight->first == text(formula, 2) && m_highlight->second == text(formula, 4);
            return QBrush(same ? QColor(0, 255, 0) : QColor(255, 255, 255));
        }
        return {};
    case Qt::ForegroundRole:
        if (column == 0 && m_selection.isSelected(formula.record.idx))
            return QBrush(Qt::white);
        if (column == 4)
            return QBrush(QColor(0, 0, 255));
        if (column == 5 && !formula.evaluable)
            return QBrush(Qt::red);
        return {};
    default: return {};
    }
}

QVariant FormulaTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case 0: return QStringLiteral("序号");
    case 1: return QStringLiteral("公式");
    case 2: return QStringLiteral("种类");
    case 3: return QStringLiteral("生杀");
    case 4: return QStringLiteral("计算值");
    case 5: return m_weighted ? QStringLiteral("正确率（加权算法）") : QStringLiteral("正确率");
    case 6: return QStringLiteral("最大连错");
    case 7: return QStringLiteral("最大连对");
    case 8: return QStringLiteral("最后连错");
    case 9: return QStringLiteral("最后连对");
    default: return {};
    }
}
