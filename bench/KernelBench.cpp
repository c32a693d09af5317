// The scoring paths (0 scalar, 1 AVX2, 2 AVX-512) side by side on one core:
// - search over 3,000 draws for direct 第一 kill candidates of K operands with
//   window W (0 = every draw), with the default bounds, with bounds that accept
//   everything, and with bounds no candidate meets only at the very end (every
//   candidate gets its full statistics, nothing is kept);
// - list scoring of 40,000 column sums over 20,000 draws, compiling included,
//   per path on one core, and as the list does it on one and on two threads.
// A path this processor does not run is skipped with a message.
#include "formula/FormulaEvaluator.h"
#include "formula/TableScorer.h"
#include "history/AttributeCatalog.h"
#include "history/DemoHistory.h"
#include "history/HistorySnapshot.h"
#include "search/CandidateGenerator.h"
#include "search/CandidateScorer.h"
#include "search/DefaultBounds.h"
#include "search/SearchEngine.h"

#include <benchmark/benchmark.h>
#include <random>

namespace {

HistorySnapshot historyOf(int draws)
{
    const LotteryTable::Entry lottery = LotteryTable::entry(0);
    const int days = (draws + lottery.drawsPerDay - 1) / lottery.drawsPerDay;
    std::vector<StoredDraw> all = DemoHistory::generate(lottery, days, 20261208, QDate(2026, 12, 1));
    all.erase(all.begin(), all.end() - draws);
    return DemoHistory::snapshot(lottery, all);
}

bool skipUnlessRun(benchmark::State& state, KernelPath path)
{
    if (SumKernels::runs(path))
        return false;
    state.SkipWithError("this processor does not run the path");
    return true;
}

enum BoundsKind { Defaults, Everything, FullStatisticsOnly };

StatisticBounds boundsOf(int kind)
{
    switch (kind) {
    case Everything: return StatisticBounds({0, 100, 0, 32768, 0, 32768, 0, 32768, 0, 32768});
    case FullStatisticsOnly: return StatisticBounds({101, 200, 0, 32768, 0, 32768, 0, 32768, 0, 32768});
    default: return DefaultBounds::builtIn().bounds(FormulaKind(1, false), true);
    }
}

// Args: path, operands K, window W, bounds kind.
void BM_KernelSearch(benchmark::State& state)
{
    static const HistorySnapshot history = historyOf(3000);
    const auto path = static_cast<KernelPath>(state.range(0));
    if (skipUnlessRun(state, path))
        return;
    const int operands = static_cast<int>(state.range(1));
    const ScoringWindow window{static_cast<int>(state.range(2)), true, true};
    const CandidateScorer scorer(history, FormulaKind(1, false).rule(11, true), window, path);
    const CandidateGenerator generator(42, operands, 0);
    const StatisticBounds bounds = boundsOf(static_cast<int>(state.range(3)));
    SearchEngine engine(1);
    const std::uint64_t batch = path == KernelPath::Scalar ? 4096 : 32768;
    std::uint64_t next = 0;
    std::uint64_t found = 0;
    for (auto _ : state) {
        const SearchBatch result = engine.search(generator, scorer, bounds, next, batch, ~std::uint64_t{0});
        found += result.accepted.size();
        next += batch;
    }
    state.counters["candidates_per_s"] = benchmark::Counter(static_cast<double>(next), benchmark::Counter::kIsRate);
    state.counters["found_per_M"] = static_cast<double>(found) * 1e6 / static_cast<double>(next);
}

void searchArguments(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"path", "K", "W", "bounds"});
    for (int path : {0, 1, 2})
        for (int bounds : {Defaults, Everything, FullStatisticsOnly})
            for (int operands : {8, 24})
                for (int window : {300, 0})
                    b->Args({path, operands, window, bounds});
}
BENCHMARK(BM_KernelSearch)->Apply(searchArguments)->Unit(benchmark::kMillisecond);

const std::vector<FormulaRecord>& listRecords()
{
    static const std::vector<FormulaRecord> records = [] {
        std::mt19937_64 random(7);
        std::vector<FormulaRecord> list;
        for (int i = 0; i < 40000; ++i) {
            QString code;
            const int terms = 2 + static_cast<int>(random() % 7);
            for (int t = 0; t < terms; ++t)
                code += AttributeCatalog::code(static_cast<int>(random() % 88)) + u'+';
            code += QString::number(random() % 11);
            list.push_back({i + 1, code, code, i % 2 == 0, {}});
        }
        return list;
    }();
    return records;
}

// Args: path, window W. One pass over 40,000 formulas as the list scores them.
void BM_KernelListScoring(benchmark::State& state)
{
    static const HistorySnapshot history = historyOf(20000);
    const std::vector<FormulaRecord>& records = listRecords();
    const auto path = static_cast<KernelPath>(state.range(0));
    if (skipUnlessRun(state, path))
        return;
    const ScoringWindow window{static_cast<int>(state.range(1)), true, true};
    for (auto _ : state) {
        const FormulaEvaluator evaluator(history, FormulaKind(3, false), 11, window, path);
        std::int64_t hits = 0;
        for (const FormulaRecord& record : records)
            hits += evaluator.evaluate(record).scored.record.statistics.hitWeight;
        benchmark::DoNotOptimize(hits);
    }
    state.counters["formulas_per_s"] =
        benchmark::Counter(static_cast<double>(records.size()), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_KernelListScoring)
    ->ArgNames({"path", "W"})
    ->ArgsProduct({{0, 1, 2}, {0, 300}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// Args: window W, threads. The list's own scoring (the fastest path, every
// core by default): what a user waits for when 40,000 formulas are scored over
// 20,000 draws.
void BM_ListScoringThreads(benchmark::State& state)
{
    static const HistorySnapshot history = historyOf(20000);
    const std::vector<FormulaRecord>& records = listRecords();
    const ScoringWindow window{static_cast<int>(state.range(0)), true, true};
    const ScoringRule rule = FormulaKind(3, false).rule(11, true);
    for (auto _ : state) {
        const TableScore scored = TableScorer::score(history, records, rule, window, ResultColumnForm::None, {},
                                                     static_cast<int>(state.range(1)));
        benchmark::DoNotOptimize(scored.formulas.data());
    }
    state.counters["formulas_per_s"] =
        benchmark::Counter(static_cast<double>(records.size()), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ListScoringThreads)
    ->ArgNames({"W", "threads"})
    ->ArgsProduct({{0, 300}, {1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

// Args: path. The history grid's 512 result columns (the value carried from
// the draw before) of column sums over 20,000 draws, statistics over W = 300.
void BM_KernelGridColumns(benchmark::State& state)
{
    static const HistorySnapshot history = historyOf(20000);
    const std::vector<FormulaRecord> records(listRecords().begin(),
                                             listRecords().begin() + FormulaResultColumn::kMaxColumns);
    const auto path = static_cast<KernelPath>(state.range(0));
    if (skipUnlessRun(state, path))
        return;
    const ScoringWindow window{300, true, true};
    for (auto _ : state) {
        const FormulaEvaluator evaluator(history, FormulaKind(3, false), 11, window, path, ResultColumnForm::NextDraw);
        for (const FormulaRecord& record : records)
            benchmark::DoNotOptimize(evaluator.evaluate(record, ResultColumnForm::NextDraw).column.hits.data());
    }
}
BENCHMARK(BM_KernelGridColumns)->ArgNames({"path"})->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

} // namespace
