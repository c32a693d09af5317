// What the chance baseline adds to scoring a formula: its pass over the counted
// draws beside the statistics walk, on the same precomputed values, and the
// frequency count an evaluator makes once per table.
#include "formula/ChanceBaseline.h"
#include "formula/CompiledFormula.h"
#include "formula/FormulaScoring.h"
#include "history/DemoHistory.h"
#include "history/HistorySnapshot.h"
#include "scoring/HitRule.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int kDraws = 20000;

const HistorySnapshot& history()
{
    static const HistorySnapshot snapshot = [] {
        const LotteryTable::Entry lottery = LotteryTable::entry(0);
        std::vector<StoredDraw> draws =
            DemoHistory::generate(lottery, kDraws / lottery.drawsPerDay + 1, 5, QDate(2026, 1, 1));
        draws.resize(kDraws);
        return DemoHistory::snapshot(lottery, draws);
    }();
    return snapshot;
}

const ScoringRule kRule = FormulaKind(3, true).rule(11, true);

struct Prepared {
    std::vector<double> values;
    int first = 0;
    int end = 0;
};

Prepared prepare(int lookBack)
{
    Prepared p;
    const auto [first, end] = FormulaScoring::countedRows(kDraws, ScoringWindow{lookBack, true, true});
    p.first = first;
    p.end = end;
    p.values.resize(static_cast<size_t>(end - first));
    CompiledFormula::compile(QStringLiteral("L1A+L2Q+L3M+L4K+L5N+3"))
        .evaluate(history(), first - 1, end - 1, p.values.data());
    return p;
}

// range(0): the look-back window, 0 = every draw.
void BM_StatisticsWalk(benchmark::State& state)
{
    const Prepared p = prepare(static_cast<int>(state.range(0)));
    const HitRule hits(history(), kRule);
    for (auto _ : state)
        benchmark::DoNotOptimize(FormulaScoring::scorePredictions(hits, 11, p.values.data(), p.first, p.end, true));
}
BENCHMARK(BM_StatisticsWalk)->Arg(300)->Arg(0)->Unit(benchmark::kMicrosecond);

void BM_ChanceMeasure(benchmark::State& state)
{
    const Prepared p = prepare(static_cast<int>(state.range(0)));
    const HitRule hits(history(), kRule);
    const ChanceBaseline baseline(hits, p.first, p.end);
    FormulaStatistics s = FormulaScoring::scorePredictions(hits, 11, p.values.data(), p.first, p.end, true);
    for (auto _ : state) {
        baseline.measure(s, p.values.data(), p.first, p.end, 11, true, true);
        benchmark::DoNotOptimize(s.z);
    }
}
BENCHMARK(BM_ChanceMeasure)->Arg(300)->Arg(0)->Unit(benchmark::kMicrosecond);

void BM_ChanceFrequencies(benchmark::State& state)
{
    const HitRule hits(history(), kRule);
    for (auto _ : state)
        benchmark::DoNotOptimize(ChanceBaseline(hits, 1, kDraws));
}
BENCHMARK(BM_ChanceFrequencies)->Unit(benchmark::kMicrosecond);

} // namespace
