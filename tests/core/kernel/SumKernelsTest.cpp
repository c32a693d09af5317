// The vector kernels against the plain loops they replace: the candidates they
// draw, every statistic they compute, the bounds as whole numbers, and the found
// list of a search, on every path this processor runs.
#include "core/search/SearchFixtures.h"

#include "formula/ChanceBaseline.h"
#include "formula/CompiledFormula.h"
#include "formula/FormulaEvaluator.h"
#include "formula/FormulaScoring.h"
#include "kernel/IntegerBounds.h"
#include "kernel/SumKernels.h"
#include "kernel/WindowTable.h"
#include "scoring/HitRule.h"
#include "scoring/RunTally.h"
#include "search/CandidateGenerator.h"
#include "search/CandidateScorer.h"
#include "search/DefaultBounds.h"
#include "search/SearchEngine.h"
#include "search/SearchSession.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>

using namespace SearchFixtures;

namespace {

std::vector<KernelPath> vectorPaths()
{
    std::vector<KernelPath> paths = SumKernels::supported();
    paths.erase(paths.begin());
    return paths;
}

std::string describe(const FormulaStatistics& s)
{
    return std::to_string(s.rate) + " " + std::to_string(s.hitWeight) + "/" + std::to_string(s.totalWeight) + " " +
           std::to_string(s.longestMissRun) + " " + std::to_string(s.longestHitRun) + " " +
           std::to_string(s.lastMissRun) + " " + std::to_string(s.lastHitRun);
}

bool same(const FormulaStatistics& a, const FormulaStatistics& b)
{
    return a.rate == b.rate && a.hitWeight == b.hitWeight && a.totalWeight == b.totalWeight &&
           a.longestMissRun == b.longestMissRun && a.longestHitRun == b.longestHitRun &&
           a.lastMissRun == b.lastMissRun && a.lastHitRun == b.lastHitRun;
}

bool sameOrBothNan(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

// Whether the candidate's value is 0 or below on some counted draw.
bool reachesZero(const HistorySnapshot& history, const CandidateScorer& scorer, const Candidate& c)
{
    for (int row = scorer.firstCountedRow() - 1; row < history.size() - 1; ++row) {
        std::int64_t v = c.constant;
        for (int t = 0; t < c.termCount; ++t)
            v += history.value(row, c.terms[static_cast<size_t>(t)]);
        if (v <= 0)
            return true;
    }
    return false;
}

const HistorySnapshot& history(int range)
{
    // About 3,200 draws each: windows up to 3,000 and every draw.
    static const HistorySnapshot eleven = demoHistory(38, 3, 0);
    static const HistorySnapshot twelve = demoHistory(38, 4, 27);
    return range == 11 ? eleven : twelve;
}

} // namespace

TEST(SumKernels, vectorGeneratorDrawsTheCandidatesOfTheStream)
{
    if (vectorPaths().empty())
        GTEST_SKIP() << "this processor runs no vector path";
    std::mt19937_64 random(8);
    for (KernelPath path : vectorPaths()) {
        const SumKernels kernels(path);
        for (const std::optional<int> constant :
             {std::optional<int>(), std::optional<int>(0), std::optional<int>(-7), std::optional<int>(1000000)}) {
            for (int operands : {2, 5, 8, 13, 24}) {
                const std::uint64_t seed = operands == 13 ? ~std::uint64_t{0} : random();
                const CandidateGenerator generator(seed, operands, constant);
                for (std::uint64_t first :
                     {std::uint64_t{0}, std::uint64_t{3}, (std::uint64_t{1} << 40) + 5, ~std::uint64_t{0} - 100}) {
                    std::vector<ColumnSum> drawn(37);
                    kernels.generate(generator.stream(), first, 37, drawn.data());
                    for (std::uint64_t i = 0; i < drawn.size(); ++i) {
                        const Candidate expected = generator.generate(first + i);
                        const ColumnSum& got = drawn[i];
                        ASSERT_EQ(got.count, expected.termCount);
                        ASSERT_EQ(got.constant, expected.constant) << SumKernels::name(path).toStdString();
                        for (int t = 0; t < got.count; ++t)
                            ASSERT_EQ(got.terms[static_cast<size_t>(t)], expected.terms[static_cast<size_t>(t)])
                                << SumKernels::name(path).toStdString() << " candidate " << first + i;
                    }
                }
            }
        }
    }
}

TEST(SumKernels, everyStatisticMatchesThePlainLoop)
{
    if (vectorPaths().empty())
        GTEST_SKIP() << "this processor runs no vector path";
    std::mt19937 random(21);
    const std::vector<ScoringWindow> windows{{0, true, true},     {1, true, true},   {63, true, true},
                                             {64, false, true},   {65, true, false}, {300, true, true},
                                             {300, false, false}, {3000, true, true}};
    // Negative constants (some sums fall to 0 or below), zero (sums of columns
    // that are all 0 on some draws), random, one too negative for 16 bits.
    const auto constantOf = [&](int pick) -> std::optional<int> {
        switch (pick % 6) {
        case 0: return -static_cast<int>(random() % 12);
        case 1: return 0;
        case 2: return std::nullopt;
        case 3: return -static_cast<int>(random() % 3000);
        case 4: return static_cast<int>(random() % 100);
        default: return pick % 12 == 5 ? -1000000 : 0;
        }
    };
    int compared = 0;
    int reachingZero = 0;
    for (KernelPath path : vectorPaths()) {
        for (int range : {11, 12}) {
            for (const ScoringWindow& window : windows) {
                for (const FormulaKind& kind : FormulaKind::all()) {
                    for (bool kill : {true, false}) {
                        const ScoringRule rule = kind.rule(range, kill);
                        const CandidateScorer scorer(history(range), rule, window, path);
                        ASSERT_EQ(scorer.path(), path);
                        for (int i = 0; i < 6; ++i) {
                            // Few operands make rows where every column is 0 likely.
                            const int operands =
                                i < 3 ? 2 + static_cast<int>(random() % 3) : 2 + static_cast<int>(random() % 23);
                            const CandidateGenerator generator(random(), operands, constantOf(i + compared));
                            const Candidate c = generator.generate(random());
                            const FormulaStatistics expected = scorer.scoreScalar(c);
                            const FormulaStatistics actual = scorer.score(c);
                            ASSERT_TRUE(same(actual, expected))
                                << SumKernels::name(path).toStdString() << " "
                                << CandidateGenerator::code(c).toStdString() << " R" << range << " "
                                << kind.tableName().toStdString() << (kill ? " kill" : " keep") << " W"
                                << window.lookBack << ": " << describe(actual) << " against " << describe(expected);
                            reachingZero += reachesZero(history(range), scorer, c);
                            ++compared;
                        }
                    }
                }
            }
        }
    }
    EXPECT_GT(reachingZero, compared / 20);
}

TEST(SumKernels, columnsOutOfRangeAreScoredThePlainWay)
{
    // A column with a negative value and one beyond 16 bits: no vector sum covers them.
    HistorySnapshot history = demoHistory(3, 9, 0);
    HistorySnapshot odd;
    for (int row = 0; row < history.size(); ++row) {
        std::array<std::int32_t, AttributeCatalog::kCount> values{};
        for (int a = 0; a < AttributeCatalog::kCount; ++a)
            values[static_cast<size_t>(a)] = history.value(row, a);
        values[20] = row % 7 == 3 ? -5 : values[20];
        values[21] = row % 5 == 1 ? 70000 : values[21];
        odd.append(history.issue(row), values);
    }
    for (KernelPath path : vectorPaths()) {
        const CandidateScorer scorer(odd, FormulaKind(2, true).rule(11, false), ScoringWindow{0, true, true}, path);
        EXPECT_FALSE(scorer.table()->summable(20));
        EXPECT_FALSE(scorer.table()->summable(21));
        for (const Candidate& c : {candidateOf({20, 3}, 0), candidateOf({21, 21, 4}, -3), candidateOf({22, 3}, 1)})
            EXPECT_TRUE(same(scorer.score(c), scorer.scoreScalar(c)));
    }
}

TEST(SumKernels, listScoringAndResultColumnsMatchThePlainEvaluation)
{
    if (vectorPaths().empty())
        GTEST_SKIP() << "this processor runs no vector path";
    std::mt19937 random(3);
    const auto column = [&] { return AttributeCatalog::code(static_cast<int>(random() % 88)); };
    // Sums the kernels take (repeated columns, multiples, negative constants)
    // and ones they leave to the plain way (differences, fractions, too many
    // terms, anything but a sum).
    QStringList codes;
    for (int i = 0; i < 12; ++i) {
        codes << QStringLiteral("%1+%2+%3").arg(column(), column()).arg(static_cast<int>(random() % 11));
        codes << QStringLiteral("[%1]+[%1]+3*%2-%3").arg(column(), column()).arg(static_cast<int>(random() % 30));
        codes << QStringLiteral("%1+%2").arg(column(), column());
    }
    codes << QStringLiteral("L1B+L2C-0") << QStringLiteral("L1A-L2A+20") << QStringLiteral("L1A+L2B+2.5")
          << QStringLiteral("33*L1B") << QStringLiteral("(L1A*2+L2B) Mod 9") << QStringLiteral("L1A+L2A-1000000")
          << QStringLiteral("7") << QStringLiteral("L1A/0+L2B");
    int records = 0;
    for (KernelPath path : vectorPaths()) {
        for (int range : {11, 12}) {
            for (const ScoringWindow& window : {ScoringWindow{0, true, true}, ScoringWindow{300, false, false},
                                                ScoringWindow{0, true, false}, ScoringWindow{300, true, true}}) {
                for (const FormulaKind& kind : {FormulaKind(1, false), FormulaKind(4, true)}) {
                    const FormulaEvaluator plain(history(range), kind, range, window);
                    const FormulaEvaluator fast(history(range), kind, range, window, path);
                    // With the history grid's columns: every draw laid out too.
                    const ResultColumnForm form =
                        records % 2 == 0 ? ResultColumnForm::NextDraw : ResultColumnForm::SameDraw;
                    const FormulaEvaluator grid(history(range), kind, range, window, path, form);
                    for (const QString& code : codes) {
                        for (bool kill : {true, false}) {
                            const FormulaRecord record{1, code, code, kill, {}};
                            const FormulaEvaluation plainColumn = plain.evaluate(record, form);
                            const FormulaEvaluation gridColumn = grid.evaluate(record, form);
                            ASSERT_EQ(gridColumn.column.numbers, plainColumn.column.numbers) << code.toStdString();
                            ASSERT_EQ(gridColumn.column.hits, plainColumn.column.hits) << code.toStdString();
                            ASSERT_TRUE(
                                same(gridColumn.scored.record.statistics, plainColumn.scored.record.statistics));
                            ASSERT_TRUE(sameOrBothNan(gridColumn.scored.record.statistics.z,
                                                      plainColumn.scored.record.statistics.z));
                            ASSERT_EQ(gridColumn.scored.rateText, plainColumn.scored.rateText);
                            ASSERT_EQ(gridColumn.scored.nextNumber, plainColumn.scored.nextNumber);
                            const ScoredFormula expected = plain.evaluate(record).scored;
                            const ScoredFormula actual = fast.evaluate(record).scored;
                            const std::string where = code.toStdString() + " " + SumKernels::name(path).toStdString();
                            ASSERT_TRUE(same(actual.record.statistics, expected.record.statistics)) << where;
                            // An empty latest value (division by zero) is NaN on both sides.
                            ASSERT_TRUE(sameOrBothNan(actual.latestValue, expected.latestValue)) << where;
                            ASSERT_EQ(actual.nextNumber, expected.nextNumber) << where;
                            ASSERT_EQ(actual.rateText, expected.rateText) << where;
                            ASSERT_EQ(actual.note, expected.note) << where;
                            // The chance baseline beside the statistics, from the same predictions.
                            const FormulaStatistics& a = actual.record.statistics;
                            const FormulaStatistics& e = expected.record.statistics;
                            ASSERT_TRUE(sameOrBothNan(a.expectedRate, e.expectedRate)) << where;
                            ASSERT_TRUE(sameOrBothNan(a.z, e.z)) << where;
                            ASSERT_TRUE(a.hasChance()) << where;
                            ++records;
                        }
                    }
                }
            }
        }
    }
    EXPECT_GT(records, 0);
}

TEST(SumKernels, chanceTotalsMatchTheTallyOfThePlainValues)
{
    if (vectorPaths().empty())
        GTEST_SKIP() << "this processor runs no vector path";
    std::mt19937 random(17);
    const auto column = [&] { return AttributeCatalog::code(static_cast<int>(random() % 88)); };
    // Constants that leave every sum positive, sums of columns that are 0 on
    // some draws, small negative ones and ones deep below zero: the rows that
    // name no number (and those that fold to number 1 from below) all appear.
    QStringList codes;
    for (int i = 0; i < 8; ++i) {
        codes << QStringLiteral("%1+%2+%3").arg(column(), column()).arg(static_cast<int>(random() % 11));
        codes << QStringLiteral("%1+%2").arg(column(), column());
        codes << QStringLiteral("%1+%2-%3").arg(column(), column()).arg(static_cast<int>(random() % 12));
        codes << QStringLiteral("%1+%2+%3-%4").arg(column(), column(), column()).arg(static_cast<int>(random() % 400));
    }
    int compared = 0;
    int withoutNumber = 0;
    for (KernelPath path : vectorPaths()) {
        const SumKernels kernels(path);
        for (int range : {11, 12}) {
            const HistorySnapshot& h = history(range);
            for (int lookBack : {0, 300}) {
                for (bool weighted : {true, false}) {
                    const ScoringWindow window{lookBack, true, weighted};
                    const auto [first, end] = FormulaScoring::countedRows(h.size(), window);
                    for (const FormulaKind& kind : {FormulaKind(2, false), FormulaKind(3, true)}) {
                        const WindowTable table(h, kind, range, window);
                        for (const QString& code : codes) {
                            const CompiledFormula compiled = CompiledFormula::compile(code);
                            const std::optional<ColumnSum> sum = compiled.asColumnSum();
                            ASSERT_TRUE(sum && SumKernels::covers(table, *sum)) << code.toStdString();
                            std::vector<double> values(static_cast<size_t>(end - first));
                            compiled.evaluate(h, first - 1, end - 1, values.data());
                            const ChanceTotals expected =
                                ChanceBaseline::tally(values.data(), first, end, range, weighted);
                            const ChanceTotals actual = kernels.chanceTotals(table, *sum);
                            ASSERT_TRUE(actual == expected)
                                << code.toStdString() << " " << SumKernels::name(path).toStdString() << " R" << range
                                << " W" << lookBack << (weighted ? " weighted" : "");
                            std::uint64_t total = 0;
                            for (std::uint64_t w : actual.weight)
                                total += w;
                            ASSERT_EQ(static_cast<std::int64_t>(total), table.totalWeight());
                            withoutNumber += actual.weight[HitRule::kNoNumberBit] > 0;
                            ++compared;
                        }
                    }
                }
            }
        }
    }
    EXPECT_GT(withoutNumber, compared / 10);
}

TEST(SumKernels, chanceSumsAreTheExactWeighedSharesOfEveryDraw)
{
    if (vectorPaths().empty())
        GTEST_SKIP() << "this processor runs no vector path";
    // Past 65,535 counted draws a single w² no longer fits 64 bits.
    static const HistorySnapshot longHistory = demoHistory(840, 11, 0);
    ASSERT_GT(longHistory.size(), 70000);
    std::mt19937 random(23);
    const auto column = [&] { return AttributeCatalog::code(static_cast<int>(random() % 88)); };
    QStringList codes;
    for (int i = 0; i < 3; ++i) {
        codes << QStringLiteral("%1+%2+%3").arg(column(), column()).arg(static_cast<int>(random() % 11));
        codes << QStringLiteral("%1+%2-%3").arg(column(), column()).arg(static_cast<int>(random() % 12));
    }
    int compared = 0;
    for (KernelPath path : vectorPaths()) {
        const SumKernels kernels(path);
        for (const auto& [h, lookBack] : {std::pair{&longHistory, 0}, std::pair{&history(12), 63},
                                          std::pair{&history(12), 0}, std::pair{&longHistory, 1}}) {
            const int range = h == &longHistory ? 11 : 12;
            for (bool weighted : {true, false}) {
                const ScoringWindow window{lookBack, true, weighted};
                const auto [first, end] = FormulaScoring::countedRows(h->size(), window);
                const FormulaKind kind(3, lookBack != 0);
                const WindowTable table(*h, kind, range, window);
                const ChanceBaseline baseline(HitRule(*h, kind.rule(range, true)), first, end);
                for (const QString& code : codes) {
                    const CompiledFormula compiled = CompiledFormula::compile(code);
                    std::vector<double> values(static_cast<size_t>(end - first));
                    compiled.evaluate(*h, first - 1, end - 1, values.data());
                    for (bool kill : {true, false}) {
                        // Each draw's weight times the share its prediction reads, written out.
                        const ChanceShares& shares = baseline.shares(kill);
                        ChanceSums plain;
                        for (int k = 0; k < end - first; ++k) {
                            const auto j = static_cast<WideCount>(k + 1);
                            const WideCount w = weighted ? j * j : 1;
                            const WideCount share =
                                shares.share[HitRule::predictedBit<0>(values[static_cast<size_t>(k)], range)];
                            plain.expected += w * share;
                            plain.variance += w * w * share * (static_cast<WideCount>(end - first) - share);
                        }
                        const ChanceTotals totals = ChanceBaseline::tally(values.data(), first, end, range, weighted);
                        ASSERT_TRUE(ChanceSums::of(totals, shares) == plain) << code.toStdString();
                        ASSERT_TRUE(kernels.chanceSums(table, *compiled.asColumnSum(), shares) == plain)
                            << code.toStdString() << " " << SumKernels::name(path).toStdString() << " W" << lookBack
                            << (weighted ? " weighted" : "") << (kill ? " kill" : " keep");
                        ++compared;
                    }
                }
            }
        }
    }
    EXPECT_GT(compared, 0);
}

TEST(IntegerBounds, acceptExactlyWhatTheBoundsAccept)
{
    std::mt19937_64 random(5);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    int accepted = 0;
    for (int trial = 0; trial < 4000; ++trial) {
        const std::int64_t total = trial % 3 == 0 ? 300 : static_cast<std::int64_t>(1 + random() % 9045050);
        FormulaStatistics s;
        s.totalWeight = total;
        s.hitWeight = static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(total + 1));
        s.rate = RunTally::rateOf(s.hitWeight, total);
        s.longestMissRun = static_cast<int>(random() % 40);
        s.longestHitRun = static_cast<int>(random() % 40);
        s.lastMissRun = static_cast<int>(random() % 3);
        s.lastHitRun = static_cast<int>(random() % 3);
        std::array<double, StatisticBounds::kCount> values{};
        for (size_t i = 0; i < values.size(); ++i) {
            // Bounds on and around the statistics themselves, fractions, and odd values.
            const double own = i < 2 ? static_cast<double>(s.rate) : s.value(kStatisticKeys[i / 2]);
            switch (random() % 8) {
            case 0: values[i] = own; break;
            case 1: values[i] = own + (i % 2 ? -1 : 1) * 0.0001; break;
            case 2: values[i] = own + (i % 2 ? -1 : 1) * 0.00011; break;
            case 3: values[i] = i % 2 ? 32768 : 0; break;
            case 4: values[i] = std::floor(own) + 0.5; break;
            case 5: values[i] = (i % 2 ? 1 : -1) * inf; break;
            case 6: values[i] = trial % 50 == 0 ? nan : own - 1; break;
            default: values[i] = i % 2 ? own + 1 : own - 1; break;
            }
        }
        const StatisticBounds bounds(values);
        const bool expected = bounds.accepts(s);
        ASSERT_EQ(IntegerBounds::of(bounds, total).accepts(s), expected) << trial;
        accepted += expected;
    }
    EXPECT_GT(accepted, 100);
}

