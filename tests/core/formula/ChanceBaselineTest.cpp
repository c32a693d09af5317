// The chance baseline: hand-computed on a small history, and the z-scores of
// random formulas on random histories against the normal distribution.
#include "core/search/SearchFixtures.h"

#include "analysis/RankingKey.h"
#include "formula/ChanceBaseline.h"
#include "formula/FormulaEvaluator.h"
#include "formula/FormulaRanking.h"
#include "scoring/HitRule.h"
#include "search/CandidateGenerator.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>

using namespace SearchFixtures;

namespace {

// Counted rows 1..4 with window "all"; first numbers 2, 1, 3, 1 there; the
// first two positions hold {2,3}, {1,4}, {3,1}, {1,5}.
HistorySnapshot smallHistory()
{
    return numbersOnly({{1, 2, 3, 4, 5}, {2, 3, 4, 5, 6}, {1, 4, 5, 6, 7}, {3, 1, 2, 8, 9}, {1, 5, 6, 7, 8}});
}

FormulaStatistics scored(const HistorySnapshot& history, FormulaKind kind, const QString& code, bool kill,
                         const ScoringWindow& window, ResultColumnForm column = ResultColumnForm::None)
{
    FormulaRecord record;
    record.code = code;
    record.kill = kill;
    return FormulaEvaluator(history, kind, 11, window).evaluate(record, column).scored.record.statistics;
}

constexpr ScoringWindow kAll{0, true, false};

} // namespace

TEST(ChanceBaseline, matchesTheHandComputationForKillKeepGroupAndWeights)
{
    const HistorySnapshot history = smallHistory();
    const FormulaKind first(1, false);
    // L1A predicts 1, 2, 1, 3 for rows 1..4, whose first numbers were 1 half the
    // time, 2 and 3 a quarter each: a kill hits by chance with 0.5, 0.75, 0.5, 0.75.
    const FormulaStatistics kill = scored(history, first, QStringLiteral("L1A"), true, kAll);
    EXPECT_EQ(kill.hitWeight, 4);
    EXPECT_NEAR(kill.expectedRate, 62.5, 1e-9);
    EXPECT_NEAR(kill.z, 1.5 / std::sqrt(0.875), 1e-9);
    const FormulaStatistics keep = scored(history, first, QStringLiteral("L1A"), false, kAll);
    EXPECT_NEAR(keep.expectedRate, 37.5, 1e-9);
    EXPECT_NEAR(keep.z, -1.5 / std::sqrt(0.875), 1e-9);

    // Weighted j²: weights 1, 4, 9, 16 (30 in all); E = 20, V = Σ w²·p(1 − p) = 71.5.
    const FormulaStatistics weighted = scored(history, first, QStringLiteral("L1A"), true, {0, true, true});
    EXPECT_EQ(weighted.totalWeight, 30);
    EXPECT_NEAR(weighted.expectedRate, 20.0 / 30.0 * 100.0, 1e-9);
    EXPECT_NEAR(weighted.z, 10.0 / std::sqrt(71.5), 1e-9);

    // Group 第二 keep: a number's chance is its share of draws holding it in
    // positions 1..2 (1: 3/4, 2: 1/4, 3: 2/4, 4: 1/4). L2A predicts 2, 3, 4, 1.
    const FormulaStatistics group = scored(history, FormulaKind(2, true), QStringLiteral("L2A"), false, kAll);
    EXPECT_EQ(group.hitWeight, 2);
    EXPECT_NEAR(group.expectedRate, 1.75 / 4 * 100.0, 1e-9);
    EXPECT_NEAR(group.z, 0.25 / std::sqrt(0.8125), 1e-9);

    // The frequencies come from the window's own draws: rows 3 and 4 hold first
    // numbers 3 and 1 only, so each prediction (1, then 3) is killed by chance half the time.
    const FormulaStatistics recent = scored(history, first, QStringLiteral("L1A"), true, {2, true, false});
    EXPECT_EQ(recent.totalWeight, 2);
    EXPECT_NEAR(recent.expectedRate, 50.0, 1e-9);
    EXPECT_NEAR(recent.z, 1.0 / std::sqrt(0.5), 1e-9);

    // The history grid's evaluation gives the same figures as the list's.
    const FormulaStatistics column =
        scored(history, first, QStringLiteral("L1A"), true, {0, true, true}, ResultColumnForm::NextDraw);
    EXPECT_DOUBLE_EQ(column.expectedRate, weighted.expectedRate);
    EXPECT_DOUBLE_EQ(column.z, weighted.z);
}

