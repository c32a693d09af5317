#include "gui/widgets/ScreenFit.h"

#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>

QRect ScreenFit::place(const QRect& available, const QSize& wanted, const QSize& minimum, const QMargins& frame)
{
    const QSize room = available.marginsRemoved(frame).size();
    const QSize size = wanted.boundedTo(room).expandedTo(minimum);
    const int x = available.x() + frame.left() + std::max(0, (room.width() - size.width()) / 2);
    const int y = available.y() + frame.top() + std::max(0, (room.height() - size.height()) / 2);
    return {QPoint(x, y), size};
}

void ScreenFit::apply(QWidget* window, const QSize& wanted)
{
    const QScreen* screen = window->screen();
    if (!screen) {
        window->resize(wanted);
        return;
    }
    QMargins frame = kAssumedFrame;
    if (window->windowHandle() && !window->windowHandle()->frameMargins().isNull())
        frame = window->windowHandle()->frameMargins();
    const QRect placed = place(screen->availableGeometry(), wanted, window->minimumSizeHint(), frame);
    window->resize(placed.size());
    window->move(placed.topLeft() - QPoint(frame.left(), frame.top()));
}
