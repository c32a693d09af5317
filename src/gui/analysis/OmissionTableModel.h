#pragma once

#include "analysis/TrendChart.h"

#include <QAbstractTableModel>
#include <vector>

// The 遗漏 table under the trend chart: one column per chart column, so each
// number's figures stand under its column, and one row per figure. A column
// whose count is far from chance (OmissionStats::marked) has its count coloured.
class OmissionTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Row { Current, Max, Average, Frequency, Expected, MaxRun, kRows };

    using QAbstractTableModel::QAbstractTableModel;

    void setChart(const TrendChart& chart);
    const std::vector<OmissionStats>& stats() const { return m_stats; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QStringList m_labels;
    std::vector<OmissionStats> m_stats;
};