TEST(SearchEngine, everyPathFindsTheSameListOnOneAndSeveralThreads)
{
    const HistorySnapshot& h = history(11);
    const DefaultBounds defaults = DefaultBounds::builtIn();
    struct Task {
        FormulaTarget target;
        StatisticBounds bounds;
        ScoringWindow window;
        SearchOptions options;
    };
    const StatisticBounds everything({0, 100, 0, 32768, 0, 32768, 0, 32768, 0, 32768});
    const std::vector<Task> tasks{
        {{1, false, true}, defaults.bounds(FormulaKind(1, false), true), {300, true, true}, {8, 0, TextForm::Suffix}},
        {{3, true, false}, defaults.bounds(FormulaKind(3, true), false), {100, true, true}, {5, -4, TextForm::Suffix}},
        {{2, false, false},
         StatisticBounds({9, 100, 0, 40, 1, 32768, 0, 0, 1, 32768}),
         {64, false, false},
         {3, std::nullopt, TextForm::Bracket}},
        {{5, true, true},
         StatisticBounds({62, 100, 0, 6, 0, 32768, 0, 32768, 2, 32768}),
         {300, true, true},
         {24, 0, TextForm::Suffix}},
        {{4, false, true}, everything, {65, true, true}, {2, -10, TextForm::Suffix}},
    };
    for (const Task& task : tasks) {
        std::vector<FoundFormula> reference;
        for (KernelPath path : SumKernels::supported()) {
            for (int threads : {1, 3}) {
                SearchEngine engine(threads);
                SearchSession session(engine, h, 11, task.window, 77);
                session.begin(task.target, task.bounds, task.options, path);
                session.run({30000, std::nullopt});
                if (path == KernelPath::Scalar && threads == 1) {
                    reference = session.found();
                    ASSERT_GT(reference.size(), 2u) << task.target.tableName().toStdString();
                    continue;
                }
                const std::vector<FoundFormula>& found = session.found();
                ASSERT_EQ(found.size(), reference.size()) << SumKernels::name(path).toStdString();
                for (size_t i = 0; i < found.size(); ++i) {
                    ASSERT_EQ(found[i].code, reference[i].code) << SumKernels::name(path).toStdString();
                    ASSERT_TRUE(same(found[i].statistics, reference[i].statistics));
                }
            }
        }
    }
}

