// The walk-forward check: the split, and that no draw crosses it.
#include "core/search/SearchFixtures.h"

#include "common/UserError.h"
#include "search/HoldOut.h"
#include "search/SearchEngine.h"
#include "search/SearchSession.h"

#include <gtest/gtest.h>

using namespace SearchFixtures;

namespace {

const LotteryTable::Entry kLottery = LotteryTable::entry(0);
constexpr int kHeldOut = 40;

std::vector<StoredDraw> draws(std::uint64_t seed)
{
    return DemoHistory::generate(kLottery, 4, seed, QDate(2026, 11, 30));
}

// The numbers of draws [from, to) taken from another random history, issues kept.
std::vector<StoredDraw> withNumbersFrom(std::vector<StoredDraw> history, int from, int to, std::uint64_t seed)
{
    const std::vector<StoredDraw> other = draws(seed);
    for (int i = from; i < to; ++i)
        history[static_cast<size_t>(i)].numbers = other[static_cast<size_t>(i)].numbers;
    return history;
}

std::vector<FoundFormula> search(const std::vector<StoredDraw>& stored, const StatisticBounds& bounds,
                                 const ScoringWindow& window, int threads = 2)
{
    const HistorySnapshot history = DemoHistory::snapshot(kLottery, stored);
    SearchEngine engine(threads);
    SearchSession session(engine, history, 11, window, 31);
    session.setHeldOut(kHeldOut);
    session.begin(FormulaTarget(2, false, true), bounds, SearchOptions{5, 0, TextForm::Suffix});
    session.run({2000, std::nullopt});
    return session.found();
}

void expectSame(const FormulaStatistics& a, const FormulaStatistics& b)
{
    EXPECT_EQ(a.rate, b.rate);
    EXPECT_EQ(a.hitWeight, b.hitWeight);
    EXPECT_EQ(a.totalWeight, b.totalWeight);
    EXPECT_EQ(a.longestMissRun, b.longestMissRun);
    EXPECT_EQ(a.lastHitRun, b.lastHitRun);
    ASSERT_EQ(a.hasChance(), b.hasChance());
    if (a.hasChance()) {
        EXPECT_DOUBLE_EQ(a.expectedRate, b.expectedRate);
        EXPECT_DOUBLE_EQ(a.z, b.z);
    }
}

} // namespace

TEST(HoldOut, theSearchSeesOnlyTheOlderDrawsAndTheDefaultIsAFifthOfTheWindow)
{
    const HistorySnapshot history = DemoHistory::snapshot(kLottery, draws(3));
    const int n = history.size();
    EXPECT_EQ(HoldOut::defaultDraws(n, {300, true, true}), 60);
    EXPECT_EQ(HoldOut::defaultDraws(n, {300, false, true}), 60); // 301 counted
    EXPECT_EQ(HoldOut::defaultDraws(n, {0, true, true}), static_cast<int>(std::lround((n - 1) / 5.0)));
    EXPECT_EQ(HoldOut::defaultDraws(3, {300, true, true}), 1); // never below one draw ..
    EXPECT_EQ(HoldOut::defaultDraws(2, {300, true, true}), 0); // .. nor past the two the search needs
    EXPECT_THROW(HoldOut::check(0, n), UserError);
    EXPECT_THROW(HoldOut::check(n - 1, n), UserError);
    EXPECT_NO_THROW(HoldOut::check(n - 2, n));

    SearchEngine engine(1);
    SearchSession session(engine, history, 11, {100, true, true}, 5);
    const StatisticBounds all({0, 100, 0, 32768, 0, 32768, 0, 32768, 0, 32768});
    session.begin(FormulaTarget(1, false, true), all, SearchOptions{});
    session.run({50, std::nullopt});
    EXPECT_FALSE(session.found().front().heldOut);
    // A new split empties the found list (its figures belong to the old one) and wants a new begin().
    session.setHeldOut(kHeldOut);
    EXPECT_TRUE(session.found().empty());
    EXPECT_FALSE(session.hasTask());
    EXPECT_EQ(session.searched().size(), n - kHeldOut);
    EXPECT_EQ(session.searched().issue(n - kHeldOut - 1), history.issue(n - kHeldOut - 1));
    session.begin(FormulaTarget(1, false, true), all, SearchOptions{});
    session.run({50, std::nullopt});
    ASSERT_EQ(session.found().size(), 50u);
    const HoldOutSummary summary = HoldOut::summarize(session.found(), kHeldOut);
    EXPECT_EQ(summary.count, 50);
    EXPECT_GT(summary.chanceRate, 80.0); // a kill hits ten times in eleven by chance
    EXPECT_THROW(session.setHeldOut(n - 1), UserError);
    session.setHeldOut(0);
    EXPECT_EQ(&session.searched(), &history);
}

TEST(HoldOut, noHeldOutDrawChangesTheAcceptedSetAndNoOlderDrawAHeldOutFigure)
{
    const std::vector<StoredDraw> original = draws(7);
    const int n = static_cast<int>(original.size());
    const ScoringWindow weighted{100, true, true};

    // Only formulas better than most are accepted; the held-out draws decide none of them.
    const StatisticBounds demanding({93, 100, 0, 32768, 0, 32768, 0, 32768, 0, 32768});
    const std::vector<FoundFormula> found = search(original, demanding, weighted);
    ASSERT_GT(found.size(), 3u);
    const std::vector<FoundFormula> again = search(original, demanding, weighted, 1); // same seed, one thread
    const std::vector<FoundFormula> otherFuture =
        search(withNumbersFrom(original, n - kHeldOut, n, 99), demanding, weighted);
    ASSERT_EQ(again.size(), found.size());
    ASSERT_EQ(otherFuture.size(), found.size());
    bool heldOutMoved = false;
    for (size_t i = 0; i < found.size(); ++i) {
        ASSERT_TRUE(found[i].heldOut);
        EXPECT_EQ(again[i].code, found[i].code);
        expectSame(again[i].statistics, found[i].statistics);
        expectSame(*again[i].heldOut, *found[i].heldOut);
        EXPECT_EQ(otherFuture[i].code, found[i].code);
        expectSame(otherFuture[i].statistics, found[i].statistics);
        heldOutMoved = heldOutMoved || otherFuture[i].heldOut->hitWeight != found[i].heldOut->hitWeight;
    }
    EXPECT_TRUE(heldOutMoved); // the held-out figures do read the held-out draws

    // A fixed formula set (every candidate accepted), with the older draws
    // replaced. The last two stay: the last predicts the first held-out draw, and
    // its attributes compare it with the one before.
    const StatisticBounds all({0, 100, 0, 32768, 0, 32768, 0, 32768, 0, 32768});
    const ScoringWindow plain{0, true, false};
    const std::vector<FoundFormula> fixed = search(original, all, plain);
    const std::vector<FoundFormula> otherPast = search(withNumbersFrom(original, 0, n - kHeldOut - 2, 99), all, plain);
    ASSERT_EQ(fixed.size(), 2000u);
    ASSERT_EQ(otherPast.size(), fixed.size());
    bool inSampleMoved = false;
    for (size_t i = 0; i < fixed.size(); ++i) {
        ASSERT_EQ(otherPast[i].code, fixed[i].code);
        EXPECT_EQ(fixed[i].heldOut->totalWeight, kHeldOut); // exactly the held-out draws count
        expectSame(*otherPast[i].heldOut, *fixed[i].heldOut);
        inSampleMoved = inSampleMoved || otherPast[i].statistics.hitWeight != fixed[i].statistics.hitWeight;
    }
    EXPECT_TRUE(inSampleMoved);
}
