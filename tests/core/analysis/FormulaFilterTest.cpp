#include "analysis/FormulaFilter.h"

#include <gtest/gtest.h>

namespace {

FormulaRecord formula(int idx, float rate, int missRun, int hitRun, int lastMiss, int lastHit)
{
    FormulaRecord f;
    f.idx = idx;
    f.statistics.rate = rate;
    f.statistics.longestMissRun = missRun;
    f.statistics.longestHitRun = hitRun;
    f.statistics.lastMissRun = lastMiss;
    f.statistics.lastHitRun = lastHit;
    return f;
}

const std::vector<FormulaRecord> kFormulas{
    formula(1, 45.123457f, 3, 9, 0, 2),
    formula(2, 81.33333f, 2, 14, 1, 0),
    formula(3, 99.9f, 0, 40, 0, 40), // never selected below
    formula(4, 60.5f, 5, 6, 2, 0),
};

TEST(FormulaFilter, PrefillSpansOnlyTheSelectedFormulas)
{
    const StatisticBounds b = FormulaFilter::prefill(kFormulas, {1, 2, 4});
    EXPECT_FLOAT_EQ(static_cast<float>(b.lower(StatisticKey::Rate)), 45.123457f);
    EXPECT_FLOAT_EQ(static_cast<float>(b.upper(StatisticKey::Rate)), 81.33333f);
    EXPECT_EQ(b.lower(StatisticKey::LongestMissRun), 2);
    EXPECT_EQ(b.upper(StatisticKey::LongestMissRun), 5);
    EXPECT_EQ(b.upper(StatisticKey::LongestHitRun), 14);
    EXPECT_EQ(b.upper(StatisticKey::LastMissRun), 2);
    EXPECT_EQ(b.lower(StatisticKey::LastHitRun), 0);

    const StatisticBounds empty = FormulaFilter::prefill(kFormulas, {});
    EXPECT_EQ(empty.values(), (std::array<double, 10>{100, 0, 32767, 0, 32767, 0, 32767, 0, 32767, 0}));
    EXPECT_TRUE(FormulaFilter::apply(kFormulas, {}, empty).empty());
}

TEST(FormulaFilter, UnchangedBoundsKeepTheSelectionEvenThroughTheBoxes)
{
    const std::set<int> selected{1, 2, 4};
    StatisticBounds b = FormulaFilter::prefill(kFormulas, selected);
    EXPECT_EQ(FormulaFilter::apply(kFormulas, selected, b), selected);
    // The same bounds after being written into the boxes and read back.
    for (int i = 0; i < 10; ++i)
        b.set(i, FormulaFilter::leadingNumber(FormulaFilter::boundText(i, b[i])));
    EXPECT_EQ(FormulaFilter::apply(kFormulas, selected, b), selected);
}

TEST(FormulaFilter, ToleranceNarrowingAndInvertedBounds)
{
    const std::set<int> selected{1, 2, 4};
    StatisticBounds b = FormulaFilter::prefill(kFormulas, selected);
    b.set(1, 81.33333 - 0.00005); // inside the tolerance: still kept
    EXPECT_EQ(FormulaFilter::apply(kFormulas, selected, b), selected);
    b.set(1, 81.3); // now formula 2 is above the upper rate bound
    EXPECT_EQ(FormulaFilter::apply(kFormulas, selected, b), (std::set<int>{1, 4}));
    b.set(3, 4.99995); // longest miss run ≤ 5 (tolerance) keeps formula 4
    EXPECT_EQ(FormulaFilter::apply(kFormulas, selected, b), (std::set<int>{1, 4}));
    b.set(3, 4.99); // …but not 4.99
    EXPECT_EQ(FormulaFilter::apply(kFormulas, selected, b), (std::set<int>{1}));

    // Wide bounds never bring back a formula that was not selected.
    const StatisticBounds wide({0, 100, 0, 999, 0, 999, 0, 999, 0, 999});
    EXPECT_EQ(FormulaFilter::apply(kFormulas, {2}, wide), std::set<int>{2});

    StatisticBounds inverted = FormulaFilter::prefill(kFormulas, selected);
    inverted.set(4, 20); // lower longest hit run above the upper
    EXPECT_TRUE(FormulaFilter::apply(kFormulas, selected, inverted).empty());
}

TEST(FormulaFilter, BoxesAreReadByTheirLeadingNumber)
{
    EXPECT_EQ(FormulaFilter::leadingNumber(QStringLiteral("12abc")), 12);
    EXPECT_EQ(FormulaFilter::leadingNumber(QStringLiteral("  -3.5x")), -3.5);
    EXPECT_EQ(FormulaFilter::leadingNumber(QStringLiteral(".25")), 0.25);
    EXPECT_EQ(FormulaFilter::leadingNumber(QStringLiteral("")), 0);
    EXPECT_EQ(FormulaFilter::leadingNumber(QStringLiteral("abc")), 0);
}

} // namespace
