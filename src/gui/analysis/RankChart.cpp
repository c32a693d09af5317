#include "gui/analysis/RankChart.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QLabel>
#include <QLineSeries>
#include <QPen>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

namespace {

QString percent(double part, int whole)
{
    return whole > 0 ? QString::number(100.0 * part / whole, 'f', 1) + u'%' : QStringLiteral("-");
}

} // namespace

RankChart::RankChart(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("RankChart"));
    m_view = new QChartView(this);
    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->setMinimumHeight(200);
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("RankSummary"));
    m_summary->setWordWrap(true);
    m_significance = new QLabel(this);
    m_significance->setObjectName(QStringLiteral("RankSignificance"));
    m_significance->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_summary);
    layout->addWidget(m_significance);
}

void RankChart::setHistogram(const RankHistogram& histogram, int position)
{
    auto* bars = new QBarSet(QStringLiteral("开奖号码所在名次"));
    QStringList categories;
    int largest = 0;
    for (size_t i = 0; i < histogram.counts.size(); ++i) {
        *bars << histogram.counts[i];
        largest = std::max(largest, histogram.counts[i]);
        categories << QString::number(i + 1);
    }
    auto* series = new QBarSeries;
    series->append(bars);
    // The flat line of a random vote spans the whole width of the bars.
    auto* chance = new QLineSeries;
    chance->setName(QStringLiteral("随机期望"));
    const double expected = histogram.expectedPerRank();
    chance->append(-0.5, expected);
    chance->append(static_cast<double>(histogram.counts.size()) - 0.5, expected);
    QPen pen(Qt::red);
    pen.setStyle(Qt::DashLine);
    pen.setWidth(2);
    chance->setPen(pen);

    auto* chart = new QChart;
    chart->addSeries(series);
    chart->addSeries(chance);
    chart->setTitle(QStringLiteral("第%1位 开奖号码在排列中的名次（1 = 杀票最少）").arg(position));
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setMargins(QMargins(2, 2, 2, 2));
    auto* axisX = new QBarCategoryAxis;
    axisX->append(categories);
    chart->addAxis(axisX, Qt::AlignBottom);
    series->attachAxis(axisX);
    chance->attachAxis(axisX);
    auto* axisY = new QValueAxis;
    const double top = std::max({1.0, static_cast<double>(largest), expected});
    axisY->setRange(0, std::ceil(top * 1.1));
    axisY->applyNiceNumbers(); // ticks on round counts
    axisY->setLabelFormat(QStringLiteral("%d"));
    chart->addAxis(axisY, Qt::AlignLeft);
    series->attachAxis(axisY);
    chance->attachAxis(axisY);

    QChart* old = m_view->chart();
    m_view->setChart(chart);
    delete old;

    m_summary->setText(
        QStringLiteral(
            "共 %1 期；随机投票每个名次约 %2 期。开奖号码在杀票最少的一组中：%3 期（%4），随机期望 %5 期（%6）。")
            .arg(histogram.rows)
            .arg(expected, 0, 'f', 1)
            .arg(histogram.lowestGroupHits)
            .arg(percent(histogram.lowestGroupHits, histogram.rows))
            .arg(histogram.lowestGroupExpected, 0, 'f', 1)
            .arg(percent(histogram.lowestGroupExpected, histogram.rows)));
    m_significance->setText(significance(histogram));
}

QString RankChart::summaryText() const { return m_summary->text(); }

QString RankChart::significanceText() const { return m_significance->text(); }

// The chi-square test of the bars against the flat line, in words.
QString RankChart::significance(const RankHistogram& histogram)
{
    const auto& test = histogram.uniformity;
    if (!test)
        return QStringLiteral("卡方检验：没有可比较的期数。");
    QString text = QStringLiteral("卡方检验（与随机投票的均匀名次相比）：χ² = %1，自由度 %2，p = %3。")
                       .arg(test->statistic, 0, 'f', 2)
                       .arg(test->degreesOfFreedom)
                       .arg(pText(test->pValue));
    text += test->pValue < 0.05 ? QStringLiteral("名次分布与随机投票有明显差别（p < 0.05）。")
                                : QStringLiteral("名次分布与随机投票没有明显差别。");
    // Below about five rows per rank the test's approximation is rough.
    if (test->expectedPerCell < 5.0)
        text += QStringLiteral("每个名次平均不足 5 期，p 值只作参考。");
    return text;
}

QString RankChart::pText(double p)
{
    if (p < 0.0001)
        return QStringLiteral("%1").arg(p, 0, 'e', 1);
    return QString::number(p, 'f', 4);
}
