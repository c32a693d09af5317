#pragma once

#include "analysis/BackTestResult.h"

#include <QObject>
#include <QPointer>
#include <memory>

class HistoryListWindow;
class MainWindow;

// Command12 "公式往期位置值结果列表": asks first, has the Workbench replay the
// history with the shown table's selected formulas off the window's thread
// (ProgressBar1 advances, "取消" stops it), stores Errarr, then opens (or
// refreshes) the history list window.
class BackTestLauncher : public QObject {
    Q_OBJECT
public:
    explicit BackTestLauncher(MainWindow& window);

    void start();
    HistoryListWindow* listWindow() const { return m_list; }

private:
    void finish(std::shared_ptr<const BackTestResult> result, int position);

    MainWindow& m_window;
    QPointer<HistoryListWindow> m_list;
};
