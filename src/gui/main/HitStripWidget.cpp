#include "gui/main/HitStripWidget.h"

#include <QHelpEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>
#include <algorithm>
#include <cmath>

namespace {
const QColor kHit(0, 176, 80);
const QColor kMiss(200, 200, 200);
const QColor kRolling(0, 0, 255);
const QColor kChance(220, 0, 0);
constexpr int kTop = 4;
} // namespace

HitStripWidget::HitStripWidget(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("picHitStrip"));
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void HitStripWidget::setStrip(HitStrip strip, std::vector<QString> issues, double expectedRate)
{
    m_strip = std::move(strip);
    m_issues = std::move(issues);
    m_expectedRate = expectedRate;
    double lowest = std::isnan(expectedRate) ? 100.0 : expectedRate;
    for (const double rate : m_strip.rollingRate)
        lowest = std::min(lowest, rate);
    m_bottom = std::clamp(std::floor((lowest - 5.0) / 10.0) * 10.0, 0.0, 90.0);
    updateGeometry();
    resize(sizeHint());
    update();
}

QSize HitStripWidget::sizeHint() const
{
    return {xOf(m_strip.size()) + kGap, kTop + kChartHeight + 2 * kGap + kCellHeight + kGap};
}

int HitStripWidget::yOfRate(double rate) const
{
    return kTop + static_cast<int>(std::lround((100.0 - rate) / (100.0 - m_bottom) * kChartHeight));
}

int HitStripWidget::drawAt(int x) const
{
    const int draw = (x - kGap) / (kCellWidth + kGap);
    return x >= kGap && draw < m_strip.size() ? draw : -1;
}

void HitStripWidget::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), Qt::white);
    if (m_strip.size() == 0)
        return;
    // Only the draws in the exposed area: a strip may hold twenty thousand.
    const int from = std::max(0, drawAt(event->rect().left()) - 1);
    const int last = drawAt(event->rect().right());
    const int to = last < 0 ? m_strip.size() - 1 : std::min(last + 1, m_strip.size() - 1);

    painter.setPen(QColor(230, 230, 230));
    for (const double grid : {m_bottom, (m_bottom + 100.0) / 2, 100.0})
        painter.drawLine(event->rect().left(), yOfRate(grid), event->rect().right(), yOfRate(grid));
    if (!std::isnan(m_expectedRate)) {
        painter.setPen(QPen(kChance, 1, Qt::DashLine));
        painter.drawLine(event->rect().left(), yOfRate(m_expectedRate), event->rect().right(), yOfRate(m_expectedRate));
    }

    const int cellTop = kTop + kChartHeight + 2 * kGap;
    QPainterPath rolling;
    for (int d = from; d <= to; ++d) {
        const auto k = static_cast<size_t>(d);
        painter.fillRect(xOf(d), cellTop, kCellWidth, kCellHeight, m_strip.hits[k] ? kHit : kMiss);
        const QPointF point(xOf(d) + kCellWidth / 2.0, yOfRate(m_strip.rollingRate[k]));
        if (d == from)
            rolling.moveTo(point);
        else
            rolling.lineTo(point);
    }
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(kRolling, 1.5));
    painter.drawPath(rolling);
}

bool HitStripWidget::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const int draw = drawAt(help->pos().x());
    if (draw < 0) {
        QToolTip::hideText();
        return true;
    }
    const auto k = static_cast<size_t>(draw);
    const auto row = static_cast<size_t>(m_strip.firstRow + draw);
    QToolTip::showText(help->globalPos(),
                       QStringLiteral("%1 期：%2\n近%3期正确率 %4%")
                           .arg(row < m_issues.size() ? m_issues[row] : QString())
                           .arg(m_strip.hits[k] ? QStringLiteral("对") : QStringLiteral("错"))
                           .arg(std::min(draw + 1, m_strip.span))
                           .arg(m_strip.rollingRate[k], 0, 'f', 1),
                       this);
    return true;
}
