#include "gui/analysis/VoteBarChart.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QFont>
#include <QValueAxis>
#include <algorithm>

VoteBarChart::VoteBarChart(const CalculationResult& result, int position, QWidget* parent) : QChartView(parent)
{
    setObjectName(QStringLiteral("VoteBarChart%1").arg(position));
    auto* set = new QBarSet(QStringLiteral("杀留Err值"));
    QStringList categories;
    int largest = 0;
    for (int n = 1; n <= result.range; ++n) {
        const int vote = result.tally(position, n).vote;
        *set << vote;
        largest = std::max(largest, vote);
        categories << QString::number(n);
    }
    auto* series = new QBarSeries;
    series->append(set);

    auto* chart = new QChart;
    chart->addSeries(series);
    chart->setTitle(QStringLiteral("第%1位 各号码公式计数").arg(position));
    chart->legend()->hide();
    chart->setMargins(QMargins(2, 2, 2, 2));
    auto* axisX = new QBarCategoryAxis;
    axisX->append(categories);
    QFont small = axisX->labelsFont();
    small.setPointSize(7);
    axisX->setLabelsFont(small);
    chart->addAxis(axisX, Qt::AlignBottom);
    series->attachAxis(axisX);
    // Ticks on whole votes only, so a "%d" label never rounds a fractional tick;
    // at most five steps, or the labels of this small chart crowd and get elided.
    constexpr int kMaxSteps = 5;
    const int step = std::max(1, (largest + kMaxSteps - 1) / kMaxSteps);
    const int top = std::max(1, (largest + step - 1) / step) * step;
    auto* axisY = new QValueAxis;
    axisY->setLabelsFont(small);
    axisY->setRange(0, top);
    axisY->setLabelFormat(QStringLiteral("%d"));
    axisY->setTickCount(top / step + 1);
    chart->addAxis(axisY, Qt::AlignLeft);
    series->attachAxis(axisY);
    setChart(chart);
    setRenderHint(QPainter::Antialiasing);
    setMinimumHeight(180);
}
