#include "history/ShuffledHistory.h"
#include "history/AttributeCatalog.h"
#include "history/DemoHistory.h"
#include "history/DrawAttributes.h"
#include "history/IssueNumbers.h"

#include <gtest/gtest.h>
#include <map>

namespace {

const LotteryTable::Entry kLottery = LotteryTable::entry(0);

std::vector<DrawNumbers> numbersOf(const HistorySnapshot& history)
{
    std::vector<DrawNumbers> out;
    for (int row = 0; row < history.size(); ++row)
        out.push_back({history.number(row, 1), history.number(row, 2), history.number(row, 3), history.number(row, 4),
                       history.number(row, 5)});
    return out;
}

} // namespace

TEST(ShuffledHistory, KeepsEveryDrawAndIssueAndRecomputesTheAttributesFromTheNewPredecessor)
{
    const HistorySnapshot history =
        DemoHistory::snapshot(kLottery, DemoHistory::generate(kLottery, 3, 12, QDate(2026, 2, 27)));
    const HistorySnapshot shuffled = ShuffledHistory::of(history, kLottery.drawsPerDay, 77);
    ASSERT_EQ(shuffled.size(), history.size());
    EXPECT_EQ(shuffled.issues(), history.issues());

    // The same draws, whole, in another order: each position keeps its number counts.
    std::vector<DrawNumbers> before = numbersOf(history);
    std::vector<DrawNumbers> after = numbersOf(shuffled);
    EXPECT_NE(before, after);
    for (int p = 0; p < 5; ++p) {
        std::map<int, int> countBefore, countAfter;
        for (size_t i = 0; i < before.size(); ++i) {
            ++countBefore[before[i][static_cast<size_t>(p)]];
            ++countAfter[after[i][static_cast<size_t>(p)]];
        }
        EXPECT_EQ(countBefore, countAfter) << "position " << p + 1;
    }
    std::sort(before.begin(), before.end());
    std::sort(after.begin(), after.end());
    EXPECT_EQ(before, after);

    // Every attribute as storing the shuffled draws in this order would compute it.
    std::optional<DrawNumbers> previous;
    int changed = 0;
    for (int row = 0; row < shuffled.size(); ++row) {
        const DrawNumbers numbers = numbersOf(shuffled)[static_cast<size_t>(row)];
        const AttributeValues expected =
            DrawAttributes::compute(numbers, IssueNumbers::serialOf(shuffled.issue(row)), kLottery.drawsPerDay,
                                    *IssueNumbers::dateOf(shuffled.issue(row), kLottery.longDateIssue), previous);
        for (int a = 0; a < AttributeCatalog::kCount; ++a) {
            ASSERT_EQ(shuffled.value(row, a), expected[static_cast<size_t>(a)])
                << "row " << row << " " << AttributeCatalog::code(a).toStdString();
            changed += shuffled.value(row, a) != history.value(row, a) ? 1 : 0;
        }
        previous = numbers;
    }
    EXPECT_GT(changed, 0);
}

TEST(ShuffledHistory, TheSeedDecidesTheOrder)
{
    const HistorySnapshot history =
        DemoHistory::snapshot(kLottery, DemoHistory::generate(kLottery, 1, 4, QDate(2026, 2, 27)));
    EXPECT_EQ(numbersOf(ShuffledHistory::of(history, kLottery.drawsPerDay, 5)),
              numbersOf(ShuffledHistory::of(history, kLottery.drawsPerDay, 5)));
    EXPECT_NE(numbersOf(ShuffledHistory::of(history, kLottery.drawsPerDay, 5)),
              numbersOf(ShuffledHistory::of(history, kLottery.drawsPerDay, 6)));
    EXPECT_EQ(ShuffledHistory::of(HistorySnapshot(), kLottery.drawsPerDay, 5).size(), 0);
}
