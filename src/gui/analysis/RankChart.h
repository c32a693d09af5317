#pragma once

#include "analysis/RankHistogram.h"

#include <QWidget>

class QChartView;
class QLabel;

// How often the number really drawn stood at rank 1, 2, … R of the vote, as bars,
// with the flat line a vote that knows nothing would give, and under it how often
// the drawn number was among the numbers with the fewest votes against chance,
// and the chi-square test of the bars against that flat line with its p-value.
class RankChart : public QWidget {
    Q_OBJECT
public:
    explicit RankChart(QWidget* parent = nullptr);

    void setHistogram(const RankHistogram& histogram, int position);
    QString summaryText() const;
    QString significanceText() const;

    static QString significance(const RankHistogram& histogram);
    // Four decimals, or a power of ten below 0.0001.
    static QString pText(double p);

private:
    QChartView* m_view = nullptr;
    QLabel* m_summary = nullptr;
    QLabel* m_significance = nullptr;
};
