#include "formula/FormulaScoring.h"
#include "formula/CompiledFormula.h"
#include "history/HistorySnapshot.h"
#include "scoring/HitRule.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

// A history whose draws have the given numbers at position 1; the other
// positions hold 7, 8, 9, 10 and every other column 0.
HistorySnapshot historyWithFirstNumbers(const std::vector<int>& first)
{
    HistorySnapshot history;
    for (size_t row = 0; row < first.size(); ++row) {
        std::array<std::int32_t, AttributeCatalog::kCount> values{};
        values[static_cast<size_t>(AttributeCatalog::numberColumn(1))] = first[row];
        for (int p = 2; p <= 5; ++p)
            values[static_cast<size_t>(AttributeCatalog::numberColumn(p))] = p + 5;
        history.append(QStringLiteral("260101%1").arg(row + 1, 2, 10, QChar(u'0')), values);
    }
    return history;
}

FormulaStatistics scoreOf(const HistorySnapshot& history, const char* code, const ScoringRule& rule,
                          const ScoringWindow& window)
{
    return FormulaScoring::score(history, CompiledFormula::compile(QString::fromUtf8(code)), rule, window);
}

std::pair<std::int64_t, std::int64_t> weights(const FormulaStatistics& s) { return {s.hitWeight, s.totalWeight}; }
std::pair<std::int64_t, std::int64_t> weights(std::int64_t hit, std::int64_t total) { return {hit, total}; }

ScoringRule keepAt(int position) { return FormulaKind(position, false).rule(11, false); }

} // namespace

TEST(FormulaScoring, foldsAndRoundsValuesIntoNumbers)
{
    EXPECT_EQ(HitRule::predict(12, 11), 1);
    EXPECT_EQ(HitRule::predict(11, 11), 11);
    EXPECT_EQ(HitRule::predict(12, 12), 12);
    EXPECT_EQ(HitRule::predict(25, 12), 1);
    EXPECT_EQ(HitRule::predict(0, 11), 0);
    EXPECT_EQ(HitRule::predict(-3, 11), -3);
    EXPECT_EQ(HitRule::predict(-13, 11), -2);
    EXPECT_EQ(FormulaScoring::roundHalfEven(2.5), 2);
    EXPECT_EQ(FormulaScoring::roundHalfEven(3.5), 4);
    EXPECT_EQ(FormulaScoring::roundHalfEven(-2.5), -2);
    EXPECT_EQ(FormulaScoring::roundHalfEven(2.5000001), 3);
    // PreCanshu rounds the value; the "计算值" folds the unrounded one, where Mod
    // rounds v − 1 instead: 2.5 → 1.5 → 2 → 3.
    EXPECT_EQ(HitRule::predict(2.5, 11), 2);
    EXPECT_EQ(FormulaScoring::nextNumber(2.5, 11), 3);
    EXPECT_EQ(HitRule::predict(3.5, 11), 4);
    EXPECT_EQ(FormulaScoring::nextNumber(3.5, 11), 3);
    EXPECT_EQ(FormulaScoring::nextNumber(12, 11), 1);
    EXPECT_EQ(FormulaScoring::nextNumber(std::nan(""), 11), 0);

    // Position 1 always draws 1: a value of 12 keeps 1 on every draw; a value of 0
    // predicts 0, which a keep never hits and a kill always does.
    const HistorySnapshot history = historyWithFirstNumbers({1, 1, 1, 1, 1});
    const ScoringWindow all{0, true, false};
    EXPECT_EQ(scoreOf(history, "12", keepAt(1), all).hitWeight, 4);
    EXPECT_EQ(scoreOf(history, "0", keepAt(1), all).hitWeight, 0);
    EXPECT_EQ(scoreOf(history, "0", FormulaKind(1, false).rule(11, true), all).hitWeight, 4);
    // 2.5 becomes 2, 3.5 becomes 4: neither keeps 3.
    const HistorySnapshot threes = historyWithFirstNumbers({3, 3, 3});
    EXPECT_EQ(scoreOf(threes, "2.5", keepAt(1), all).hitWeight, 0);
    EXPECT_EQ(scoreOf(threes, "3.5", keepAt(1), all).hitWeight, 0);
    EXPECT_EQ(scoreOf(threes, "4.5", keepAt(1), all).hitWeight, 0);
    EXPECT_EQ(scoreOf(threes, "2.6", keepAt(1), all).hitWeight, 2);
    // An empty value (division by zero) predicts nothing: a miss for kill and keep.
    const FormulaStatistics empty = scoreOf(history, "L1A/(L1A-1)", FormulaKind(1, false).rule(11, true), all);
    EXPECT_EQ(empty.hitWeight, 0);
    EXPECT_EQ(empty.totalWeight, 4);
    EXPECT_EQ(empty.lastMissRun, 4);
}

