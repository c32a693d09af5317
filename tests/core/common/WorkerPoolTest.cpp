#include "common/WorkerPool.h"
#include "common/UserError.h"

#include <gtest/gtest.h>
#include <system_error>

TEST(WorkerPool, aRefusedThreadFailsCleanlyAndStopsTheStartedOnes)
{
    std::atomic<int> started{0};
    std::atomic<int> finished{0};
    // The system lets three threads start, then refuses, as it does under a process limit.
    const WorkerPool::ThreadStarter limited = [&](std::function<void()> body) {
        if (started == 3)
            throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
        ++started;
        return std::thread([&finished, body = std::move(body)] {
            body();
            ++finished;
        });
    };
    try {
        WorkerPool pool(8, limited);
        FAIL() << "the pool started without its threads";
    } catch (const UserError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("线程"))) << e.what();
        EXPECT_FALSE(e.isBadInput());
    }
    // Every started worker was stopped and joined before the error left the constructor.
    EXPECT_EQ(finished.load(), 3);

    std::atomic<int> sum{0};
    WorkerPool pool(4);
    pool.run(100, [&](int i) { sum += i; });
    EXPECT_EQ(sum.load(), 4950);
}
