// The vector kernels against the plain loops they replace: the candidates they
// draw, every statistic they compute, list scoring and the result columns, on
// every path this processor runs.
#include "core/kernel/KernelFixtures.h"

using namespace KernelFixtures;

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