TEST(ChanceBaseline, weightsOfLongHistoriesAreTalliedExactlyByTheBitTheyRead)
{
    // 20,000 counted draws predicting 3, then 0 (no number), then an empty value:
    // the sum of j⁴ over them passes 64 bits and must still be exact.
    constexpr int kDraws = 20000;
    std::vector<double> values(kDraws + 2, 14.0);
    values[kDraws] = 0.0;
    values[kDraws + 1] = std::nan("");
    const ChanceTotals totals = ChanceBaseline::tally(values.data(), 1, kDraws + 3, 11, true);
    const auto n = static_cast<WideCount>(kDraws);
    const WideCount fourthPowers = n * (n + 1) * (2 * n + 1) * (3 * n * n + 3 * n - 1) / 30;
    EXPECT_TRUE(totals.squares[3] == fourthPowers);
    EXPECT_EQ(totals.weight[3], static_cast<std::uint64_t>(kDraws) * (kDraws + 1) * (2 * kDraws + 1) / 6);
    const auto j = static_cast<std::uint64_t>(kDraws + 1);
    EXPECT_EQ(totals.weight[HitRule::kNoNumberBit], j * j);
    EXPECT_TRUE(totals.squares[HitRule::kNoNumberBit] == static_cast<WideCount>(j * j) * (j * j));
    EXPECT_EQ(totals.weight[HitRule::kEmptyBit], (j + 1) * (j + 1));
    const ChanceTotals plain = ChanceBaseline::tally(values.data(), 1, kDraws + 3, 11, false);
    EXPECT_EQ(plain.weight[3], static_cast<std::uint64_t>(kDraws));
    EXPECT_TRUE(plain.squares[3] == static_cast<WideCount>(kDraws));

    // Beyond 65,535 draws a single w² no longer fits 64 bits; up to there the
    // sums are gathered in halves.
    std::vector<std::uint8_t> bits(70000);
    ChanceTotals oneByOne;
    ChanceTotals firstOnes;
    for (size_t k = 0; k < bits.size(); ++k) {
        bits[k] = static_cast<std::uint8_t>(k * 7919 % 13 == 0 ? HitRule::kNoNumberBit : 1 + k * 31 % 12);
        oneByOne.add(bits[k], (k + 1) * (k + 1));
        if (k < 65535)
            firstOnes.add(bits[k], (k + 1) * (k + 1));
    }
    EXPECT_TRUE(ChanceTotals::ofBits(bits.data(), 70000, true) == oneByOne);
    EXPECT_TRUE(ChanceTotals::ofBits(bits.data(), 65535, true) == firstOnes);

    // The figures from those totals: kill 3 hits with 1 − f(3) on every draw.
    const HistorySnapshot history = smallHistory();
    const ChanceBaseline baseline(HitRule(history, FormulaKind(1, false).rule(11, true)), 1, 5);
    FormulaStatistics s;
    s.hitWeight = 3;
    s.totalWeight = 4;
    ChanceTotals four;
    for (int row = 0; row < 4; ++row)
        four.add(3, 1);
    baseline.measure(s, four, true);
    EXPECT_DOUBLE_EQ(s.expectedRate, (1.0 - baseline.frequency(3)) * 100.0);
}

