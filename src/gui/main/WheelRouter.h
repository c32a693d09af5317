#pragma once

#include <QAbstractItemView>
#include <QObject>
#include <QPointer>
#include <QVector>

class QWidget;

// Mouse-wheel routing for the grids of a window: the grid that has the focus is
// the wheel target; every wheel notch anywhere in the window moves the target's
// top row by one (towards the user: down; away: up, never above row 0). A grid
// without the focus is never scrolled by the wheel.
class WheelRouter : public QObject {
    Q_OBJECT
public:
    // Watches wheel events that reach `window` (those its children leave unhandled).
    explicit WheelRouter(QWidget* window);

    void addGrid(QAbstractItemView* grid);
    QAbstractItemView* target() const { return m_target; }

    // One notch: `delta` <= 0 is a turn towards the user.
    static void step(QAbstractItemView* grid, int delta);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QAbstractItemView> m_target;
    QVector<QAbstractItemView*> m_grids;
};