namespace {

// The history with two columns the vector sums cannot take: a negative value
// in column 20, one beyond 16 bits in column 21. Candidates naming either are
// left to the plain loop, so a search mixes both kinds.
HistorySnapshot withOddColumns(const HistorySnapshot& history)
{
    HistorySnapshot odd;
    for (int row = 0; row < history.size(); ++row) {
        std::array<std::int32_t, AttributeCatalog::kCount> values{};
        for (int a = 0; a < AttributeCatalog::kCount; ++a)
            values[static_cast<size_t>(a)] = history.value(row, a);
        values[20] = row % 7 == 3 ? -5 : values[20];
        values[21] = row % 5 == 1 ? 70000 : values[21];
        odd.append(history.issue(row), values);
    }
    return odd;
}

// Bounds that pass `s` or just miss it, statistic by statistic: equal to it,
// one beyond it on either side, open, or a fraction away. The run bounds are
// what the search rejects on before the last block, so they are often tight.
StatisticBounds boundsAround(const FormulaStatistics& s, std::mt19937_64& random)
{
    std::array<double, StatisticBounds::kCount> values{};
    for (size_t i = 0; i < values.size(); ++i) {
        const bool upper = i % 2 == 1;
        const double own = i < 2 ? static_cast<double>(s.rate) : s.value(kStatisticKeys[i / 2]);
        switch (random() % 7) {
        case 0: values[i] = own; break;
        case 1: values[i] = upper ? own - 1 : own + 1; break;
        case 2: values[i] = upper ? own + 1 : own - 1; break;
        case 3: values[i] = upper ? (i < 2 ? 100 : 32768) : 0; break;
        case 4: values[i] = upper ? own + 0.5 : own - 0.5; break;
        case 5: values[i] = upper ? own + 0.00005 : own - 0.00015; break;
        default: values[i] = upper ? own + 3 : own - 3; break;
        }
    }
    return StatisticBounds(values);
}

} // namespace

