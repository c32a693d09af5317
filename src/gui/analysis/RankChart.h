#pragma once

#include "analysis/RankHistogram.h"

#include <QWidget>

class QChartView;
class QLabel;

// How often the number really drawn stood at rank 1, 2, … R of the vote, as bars,
// with the flat line a vote that knows nothing would give, and under it how often
// the drawn number was among the numbers with the fewest votes against chance.
class RankChart : public QWidget {
    Q_OBJECT
public:
    explicit RankChart(QWidget* parent = nullptr);

    void setHistogram(const RankHistogram& histogram, int position);
    QString summaryText() const;

private:
    QChartView* m_view = nullptr;
    QLabel* m_summary = nullptr;
};
