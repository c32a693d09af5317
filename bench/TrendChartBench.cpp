// The trend chart and its omission table as the window builds them on its own
// thread at every change of position, view, window or history.
#include "analysis/TrendChart.h"
#include "history/DemoHistory.h"
#include "history/HistorySnapshot.h"

#include <benchmark/benchmark.h>

namespace {

const HistorySnapshot& history20000()
{
    static const HistorySnapshot snapshot = [] {
        const LotteryTable::Entry lottery = LotteryTable::entry(0);
        std::vector<StoredDraw> draws =
            DemoHistory::generate(lottery, 20000 / lottery.drawsPerDay + 1, 7, QDate(2026, 1, 1));
        draws.resize(20000);
        return DemoHistory::snapshot(lottery, draws);
    }();
    return snapshot;
}

void BM_TrendChartAllDraws(benchmark::State& state)
{
    const HistorySnapshot& history = history20000();
    const TrendClasses classes = TrendClasses::of(static_cast<TrendView>(state.range(0)), 11);
    for (auto _ : state) {
        const TrendChart chart = TrendChart::build(history, 1, 0, classes);
        benchmark::DoNotOptimize(chart.omissionTable());
    }
    state.SetItemsProcessed(state.iterations() * history.size());
}
BENCHMARK(BM_TrendChartAllDraws)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
