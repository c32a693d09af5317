// The bounds as whole numbers, the early rejection of the vector kernels and the
// found list of a search: every path keeps exactly what the bounds accept.
#include "core/kernel/KernelFixtures.h"

using namespace KernelFixtures;

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
