#include "history/DemoHistory.h"

#include "history/IssueNumbers.h"

#include <algorithm>
#include <numeric>
#include <random>

std::vector<StoredDraw> DemoHistory::generate(const LotteryTable::Entry& lottery, int days, std::uint64_t seed,
                                              const QDate& lastDay)
{
    std::mt19937_64 random(seed);
    std::vector<int> pool(static_cast<size_t>(lottery.numberRange));
    std::vector<StoredDraw> draws;
    draws.reserve(static_cast<size_t>(std::max(0, days) * lottery.drawsPerDay));
    for (int day = days - 1; day >= 0; --day) {
        const QDate date = lastDay.addDays(-day);
        for (int serial = 1; serial <= lottery.drawsPerDay; ++serial) {
            std::iota(pool.begin(), pool.end(), 1);
            // Partial Fisher-Yates: the first five slots become the draw in drawn order.
            for (size_t i = 0; i < 5; ++i) {
                std::uniform_int_distribution<size_t> pick(i, pool.size() - 1);
                std::swap(pool[i], pool[pick(random)]);
            }
            StoredDraw draw;
            draw.issue = IssueNumbers::format(date, serial, lottery.longDateIssue);
            std::copy_n(pool.begin(), 5, draw.numbers.begin());
            draws.push_back(draw);
        }
    }
    return draws;
}

HistorySnapshot DemoHistory::snapshot(const LotteryTable::Entry& lottery, const std::vector<StoredDraw>& draws)
{
    HistorySnapshot history;
    history.reserve(static_cast<int>(draws.size()));
    std::optional<DrawNumbers> previous;
    for (const StoredDraw& d : draws) {
        history.append(d.issue,
                       DrawAttributes::compute(d.numbers, IssueNumbers::serialOf(d.issue), lottery.drawsPerDay,
                                               *IssueNumbers::dateOf(d.issue, lottery.longDateIssue), previous));
        previous = d.numbers;
    }
    return history;
}
