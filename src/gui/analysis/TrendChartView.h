#pragma once

#include "analysis/TrendChart.h"

#include <QAbstractScrollArea>
#include <memory>
#include <utility>

// The trend chart drawn row by row: a fixed heading (期号 and the columns), one
// row per draw with each drawn column marked and the running omission
// in every other cell, and optionally a line joining the marks. Only the rows in
// sight are painted, so tens of thousands of draws scroll smoothly.
class TrendChartView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TrendChartView(QWidget* parent = nullptr);

    // Shows a chart, scrolled to its latest draw.
    void setChart(std::shared_ptr<const TrendChart> chart);
    const TrendChart* chart() const { return m_chart.get(); }
    std::shared_ptr<const TrendChart> sharedChart() const { return m_chart; }
    void setLinesShown(bool shown);
    bool linesShown() const { return m_lines; }

    int labelWidth() const { return m_labelWidth; }
    int columnWidth() const;
    int rowHeight() const { return m_rowHeight; }
    int headerHeight() const { return m_headerHeight; }
    // The draw row under a point of the viewport, or -1 (the heading, below the last row).
    int rowAt(int y) const;
    int columnAt(int x) const;
    // The first and the last row in sight.
    int firstVisibleRow() const;
    int lastVisibleRow() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    void updateScrollBars();
    QPointF cellCenter(int row, int column) const;
    QRect cellRect(int row, int column) const;
    // The first and the last column (partly) in sight.
    std::pair<int, int> visibleColumns() const;
    QColor markColor(int column) const;
    bool halves() const; // the chart splits the numbers into two halves
    void paintRows(QPainter& painter, int first, int last) const;
    void paintLines(QPainter& painter, int first, int last) const;
    void paintMarks(QPainter& painter, int first, int last) const;
    void paintHeader(QPainter& painter) const;

    std::shared_ptr<const TrendChart> m_chart;
    bool m_lines = true;
    int m_rowHeight = 20;
    int m_headerHeight = 24;
    int m_labelWidth = 96;
};
