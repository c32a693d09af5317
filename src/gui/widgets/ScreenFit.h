#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

class QWidget;

// Opens windows inside the screen's available area (what the task bar and the
// panels leave): as large as wanted where that fits, smaller where it does not,
// never below the window's own minimum.
class ScreenFit {
public:
    // Room kept for a title bar and borders before the window system reports them.
    static constexpr QMargins kAssumedFrame{4, 32, 4, 4};

    // The window's client rectangle: `wanted` bounded by `available` less `frame`,
    // at least `minimum`, centred in the available area.
    static QRect place(const QRect& available, const QSize& wanted, const QSize& minimum, const QMargins& frame);
    // Sizes and moves a top-level window so it opens inside its screen.
    static void apply(QWidget* window, const QSize& wanted);
};
