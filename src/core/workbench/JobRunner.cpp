#include "workbench/JobRunner.h"

#include <QPromise>
#include <QtConcurrent/QtConcurrentRun>

JobRunner::JobRunner(QObject* parent) : QObject(parent)
{
    m_pool.setMaxThreadCount(1);
    m_pool.setObjectName(QStringLiteral("VelmoraWorker"));
    connect(&m_watcher, &QFutureWatcherBase::progressRangeChanged, this,
            [this](int, int maximum) { m_total = maximum; });
    connect(&m_watcher, &QFutureWatcherBase::progressValueChanged, this, [this](int value) {
        if (m_total > 0)
            emit progressChanged(value, m_total);
    });
    connect(&m_watcher, &QFutureWatcherBase::finished, this, &JobRunner::finish);
}

JobRunner::~JobRunner()
{
    m_watcher.disconnect(this);
    if (m_cancel)
        m_cancel->store(true);
    // A job that has not started yet sees the flag and returns at once.
    m_watcher.waitForFinished();
    m_pool.waitForDone();
}

void JobRunner::start(Work work, Done whenDone)
{
    Q_ASSERT(!m_running);
    m_running = true;
    m_total = 0;
    m_done = std::move(whenDone);
    m_cancel = std::make_shared<std::atomic<bool>>(false);
    m_outcome = std::make_shared<Outcome>();
    auto cancel = m_cancel;
    auto outcome = m_outcome;
    m_watcher.setFuture(QtConcurrent::run(&m_pool, [work = std::move(work), cancel, outcome](QPromise<void>& promise) {
        if (cancel->load()) {
            outcome->cancelled = true;
            return;
        }
        int range = -1;
        const ProgressCallback progress = [&promise, &range, &cancel](int done, int total) {
            if (cancel->load())
                throw WorkCancelled();
            if (total != range) {
                range = total;
                promise.setProgressRange(0, total);
            }
            promise.setProgressValue(done);
        };
        try {
            work(progress);
        } catch (const WorkCancelled&) {
            outcome->cancelled = true;
        } catch (...) {
            outcome->failure = std::current_exception();
        }
    }));
}

void JobRunner::cancel()
{
    if (m_cancel)
        m_cancel->store(true);
}

void JobRunner::finish()
{
    m_running = false;
    const Outcome outcome = *m_outcome;
    Done done = std::move(m_done);
    m_done = nullptr;
    if (done)
        done(outcome);
}
