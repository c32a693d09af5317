// The back-test in memory (every formula compiled once and evaluated once over
// the history, then one tally pass), with the history list and rank chart data
// the window builds from it; and the database way on a small case: one UPDATE of
// canshu per formula per replayed draw and a fresh cursor walked to that draw.
#include "analysis/BackTest.h"
#include "analysis/HistoryList.h"
#include "analysis/HistoryListExport.h"
#include "analysis/RankHistogram.h"
#include "formula/FormulaScoring.h"
#include "history/AttributeCatalog.h"
#include "history/Database.h"
#include "history/DemoHistory.h"
#include "history/DrawStore.h"
#include "history/HistorySnapshot.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <map>
#include <memory>
#include <random>

namespace {

const LotteryTable::Entry kLottery = LotteryTable::entry(0);

std::vector<StoredDraw> demoDraws(int count)
{
    std::vector<StoredDraw> draws =
        DemoHistory::generate(kLottery, count / kLottery.drawsPerDay + 1, 5, QDate(2026, 1, 1));
    draws.resize(static_cast<size_t>(count));
    return draws;
}

const HistorySnapshot& snapshotOf(int draws)
{
    static std::map<int, HistorySnapshot> cache;
    auto it = cache.find(draws);
    if (it == cache.end())
        it = cache.emplace(draws, DemoHistory::snapshot(kLottery, demoDraws(draws))).first;
    return it->second;
}

// Half plain column sums (the search's form), half with products and Mod; or
// only sums, as a table of found formulas holds.
std::vector<FormulaRecord> randomFormulas(int count, bool kill, bool sumsOnly = false)
{
    std::mt19937_64 random(21);
    std::uniform_int_distribution<int> column(0, AttributeCatalog::kCount - 1);
    std::uniform_int_distribution<int> small(1, 9);
    const auto name = [&] { return QStringLiteral("[%1]").arg(AttributeCatalog::code(column(random))); };
    std::vector<FormulaRecord> formulas;
    for (int f = 0; f < count; ++f) {
        FormulaRecord record;
        record.idx = f + 1;
        record.kill = kill;
        if (f % 2 == 0 || sumsOnly)
            record.code = QStringLiteral("%1+%2+%3+%4").arg(name(), name(), name()).arg(small(random));
        else
            record.code =
                QStringLiteral("(%1*%2+%3) Mod %4+%5").arg(name(), name(), name()).arg(small(random) + 2).arg(name());
        formulas.push_back(record);
    }
    return formulas;
}

BackTestRequest requestOf(int formulas, bool kill, bool sumsOnly = false)
{
    BackTestRequest request;
    request.table = QStringLiteral("Gongshi1D");
    request.kill = kill;
    request.formulas = randomFormulas(formulas, kill, sumsOnly);
    for (const FormulaRecord& f : request.formulas)
        request.selected.insert(f.idx);
    return request;
}

// F formulas over N draws (kill or keep), then the list and the rank histogram of position 1.
void BM_BackTest(benchmark::State& state)
{
    const HistorySnapshot& history = snapshotOf(static_cast<int>(state.range(1)));
    const BackTestRequest request = requestOf(static_cast<int>(state.range(0)), state.range(2) != 0);
    for (auto _ : state) {
        auto result = std::make_shared<const BackTestResult>(*BackTest::run(history, request));
        const HistoryList list(result, 1);
        benchmark::DoNotOptimize(RankHistogram::of(list).lowestGroupHits);
    }
}
BENCHMARK(BM_BackTest)
    ->ArgNames({"formulas", "draws", "kill"})
    ->Args({200, 3000, 1})
    ->Args({200, 20000, 1})
    ->Args({200, 20000, 0})
    ->Unit(benchmark::kMillisecond);

// Args: path (0 plain, 1 AVX2, 2 AVX-512). 2,000 column sums over 20,000 draws:
// the vector kernels name their numbers.
void BM_BackTestColumnSums(benchmark::State& state)
{
    const auto path = static_cast<KernelPath>(state.range(0));
    if (!SumKernels::runs(path)) {
        state.SkipWithError("this processor does not run the path");
        return;
    }
    const HistorySnapshot& history = snapshotOf(20000);
    const BackTestRequest request = requestOf(2000, true, true);
    for (auto _ : state)
        benchmark::DoNotOptimize(BackTest::run(history, request, {}, path)->tallies.data());
}
BENCHMARK(BM_BackTestColumnSums)->ArgNames({"path"})->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// "查询结果导出(&O)" of a whole list: 200 kill formulas over N draws, position 1.
void BM_HistoryListExport(benchmark::State& state)
{
    const HistorySnapshot& history = snapshotOf(static_cast<int>(state.range(0)));
    const auto result = std::make_shared<const BackTestResult>(*BackTest::run(history, requestOf(200, true)));
    const HistoryList list(result, 1);
    QTemporaryDir directory;
    for (auto _ : state)
        HistoryListExport::write(directory.filePath(HistoryListExport::listFileName()), list);
}
BENCHMARK(BM_HistoryListExport)->ArgNames({"draws"})->Arg(20000)->Unit(benchmark::kMillisecond);

struct StoredHistory {
    QTemporaryDir directory;
    std::unique_ptr<Database> db;
};

// The database way, whole: every replayed draw re-runs every formula's UPDATE over
// all draws and walks a fresh cursor to the replayed draw, then rewrites Errarr
// and reads it back ordered. Its cost grows with F × N × N: the counter gives the
// wall time of one (formula, draw) step at this N, for extrapolation.
void BM_BackTestDatabaseWay(benchmark::State& state)
{
    const int formulas = static_cast<int>(state.range(0));
    const int draws = static_cast<int>(state.range(1));
    StoredHistory stored;
    stored.db = std::make_unique<Database>(stored.directory.path());
    DrawStore(*stored.db, kLottery).addAll(demoDraws(draws));
    SqliteDatabase& sql = stored.db->sql();
    // No disk sync at commits: what is left is the work itself, a lower bound.
    sql.exec(QStringLiteral("PRAGMA synchronous = OFF"));
    const std::vector<FormulaRecord> list = randomFormulas(formulas, true);
    for (auto _ : state) {
        for (int c = 0; c < draws; ++c) {
            // One transaction per replayed draw, kinder than one per statement.
            SqliteDatabase::Transaction transaction(sql);
            std::array<int, 12> votes{};
            for (const FormulaRecord& formula : list) {
                // The bracketed column names and + * are SQLite too; Mod is %.
                sql.exec(QStringLiteral("UPDATE Lishi SET canshu = ") +
                         QString(formula.code).replace(QStringLiteral(" Mod "), QStringLiteral(" % ")));
                SqliteStatement cursor = sql.prepare(QStringLiteral("SELECT * FROM Lishi ORDER BY strQQH"));
                const int canshu = [&cursor] {
                    for (int i = 0; i < cursor.columnCount(); ++i)
                        if (cursor.columnName(i).compare(QStringLiteral("canshu"), Qt::CaseInsensitive) == 0)
                            return i;
                    return 0;
                }();
                for (int step = 0; step <= c; ++step)
                    cursor.next();
                const int n = FormulaScoring::namedNumber(cursor.real(canshu), 11);
                if (n > 0)
                    ++votes[static_cast<size_t>(n - 1)];
            }
            SqliteStatement update =
                sql.prepare(QStringLiteral("UPDATE Errarr SET ETrrcount = ?1, Errcount = ?1 WHERE num = ?2"));
            for (int n = 1; n <= 11; ++n) {
                update.bind(1, votes[static_cast<size_t>(n - 1)]).bind(2, n);
                update.run();
            }
            SqliteStatement ordered = sql.prepare(QStringLiteral("SELECT num FROM Errarr ORDER BY ETrrcount"));
            while (ordered.next())
                benchmark::DoNotOptimize(ordered.integer(0));
            transaction.commit();
        }
    }
    state.counters["per_step"] =
        benchmark::Counter(static_cast<double>(formulas) * draws,
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_BackTestDatabaseWay)
    ->ArgNames({"formulas", "draws"})
    ->Args({4, 100})
    ->Args({4, 200})
    ->Args({4, 400})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

} // namespace
