#pragma once

#include "gui/main/MainWindow.h"
#include "workbench/Workbench.h"

#include <QtTest>

// Runs the event loop until the window's Workbench has no work running or
// waiting: the window's refreshes and calculations end on the worker.
inline bool waitIdle(MainWindow& window, int timeoutMs = 30000)
{
    return QTest::qWaitFor([&window] { return !window.workbench().busy(); }, timeoutMs);
}
