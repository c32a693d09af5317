// The trend chart, its omission table and its fit to chance, as the window
// builds them at every change of view, position, range or history: every view
// over 20,000 draws of 1..11 (lottery 0) and of 1..12 (lottery 26).
#include "analysis/TrendChart.h"
#include "analysis/TrendFit.h"
#include "history/DemoHistory.h"
#include "history/HistorySnapshot.h"

#include <benchmark/benchmark.h>

namespace {

HistorySnapshot history20000(int lotteryIndex)
{
    const LotteryTable::Entry lottery = LotteryTable::entry(lotteryIndex);
    std::vector<StoredDraw> draws =
        DemoHistory::generate(lottery, 20000 / lottery.drawsPerDay + 1, 7, QDate(2026, 1, 1));
    draws.resize(20000);
    return DemoHistory::snapshot(lottery, draws);
}

void BM_TrendView(benchmark::State& state)
{
    static const HistorySnapshot eleven = history20000(0);
    static const HistorySnapshot twelve = history20000(26);
    const bool isTwelve = state.range(1) == 12;
    const HistorySnapshot& history = isTwelve ? twelve : eleven;
    const TrendClasses classes = TrendClasses::of(static_cast<TrendView>(state.range(0)), isTwelve ? 12 : 11);
    for (auto _ : state) {
        const TrendChart chart = TrendChart::build(history, 1, 0, classes);
        benchmark::DoNotOptimize(TrendFit::of(chart));
    }
    state.SetItemsProcessed(state.iterations() * history.size());
}
BENCHMARK(BM_TrendView)
    ->ArgsProduct({benchmark::CreateDenseRange(0, TrendClasses::kViewCount - 1, 1), {11, 12}})
    ->Unit(benchmark::kMillisecond);

} // namespace
