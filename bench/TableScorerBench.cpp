// What the main window waits for after a draw is typed, on a large workbench:
// 20,000 stored draws and 2,000 listed formulas. Reloading the history snapshot
// (AddHaoma), scoring and storing the whole table (Yansuan), with the 512
// per-draw result columns of the history grid when they are shown.
#include "formula/FormulaStore.h"
#include "formula/TableScorer.h"
#include "history/AttributeCatalog.h"
#include "history/Database.h"
#include "history/DemoHistory.h"
#include "history/DrawStore.h"
#include "history/HistorySnapshot.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>
#include <random>

namespace {

constexpr int kDraws = 20000;
constexpr int kFormulas = 2000;
const QString kTable = QStringLiteral("Gongshi3D");

struct Workbench {
    QTemporaryDir directory;
    std::unique_ptr<Database> db;
    HistorySnapshot history;
};

// Two thirds plain column sums (what the search stores), one third with
// products, Mod and integer division (what people type).
std::vector<ParsedFormula> mixedFormulas(int count)
{
    std::mt19937_64 random(11);
    std::uniform_int_distribution<int> column(0, AttributeCatalog::kCount - 1);
    std::uniform_int_distribution<int> termCount(2, 8);
    std::vector<ParsedFormula> formulas;
    for (int f = 0; f < count; ++f) {
        QString code;
        if (f % 3 == 2) {
            code = QStringLiteral("([%1]*2+[%2]) Mod 9 + [%3]\\2 + %4")
                       .arg(AttributeCatalog::code(column(random)), AttributeCatalog::code(column(random)),
                            AttributeCatalog::code(column(random)))
                       .arg(f % 7);
        } else {
            const int terms = termCount(random);
            for (int t = 0; t < terms; ++t)
                code += QStringLiteral("[%1]+").arg(AttributeCatalog::code(column(random)));
            code += QString::number(f % 11);
        }
        ParsedFormula formula;
        formula.code = code;
        formula.chinese = code + QStringLiteral("=下期杀第三直选");
        formula.target = FormulaTarget{3, false, true};
        formulas.push_back(formula);
    }
    return formulas;
}

Workbench& workbench()
{
    static std::unique_ptr<Workbench> bench;
    if (!bench) {
        bench = std::make_unique<Workbench>();
        bench->db = std::make_unique<Database>(bench->directory.path());
        const LotteryTable::Entry lottery = LotteryTable::entry(0);
        std::vector<StoredDraw> draws =
            DemoHistory::generate(lottery, kDraws / lottery.drawsPerDay + 1, 5, QDate(2026, 1, 1));
        draws.resize(kDraws);
        DrawStore(*bench->db, lottery).addAll(draws);
        FormulaStore(*bench->db).addAll(mixedFormulas(kFormulas));
        bench->history = HistorySnapshot::load(bench->db->sql());
    }
    return *bench;
}

void BM_LoadHistorySnapshot(benchmark::State& state)
{
    Workbench& w = workbench();
    for (auto _ : state)
        benchmark::DoNotOptimize(HistorySnapshot::load(w.db->sql()).size());
}
BENCHMARK(BM_LoadHistorySnapshot)->Unit(benchmark::kMillisecond);

// range(0): the look-back window, 0 = every draw (the slowest setting), 300 the default.
void BM_ScoreTable(benchmark::State& state)
{
    Workbench& w = workbench();
    const ScoringWindow window{static_cast<int>(state.range(0)), true, true};
    for (auto _ : state) {
        const auto scored = TableScorer::scoreTable(*w.db, w.history, kTable, true, 11, window);
        benchmark::DoNotOptimize(scored.data());
    }
    state.counters["formulas"] = kFormulas;
    state.counters["draws"] = w.history.size();
}
BENCHMARK(BM_ScoreTable)->Arg(0)->Arg(300)->Unit(benchmark::kMillisecond);

// Yansuan with the history grid's result columns shown: one evaluation gives
// both the statistics and the 512 per-draw columns.
void BM_ScoreTableWithColumns(benchmark::State& state)
{
    Workbench& w = workbench();
    const ScoringWindow window{static_cast<int>(state.range(0)), true, true};
    const ScoringRule rule = FormulaKind::ofTable(kTable).rule(11, true);
    for (auto _ : state) {
        // As the window's refresh does it: list, score with the columns, store.
        const TableScore scored = TableScorer::score(w.history, FormulaStore(*w.db).list(kTable, true), rule, window,
                                                     ResultColumnForm::NextDraw);
        TableScorer::store(*w.db, kTable, scored.formulas);
        benchmark::DoNotOptimize(scored.columns.data());
    }
    state.counters["formulas"] = kFormulas;
    state.counters["columns"] = FormulaResultColumn::kMaxColumns;
}
BENCHMARK(BM_ScoreTableWithColumns)->Arg(300)->Unit(benchmark::kMillisecond);

} // namespace