TEST(SumKernels, earlyRejectionKeepsExactlyWhatTheBoundsAccept)
{
    if (vectorPaths().empty())
        GTEST_SKIP() << "this processor runs no vector path";
    std::mt19937_64 random(99);
    const std::vector<ScoringWindow> windows{{0, true, true},  {1, true, true},   {63, false, true},
                                             {64, true, true}, {65, true, false}, {300, true, true}};
    constexpr std::uint64_t kCandidates = 200;
    int accepted = 0;
    int rejected = 0;
    int uncovered = 0;
    for (int range : {11, 12}) {
        const HistorySnapshot odd = withOddColumns(history(range));
        for (const ScoringWindow& window : windows) {
            for (const FormulaKind& kind : {FormulaKind(1, false), FormulaKind(3, true), FormulaKind(5, true)}) {
                for (bool kill : {true, false}) {
                    const bool oddColumns = random() % 2 == 0;
                    const HistorySnapshot& h = oddColumns ? odd : history(range);
                    const ScoringRule rule = kind.rule(range, kill);
                    const CandidateScorer plain(h, rule, window, KernelPath::Scalar);
                    const int operands = 2 + static_cast<int>(random() % 23);
                    const std::optional<int> constant = random() % 3 == 0
                                                            ? std::optional<int>()
                                                            : std::optional<int>(static_cast<int>(random() % 9) - 6);
                    const CandidateGenerator generator(random(), operands, constant);
                    std::vector<FormulaStatistics> expected;
                    for (std::uint64_t i = 0; i < kCandidates; ++i)
                        expected.push_back(plain.scoreScalar(generator.generate(i)));
                    for (KernelPath path : vectorPaths()) {
                        const CandidateScorer fast(h, rule, window, path);
                        const WindowTable& table = *fast.table();
                        // Full statistics of every covered candidate in one call.
                        std::vector<ColumnSum> sums;
                        std::vector<std::uint64_t> covered;
                        for (std::uint64_t i = 0; i < kCandidates; ++i) {
                            const ColumnSum sum = CandidateScorer::columnSum(generator.generate(i));
                            if (SumKernels::covers(table, sum)) {
                                sums.push_back(sum);
                                covered.push_back(i);
                            }
                        }
                        std::vector<FormulaStatistics> scored(sums.size());
                        fast.kernels()->score(table, kill, sums.data(), static_cast<int>(sums.size()), scored.data());
                        for (size_t k = 0; k < sums.size(); ++k)
                            ASSERT_TRUE(same(scored[k], expected[covered[k]]))
                                << SumKernels::name(path).toStdString() << " candidate " << covered[k];
                        // The search's decision for every candidate, under bounds built
                        // around candidates of the same range.
                        for (int trial = 0; trial < 8; ++trial) {
                            const StatisticBounds bounds = boundsAround(expected[random() % kCandidates], random);
                            KernelSearch result;
                            fast.kernels()->search(table, kill, generator.stream(),
                                                   IntegerBounds::of(bounds, table.totalWeight()), 0, kCandidates,
                                                   result);
                            ASSERT_EQ(result.uncovered.size(), kCandidates - covered.size());
                            auto found = result.accepted.begin();
                            for (std::uint64_t i : covered) {
                                const bool expectedAccepted = bounds.accepts(expected[i]);
                                const bool actualAccepted = found != result.accepted.end() && found->index == i;
                                ASSERT_EQ(actualAccepted, expectedAccepted)
                                    << SumKernels::name(path).toStdString() << " candidate " << i << " R" << range
                                    << " W" << window.lookBack << " " << describe(expected[i]);
                                if (!actualAccepted) {
                                    ++rejected;
                                    continue;
                                }
                                ASSERT_TRUE(same(found->statistics, expected[i]));
                                const Candidate c = generator.generate(i);
                                ASSERT_EQ(CandidateGenerator::code(CandidateScorer::candidate(found->sum)),
                                          CandidateGenerator::code(c));
                                ++found;
                                ++accepted;
                            }
                            ASSERT_EQ(found, result.accepted.end());
                            uncovered += static_cast<int>(result.uncovered.size());
                        }
                    }
                }
            }
        }
    }
    // Both outcomes and the plain way's share, often enough to mean something.
    EXPECT_GT(accepted, 500);
    EXPECT_GT(rejected, 5000);
    EXPECT_GT(uncovered, 500);
}

