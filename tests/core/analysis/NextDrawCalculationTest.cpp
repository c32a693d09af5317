#include "analysis/NextDrawCalculation.h"
#include "analysis/ErrorValuesTable.h"
#include "common/UserError.h"
#include "formula/FormulaStore.h"
#include "history/Database.h"
#include "history/DrawStore.h"
#include "history/HistorySnapshot.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

namespace {

// Three draws; the latest names 11 at position 1, the one before it 6.
class NextDrawCalculationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        DrawStore draws(db, LotteryTable::entry(0));
        draws.add(QStringLiteral("24010101"), {1, 2, 3, 4, 5});
        draws.add(QStringLiteral("24010102"), {6, 7, 8, 9, 10});
        draws.add(QStringLiteral("24010103"), {11, 1, 2, 3, 4});
    }

    int add(int position, bool group, bool kill, const QString& code, FormulaStatistics statistics = {})
    {
        const FormulaTarget target{position, group, kill};
        const int idx = formulas.add({code, code, target});
        formulas.storeStatistics(target.tableName(), {{idx, statistics}});
        return idx;
    }

    CalculationResult run(CalculationRequest request)
    {
        return NextDrawCalculation::run(db, HistorySnapshot::load(db.sql()), request);
    }

    static CalculationRequest request(int positions, bool kill, std::set<int> selected)
    {
        CalculationRequest r;
        r.leadingPositions = positions;
        r.kill = kill;
        r.selected = std::move(selected);
        return r;
    }

    static FormulaStatistics rated(float rate, int longestMiss = 0)
    {
        FormulaStatistics s;
        s.rate = rate;
        s.longestMissRun = longestMiss;
        return s;
    }

    static int totalVotes(const CalculationResult& result, int position)
    {
        int sum = 0;
        for (int n = 0; n <= CalculationResult::kMaxNumber; ++n)
            sum += result.tally(position, n).vote;
        return sum;
    }

    TestEnvironment env;
    Database db{env.dataDirectory()};
    FormulaStore formulas{db};
};

