#include "common/WorkerPool.h"

#include "common/UserError.h"

#include <algorithm>

int WorkerPool::coreCount()
{
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : static_cast<int>(n);
}

WorkerPool::WorkerPool(int threads, const ThreadStarter& start)
{
    const int total = threads <= 0 ? coreCount() : threads;
    m_workers.reserve(static_cast<size_t>(std::max(0, total - 1)));
    for (int i = 1; i < total; ++i) {
        try {
            std::function<void()> body = [this] { workerLoop(); };
            m_workers.push_back(start ? start(std::move(body)) : std::thread(std::move(body)));
        } catch (const std::exception& e) {
            // The threads already started wait for work: stop them before giving up,
            // or they would never be joined.
            stopWorkers();
            throw UserError(QStringLiteral("公式搜索"),
                            QStringLiteral("系统无法创建第%1个线程（共需%2个）：%3。请减少线程数后再试。")
                                .arg(i + 1)
                                .arg(total)
                                .arg(QString::fromLocal8Bit(e.what())),
                            false);
        }
    }
}

WorkerPool::~WorkerPool() { stopWorkers(); }

void WorkerPool::stopWorkers()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    for (std::thread& t : m_workers)
        if (t.joinable())
            t.join();
    m_workers.clear();
}

void WorkerPool::drain(const std::function<void(int)>& task, int count)
{
    for (;;) {
        const int i = m_next.fetch_add(1, std::memory_order_relaxed);
        if (i >= count)
            return;
        try {
            task(i);
        } catch (...) {
            std::lock_guard lock(m_mutex);
            if (!m_error)
                m_error = std::current_exception();
            // Skip what is left: the loop has failed anyway.
            m_next.store(count, std::memory_order_relaxed);
        }
    }
}

void WorkerPool::workerLoop()
{
    std::uint64_t seen = 0;
    for (;;) {
        const std::function<void(int)>* task = nullptr;
        int count = 0;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [&] { return m_stop || m_generation != seen; });
            if (m_stop)
                return;
            seen = m_generation;
            // A worker that wakes after its loop has finished has nothing to do.
            if (!m_task)
                continue;
            task = m_task;
            count = m_count;
            ++m_busy;
        }
        drain(*task, count);
        {
            std::lock_guard lock(m_mutex);
            --m_busy;
        }
        m_done.notify_all();
    }
}

void WorkerPool::run(int count, const std::function<void(int)>& task)
{
    if (count <= 0)
        return;
    {
        std::lock_guard lock(m_mutex);
        m_task = &task;
        m_count = count;
        m_next.store(0, std::memory_order_relaxed);
        m_error = nullptr;
        ++m_generation;
    }
    m_wake.notify_all();
    drain(task, count);
    std::exception_ptr error;
    {
        std::unique_lock lock(m_mutex);
        m_done.wait(lock, [&] { return m_busy == 0; });
        m_task = nullptr;
        error = m_error;
    }
    if (error)
        std::rethrow_exception(error);
}
