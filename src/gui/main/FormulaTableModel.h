#pragma once

#include "analysis/FormulaGridSheet.h"
#include "formula/TableScorer.h"

#include <QAbstractTableModel>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

// The formula list: 序号, 公式, 种类, 生杀, 计算值, the five statistics and the
// chance baseline (随机期望, 超随机Z), one row per listed formula in the order
// given. 序号 is blue for a selected formula; 计算值 is shown for selected
// formulas only. The chance columns are always there; the view hides them when
// the setting says so.
class FormulaTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kRawRole = Qt::UserRole; // the cell's value as a number, for sorting
    static constexpr int kIdxRole = Qt::UserRole + 1;
    static constexpr int kColumns = FormulaGridSheet::kColumns;

    // The shown table's selection, read whenever a cell is drawn (the shown table
    // changes); nothing reads as every formula selected.
    using SelectionSource = std::function<const FormulaSelection*()>;

    explicit FormulaTableModel(SelectionSource selection, QObject* parent = nullptr);

    void setRows(std::vector<ScoredFormula> rows);
    const std::vector<ScoredFormula>& rows() const { return m_rows; }
    std::vector<int> idxs() const;
    int idxAt(int row) const;

    // "第一直选": the position and kind caption shown in 种类.
    void setKindLabel(const QString& label);
    void setWeighted(bool weighted);
    void setShowCode(bool showCode);
    // Whether the chance columns are shown (and copied to the spreadsheet).
    void setShowChance(bool showChance) { m_showChance = showChance; }
    bool showsChance() const { return m_showChance; }
    bool showsCode() const { return m_showCode; }
    // Marks in green the 计算值 cells whose 种类 and 计算值 texts equal these; nothing clears it.
    void setHighlight(std::optional<std::pair<QString, QString>> kindAndValue);
    // What the grid shows besides the rows: label, heading, code forms, selection, highlight.
    FormulaGridView view() const;
    // Call after the selection changed: repaints 序号 and 计算值.
    void selectionChanged();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QString text(const ScoredFormula& formula, int column) const;
    QVariant raw(const ScoredFormula& formula, int column) const;

    bool isSelected(int idx) const;

    SelectionSource m_selection;
    std::vector<ScoredFormula> m_rows;
    QString m_kindLabel;
    bool m_weighted = true;
    bool m_showCode = false;
    bool m_showChance = true;
    std::optional<std::pair<QString, QString>> m_highlight;
};
