#pragma once

#include "analysis/CalculationResult.h"

#include <QChartView>

// The vote per number of one position as bars: quicker to read than the list.
class VoteBarChart : public QChartView {
    Q_OBJECT
public:
    VoteBarChart(const CalculationResult& result, int position, QWidget* parent = nullptr);
};
