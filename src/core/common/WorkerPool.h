#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// A fixed set of threads that run one parallel loop at a time. The calling
// thread takes part, so a pool of one thread starts no extra thread at all.
class WorkerPool {
public:
    // Starts one thread running `body`; the system's thread by default.
    using ThreadStarter = std::function<std::thread(std::function<void()> body)>;

    // threads <= 0: one per core. Raises UserError, with every thread it had
    // started stopped again, when the system refuses a thread.
    explicit WorkerPool(int threads = 0, const ThreadStarter& start = {});
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    int threadCount() const { return static_cast<int>(m_workers.size()) + 1; }

    // Calls task(i) for every i in [0, count) and returns when all are done.
    // The first exception a task throws is rethrown here.
    void run(int count, const std::function<void(int)>& task);

    static int coreCount();

private:
    void stopWorkers();
    void workerLoop();
    void drain(const std::function<void(int)>& task, int count);

    std::vector<std::thread> m_workers;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    const std::function<void(int)>* m_task = nullptr;
    int m_count = 0;
    std::atomic<int> m_next{0};
    int m_busy = 0;
    std::uint64_t m_generation = 0;
    bool m_stop = false;
    std::exception_ptr m_error;
};
