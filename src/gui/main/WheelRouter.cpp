#include "gui/main/WheelRouter.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QScrollBar>
#include <QWheelEvent>

WheelRouter::WheelRouter(QWidget* window) : QObject(window) { window->installEventFilter(this); }

void WheelRouter::addGrid(QAbstractItemView* grid)
{
    m_grids.append(grid);
    grid->installEventFilter(this);
    grid->viewport()->installEventFilter(this);
    grid->verticalScrollBar()->installEventFilter(this);
}

void WheelRouter::step(QAbstractItemView* grid, int delta)
{
    QScrollBar* bar = grid->verticalScrollBar();
    if (delta <= 0)
        bar->setValue(bar->value() + 1);
    else if (bar->value() > 0)
        bar->setValue(bar->value() - 1);
}

bool WheelRouter::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::FocusIn:
        for (QAbstractItemView* grid : m_grids)
            if (watched == grid)
                m_target = grid;
        return false;
    case QEvent::FocusOut:
        if (watched == m_target.data())
            m_target = nullptr;
        return false;
    case QEvent::Wheel: {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        const int delta = wheel->angleDelta().y();
        if (delta == 0 && wheel->angleDelta().x() != 0)
            return false; // horizontal scrolling stays with the widget under the mouse
        if (m_target)
            step(m_target, delta);
        // Handled here even without a target, so a grid without the focus never moves.
        return true;
    }
    default: return false;
    }
}
