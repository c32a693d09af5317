#include "analysis/BackTest.h"
#include "analysis/NextDrawCalculation.h"
#include "common/UserError.h"
#include "formula/CompiledFormula.h"
#include "formula/FormulaScoring.h"
#include "history/AttributeCatalog.h"
#include "history/Database.h"
#include "history/DemoHistory.h"
#include "history/IssueNumbers.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <numeric>
#include <random>

namespace {

const QDate kLastDay(2025, 3, 1);

HistorySnapshot historyOf(const std::vector<DrawNumbers>& numbers, int lottery = 0)
{
    std::vector<StoredDraw> draws;
    for (size_t i = 0; i < numbers.size(); ++i)
        draws.push_back(
            {IssueNumbers::format(kLastDay, static_cast<int>(i) + 1, LotteryTable::entry(lottery).longDateIssue),
             numbers[i]});
    return DemoHistory::snapshot(LotteryTable::entry(lottery), draws);
}

HistorySnapshot demoHistory(int lottery, int days)
{
    const LotteryTable::Entry entry = LotteryTable::entry(lottery);
    return DemoHistory::snapshot(entry, DemoHistory::generate(entry, days, 17, kLastDay));
}

// Formulas numbered 1.. in the order given; all selected unless said otherwise.
BackTestRequest request(const std::vector<std::pair<const char*, bool>>& formulas, int range = 11)
{
    BackTestRequest r;
    r.table = QStringLiteral("Gongshi1D");
    r.range = range;
    for (const auto& [code, kill] : formulas) {
        FormulaRecord record;
        record.idx = static_cast<int>(r.formulas.size()) + 1;
        record.code = QString::fromLatin1(code);
        record.kill = kill;
        r.formulas.push_back(record);
        r.selected.insert(record.idx);
    }
    return r;
}

BackTestResult run(const HistorySnapshot& history, const BackTestRequest& r) { return *BackTest::run(history, r); }

std::vector<int> ranking(const BackTestResult& result, int draw)
{
    std::vector<int> order;
    for (int rank = 1; rank <= result.range; ++rank)
        order.push_back(result.rankedNumber(draw, rank));
    return order;
}

const HistorySnapshot kThreeDraws = historyOf({{1, 2, 3, 4, 5}, {6, 7, 8, 9, 10}, {11, 1, 2, 3, 4}});

TEST(BackTest, WithoutFormulasEveryDrawIsReplayedWithZeroTalliesInNumberOrder)
{
    const BackTestResult result = run(kThreeDraws, request({}));
    ASSERT_EQ(result.drawCount(), 3);
    EXPECT_EQ(result.issue(2), kThreeDraws.issue(2));
    EXPECT_EQ(result.number(2, 1), 11);
    EXPECT_EQ(result.usedFormulas, 0);
    for (int d = 0; d < 3; ++d) {
        EXPECT_EQ(ranking(result, d), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
        for (int n = 1; n <= 11; ++n)
            EXPECT_EQ(result.tally(d, n), NumberTally{});
    }
}

TEST(BackTest, KillFormulasVoteAgainstTheirOwnNumberOnEachDraw)
{
    // "14" folds to 3; "0" and "1/0" name no number and cast no vote.
    const BackTestResult result =
        run(kThreeDraws, request({{"3", true}, {"14", true}, {"L1A", true}, {"0", true}, {"1/0", true}}));
    for (int d = 0; d < 3; ++d)
        for (int n = 1; n <= 11; ++n) {
            EXPECT_EQ(result.tally(d, n).vote, result.tally(d, n).kill);
            EXPECT_EQ(result.tally(d, n).keep, 0);
        }
    EXPECT_EQ(result.tally(0, 3).vote, 2);
    EXPECT_EQ(result.tally(0, 1).vote, 1);
    EXPECT_EQ(ranking(result, 0), (std::vector<int>{2, 4, 5, 6, 7, 8, 9, 10, 11, 1, 3}));
    EXPECT_EQ(ranking(result, 2), (std::vector<int>{1, 2, 4, 5, 6, 7, 8, 9, 10, 11, 3}));
    EXPECT_EQ(result.tally(2, 11).vote, 1);
    EXPECT_EQ(result.tally(2, 3).vote, 2);
}

TEST(BackTest, KeepFormulasKillEveryOtherNumberUnlessTheirOwnWasKilledBefore)
{
    const auto tallies = [](const std::vector<std::pair<const char*, bool>>& formulas, int n) {
        return run(kThreeDraws, request(formulas)).tally(0, n);
    };
    // Alone: its own number is kept twice and never voted out; every other number once each.
    EXPECT_EQ(tallies({{"3", false}}, 3), (NumberTally{0, 0, 2}));
    EXPECT_EQ(tallies({{"3", false}}, 7), (NumberTally{1, 0, 1}));
    // Two agreeing keep formulas keep their number clear.
    EXPECT_EQ(tallies({{"3", false}, {"3", false}}, 3), (NumberTally{0, 0, 4}));
    EXPECT_EQ(tallies({{"3", false}, {"3", false}}, 9), (NumberTally{2, 0, 2}));
    // The second names 5, which the first had killed: it votes against every number.
    EXPECT_EQ(tallies({{"3", false}, {"5", false}}, 3), (NumberTally{1, 0, 3}));
    EXPECT_EQ(tallies({{"3", false}, {"5", false}}, 5), (NumberTally{2, 0, 2}));
    EXPECT_EQ(tallies({{"3", false}, {"5", false}}, 9), (NumberTally{2, 0, 2}));
    // A kill formula before it had killed the keep formula's number.
    EXPECT_EQ(tallies({{"3", true}, {"3", false}}, 3), (NumberTally{2, 1, 1}));
    EXPECT_EQ(tallies({{"3", true}, {"3", false}}, 4), (NumberTally{1, 0, 1}));

    // Formulas vote in idx order whatever order they are listed in.
    BackTestRequest reversed = request({{"3", false}, {"5", false}});
    std::swap(reversed.formulas[0].idx, reversed.formulas[1].idx);
    EXPECT_EQ(run(kThreeDraws, reversed).tally(0, 5), (NumberTally{1, 0, 3}));
}

TEST(BackTest, UnselectedAndUnreadableFormulasChangeNothing)
{
    const BackTestResult alone = run(kThreeDraws, request({{"L1A", true}, {"3", false}}));

    BackTestRequest withOthers = request({{"L1A", true}, {"L2A+1", true}, {"3", false}, {"L1A+", false}});
    withOthers.selected.erase(2);
    const BackTestResult result = run(kThreeDraws, withOthers);
    EXPECT_EQ(result.usedFormulas, 2);
    ASSERT_EQ(result.skipped.size(), 1u);
    EXPECT_EQ(result.skipped[0].idx, 4);
    EXPECT_FALSE(result.skipped[0].reason.isEmpty());
    EXPECT_EQ(result.tallies, alone.tallies);
    EXPECT_EQ(result.ranking, alone.ranking);
}

// A plain draw-by-draw replay, against the blocked one-pass engine, over more
// draws than one block holds, for both ranges and a mix of kill and keep.
TEST(BackTest, MatchesADrawByDrawReplay)
{
    const std::vector<std::pair<const char*, bool>> formulas = {
        {"L1A+L2A", true}, {"L3A*2", false}, {"L5A-L4A", true}, {"L1A", false}, {"L2A+L3A", false}, {"L4A/2", true}};
    for (int lottery : {0, 25}) {
        const HistorySnapshot history = demoHistory(lottery, lottery == 0 ? 60 : 70);
        ASSERT_GT(history.size(), 4096);
        const int range = LotteryTable::entry(lottery).numberRange;
        const BackTestResult result = run(history, request(formulas, range));
        std::vector<CompiledFormula> compiled;
        for (const auto& f : formulas)
            compiled.push_back(CompiledFormula::compile(QString::fromLatin1(f.first)));
        for (int d = 0; d < history.size(); ++d) {
            std::array<bool, 13> killed{};
            std::array<NumberTally, 13> tally{};
            for (size_t f = 0; f < formulas.size(); ++f) {
                const int n = FormulaScoring::namedNumber(compiled[f].evaluateRow(history, d), range);
                if (n == 0)
                    continue;
                const std::array<bool, 13> before = killed;
                if (formulas[f].second) {
                    killed[n] = true;
                    ++tally[n].vote;
                    ++tally[n].kill;
                    continue;
                }
                for (int i = 1; i <= range; ++i) {
                    killed[i] = true;
                    ++tally[i].vote;
                    ++tally[i].keep;
                }
                if (!before[n]) {
                    killed[n] = false;
                    --tally[n].vote;
                    ++tally[n].keep;
                }
            }
            for (int n = 1; n <= range; ++n)
                ASSERT_EQ(result.tally(d, n), tally[n]) << "draw " << d << " number " << n;
            std::vector<int> order = ranking(result, d);
            std::vector<int> expected(static_cast<size_t>(range));
            std::iota(expected.begin(), expected.end(), 1);
            std::stable_sort(expected.begin(), expected.end(),
                             [&](int a, int b) { return tally[a].vote < tally[b].vote; });
            ASSERT_EQ(order, expected) << "draw " << d;
        }
    }
}

// Kill formulas name the same numbers as in the next-draw calculation, fractions
// and negative values included.
TEST(BackTest, KillVotesAgreeWithTheNextDrawCalculation)
{
    const HistorySnapshot history = demoHistory(0, 2);
    const BackTestRequest r =
        request({{"L1A/2", true}, {"L2A*1.5", true}, {"0-L3A", true}, {"L4A\\2+7", true}, {"L5A+2.5", true}});
    const BackTestResult result = run(history, r);
    CalculationRequest calculation;
    calculation.selected = r.selected;
    for (int d : {0, 57, history.size() - 2}) {
        calculation.verifyIssue = history.issue(d + 1); // read on draw d
        const CalculationResult expected = NextDrawCalculation::run(
            history, [&r](const QString&, bool) { return r.formulas; }, calculation);
        for (int n = 1; n <= 11; ++n)
            EXPECT_EQ(result.tally(d, n), expected.tally(1, n)) << "draw " << d << " number " << n;
    }
}

TEST(BackTest, ProgressRunsToTheEndOfALongHistoryAndCanStopTheRun)
{
    // Longer than 32767 draws: no limit on the replay.
    const HistorySnapshot history = demoHistory(0, 400);
    ASSERT_GT(history.size(), 32767);
    const BackTestRequest r = request({{"L1A", true}, {"L2A", true}});
    int last = 0;
    bool monotonic = true;
    const auto result = BackTest::run(history, r, [&](int done, int total) {
        monotonic = monotonic && done >= last && total == history.size();
        last = done;
        return true;
    });
    ASSERT_TRUE(result);
    EXPECT_TRUE(monotonic);
    EXPECT_EQ(last, history.size());
    EXPECT_EQ(result->drawCount(), history.size());
    EXPECT_EQ(result->tally(history.size() - 1, history.number(history.size() - 1, 1)).vote, 1);

    EXPECT_FALSE(BackTest::run(history, r, [](int done, int) { return done < 5000; }));
    EXPECT_FALSE(BackTest::run(history, request({}), [](int, int) { return false; }));
    EXPECT_THROW(BackTest::run(history, request({}, 13)), UserError);
}

TEST(BackTest, ErrarrHoldsTheLastDrawsTalliesForEveryNumberOfTheRange)
{
    TestEnvironment env;
    Database db(env.dataDirectory());
    const auto count = [&db](const char* where) {
        return db.sql()
            .scalar(QStringLiteral("SELECT COUNT(*) FROM Errarr WHERE ") + QString::fromLatin1(where))
            .toInt();
    };
    // Nothing replayed, nothing written.
    BackTest::storeLastDraw(db.sql(), run(HistorySnapshot(), request({{"3", true}})));
    EXPECT_EQ(count("1"), 11);

    const HistorySnapshot twelve = historyOf({{1, 2, 3, 4, 5}, {12, 7, 8, 9, 10}}, 25);
    BackTest::storeLastDraw(db.sql(), run(twelve, request({{"L1A", false}}, 12)));
    EXPECT_EQ(count("1"), 12);
    EXPECT_EQ(count("num = 12 AND ETrrcount = 0 AND Errcount = 0 AND Trrcount = 2"), 1);
    EXPECT_EQ(count("num <> 12 AND ETrrcount = 1 AND Errcount = 0 AND Trrcount = 1"), 11);
}

} // namespace

TEST(BackTest, VectorKernelsNameTheSameNumbersAsTheFormulasValues)
{
    std::vector<KernelPath> paths = SumKernels::supported();
    paths.erase(paths.begin());
    if (paths.empty())
        GTEST_SKIP() << "this processor runs no vector path";
    // Sums with positive, zero and negative constants (rows that name no number,
    // and ones folding to number 1 from below), next to formulas the kernels leave alone.
    std::mt19937 random(29);
    const auto column = [&] { return AttributeCatalog::code(static_cast<int>(random() % 88)); };
    for (const auto& [lottery, days] : {std::pair{0, 60}, std::pair{27, 1}, std::pair{0, 110}}) {
        const HistorySnapshot history = demoHistory(lottery, days);
        const int range = lottery == 0 ? 11 : 12;
        for (bool kill : {true, false}) {
            BackTestRequest r = request({}, range);
            r.kill = kill;
            for (int i = 0; i < 24; ++i) {
                QString code = QStringLiteral("%1+%2").arg(column(), column());
                if (i % 4 == 1)
                    code += QStringLiteral("-%1").arg(static_cast<int>(random() % 30));
                else if (i % 4 == 2)
                    code += QStringLiteral("+%1").arg(static_cast<int>(random() % 11));
                else if (i % 4 == 3)
                    code += QStringLiteral("*2");
                r.formulas.push_back({i + 1, code, code, i % 3 != 0 || kill, {}});
                r.selected.insert(i + 1);
            }
            const BackTestResult plain = *BackTest::run(history, r, {}, KernelPath::Scalar);
            for (KernelPath path : paths) {
                const BackTestResult vector = *BackTest::run(history, r, {}, path);
                ASSERT_EQ(vector.tallies.size(), plain.tallies.size());
                for (size_t i = 0; i < plain.tallies.size(); ++i) {
                    ASSERT_EQ(vector.tallies[i].vote, plain.tallies[i].vote) << i << " of " << plain.tallies.size();
                    ASSERT_EQ(vector.tallies[i].kill, plain.tallies[i].kill) << i;
                    ASSERT_EQ(vector.tallies[i].keep, plain.tallies[i].keep) << i;
                }
                EXPECT_EQ(vector.ranking, plain.ranking);
            }
        }
    }
}
