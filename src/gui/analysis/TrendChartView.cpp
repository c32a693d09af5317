#include "gui/analysis/TrendChartView.h"

#include <QHelpEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QToolTip>
#include <algorithm>

namespace {

const QColor kHeaderBackground(0xe8, 0xec, 0xf2);
const QColor kBand(0xf6, 0xf8, 0xfb);
const QColor kGridLine(0xdd, 0xe1, 0xe6);
const QColor kOmissionText(0x9a, 0xa0, 0xa6);
const QColor kMarks[] = {QColor(0xd3, 0x2f, 0x2f), QColor(0x1e, 0x63, 0xc8)};

constexpr int kNumberColumnWidth = 40;
constexpr int kClassColumnWidth = 64;
constexpr int kPairColumnWidth = 56;
constexpr int kTripleColumnWidth = 76;
constexpr int kBandRows = 5; // a light band every five draws guides the eye across the row

} // namespace

TrendChartView::TrendChartView(QWidget* parent) : QAbstractScrollArea(parent)
{
    setObjectName(QStringLiteral("TrendChart"));
    const QFontMetrics metrics(font());
    m_rowHeight = std::max(20, metrics.height() + 4);
    m_headerHeight = m_rowHeight + 4;
    m_labelWidth = metrics.horizontalAdvance(QStringLiteral("2026120801")) + 16;
    verticalScrollBar()->setSingleStep(m_rowHeight);
    horizontalScrollBar()->setSingleStep(kNumberColumnWidth);
    viewport()->setBackgroundRole(QPalette::Base);
    setFocusPolicy(Qt::StrongFocus);
}

void TrendChartView::setChart(std::shared_ptr<const TrendChart> chart)
{
    m_chart = std::move(chart);
    updateScrollBars();
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    viewport()->update();
}

void TrendChartView::setLinesShown(bool shown)
{
    m_lines = shown;
    viewport()->update();
}

int TrendChartView::columnWidth() const
{
    if (!m_chart)
        return kNumberColumnWidth;
    switch (m_chart->classes().view) {
    case TrendView::BigSmall:
    case TrendView::OddEven:
    case TrendView::PrimeComposite: return kClassColumnWidth;
    case TrendView::Pairs:
    case TrendView::Front2Group: return kPairColumnWidth;
    case TrendView::Front3Group: return kTripleColumnWidth;
    default: return kNumberColumnWidth;
    }
}

bool TrendChartView::halves() const
{
    const TrendView view = m_chart->classes().view;
    return view == TrendView::BigSmall || view == TrendView::OddEven || view == TrendView::PrimeComposite;
}

QSize TrendChartView::sizeHint() const
{
    const int columns = m_chart ? m_chart->columnCount() : 12;
    const int frame = 2 * frameWidth();
    return {m_labelWidth + columns * columnWidth() + verticalScrollBar()->sizeHint().width() + frame,
            m_headerHeight + 24 * m_rowHeight + frame};
}

void TrendChartView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void TrendChartView::updateScrollBars()
{
    const int rows = m_chart ? m_chart->rowCount() : 0;
    const int columns = m_chart ? m_chart->columnCount() : 0;
    const int body = std::max(0, viewport()->height() - m_headerHeight);
    verticalScrollBar()->setPageStep(body);
    verticalScrollBar()->setRange(0, std::max(0, rows * m_rowHeight - body));
    const int width = m_labelWidth + columns * columnWidth();
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
}

int TrendChartView::rowAt(int y) const
{
    if (!m_chart || y < m_headerHeight)
        return -1;
    const int row = (y - m_headerHeight + verticalScrollBar()->value()) / m_rowHeight;
    return row < m_chart->rowCount() ? row : -1;
}

int TrendChartView::columnAt(int x) const
{
    const int inside = x + horizontalScrollBar()->value() - m_labelWidth;
    if (!m_chart || inside < 0)
        return -1;
    const int column = inside / columnWidth();
    return column < m_chart->columnCount() ? column : -1;
}

