#include "gui/main/FormulaTableModel.h"

#include "analysis/FormulaGridSheet.h"
#include "formula/FormulaRanking.h"
#include "formula/FormulaSelection.h"

#include <QApplication>
#include <QBrush>
#include <QColor>
#include <QPalette>

FormulaTableModel::FormulaTableModel(SelectionSource selection, QObject* parent)
    : QAbstractTableModel(parent),
      m_selection(std::move(selection))
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

bool FormulaTableModel::isSelected(int idx) const
{
    const FormulaSelection* selection = m_selection();
    return !selection || selection->isSelected(idx);
}

int FormulaTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int FormulaTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

FormulaGridView FormulaTableModel::view() const
{
    FormulaGridView view;
    view.kindLabel = m_kindLabel;
    view.weighted = m_weighted;
    view.showCode = m_showCode;
    view.showChance = m_showChance;
    view.selection = m_selection();
    view.highlight = m_highlight;
    return view;
}

QString FormulaTableModel::text(const ScoredFormula& formula, int column) const
{
    return FormulaGridSheet::text(formula, column, view());
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
    case Qt::ToolTipRole: {
        // Why a formula is not scored, or never predicts, shows on its whole row.
        const QString why = !formula.evaluable ? formula.error : formula.note;
        if (column == 1) {
            const QString texts = formula.record.chinese + u'\n' + formula.record.code;
            return why.isEmpty() ? texts : QString(texts + QStringLiteral("\n\n") + why);
        }
        if (column == FormulaGridSheet::kZColumn && formula.record.statistics.hasChance())
            return QStringLiteral("正确率比随机期望高出 %1 个标准差")
                .arg(FormulaGridSheet::zText(formula.record.statistics));
        return why.isEmpty() ? QVariant() : QVariant(why);
    }
    case Qt::TextAlignmentRole:
        return column == 1 ? QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter)
                           : QVariant::fromValue(Qt::AlignCenter);
    case Qt::BackgroundRole:
        if (column == 0)
            return isSelected(formula.record.idx) ? QBrush(QColor(0, 0, 255))
                                                  : QApplication::palette().brush(QPalette::Button);
        if (column == 4) {
            const bool same =
                m_highlight && m_highlight->first == text(formula, 2) && m_highlight->second == text(formula, 4);
            return QBrush(same ? QColor(0, 255, 0) : QColor(255, 255, 255));
        }
        return {};
    case Qt::ForegroundRole:
        if (column == 0 && isSelected(formula.record.idx))
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
    return FormulaGridSheet::headerText(section, m_weighted);
}
