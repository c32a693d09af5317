#pragma once

#include "analysis/HitStrip.h"

#include <QString>
#include <QWidget>
#include <vector>

// The hit strip of the formula detail view: one cell per counted draw, green
// for a hit and grey for a miss, oldest on the left; above it the rolling rate
// as a line, with the chance baseline's expected rate as a dashed line, on a
// scale from scaleBottom() to 100% (kill rates crowd near the top otherwise). Wide histories scroll: put it in a
// QScrollArea. A tooltip names the draw under the pointer.
class HitStripWidget : public QWidget {
    Q_OBJECT
public:
    static constexpr int kCellWidth = 6;
    static constexpr int kGap = 1;
    static constexpr int kChartHeight = 64;
    static constexpr int kCellHeight = 14;

    explicit HitStripWidget(QWidget* parent = nullptr);

    // `issues` are the history's issues (row → issue); expectedRate NaN when unknown.
    void setStrip(HitStrip strip, std::vector<QString> issues, double expectedRate);
    const HitStrip& strip() const { return m_strip; }
    // The lowest rate the chart shows: a multiple of 10 below every rate drawn.
    double scaleBottom() const { return m_bottom; }
    // The counted draw under x, or -1.
    int drawAt(int x) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    int xOf(int draw) const { return kGap + draw * (kCellWidth + kGap); }
    int yOfRate(double rate) const;

    HitStrip m_strip;
    std::vector<QString> m_issues;
    double m_expectedRate = 0.0;
    double m_bottom = 0.0;
};