int TrendChartView::firstVisibleRow() const { return verticalScrollBar()->value() / m_rowHeight; }

int TrendChartView::lastVisibleRow() const
{
    const int rows = m_chart ? m_chart->rowCount() : 0;
    const int bottom = verticalScrollBar()->value() + viewport()->height() - m_headerHeight - 1;
    return std::min(rows - 1, bottom / m_rowHeight);
}

std::pair<int, int> TrendChartView::visibleColumns() const
{
    const int shift = horizontalScrollBar()->value() - m_labelWidth;
    const int first = std::max(0, shift / columnWidth());
    const int last = std::min(m_chart->columnCount() - 1, (shift + viewport()->width()) / columnWidth());
    return {first, last};
}

QRect TrendChartView::cellRect(int row, int column) const
{
    const int x = m_labelWidth + column * columnWidth() - horizontalScrollBar()->value();
    const int y = m_headerHeight + row * m_rowHeight - verticalScrollBar()->value();
    return {x, y, columnWidth(), m_rowHeight};
}

QPointF TrendChartView::cellCenter(int row, int column) const { return QRectF(cellRect(row, column)).center(); }

QColor TrendChartView::markColor(int column) const
{
    // Columns share one colour; the two halves of a split get one each.
    return halves() ? kMarks[column % 2] : kMarks[0];
}

void TrendChartView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    if (m_chart && m_chart->rowCount() > 0) {
        // One row beyond each edge, so lines run out of sight instead of stopping short.
        const int first = std::max(0, firstVisibleRow() - 1);
        const int last = std::min(m_chart->rowCount() - 1, lastVisibleRow() + 1);
        painter.save();
        painter.setClipRect(QRect(0, m_headerHeight, viewport()->width(), viewport()->height() - m_headerHeight));
        paintRows(painter, first, last);
        if (m_lines)
            paintLines(painter, first, last);
        paintMarks(painter, first, last);
        painter.restore();
    }
    paintHeader(painter);
}

void TrendChartView::paintRows(QPainter& painter, int first, int last) const
{
    // Only the columns in sight: 前三组选 has hundreds.
    const auto [firstColumn, lastColumn] = visibleColumns();
    const int width = m_labelWidth + m_chart->columnCount() * columnWidth();
    QFont small = font();
    if (small.pointSizeF() > 0)
        small.setPointSizeF(small.pointSizeF() * 0.85);
    else
        small.setPixelSize(std::max(8, small.pixelSize() * 85 / 100));
    for (int row = first; row <= last; ++row) {
        const QRect line(-horizontalScrollBar()->value(), cellRect(row, 0).top(), width, m_rowHeight);
        if ((row / kBandRows) % 2 == 1)
            painter.fillRect(line, kBand);
        painter.setPen(kGridLine);
        painter.drawLine(line.bottomLeft(), line.bottomRight());
        painter.setPen(palette().color(QPalette::Text));
        painter.setFont(font());
        painter.drawText(QRect(line.left() + 6, line.top(), m_labelWidth - 8, m_rowHeight),
                         Qt::AlignVCenter | Qt::AlignLeft, m_chart->issue(row));
        painter.setFont(small);
        painter.setPen(kOmissionText);
        for (int c = firstColumn; c <= lastColumn; ++c)
            if (m_chart->omission(row, c) != 0)
                painter.drawText(cellRect(row, c), Qt::AlignCenter, QString::number(m_chart->omission(row, c)));
    }
    painter.setPen(kGridLine);
    for (int c = firstColumn; c <= lastColumn + 1; ++c) {
        const int x = cellRect(0, c).left();
        painter.drawLine(x, m_headerHeight, x, viewport()->height());
    }
}