TEST(FormulaScoring, weightedRateOfTheNewestHitOnly)
{
    // 101 draws, the newest with a 5 at position 1: the last 100 count, weights 1..100².
    std::vector<int> first(101, 1);
    first.back() = 5;
    const HistorySnapshot history = historyWithFirstNumbers(first);
    const FormulaStatistics s = scoreOf(history, "5", keepAt(1), ScoringWindow{100, true, true});
    EXPECT_EQ(s.hitWeight, 10000);
    EXPECT_EQ(s.totalWeight, 338350);
    EXPECT_FLOAT_EQ(s.rate, static_cast<float>(10000.0 / 338350.0 * 100.0));
    EXPECT_EQ(FormulaScoring::rateCellText(s), QStringLiteral("02.9555% (10000/338350)"));
    EXPECT_EQ(s.longestMissRun, 99);
    EXPECT_EQ(s.longestHitRun, 1);
    EXPECT_EQ(s.lastMissRun, 0);
    EXPECT_EQ(s.lastHitRun, 1);

    // Three counted draws, the newest a hit: 9 / 14.
    const FormulaStatistics three =
        scoreOf(historyWithFirstNumbers({1, 1, 1, 1, 5}), "5", keepAt(1), ScoringWindow{3, true, true});
    EXPECT_EQ(three.hitWeight, 9);
    EXPECT_EQ(three.totalWeight, 14);
    EXPECT_EQ(FormulaScoring::rateCellText(three), QStringLiteral("64.2857% (9/14)"));

    FormulaStatistics full;
    full.rate = 100.0f;
    full.hitWeight = full.totalWeight = 5;
    EXPECT_EQ(FormulaScoring::rateCellText(full), QStringLiteral("100.0000% (5/5)"));
}

TEST(FormulaScoring, countsTheWindowAndNeverTheFirstDraw)
{
    // Keep "L1A" at position 1 predicts a repeat. Position 1 draws 3 3 3 5 5 7:
    // rows 1..5 are hit, hit, miss, hit, miss.
    const HistorySnapshot history = historyWithFirstNumbers({3, 3, 3, 5, 5, 7});
    auto run = [&](int lookBack, bool excludeCurrent, bool weighted) {
        return scoreOf(history, "L1A", keepAt(1), ScoringWindow{lookBack, excludeCurrent, weighted});
    };
    FormulaStatistics s = run(0, true, false);
    EXPECT_EQ(weights(s), weights(3, 5));
    EXPECT_EQ(s.longestHitRun, 2);
    EXPECT_EQ(s.longestMissRun, 1);
    EXPECT_EQ(s.lastMissRun, 1);
    EXPECT_EQ(s.lastHitRun, 0);
    EXPECT_FLOAT_EQ(s.rate, 60.0f);

    s = run(3, true, false); // rows 3..5
    EXPECT_EQ(weights(s), weights(1, 3));
    s = run(3, false, false); // rows 2..5
    EXPECT_EQ(weights(s), weights(2, 4));
    s = run(3, true, true); // weights 1 (miss), 4 (hit), 9 (miss)
    EXPECT_EQ(weights(s), weights(4, 14));
    // Windows as large as the history, or larger, still skip the first draw.
    for (int lookBack : {5, 6, 100})
        for (bool excludeCurrent : {true, false})
            EXPECT_EQ(run(lookBack, excludeCurrent, false).totalWeight, 5) << lookBack << excludeCurrent;
    EXPECT_EQ(FormulaScoring::countedRows(6, ScoringWindow{4, true, true}), std::make_pair(2, 6));
    EXPECT_EQ(FormulaScoring::countedRows(1, ScoringWindow{0, true, true}), std::make_pair(1, 1));
    EXPECT_EQ(FormulaScoring::countedRows(0, ScoringWindow{0, true, true}), std::make_pair(0, 0));
    EXPECT_EQ(scoreOf(historyWithFirstNumbers({4}), "L1A", keepAt(1), ScoringWindow{0, true, true}).totalWeight, 0);

    // Values computed elsewhere score the same way.
    const std::vector<double> values = CompiledFormula::compile(QStringLiteral("L1A")).evaluateAll(history);
    const FormulaStatistics fromValues =
        FormulaScoring::scoreValues(history, values, keepAt(1), ScoringWindow{3, false, true});
    const FormulaStatistics direct = run(3, false, true);
    EXPECT_EQ(fromValues.hitWeight, direct.hitWeight);
    EXPECT_EQ(fromValues.totalWeight, direct.totalWeight);
}

TEST(HitRule, groupLooksAtPositionsOneToPAndEmptyPredictionsAlwaysMiss)
{
    // Draws 1 2 3 4 5 throughout.
    HistorySnapshot history;
    std::array<std::int32_t, AttributeCatalog::kCount> values{};
    for (int p = 1; p <= 5; ++p)
        values[static_cast<size_t>(AttributeCatalog::numberColumn(p))] = p;
    history.append(QStringLiteral("26010101"), values);
    const auto hit = [&history](int position, bool group, bool kill, int predicted) {
        return HitRule(history, FormulaKind(position, group).rule(11, kill)).hit(0, predicted) == 1u;
    };

    for (int position = 1; position <= 5; ++position) {
        for (int predicted = 1; predicted <= 11; ++predicted) {
            const bool inGroup = predicted <= position;
            EXPECT_EQ(hit(position, true, true, predicted), !inGroup);
            EXPECT_EQ(hit(position, true, false, predicted), inGroup);
            EXPECT_EQ(hit(position, false, false, predicted), predicted == position);
            EXPECT_EQ(hit(position, false, true, predicted), predicted != position);
        }
        // 0 and below name no number: absent everywhere. An empty value predicts nothing.
        for (bool group : {false, true}) {
            for (int none : {0, -3, -10}) {
                EXPECT_TRUE(hit(position, group, true, none));
                EXPECT_FALSE(hit(position, group, false, none));
            }
            EXPECT_FALSE(hit(position, group, true, HitRule::kNoPrediction));
            EXPECT_FALSE(hit(position, group, false, HitRule::kNoPrediction));
        }
    }
    EXPECT_EQ(HitRule::predict(std::nan(""), 11), HitRule::kNoPrediction);
    EXPECT_EQ(HitRule::predict(1e300, 11), HitRule::kNoPrediction);
    EXPECT_EQ(HitRule::predict<12>(-13.0), -1); // (−14 Mod 12) + 1 = −2 + 1
    EXPECT_EQ(HitRule::predict<11>(2.5), 2);
}
