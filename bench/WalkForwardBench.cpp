// The walk-forward back-test: F column sums evaluated once over N draws, then
// every draw ranks them over the look-back window from sliding counts and the
// best 20 vote. The figure to watch is 40,000 formulas over 20,000 draws.
#include "analysis/WalkForward.h"
#include "history/AttributeCatalog.h"
#include "history/DemoHistory.h"

#include <benchmark/benchmark.h>
#include <random>

namespace {

const LotteryTable::Entry kLottery = LotteryTable::entry(0);

HistorySnapshot historyOf(int draws)
{
    std::vector<StoredDraw> stored =
        DemoHistory::generate(kLottery, draws / kLottery.drawsPerDay + 1, 5, QDate(2026, 1, 1));
    stored.resize(static_cast<size_t>(draws));
    return DemoHistory::snapshot(kLottery, stored);
}

WalkForwardRequest requestOf(int formulas, StatisticKey key)
{
    std::mt19937_64 random(21);
    const auto name = [&] { return AttributeCatalog::code(static_cast<int>(random() % AttributeCatalog::kCount)); };
    WalkForwardRequest request;
    request.backTest.table = QStringLiteral("Gongshi1D");
    for (int f = 0; f < formulas; ++f) {
        request.backTest.formulas.push_back(
            {f + 1, QStringLiteral("%1+%2+%3+%4").arg(name(), name(), name()).arg(f % 9), {}, true, {}});
        request.backTest.selected.insert(f + 1);
    }
    request.lookBack = 300;
    request.rankBy = key;
    request.top = 20;
    return request;
}

// Args: formulas, draws, ranking key (StatisticKey order).
void BM_WalkForward(benchmark::State& state)
{
    const HistorySnapshot history = historyOf(static_cast<int>(state.range(1)));
    const WalkForwardRequest request =
        requestOf(static_cast<int>(state.range(0)), static_cast<StatisticKey>(state.range(2)));
    for (auto _ : state)
        benchmark::DoNotOptimize(WalkForward::run(history, request)->voters.size());
}
BENCHMARK(BM_WalkForward)
    ->ArgNames({"formulas", "draws", "key"})
    ->Args({2000, 20000, 0})
    ->Args({2000, 20000, 1})
    ->Args({2000, 20000, 6})
    ->Args({40000, 20000, 0})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

} // namespace
