#include "analysis/TrendChart.h"
#include "history/DemoHistory.h"
#include "history/IssueNumbers.h"

#include <gtest/gtest.h>

namespace {

std::vector<QString> issues(size_t count)
{
    std::vector<QString> list;
    for (size_t i = 0; i < count; ++i)
        list.push_back(QString::number(25030101 + i));
    return list;
}

TrendChart chart(const std::vector<int>& numbers, TrendView view = TrendView::Numbers, int range = 11)
{
    return TrendChart(issues(numbers.size()), numbers, TrendClasses::of(view, range));
}

TEST(TrendChart, OmissionOfNeverDrawnLastDrawnAndEveryDrawNumbers)
{
    // Position numbers of five draws, oldest first: 3 on the last draw, 11 never.
    const TrendChart five = chart({3, 5, 3, 7, 3});
    const std::vector<OmissionStats> table = five.omissionTable();
    ASSERT_EQ(table.size(), 11u);
    auto check = [&table](int number, int current, int max, double average, int frequency) {
        const OmissionStats& s = table[static_cast<size_t>(number - 1)];
        EXPECT_EQ(s.current, current) << number;
        EXPECT_EQ(s.max, max) << number;
        EXPECT_DOUBLE_EQ(s.average, average) << number;
        EXPECT_EQ(s.frequency, frequency) << number;
        EXPECT_DOUBLE_EQ(s.expected, 5.0 / 11.0) << number;
    };
    check(3, 0, 1, 2.0 / 4.0, 3); // runs 0, 1, 1, 0
    check(5, 3, 3, 4.0 / 2.0, 1); // runs 1 and 3 (the current one)
    check(7, 1, 3, 4.0 / 2.0, 1); // runs 3 and 1
    check(11, 5, 5, 5.0, 0); // never: the whole window

    // The running omission of every cell; 0 where the number came.
    const int expected5[] = {1, 0, 1, 2, 3};
    for (int row = 0; row < 5; ++row)
        EXPECT_EQ(five.omission(row, 4), expected5[row]) << row;
    EXPECT_EQ(five.drawnColumn(3), 6);

    // A number drawn every draw never misses.
    const OmissionStats always = chart({4, 4, 4, 4}).omissionTable()[3];
    EXPECT_EQ(always.current, 0);
    EXPECT_EQ(always.max, 0);
    EXPECT_EQ(always.average, 0.0);
    EXPECT_EQ(always.frequency, 4);

    // No draw at all: nothing missed, nothing expected.
    const OmissionStats none = chart({}).omissionTable()[0];
    EXPECT_EQ(none.current, 0);
    EXPECT_EQ(none.max, 0);
    EXPECT_EQ(none.expected, 0.0);
}

TEST(TrendChart, ClassViewsSplitBothRanges)
{
    const TrendClasses big11 = TrendClasses::of(TrendView::BigSmall, 11);
    EXPECT_EQ(big11.members(0), (std::vector<int>{6, 7, 8, 9, 10, 11}));
    EXPECT_EQ(TrendClasses::of(TrendView::BigSmall, 12).members(0), (std::vector<int>{7, 8, 9, 10, 11, 12}));
    EXPECT_EQ(TrendClasses::of(TrendView::OddEven, 12).members(1), (std::vector<int>{2, 4, 6, 8, 10, 12}));
    EXPECT_EQ(TrendClasses::of(TrendView::PrimeComposite, 11).members(0), (std::vector<int>{1, 2, 3, 5, 7, 11}));
    EXPECT_EQ(TrendClasses::of(TrendView::PrimeComposite, 12).members(1), (std::vector<int>{4, 6, 8, 9, 10, 12}));

    // 大小 over 3, 5, 3, 7, 3: 大 came once (7), 小 every other draw.
    const TrendChart sizes = chart({3, 5, 3, 7, 3}, TrendView::BigSmall);
    EXPECT_EQ(sizes.columnCount(), 2);
    EXPECT_EQ(sizes.drawnColumn(3), 0);
    const std::vector<OmissionStats> table = sizes.omissionTable();
    EXPECT_EQ(table[0].current, 1);
    EXPECT_EQ(table[0].max, 3);
    EXPECT_EQ(table[0].frequency, 1);
    EXPECT_DOUBLE_EQ(table[0].expected, 5.0 * 6 / 11);
    EXPECT_EQ(table[1].current, 0);
    EXPECT_EQ(table[1].max, 1);
    EXPECT_DOUBLE_EQ(table[1].expected, 5.0 * 5 / 11);
    EXPECT_THROW(chart({3, 12}), std::invalid_argument);
}

TEST(TrendChart, WindowCountsOnlyTheLatestDrawsOfThePosition)
{
    const LotteryTable::Entry lottery = LotteryTable::entry(0);
    const std::vector<DrawNumbers> numbers = {
        {1, 2, 3, 4, 5}, {6, 2, 7, 8, 9}, {1, 3, 2, 4, 5}, {11, 10, 9, 8, 7}, {2, 1, 3, 4, 5}};
    std::vector<StoredDraw> draws;
    for (size_t i = 0; i < numbers.size(); ++i)
        draws.push_back({IssueNumbers::format(QDate(2025, 3, 1), static_cast<int>(i) + 1, false), numbers[i]});
    const HistorySnapshot history = DemoHistory::snapshot(lottery, draws);

    const TrendChart all = TrendChart::build(history, 2, 0, TrendClasses::of(TrendView::Numbers, 11));
    EXPECT_EQ(all.rowCount(), 5);
    EXPECT_EQ(all.number(4), 1);
    EXPECT_EQ(all.omissionTable()[1].frequency, 2); // 2 at position 2 in the first two draws

    // The last three draws: 2 came only before them, so it counts as never (3).
    const TrendChart last3 = TrendChart::build(history, 2, 3, TrendClasses::of(TrendView::Numbers, 11));
    ASSERT_EQ(last3.rowCount(), 3);
    EXPECT_EQ(last3.issue(0), history.issue(2));
    EXPECT_EQ(last3.omissionTable()[1].current, 3);
    EXPECT_EQ(last3.omissionTable()[1].frequency, 0);
    EXPECT_EQ(last3.omissionTable()[2].current, 2); // 3 at the first of them
    EXPECT_EQ(TrendChart::build(history, 2, 100, TrendClasses::of(TrendView::Numbers, 11)).rowCount(), 5);
}

} // namespace
