#pragma once

#include "common/Progress.h"

#include <QFutureWatcher>
#include <QObject>
#include <QThreadPool>
#include <atomic>
#include <exception>
#include <functional>
#include <memory>

// Runs one piece of long work at a time on a worker thread of its own and hands
// the outcome back on the thread that owns the runner, through its event loop:
// no nested event loop, so the owner's windows stay usable meanwhile.
//
// The work gets a progress callback. Once cancel() was asked for, that callback
// throws WorkCancelled at the work's next report. Destroying the runner cancels
// the work and waits for the worker to stop; the work must own (or share)
// everything it touches, never borrow from the runner's owner.
class JobRunner : public QObject {
    Q_OBJECT
public:
    using Work = std::function<void(const ProgressCallback& progress)>;
    // How the work ended: `failure` holds what it threw (empty when it ran
    // through); `cancelled` is set when it stopped at a cancel.
    struct Outcome {
        std::exception_ptr failure;
        bool cancelled = false;
    };
    using Done = std::function<void(const Outcome& outcome)>;

    explicit JobRunner(QObject* parent = nullptr);
    ~JobRunner() override;
    JobRunner(const JobRunner&) = delete;
    JobRunner& operator=(const JobRunner&) = delete;

    bool running() const { return m_running; }
    // Starts `work` (the runner must be idle); `done` runs on this thread once
    // it has ended, unless the runner is destroyed first.
    void start(Work work, Done done);
    void cancel();

signals:
    void progressChanged(int done, int total);

private:
    void finish();

    QThreadPool m_pool;
    QFutureWatcher<void> m_watcher;
    std::shared_ptr<std::atomic<bool>> m_cancel;
    std::shared_ptr<Outcome> m_outcome;
    Done m_done;
    int m_total = 0; // the running work's step count, once it told
    bool m_running = false;
};
