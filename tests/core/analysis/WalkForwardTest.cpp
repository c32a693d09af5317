#include "analysis/WalkForward.h"
#include "analysis/BackTest.h"
#include "analysis/MethodVerdict.h"
#include "analysis/WindowRanker.h"
#include "common/UserError.h"
#include "formula/ChanceBaseline.h"
#include "formula/CompiledFormula.h"
#include "formula/FormulaScoring.h"
#include "history/AttributeCatalog.h"
#include "history/DemoHistory.h"
#include "history/IssueNumbers.h"
#include "scoring/HitRule.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numeric>
#include <random>

namespace {

const LotteryTable::Entry kLottery = LotteryTable::entry(0);
const QDate kLastDay(2026, 6, 30);

std::vector<StoredDraw> randomDraws(int days, std::uint64_t seed)
{
    return DemoHistory::generate(kLottery, days, seed, kLastDay);
}

// Random draws, except that position 1 never repeats the previous draw's first number.
std::vector<StoredDraw> plantedDraws(int days, std::uint64_t seed)
{
    std::vector<StoredDraw> draws = randomDraws(days, seed);
    std::mt19937_64 random(seed + 1);
    for (size_t i = 1; i < draws.size(); ++i) {
        DrawNumbers& d = draws[i].numbers;
        while (d[0] == draws[i - 1].numbers[0]) {
            // Swap the first number with another of the draw, or take one not drawn.
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

// Column sums and a few other shapes, numbered 1.., all kill (or all keep).
BackTestRequest formulasOf(int count, bool kill, std::uint64_t seed, std::vector<QString> extra = {})
{
    std::mt19937_64 random(seed);
    const auto column = [&] { return AttributeCatalog::code(static_cast<int>(random() % AttributeCatalog::kCount)); };
    BackTestRequest r;
    r.table = QStringLiteral("Gongshi1D");
    r.kill = kill;
    for (const QString& code : extra)
        r.formulas.push_back({static_cast<int>(r.formulas.size()) + 1, code, {}, kill, {}});
    for (int f = 0; f < count; ++f) {
        const QString code = f % 3 == 2 ? QStringLiteral("%1*%2+%3").arg(column(), column(), column())
                                        : QStringLiteral("%1+%2+%3").arg(column(), column()).arg(f % 7);
        r.formulas.push_back({static_cast<int>(r.formulas.size()) + 1, code, {}, kill, {}});
    }
    for (const FormulaRecord& f : r.formulas)
        r.selected.insert(f.idx);
    return r;
}

WalkForwardRequest walkOf(const BackTestRequest& formulas, int lookBack, StatisticKey key, int top)
{
    WalkForwardRequest w;
    w.backTest = formulas;
    w.kind = FormulaKind(1, false);
    w.lookBack = lookBack;
    w.rankBy = key;
    w.top = top;
    return w;
}

void expectSameRows(const BackTestResult& a, int aFirst, const BackTestResult& b, int bFirst, int rows)
{
    const auto range = static_cast<size_t>(a.range);
    for (int j = 0; j < rows; ++j) {
        const auto ra = static_cast<size_t>(aFirst + j);
        const auto rb = static_cast<size_t>(bFirst + j);
        ASSERT_EQ(a.issues[ra], b.issues[rb]);
        ASSERT_EQ(a.numbers[ra], b.numbers[rb]);
        for (size_t n = 0; n < range; ++n) {
            ASSERT_EQ(a.tallies[ra * range + n], b.tallies[rb * range + n]) << "row " << j;
            ASSERT_EQ(a.ranking[ra * range + n], b.ranking[rb * range + n]) << "row " << j;
        }
    }
}

} // namespace

// The sliding sums must give, on every window, what scoring the formula afresh
// over those draws gives: every key, weighted or not, kill and keep, direct and group.
TEST(WindowRanker, EveryKeyEqualsScoringTheWindowAfresh)
{
    const HistorySnapshot history = DemoHistory::snapshot(kLottery, randomDraws(6, 3));
    const int draws = history.size();
    const BackTestRequest formulas = formulasOf(12, true, 5, {QStringLiteral("L1A"), QStringLiteral("1/0")});
    for (const bool weighted : {true, false})
        for (const bool kill : {true, false})
            for (const FormulaKind kind : {FormulaKind(1, false), FormulaKind(3, true)})
                for (const StatisticKey key : kRankingKeys) {
                    const ScoringRule rule{11, kind, kill};
                    const HitRule hits(history, rule);
                    WindowRanker ranker(static_cast<int>(formulas.formulas.size()), draws, key, weighted);
                    std::vector<std::vector<double>> values;
                    for (size_t f = 0; f < formulas.formulas.size(); ++f) {
                        values.push_back(CompiledFormula::compile(formulas.formulas[f].code).evaluateAll(history));
                        for (int row = 1; row < draws; ++row) {
                            const unsigned bit = HitRule::predictedBit(values[f][static_cast<size_t>(row - 1)], 11);
                            ranker.setHit(static_cast<int>(f), row,
                                          HitRule::judgeAnyBit(hits.present(row), bit, hits.killBit()) != 0);
                            if (ranker.needsBits())
                                ranker.setBit(static_cast<int>(f), row, bit);
                        }
                    }
                    const int lookBack = 37;
                    std::vector<double> keys;
                    for (int end = 2; end <= draws; end += end % 7 == 0 ? 5 : 1) {
                        const int first = std::max(1, end - lookBack);
                        ranker.moveTo(first, end);
                        const ChanceBaseline chance(hits, first, end);
                        // The best three first: for the rate it also applies a one-row slide.
                        std::vector<int> best;
                        ranker.best(3, &chance, kill, best);
                        ranker.keys(keys, &chance, kill);
                        // The best three: highest key first, ties to the lower position, in position order.
                        std::vector<int> order(keys.size());
                        std::iota(order.begin(), order.end(), 0);
                        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
                            return keys[static_cast<size_t>(a)] > keys[static_cast<size_t>(b)];
                        });
                        order.resize(3);
                        std::sort(order.begin(), order.end());
                        ASSERT_EQ(best, order) << "key " << static_cast<int>(key) << " end " << end;
                        for (size_t f = 0; f < values.size(); ++f) {
                            std::vector<double> upTo(values[f].begin(), values[f].begin() + end);
                            FormulaStatistics s = FormulaScoring::scoreValues(history, upTo, rule,
                                                                              ScoringWindow{lookBack, true, weighted});
                            chance.measure(s, upTo.data() + (first - 1), first, end, 11, kill, weighted);
                            ASSERT_EQ(keys[f], s.value(key))
                                << "key " << static_cast<int>(key) << " formula " << f << " end " << end << " weighted "
                                << weighted << " kill " << kill;
                        }
                    }
                }
}

TEST(WalkForward, EqualsThePlainBackTestWhenEveryFormulaVotes)
{
    const HistorySnapshot history = DemoHistory::snapshot(kLottery, randomDraws(8, 9));
    for (const bool kill : {true, false}) {
        const BackTestRequest formulas = formulasOf(25, kill, 11, {QStringLiteral("L1A+")});
        const BackTestResult plain = *BackTest::run(history, formulas);
        for (const StatisticKey key : {StatisticKey::Rate, StatisticKey::LongestMissRun, StatisticKey::Z}) {
            const WalkForwardResult walk = *WalkForward::run(history, walkOf(formulas, 50, key, 1000));
            EXPECT_EQ(walk.firstRow, 50);
            EXPECT_EQ(walk.from, history.issue(51));
            EXPECT_EQ(walk.backTest.usedFormulas, 25);
            ASSERT_EQ(walk.backTest.skipped.size(), 1u);
            ASSERT_EQ(walk.backTest.drawCount(), history.size() - walk.firstRow);
            expectSameRows(walk.backTest, 0, plain, walk.firstRow, walk.backTest.drawCount());
            for (const std::vector<int>& voters : walk.voters)
                EXPECT_EQ(voters.size(), 25u);
        }
    }
}

TEST(WalkForward, ChangingLaterDrawsChangesNothingReportedBefore)
{
    std::vector<StoredDraw> draws = randomDraws(5, 21);
    const HistorySnapshot history = DemoHistory::snapshot(kLottery, draws);
    const BackTestRequest formulas = formulasOf(60, true, 4, {QStringLiteral("L1A")});
    std::mt19937_64 random(8);
    for (const StatisticKey key : kRankingKeys) {
        const WalkForwardRequest request = walkOf(formulas, 40, key, 7);
        const WalkForwardResult before = *WalkForward::run(history, request);
        // Redraw every draw after d.
        const int d = 60 + static_cast<int>(random() % 250);
        std::vector<StoredDraw> changed = draws;
        const std::vector<StoredDraw> other = randomDraws(5, 99 + static_cast<std::uint64_t>(key));
        for (size_t i = static_cast<size_t>(d) + 1; i < changed.size(); ++i)
            changed[i].numbers = other[i].numbers;
        const WalkForwardResult after = *WalkForward::run(DemoHistory::snapshot(kLottery, changed), request);
        // Result row j votes for draw firstRow + j + 1: rows up to d − 1 − firstRow vote for draws up to d.
        const int rows = d - before.firstRow;
        expectSameRows(before.backTest, 0, after.backTest, 0, rows);
        for (int j = 0; j < rows; ++j)
            ASSERT_EQ(before.voters[static_cast<size_t>(j)], after.voters[static_cast<size_t>(j)]);
        // The draws after d did change what came after.
        EXPECT_NE(before.backTest.tallies, after.backTest.tallies);
    }
}

TEST(WalkForward, VotersAreTheBestRankedInIdxOrderWithTiesToTheLowerIdx)
{
    const HistorySnapshot history = DemoHistory::snapshot(kLottery, plantedDraws(3, 5));
    // "L1A" never misses on the planted history; the two constants tie everywhere.
    BackTestRequest formulas;
    formulas.table = QStringLiteral("Gongshi1D");
    int idx = 0;
    for (const char* code : {"4", "L1A", "4", "L3A"}) {
        formulas.formulas.push_back({++idx * 10, QString::fromLatin1(code), {}, true, {}});
        formulas.selected.insert(idx * 10);
    }
    const WalkForwardResult walk = *WalkForward::run(history, walkOf(formulas, 30, StatisticKey::Rate, 2));
    for (const std::vector<int>& voters : walk.voters) {
        ASSERT_EQ(voters.size(), 2u);
        EXPECT_LT(voters[0], voters[1]);
        EXPECT_TRUE(voters[0] == 20 || voters[1] == 20);
        // The two equal formulas tie on every draw: the lower idx always goes first.
        EXPECT_NE(voters[0], 30);
        EXPECT_NE(voters[1], 30);
    }
}

TEST(WalkForward, RefusesWhatItCannotReplay)
{
    const HistorySnapshot history = DemoHistory::snapshot(kLottery, randomDraws(1, 1));
    const BackTestRequest formulas = formulasOf(3, true, 1);
    EXPECT_THROW(WalkForward::run(history, walkOf(formulas, 300, StatisticKey::Rate, 5)), UserError);
    EXPECT_THROW(WalkForward::run(history, walkOf(formulas, 10, StatisticKey::Rate, 0)), UserError);
    WalkForwardRequest from = walkOf(formulas, 10, StatisticKey::Rate, 5);
    from.from = QStringLiteral("nope");
    EXPECT_THROW(WalkForward::run(history, from), UserError);
    from.from = history.issue(5);
    const WalkForwardResult result = *WalkForward::run(history, from);
    EXPECT_EQ(result.from, history.issue(5));
    EXPECT_EQ(result.backTest.issue(0), history.issue(4));
}

// On draws that follow no rule the walk-forward vote is no better than a vote
// that knows nothing: over 20 independent histories the χ² p-values spread as
// uniform ones do (mean ½, sd 0.29/√20 = 0.065: 4 sd allowed) and the
// lowest-group hits stay within 4 sd of chance on each.
TEST(WalkForward, OnRandomDrawsTheVoteIsWhatChanceGives)
{
    const BackTestRequest formulas = formulasOf(80, true, 2, {QStringLiteral("L1A")});
    double pSum = 0.0;
    const int histories = 20;
    for (int h = 0; h < histories; ++h) {
        const HistorySnapshot history = DemoHistory::snapshot(kLottery, randomDraws(8, 100 + h));
        const WalkForwardResult walk = *WalkForward::run(history, walkOf(formulas, 100, StatisticKey::Rate, 10));
        const VoteCheck check = MethodVerdict::check(walk.backTest, 1);
        ASSERT_TRUE(check.chiSquareP);
        pSum += *check.chiSquareP;
        EXPECT_GT(check.lowestGroupP, 3.2e-5) << "history " << h; // z < 4
        EXPECT_LT(check.lowestGroupP, 1.0 - 3.2e-5) << "history " << h;
    }
    EXPECT_NEAR(pSum / histories, 0.5, 4 * 0.065);
}

// With the planted rule the formula that follows it ranks first from the start,
// and its kill vote never falls on the drawn number: the walk-forward vote
// beats chance.
TEST(WalkForward, APlantedRuleIsFoundWalkingForward)
{
    const HistorySnapshot history = DemoHistory::snapshot(kLottery, plantedDraws(10, 6));
    const BackTestRequest formulas = formulasOf(80, true, 2, {QStringLiteral("L1A")});
    const WalkForwardResult walk = *WalkForward::run(history, walkOf(formulas, 100, StatisticKey::Rate, 5));
    for (const std::vector<int>& voters : walk.voters)
        EXPECT_EQ(voters.front(), 1);
    const VoteCheck check = MethodVerdict::check(walk.backTest, 1);
    ASSERT_TRUE(check.chiSquareP);
    // The lowest-vote group is hit about 3.9 sd above chance over 739 draws.
    EXPECT_LT(check.lowestGroupP, 1e-3);
    EXPECT_LT(*check.chiSquareP, 0.05);
    EXPECT_GT(check.lowestGroupHits, check.lowestGroupExpected);
    EXPECT_NE(MethodVerdict::backTestText(check, check).indexOf(QStringLiteral("胜过随机")), -1);
}
