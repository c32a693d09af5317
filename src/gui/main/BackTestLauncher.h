#pragma once

#include "analysis/BackTestResult.h"

#include <QObject>
#include <QPointer>
#include <memory>

class BackTestRunner;
class HistoryListWindow;
class MainWindow;

// Command12 "公式往期位置值结果列表": asks first, replays the history with the
// shown table's selected formulas off the window's thread while ProgressBar1
// advances, stores Errarr, then opens (or refreshes) the history list window.
class BackTestLauncher : public QObject {
    Q_OBJECT
public:
    explicit BackTestLauncher(MainWindow& window);

    void start();
    BackTestRunner& runner() const { return *m_runner; }
    HistoryListWindow* listWindow() const { return m_list; }

private:
    void showProgress(int done, int total);
    void finish(std::shared_ptr<const BackTestResult> result);
    void fail(const QString& title, const QString& message);

    MainWindow& m_window;
    BackTestRunner* m_runner = nullptr;
    QPointer<HistoryListWindow> m_list;
    int m_position = 1;
};
