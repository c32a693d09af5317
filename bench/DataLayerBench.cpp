// A heavy user's tables: 32,767 formulas in one table (what one search can fill)
// over 5,040 draws (60 days) and over 20,000 draws. Scoring and storing the
// whole table, deleting one formula (which renumbers the table), storing a found
// list of 32,767 formulas, and compacting the file afterwards.
#include "formula/FormulaStore.h"
#include "formula/TableScorer.h"
#include "history/AttributeCatalog.h"
#include "history/Database.h"
#include "history/DemoHistory.h"
#include "history/DrawStore.h"
#include "history/HistorySnapshot.h"
#include "search/FoundFormulaStore.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <map>
#include <memory>
#include <random>

namespace {

constexpr int kFormulas = 32767;
const FormulaTarget kTarget{1, false, true}; // 第一直选 杀
const QString kTable = QStringLiteral("Gongshi1D");

// Column sums of 3..8 attributes plus a constant, the shape a search stores.
std::vector<FoundFormula> foundFormulas(int count, std::uint64_t seed)
{
    std::mt19937_64 random(seed);
    std::uniform_int_distribution<int> column(0, AttributeCatalog::kCount - 1);
    std::uniform_int_distribution<int> termCount(3, 8);
    std::vector<FoundFormula> found;
    found.reserve(static_cast<size_t>(count));
    for (int f = 0; f < count; ++f) {
        QString code;
        const int terms = termCount(random);
        for (int t = 0; t < terms; ++t)
            code += QStringLiteral("[%1]+").arg(AttributeCatalog::code(column(random)));
        code += QString::number(f % 11 + 1);
        FoundFormula formula;
        formula.code = code;
        formula.text = code + QStringLiteral("=下期杀第一直选");
        formula.target = kTarget;
        found.push_back(formula);
    }
    return found;
}

std::vector<ParsedFormula> parsed(const std::vector<FoundFormula>& found)
{
    std::vector<ParsedFormula> formulas;
    formulas.reserve(found.size());
    for (const FoundFormula& f : found)
        formulas.push_back(ParsedFormula{f.text, f.code, f.target});
    return formulas;
}

struct HeavyTable {
    QTemporaryDir directory;
    std::unique_ptr<Database> db;
    HistorySnapshot history;
};

// One database per history length, built once: the draws and 32,767 formulas.
HeavyTable& heavyTable(int draws)
{
    static std::map<int, std::unique_ptr<HeavyTable>> tables;
    auto& table = tables[draws];
    if (!table) {
        table = std::make_unique<HeavyTable>();
        table->db = std::make_unique<Database>(table->directory.path());
        const LotteryTable::Entry lottery = LotteryTable::entry(0);
        std::vector<StoredDraw> stored =
            DemoHistory::generate(lottery, draws / lottery.drawsPerDay + 1, 5, QDate(2026, 1, 1));
        stored.resize(static_cast<size_t>(draws));
        DrawStore(*table->db, lottery).addAll(stored);
        FormulaStore(*table->db).addAll(parsed(foundFormulas(kFormulas, 1)));
        table->history = HistorySnapshot::load(table->db->sql());
    }
    return *table;
}

// What `velmora-cli formula score` and the window's Yansuan do: list, evaluate
// and score every formula over the whole history, store each one's statistics.
// range(0): the draws; range(1): the look-back window, 0 = every draw (the
// slowest setting), 800 the default.
void BM_ScoreAndStoreTable(benchmark::State& state)
{
    HeavyTable& t = heavyTable(static_cast<int>(state.range(0)));
    const ScoringWindow window{static_cast<int>(state.range(1)), true, true};
    for (auto _ : state) {
        const auto scored = TableScorer::scoreTable(*t.db, t.history, kTable, true, 11, window);
        benchmark::DoNotOptimize(scored.data());
    }
    state.counters["formulas"] = kFormulas;
    state.counters["draws"] = t.history.size();
}
BENCHMARK(BM_ScoreAndStoreTable)
    ->Args({5040, 0})
    ->Args({20000, 0})
    ->Args({5040, 800})
    ->Args({20000, 800})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// The evaluation alone, for comparison with the search's per-draw rate.
void BM_ScoreTableInMemory(benchmark::State& state)
{
    HeavyTable& t = heavyTable(static_cast<int>(state.range(0)));
    const std::vector<FormulaRecord> records = FormulaStore(*t.db).list(kTable, true);
    const ScoringWindow window{0, true, true};
    const ScoringRule rule = FormulaKind::ofTable(kTable).rule(11, true);
    for (auto _ : state) {
        const auto scored = TableScorer::score(t.history, records, rule, window);
        benchmark::DoNotOptimize(scored.data());
    }
    // Per second of CPU time, over every iteration.
    state.counters["formula_draws_per_s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kFormulas * t.history.size(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ScoreTableInMemory)->Arg(5040)->Arg(20000)->Unit(benchmark::kMillisecond)->Iterations(3);

// Storing the statistics of the whole table, without the evaluation.
void BM_StoreScores(benchmark::State& state)
{
    HeavyTable& t = heavyTable(5040);
    std::vector<std::pair<int, FormulaStatistics>> statistics;
    for (int idx = 1; idx <= kFormulas; ++idx)
        statistics.emplace_back(idx, FormulaStatistics{0.5F, 1, 2, idx % 7, idx % 5, idx % 3, idx % 2});
    for (auto _ : state)
        FormulaStore(*t.db).storeStatistics(kTable, statistics);
}
BENCHMARK(BM_StoreScores)->Unit(benchmark::kMillisecond)->Iterations(3);

// "删除该公式" on formula 1 of 32,767: the delete and the renumbering of every
// row above it, one transaction. The formula is put back outside the timing.
void BM_DeleteOneFormula(benchmark::State& state)
{
    HeavyTable& t = heavyTable(5040);
    FormulaStore store(*t.db);
    const std::vector<ParsedFormula> spare = parsed(foundFormulas(1, 99));
    for (auto _ : state) {
        benchmark::DoNotOptimize(store.remove(kTable, {1}));
        state.PauseTiming();
        store.add(spare.front());
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DeleteOneFormula)->Unit(benchmark::kMillisecond)->Iterations(3);

// "公式追加到数据库" of a full found list into a table that already holds 32,767
// formulas (repeats removed, renumbered), and "公式更新到数据库" of that list.
void BM_StoreFoundFormulas(benchmark::State& state)
{
    HeavyTable& t = heavyTable(5040);
    const std::vector<FoundFormula> found = foundFormulas(kFormulas, 2);
    const auto mode = state.range(0) == 0 ? StoreMode::Append : StoreMode::Replace;
    FoundFormulaStore store(*t.db);
    for (auto _ : state) {
        store.store(found, mode);
        state.PauseTiming();
        // Back to the 32,767 formulas the table started with.
        FormulaStore formulas(*t.db);
        t.db->sql().exec(QStringLiteral("DELETE FROM Gongshi1D"));
        formulas.addAll(parsed(foundFormulas(kFormulas, 1)));
        state.ResumeTiming();
    }
    state.SetLabel(mode == StoreMode::Append ? "append" : "replace");
}
BENCHMARK(BM_StoreFoundFormulas)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

// CompactDb on the 5,040-draw file with its 32,767 formulas.
void BM_Compact(benchmark::State& state)
{
    HeavyTable& t = heavyTable(5040);
    for (auto _ : state)
        t.db->compact();
}
BENCHMARK(BM_Compact)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