TEST_F(NextDrawCalculationTest, SelectedKillFormulasTallyPerNumberAndPosition)
{
    add(1, false, true, QStringLiteral("3"));
    add(1, false, true, QStringLiteral("3"));
    add(1, false, true, QStringLiteral("14")); // folds to 3
    add(1, false, true, QStringLiteral("L1A")); // 11 on the latest draw
    add(1, false, true, QStringLiteral("0")); // names no number
    add(1, false, true, QStringLiteral("1/0")); // empty value
    add(2, false, true, QStringLiteral("7"));
    add(1, false, false, QStringLiteral("9")); // keep formula: not of this kind

    const CalculationResult result = run(request(2, true, {1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(result.referenceIssue, QStringLiteral("24010103"));
    EXPECT_EQ(result.tally(1, 3), (NumberTally{3, 3, 0}));
    EXPECT_EQ(result.tally(1, 11), (NumberTally{1, 1, 0}));
    EXPECT_EQ(result.tally(1, 9), NumberTally{});
    EXPECT_EQ(totalVotes(result, 1), 4);
    EXPECT_EQ(result.tally(2, 7), (NumberTally{1, 1, 0}));
    EXPECT_EQ(totalVotes(result, 2), 1);
    // Formulas that name nothing still took part; only the selected ones count.
    EXPECT_EQ(result.usedCount(), 7);
    EXPECT_EQ(result.keepLimit, 1);
    for (int p = 1; p <= 5; ++p)
        for (int n = 0; n <= CalculationResult::kMaxNumber; ++n)
            EXPECT_EQ(result.tally(p, n).keep, 0);
    EXPECT_EQ(result.used.front().number, 3);
    EXPECT_EQ(result.used[3].value, 11.0);

    // The idx selection narrows every visited table alike.
    const CalculationResult narrowed = run(request(2, true, {1}));
    EXPECT_EQ(narrowed.tally(1, 3).vote, 1);
    EXPECT_EQ(narrowed.tally(2, 7).vote, 1);
    EXPECT_EQ(narrowed.usedCount(), 2);
}

TEST_F(NextDrawCalculationTest, KeepFormulasEndWithKillZeroAndNoSelectionTalliesNothing)
{
    add(1, false, false, QStringLiteral("2"));
    add(1, false, false, QStringLiteral("2"));
    add(1, false, false, QStringLiteral("L2A+4")); // 1 + 4
    add(1, false, true, QStringLiteral("2"));

    const CalculationResult keep = run(request(1, false, {1, 2, 3}));
    EXPECT_EQ(keep.tally(1, 2), (NumberTally{2, 0, 2}));
    EXPECT_EQ(keep.tally(1, 5), (NumberTally{1, 0, 1}));
    for (int n = 1; n <= 11; ++n) {
        EXPECT_EQ(keep.tally(1, n).kill, 0);
        EXPECT_EQ(keep.tally(1, n).keep, keep.tally(1, n).vote);
    }

    const CalculationResult none = run(request(5, false, {}));
    EXPECT_EQ(none.usedCount(), 0);
    for (int p = 1; p <= 5; ++p)
        EXPECT_EQ(totalVotes(none, p), 0);
}

TEST_F(NextDrawCalculationTest, GroupModeTalliesOnlyPositionK)
{
    add(1, false, true, QStringLiteral("1"));
    add(3, false, true, QStringLiteral("4"));
    add(3, true, true, QStringLiteral("6"));
    add(3, true, true, QStringLiteral("8"));
    add(2, true, true, QStringLiteral("9"));

    CalculationRequest r = request(3, true, {1, 2});
    r.group = true;
    const CalculationResult result = run(r);
    EXPECT_EQ(result.shownPositions(), std::vector<int>{3});
    EXPECT_EQ(result.tally(3, 6).vote, 1);
    EXPECT_EQ(result.tally(3, 8).vote, 1);
    EXPECT_EQ(result.tally(3, 4).vote, 0);
    EXPECT_EQ(totalVotes(result, 3), 2);
    for (int p : {1, 2, 4, 5})
        EXPECT_EQ(totalVotes(result, p), 0);

    // Direct play over the same tables visits Gongshi1D..Gongshi3D instead.
    const CalculationResult direct = run(request(3, true, {1, 2}));
    EXPECT_EQ(direct.tally(1, 1).vote, 1);
    EXPECT_EQ(direct.tally(3, 4).vote, 1);
    EXPECT_EQ(direct.tally(3, 6).vote, 0);
}

TEST_F(NextDrawCalculationTest, BestMethodRanksAndStopsAtTheTargetOfDistinctNumbers)
{
    // Ranked by rate: 1, 1, 2, 3, 4 — the repeat of 1 does not bring the stop closer.
    add(1, false, true, QStringLiteral("4"), rated(50));
    add(1, false, true, QStringLiteral("1"), rated(90));
    add(1, false, true, QStringLiteral("2"), rated(70));
    add(1, false, true, QStringLiteral("1"), rated(80));
    add(1, false, true, QStringLiteral("3"), rated(60));
    add(2, false, true, QStringLiteral("5"), rated(10));
    add(2, false, true, QStringLiteral("6"), rated(20));

    CalculationRequest r = request(2, true, {1, 2, 3, 4, 5});
    r.bestMethod = true;
    r.ranking.keys = {StatisticKey::Rate};
    r.ranking.keepLimit = 8; // kill: R − L = 3 distinct numbers per position
    const CalculationResult result = run(r);
    EXPECT_EQ(result.keepLimit, 8);
    std::vector<int> order;
    for (const UsedFormula& f : result.used)
        if (f.position == 1)
            order.push_back(f.idx);
    EXPECT_EQ(order, (std::vector<int>{2, 4, 3, 5}));
    EXPECT_EQ(result.tally(1, 1).vote, 2);
    EXPECT_EQ(result.tally(1, 4).vote, 0);
    // Each position counts its own numbers: position 2 runs out of formulas.
    EXPECT_EQ(result.tally(2, 6).vote, 1);
    EXPECT_EQ(result.tally(2, 5).vote, 1);

    // Keep: the target is L itself; unselected formulas are passed over.
    r.kill = false;
    add(1, false, false, QStringLiteral("7"), rated(99));
    add(1, false, false, QStringLiteral("8"), rated(98));
    add(1, false, false, QStringLiteral("9"), rated(97));
    r.leadingPositions = 1;
    r.ranking.keepLimit = 2;
    r.selected = {6, 8}; // "7" and "9"; "8" ranks between them but is not selected
    const CalculationResult keep = run(r);
    EXPECT_EQ(keep.usedCount(), 2);
    EXPECT_EQ(keep.tally(1, 7), (NumberTally{1, 0, 1}));
    EXPECT_EQ(keep.tally(1, 8), NumberTally{});
    EXPECT_EQ(keep.tally(1, 9), (NumberTally{1, 0, 1}));
}

TEST_F(NextDrawCalculationTest, SecondKeyBreaksTiesOfTheFirst)
{
    std::vector<FormulaRecord> list(3);
    list[0].idx = 1;
    list[0].statistics = rated(50, 2);
    list[1].idx = 2;
    list[1].statistics = rated(60, 1);
    list[2].idx = 3;
    list[2].statistics = rated(50, 7);
    NextDrawCalculation::rank(list, {StatisticKey::Rate, StatisticKey::LongestMissRun});
    EXPECT_EQ(list[0].idx, 2);
    EXPECT_EQ(list[1].idx, 3);
    EXPECT_EQ(list[2].idx, 1);
}

TEST_F(NextDrawCalculationTest, VerifyReadsTheDrawBeforeTheIssueAndRefusesWhatIsNotThere)
{
    add(1, false, true, QStringLiteral("L1A"));
    CalculationRequest r = request(1, true, {1});
    r.verifyIssue = QStringLiteral("24010103");
    const CalculationResult result = run(r);
    EXPECT_EQ(result.referenceIssue, QStringLiteral("24010102"));
    EXPECT_EQ(result.tally(1, 6).vote, 1);
    EXPECT_EQ(result.tally(1, 11).vote, 0);
    // What the verified issue drew, and which of it each list judges.
    ASSERT_TRUE(result.verifiedNumbers.has_value());
    EXPECT_EQ(*result.verifiedNumbers, (std::array<int, 5>{11, 1, 2, 3, 4}));
    EXPECT_EQ(ErrorValuesTable::drawnAt(result, 3), std::set<int>{2});
    CalculationResult group = result;
    group.group = true;
    EXPECT_EQ(ErrorValuesTable::drawnAt(group, 3), (std::set<int>{11, 1, 2}));
    EXPECT_TRUE(ErrorValuesTable::drawnAt(run(request(1, true, {1})), 1).empty());

    r.verifyIssue = QStringLiteral("24010101"); // nothing before the first draw
    EXPECT_THROW(run(r), UserError);
    r.verifyIssue = QStringLiteral("24010199");
    EXPECT_THROW(run(r), UserError);
}

TEST_F(NextDrawCalculationTest, UnreadableFormulaIsReportedAndDoesNotVote)
{
    add(1, false, true, QStringLiteral("5"));
    add(1, false, true, QStringLiteral("L1A +* 2"));
    add(1, false, true, QStringLiteral("L9Z"));
    const CalculationResult result = run(request(1, true, {1, 2, 3}));
    EXPECT_EQ(result.usedCount(), 1);
    ASSERT_EQ(result.skipped.size(), 2u);
    EXPECT_EQ(result.skipped[0].idx, 2);
    EXPECT_EQ(result.tally(1, 5).vote, 1);
    EXPECT_EQ(totalVotes(result, 1), 1);
}

TEST_F(NextDrawCalculationTest, TwelveNumberRangeTalliesTwelve)
{
    add(1, false, true, QStringLiteral("12"));
    add(1, false, true, QStringLiteral("13"));
    CalculationRequest r = request(1, true, {1, 2});
    r.range = 12;
    const CalculationResult result = run(r);
    EXPECT_EQ(result.tally(1, 12).vote, 1);
    EXPECT_EQ(result.tally(1, 1).vote, 1);
}

} // namespace