void TrendChartView::paintLines(QPainter& painter, int first, int last) const
{
    // A line joins one mark per row; where a draw falls in several columns there is none to follow.
    if (last <= first || m_chart->hitsPerDraw() != 1)
        return;
    QPainterPath path(cellCenter(first, m_chart->drawnColumn(first)));
    for (int row = first + 1; row <= last; ++row)
        path.lineTo(cellCenter(row, m_chart->drawnColumn(row)));
    painter.setRenderHint(QPainter::Antialiasing);
    QColor color = halves() ? QColor(0x55, 0x5b, 0x66) : kMarks[0];
    color.setAlpha(150);
    painter.setPen(QPen(color, 1.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
}

void TrendChartView::paintMarks(QPainter& painter, int first, int last) const
{
    painter.setRenderHint(QPainter::Antialiasing);
    QFont bold = font();
    bold.setBold(true);
    painter.setFont(bold);
    const qreal radius = (m_rowHeight - 3) / 2.0;
    const auto [firstColumn, lastColumn] = visibleColumns();
    const TrendView view = m_chart->classes().view;
    const bool disks = view == TrendView::Numbers || view == TrendView::Distribution;
    for (int row = first; row <= last; ++row)
        for (int i = 0; i < m_chart->hitsPerDraw(); ++i) {
            const int c = m_chart->hit(row, i);
            if (c < firstColumn || c > lastColumn)
                continue;
            const QPointF center = cellCenter(row, c);
            painter.setPen(Qt::NoPen);
            painter.setBrush(markColor(c));
            if (disks)
                painter.drawEllipse(center, radius, radius);
            else
                painter.drawRoundedRect(
                    QRectF(center.x() - columnWidth() / 2.0 + 3, center.y() - radius, columnWidth() - 6.0, 2 * radius),
                    radius, radius);
            painter.setPen(Qt::white);
            // A half shows which number put the draw there.
            const QString text = halves() ? QStringLiteral("%1 %2")
                                                .arg(m_chart->classes().labels.at(c))
                                                .arg(m_chart->number(row), 2, 10, QChar(u'0'))
                                          : m_chart->classes().labels.at(c);
            painter.drawText(cellRect(row, c), Qt::AlignCenter, text);
        }
}

void TrendChartView::paintHeader(QPainter& painter) const
{
    const QRect band(0, 0, viewport()->width(), m_headerHeight);
    painter.fillRect(band, kHeaderBackground);
    painter.setPen(kGridLine);
    painter.drawLine(band.bottomLeft(), band.bottomRight());
    QFont bold = font();
    bold.setBold(true);
    painter.setFont(bold);
    painter.setPen(palette().color(QPalette::Text));
    const int shift = horizontalScrollBar()->value();
    painter.drawText(QRect(6 - shift, 0, m_labelWidth - 8, m_headerHeight), Qt::AlignVCenter | Qt::AlignLeft,
                     QStringLiteral("期号"));
    if (!m_chart)
        return;
    const auto [firstColumn, lastColumn] = visibleColumns();
    for (int c = firstColumn; c <= lastColumn; ++c) {
        const QRect cell(m_labelWidth + c * columnWidth() - shift, 0, columnWidth(), m_headerHeight);
        painter.drawText(cell, Qt::AlignCenter, m_chart->classes().labels.at(c));
    }
}

bool TrendChartView::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip && m_chart) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int row = rowAt(help->pos().y());
        const int column = columnAt(help->pos().x());
        if (row >= 0 && column >= 0) {
            const QString label = m_chart->classes().labels.at(column);
            QToolTip::showText(help->globalPos(),
                               m_chart->omission(row, column) == 0
                                   ? QStringLiteral("%1期 开出 %2").arg(m_chart->issue(row), m_chart->drawText(row))
                                   : QStringLiteral("%1期 %2 已遗漏 %3 期")
                                         .arg(m_chart->issue(row), label)
                                         .arg(m_chart->omission(row, column)),
                               viewport());
        } else {
            QToolTip::hideText();
        }
        return true;
    }
    if (event->type() == QEvent::Resize)
        updateScrollBars();
    return QAbstractScrollArea::viewportEvent(event);
}
