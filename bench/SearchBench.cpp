// Candidates per second of the formula search, against one candidate evaluated
// the old way inside SQLite (UPDATE canshu, a row walk writing PreCanshu, an
// UPDATE marking hits, a walk for the statistics).
#include "common/LotteryTable.h"
#include "common/WorkerPool.h"
#include "history/Database.h"
#include "history/DemoHistory.h"
#include "history/DrawAttributes.h"
#include "history/DrawStore.h"
#include "history/HistorySnapshot.h"
#include "history/IssueNumbers.h"
#include "history/SqliteDatabase.h"
#include "search/CandidateGenerator.h"
#include "search/CandidateScorer.h"
#include "search/DefaultBounds.h"
#include "search/SearchEngine.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

constexpr int kDraws = 3000;
constexpr int kOperands = 8;

std::vector<StoredDraw> demoDraws()
{
    const LotteryTable::Entry lottery = LotteryTable::entry(0);
    const int days = (kDraws + lottery.drawsPerDay - 1) / lottery.drawsPerDay;
    std::vector<StoredDraw> draws = DemoHistory::generate(lottery, days, 20261208, QDate(2026, 12, 1));
    draws.erase(draws.begin(), draws.end() - kDraws);
    return draws;
}

const HistorySnapshot& benchHistory()
{
    static const HistorySnapshot history = DemoHistory::snapshot(LotteryTable::entry(0), demoDraws());
    return history;
}

ScoringWindow benchWindow()
{
    ScoringWindow window;
    window.lookBack = 300;
    window.excludeCurrent = true;
    window.weighted = true;
    return window;
}

void searchCandidates(benchmark::State& state, int threads)
{
    const HistorySnapshot& history = benchHistory();
    const CandidateScorer scorer(history, FormulaKind(1, false).rule(11, true), benchWindow());
    const CandidateGenerator generator(42, kOperands, 0);
    const StatisticBounds bounds = DefaultBounds::builtIn().bounds(FormulaKind(1, false), true);
    SearchEngine engine(threads);
    constexpr std::uint64_t kBatch = 1 << 15;
    std::uint64_t next = 0;
    for (auto _ : state) {
        const SearchBatch batch = engine.search(generator, scorer, bounds, next, kBatch, ~std::uint64_t{0});
        benchmark::DoNotOptimize(batch.accepted.data());
        next += kBatch;
    }
    state.counters["threads"] = engine.threadCount();
    state.counters["candidates_per_s"] = benchmark::Counter(static_cast<double>(next), benchmark::Counter::kIsRate);
    state.counters["per_core"] =
        benchmark::Counter(static_cast<double>(next) / engine.threadCount(), benchmark::Counter::kIsRate);
}

void BM_SearchOneThread(benchmark::State& state) { searchCandidates(state, 1); }
void BM_SearchAllCores(benchmark::State& state) { searchCandidates(state, WorkerPool::coreCount()); }

// One candidate evaluated inside the database, statement by statement.
void BM_SqliteBaselineOneCandidate(benchmark::State& state)
{
    QTemporaryDir dir;
    Database db(dir.path());
    DrawStore(db, LotteryTable::entry(0)).addAll(demoDraws());
    SqliteDatabase& sql = db.sql();
    const CandidateGenerator generator(42, kOperands, 0);
    const ScoringWindow window = benchWindow();
    std::uint64_t index = 0;
    for (auto _ : state) {
        const QString code = CandidateGenerator::code(generator.generate(index++));
        sql.exec(QStringLiteral("UPDATE Lishi SET canshu=") + code);
        {
            SqliteDatabase::Transaction transaction(sql);
            SqliteStatement walk = sql.prepare(QStringLiteral("SELECT rowid, canshu FROM Lishi ORDER BY strQQH"));
            SqliteStatement write = sql.prepare(QStringLiteral("UPDATE Lishi SET PreCanshu = ?1 WHERE rowid = ?2"));
            bool havePrevious = false;
            std::int64_t previous = 0;
            while (walk.next()) {
                if (havePrevious) {
                    write.bind(1, previous).bind(2, walk.integer(0));
                    write.run();
                }
                const std::int64_t v = static_cast<std::int64_t>(walk.real(1));
                previous = v == 0 ? 0 : (v - 1) % 11 + 1;
                havePrevious = true;
            }
            transaction.commit();
        }
        sql.exec(QStringLiteral("UPDATE Lishi SET GSGL = 0"));
        sql.exec(QStringLiteral("UPDATE Lishi SET GSGL = 1 WHERE (PreCanshu <> L1A)"));
        const int rows = sql.scalar(QStringLiteral("SELECT COUNT(*) FROM Lishi")).toInt();
        SqliteStatement stats = sql.prepare(QStringLiteral("SELECT GSGL FROM Lishi ORDER BY strQQH"));
        int skip = std::max(1, rows - window.lookBack - 1);
        std::int64_t j = 0, hits = 0, total = 0;
        int hitRun = 0, missRun = 0, longestHit = 0, longestMiss = 0;
        while (stats.next()) {
            if (skip-- > 0)
                continue;
            ++j;
            total += j * j;
            if (stats.integer(0) != 0) {
                hits += j * j;
                missRun = 0;
                longestHit = std::max(longestHit, ++hitRun);
            } else {
                hitRun = 0;
                longestMiss = std::max(longestMiss, ++missRun);
            }
        }
        benchmark::DoNotOptimize(hits + total + longestHit + longestMiss);
    }
    state.counters["candidates_per_s"] = benchmark::Counter(static_cast<double>(index), benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK(BM_SearchOneThread)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SearchAllCores)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SqliteBaselineOneCandidate)->Unit(benchmark::kMillisecond)->UseRealTime();
