#include "support/WorkbenchIdle.h"

#include "workbench/Workbench.h"

#include <QEventLoop>
#include <QTimer>

bool waitIdle(Workbench& workbench)
{
    if (!workbench.busy())
        return true;
    QEventLoop loop;
    QObject::connect(&workbench, &Workbench::busyChanged, &loop, [&loop](bool busy) {
        if (!busy)
            loop.quit();
    });
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    loop.exec();
    return !workbench.busy();
}