TEST(ChanceBaseline, predictionsNamingNoNumberAreCertainAndRankBelowMeasuredOnes)
{
    const HistorySnapshot history = smallHistory();
    const FormulaKind first(1, false);
    // 0 names no number: absent everywhere, a sure hit for kill and a sure miss for keep.
    const FormulaStatistics none = scored(history, first, QStringLiteral("L1A-L1A"), true, kAll);
    EXPECT_DOUBLE_EQ(none.expectedRate, 100.0);
    EXPECT_DOUBLE_EQ(none.z, 0.0);
    EXPECT_DOUBLE_EQ(scored(history, first, QStringLiteral("0"), false, kAll).expectedRate, 0.0);
    // An empty value (a division by zero) misses for both.
    const FormulaStatistics empty = scored(history, first, QStringLiteral("L1A/0"), true, kAll);
    EXPECT_EQ(empty.hitWeight, 0);
    EXPECT_DOUBLE_EQ(empty.expectedRate, 0.0);
    EXPECT_DOUBLE_EQ(empty.z, 0.0);
    // A number never drawn at the position is a certain kill.
    EXPECT_DOUBLE_EQ(scored(history, first, QStringLiteral("9"), true, kAll).expectedRate, 100.0);
    // Without a counted draw there is nothing to measure.
    EXPECT_FALSE(scored(numbersOnly({{1, 2, 3, 4, 5}}), first, QStringLiteral("L1A"), true, kAll).hasChance());

    // Ranking by the chance figures: a stored row that was never measured comes
    // first ascending (last when ranked from the top), and the sort stays well ordered.
    std::vector<ScoredFormula> rows(3);
    rows[0].record.idx = 1;
    rows[1].record.idx = 2;
    rows[1].record.statistics.expectedRate = 90.0;
    rows[1].record.statistics.z = 2.5;
    rows[2].record.idx = 3;
    rows[2].record.statistics.expectedRate = 91.0;
    rows[2].record.statistics.z = -1.0;
    FormulaRanking::rank(rows, 5 + static_cast<int>(StatisticKey::Z));
    EXPECT_EQ(rows[0].record.idx, 1);
    EXPECT_EQ(rows[1].record.idx, 3);
    EXPECT_EQ(rows[2].record.idx, 2);
    EXPECT_EQ(RankingKeys::fromToken(QStringLiteral("z")), StatisticKey::Z);
    EXPECT_EQ(RankingKeys::fromCaption(QStringLiteral("随机期望")), StatisticKey::ExpectedRate);
}

// Random formulas (the search's own candidates) on independent random
// histories: no formula can know the next draw, so their z-scores should be
// standard normal. Each trial has its own history, so the K z-scores are
// independent: their mean has a standard error of 1/√K and their standard
// deviation one of about 1/√(2K); both are allowed four of those.
TEST(ChanceBaseline, zScoresOfRandomFormulasOnRandomHistoriesAreStandardNormal)
{
    constexpr int kTrials = 1200;
    std::mt19937_64 random(20260);
    double sum = 0.0;
    double squares = 0.0;
    int measured = 0;
    for (int trial = 0; trial < kTrials; ++trial) {
        const int lottery = trial % 4 == 0 ? 25 : 0; // some 快乐12 histories too
        const HistorySnapshot history = demoHistory(3, 1000 + static_cast<std::uint64_t>(trial), lottery);
        const CandidateGenerator generator(random(), 6, std::nullopt);
        FormulaRecord record;
        record.code = CandidateGenerator::code(generator.generate(0));
        record.kill = random() % 2 == 0;
        const FormulaKind kind(static_cast<int>(random() % 5) + 1, random() % 2 == 0);
        const ScoringWindow window{trial % 3 == 0 ? 0 : 100, true, trial % 2 == 0};
        const int range = LotteryTable::entry(lottery).numberRange;
        const FormulaStatistics s =
            FormulaEvaluator(history, kind, range, window).evaluate(record).scored.record.statistics;
        ASSERT_TRUE(s.hasChance());
        sum += s.z;
        squares += s.z * s.z;
        ++measured;
    }
    const double mean = sum / measured;
    const double deviation = std::sqrt(squares / measured - mean * mean);
    EXPECT_LT(std::fabs(mean), 4.0 / std::sqrt(measured)) << mean;
    EXPECT_LT(std::fabs(deviation - 1.0), 4.0 / std::sqrt(2.0 * measured)) << deviation;
}
