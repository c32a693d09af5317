#pragma once

#include "analysis/BackTest.h"

#include <QObject>
#include <atomic>
#include <memory>

class HistorySnapshot;
class QThread;

// Runs a back-test on a worker thread so the windows stay usable. The worker
// reads only the shared history and its own copy of the formulas; progress and
// the result come back on the window's thread as signals.
class BackTestRunner : public QObject {
    Q_OBJECT
public:
    explicit BackTestRunner(QObject* parent = nullptr);
    ~BackTestRunner() override; // stops a running back-test and waits for it

    bool isRunning() const { return m_thread != nullptr; }
    void start(std::shared_ptr<const HistorySnapshot> history, BackTestRequest request);
    // Ends a running back-test without a result; nothing is emitted for it.
    void stop();

signals:
    void progressed(int done, int total);
    void finished(std::shared_ptr<const BackTestResult> result);
    void failed(const QString& title, const QString& message);

private:
    void collect();

    QThread* m_thread = nullptr;
    std::shared_ptr<std::atomic<bool>> m_stop;
};