TEST(SearchEngine, aSearchThatStopsAtItsWantedCountStopsAtTheSameCandidateOnEveryPath)
{
    // Columns the kernels leave to the plain loop, so the merged list mixes both.
    const HistorySnapshot h = withOddColumns(history(12));
    const StatisticBounds everything({0, 100, 0, 32768, 0, 32768, 0, 32768, 0, 32768});
    const StatisticBounds some({30, 100, 0, 32768, 0, 32768, 0, 32768, 0, 32768});
    for (const StatisticBounds& bounds : {everything, some}) {
        for (std::uint64_t wanted : {std::uint64_t{1}, std::uint64_t{37}, std::uint64_t{5000}}) {
            const CandidateGenerator generator(4242, 6, std::nullopt);
            const ScoringRule rule = FormulaKind(2, false).rule(12, true);
            SearchEngine reference(1);
            const CandidateScorer plain(h, rule, ScoringWindow{300, true, true}, KernelPath::Scalar);
            const SearchBatch expected = reference.search(generator, plain, bounds, 1000, 9000, wanted);
            for (KernelPath path : vectorPaths()) {
                SearchEngine engine(2);
                const CandidateScorer fast(h, rule, ScoringWindow{300, true, true}, path);
                const SearchBatch actual = engine.search(generator, fast, bounds, 1000, 9000, wanted);
                ASSERT_EQ(actual.evaluated, expected.evaluated) << SumKernels::name(path).toStdString();
                ASSERT_EQ(actual.accepted.size(), expected.accepted.size());
                for (size_t i = 0; i < actual.accepted.size(); ++i) {
                    ASSERT_EQ(actual.accepted[i].index, expected.accepted[i].index);
                    ASSERT_EQ(CandidateGenerator::code(actual.accepted[i].candidate),
                              CandidateGenerator::code(expected.accepted[i].candidate));
                    ASSERT_TRUE(same(actual.accepted[i].statistics, expected.accepted[i].statistics));
                }
            }
        }
    }
}
