#pragma once

#include "formula/FormulaResultColumn.h"

#include <QAbstractTableModel>
#include <memory>
#include <vector>

class HistorySnapshot;

// The history grid: issue and the five numbers of every draw, oldest first,
// followed by optional formula result columns (hit cells green).
class HistoryTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kRawRole = Qt::UserRole; // the cell's value as a number, for sorting
    static constexpr int kFixedColumns = 6;

    explicit HistoryTableModel(QObject* parent = nullptr);

    void setHistory(std::shared_ptr<const HistorySnapshot> history);
    void setResultColumns(std::vector<FormulaResultColumn> columns);
    const HistorySnapshot* history() const { return m_history.get(); }
    int resultColumnCount() const { return static_cast<int>(m_results.size()); }
    const std::vector<FormulaResultColumn>& resultColumns() const { return m_results; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QVariant resultData(const FormulaResultColumn& column, int row, int role) const;

    std::shared_ptr<const HistorySnapshot> m_history;
    std::vector<FormulaResultColumn> m_results;
};
