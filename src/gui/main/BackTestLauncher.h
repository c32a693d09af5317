#pragma once

#include "analysis/BackTest.h"
#include "analysis/BackTestResult.h"

#include <QObject>
#include <QPointer>
#include <memory>

class HistoryListWindow;
class MainWindow;
struct ReplayChoice;

// Command12 "公式往期位置值结果列表": asks first, has the Workbench replay the
// history with the shown table's selected formulas off the window's thread
// (ProgressBar1 advances, "取消" stops it), stores Errarr, then opens (or
// refreshes) the history list window. From that window the replay can be run
// again, plainly or walking forward (WalkForward, beside the plain back-test
// over the same draws for the "方法检验" line); Errarr keeps the plain tallies.
class BackTestLauncher : public QObject {
    Q_OBJECT
public:
    explicit BackTestLauncher(MainWindow& window);

    void start();
    HistoryListWindow* listWindow() const { return m_list; }

private:
    BackTestRequest requestOfShownTable() const;
    void finish(std::shared_ptr<const BackTestResult> result, int position);
    void replay(const ReplayChoice& choice);
    void showWalkForward(std::shared_ptr<const BackTestResult> result, int position, const QString& verdict);

    MainWindow& m_window;
    QPointer<HistoryListWindow> m_list;
};
