// The search against shuffled history: what chance alone finds.
#include "core/search/SearchFixtures.h"

#include "search/NullSearch.h"
#include "search/SearchEngine.h"
#include "search/SearchSession.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>

using namespace SearchFixtures;

namespace {

const LotteryTable::Entry kLottery = LotteryTable::entry(0);
const QDate kLastDay(2026, 11, 30);

// Position 1 never repeats the previous first number, nor the fold of the
// previous first and second numbers (a rule a sum of two columns can follow).
std::vector<StoredDraw> plantedDraws(int days, std::uint64_t seed)
{
    std::vector<StoredDraw> draws = DemoHistory::generate(kLottery, days, seed, kLastDay);
    std::mt19937_64 random(seed + 1);
    for (size_t i = 1; i < draws.size(); ++i) {
        const DrawNumbers& p = draws[i - 1].numbers;
        const int sum = (p[0] + p[1] - 1) % 11 + 1;
        DrawNumbers& d = draws[i].numbers;
        while (d[0] == p[0] || d[0] == sum) {
            const int other = static_cast<int>(random() % 11) + 1;
            const auto at = std::find(d.begin(), d.end(), other);
            if (at != d.end())
                std::swap(d[0], *at);
            else
                d[0] = other;
        }
    }
    return draws;
}

struct Outcome {
    int found = 0;
    NullSearchSummary null;
};

Outcome searchBoth(const HistorySnapshot& history, const StatisticBounds& bounds, std::uint64_t candidates, int runs)
{
    SearchEngine engine(1);
    NullSearchRequest request;
    request.target = FormulaTarget(1, false, true);
    request.bounds = bounds;
    request.shape = SearchOptions{2, 0, TextForm::Suffix};
    request.window = ScoringWindow{200, true, false};
    request.seed = 41;
    request.candidates = candidates;
    request.drawsPerDay = kLottery.drawsPerDay;
    request.runs = runs;
    SearchSession session(engine, history, 11, request.window, request.seed);
    session.begin(request.target, bounds, request.shape);
    session.run({candidates, std::nullopt});
    return {static_cast<int>(session.found().size()), *NullSearch::run(engine, history, request)};
}

StatisticBounds rateAtLeast(double rate) { return StatisticBounds({rate, 100, 0, 1e6, 0, 1e6, 0, 1e6, 0, 1e6}); }

} // namespace

// Without a rule in the draws the shuffled copies find as many as the real
// history does: the real count lies within 4 sd of the copies' mean (their own
// spread, or the Poisson spread of the mean when that is larger).
TEST(NullSearch, OnRandomDrawsTheRealSearchFindsWhatChanceFinds)
{
    const HistorySnapshot history = DemoHistory::snapshot(kLottery, DemoHistory::generate(kLottery, 3, 19, kLastDay));
    const Outcome outcome = searchBoth(history, rateAtLeast(94.0), 3000, 6);
    ASSERT_EQ(outcome.null.foundPerRun.size(), 6u);
    double variance = 0.0;
    for (int n : outcome.null.foundPerRun)
        variance += (n - outcome.null.meanFound) * (n - outcome.null.meanFound);
    const double sd = std::max(std::sqrt(variance / 5.0), std::sqrt(outcome.null.meanFound));
    EXPECT_GT(outcome.null.meanFound, 10.0);
    EXPECT_NEAR(outcome.found, outcome.null.meanFound, 4 * sd);
    ASSERT_TRUE(outcome.null.meanRate);
    EXPECT_GE(*outcome.null.meanRate, 94.0);
    ASSERT_TRUE(outcome.null.bestZ);
    // The best of a few thousand tries is about as many sd above chance as the tries allow.
    EXPECT_LT(*outcome.null.bestZ, NullSearch::chanceBestZ(3000) + 1.5);
    EXPECT_GT(NullSearch::exceedance(outcome.found, outcome.null.foundPerRun), 0.0);
}

// The planted rule gives a few sums that never miss; shuffled, nothing does.
TEST(NullSearch, APlantedRuleIsFoundOnlyInTheRealOrder)
{
    const HistorySnapshot history = DemoHistory::snapshot(kLottery, plantedDraws(3, 23));
    const Outcome outcome = searchBoth(history, rateAtLeast(99.99), 30000, 3);
    EXPECT_GT(outcome.found, 0);
    for (int n : outcome.null.foundPerRun)
        EXPECT_LT(n, outcome.found);
    EXPECT_DOUBLE_EQ(NullSearch::exceedance(outcome.found, outcome.null.foundPerRun), 0.25);
}

TEST(NullSearch, ChanceBestZGrowsAsTheRootOfTwiceTheLogOfTheTries)
{
    EXPECT_EQ(NullSearch::chanceBestZ(0), 0.0);
    EXPECT_EQ(NullSearch::chanceBestZ(1), 0.0);
    EXPECT_NEAR(NullSearch::chanceBestZ(10000), 4.29, 0.01);
    EXPECT_NE(NullSearch::shuffleSeed(1, 0), NullSearch::shuffleSeed(1, 1));
    EXPECT_NE(NullSearch::shuffleSeed(1, 0), NullSearch::shuffleSeed(2, 0));
}
