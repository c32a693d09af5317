// Wheel routing between two grids: only the focused grid moves, one row a notch.
#include "gui/main/WheelRouter.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTableView>
#include <QtTest>

class WheelRouterTest : public QObject {
    Q_OBJECT

private:
    static void turn(QWidget* target, int delta)
    {
        const QPointF at(5, 5);
        QWheelEvent event(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &event);
    }
    static int top(QTableView* grid) { return grid->verticalScrollBar()->value(); }

private slots:
    void routesToTheFocusedGridOnly()
    {
        QWidget window;
        auto* layout = new QHBoxLayout(&window);
        QStandardItemModel model(200, 3);
        auto* left = new QTableView(&window);
        auto* right = new QTableView(&window);
        auto* other = new QWidget(&window);
        other->setFocusPolicy(Qt::StrongFocus);
        for (QTableView* grid : {left, right}) {
            grid->setModel(&model);
            layout->addWidget(grid);
        }
        layout->addWidget(other);
        WheelRouter router(&window);
        router.addGrid(left);
        router.addGrid(right);
        window.resize(600, 300);
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));

        // No grid has the focus: the wheel over a grid leaves it alone.
        other->setFocus();
        QTRY_VERIFY(other->hasFocus());
        QVERIFY(!router.target());
        turn(left->viewport(), -120);
        QCOMPARE(top(left), 0);

        // The focused grid moves one row per notch, wherever the mouse is.
        left->setFocus();
        QTRY_COMPARE(router.target(), left);
        turn(right->viewport(), -120);
        turn(left->viewport(), -120);
        turn(&window, -120); // a notch the children left unhandled
        QCOMPARE(top(left), 3);
        QCOMPARE(top(right), 0);
        turn(left->viewport(), 120);
        QCOMPARE(top(left), 2);

        // Away from the user at the top row: nothing happens.
        right->setFocus();
        QTRY_COMPARE(router.target(), right);
        turn(right->viewport(), 120);
        QCOMPARE(top(right), 0);
        QCOMPARE(top(left), 2);

        // Losing the focus clears the target.
        other->setFocus();
        QTRY_VERIFY(!router.target());
        turn(right->viewport(), -120);
        QCOMPARE(top(right), 0);
    }
};

QTEST_MAIN(WheelRouterTest)
#include "WheelRouterTest.moc"
