// Scoring formulas in memory against the database way of doing it: one UPDATE
// of canshu per formula, a row walk writing PreCanshu, the marking UPDATE and
// the statistics walk, all in SQLite on a real file.
#include "formula/CompiledFormula.h"
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

struct BenchHistory {
    QTemporaryDir directory;
    std::unique_ptr<Database> db;
    HistorySnapshot history;
};

// Stored once per size: a real formula.mdb with N demo draws and its snapshot.
BenchHistory& historyOf(int draws)
{
    static std::map<int, std::unique_ptr<BenchHistory>> cache;
    std::unique_ptr<BenchHistory>& slot = cache[draws];
    if (!slot) {
        slot = std::make_unique<BenchHistory>();
        slot->db = std::make_unique<Database>(slot->directory.path());
        const LotteryTable::Entry lottery = LotteryTable::entry(0);
        const int days = draws / lottery.drawsPerDay + 1;
        std::vector<StoredDraw> all = DemoHistory::generate(lottery, days, 99, QDate(2026, 1, 1));
        all.resize(static_cast<size_t>(draws));
        DrawStore(*slot->db, lottery).addAll(all);
        slot->history = HistorySnapshot::load(slot->db->sql());
    }
    return *slot;
}

// Sums of 2..8 bracketed columns plus a constant, as the search writes them.
std::vector<QString> randomFormulas(int count, std::uint64_t seed, int fixedTerms = 0)
{
    std::mt19937_64 random(seed);
    std::uniform_int_distribution<int> column(0, AttributeCatalog::kCount - 1);
    std::uniform_int_distribution<int> termCount(2, 8);
    std::uniform_int_distribution<int> constant(0, 10);
    std::vector<QString> formulas;
    for (int f = 0; f < count; ++f) {
        QString code;
        const int terms = fixedTerms > 0 ? fixedTerms : termCount(random);
        for (int t = 0; t < terms; ++t)
            code += QStringLiteral("[%1]+").arg(AttributeCatalog::code(column(random)));
        formulas.push_back(code + QString::number(constant(random)));
    }
    return formulas;
}

const ScoringRule kRule = FormulaKind(3, false).rule(11, true);

// A table of F formulas over N draws, every draw counted, weighted: compile and score.
void BM_ScoreFormulas(benchmark::State& state)
{
    const int formulaCount = static_cast<int>(state.range(0));
    const HistorySnapshot& history = historyOf(static_cast<int>(state.range(1))).history;
    const std::vector<QString> formulas = randomFormulas(formulaCount, 7);
    const ScoringWindow window{0, true, true};
    for (auto _ : state) {
        std::int64_t hits = 0;
        for (const QString& code : formulas)
            hits += FormulaScoring::score(history, CompiledFormula::compile(code), kRule, window).hitWeight;
        benchmark::DoNotOptimize(hits);
    }
    state.counters["per_formula"] = benchmark::Counter(
        static_cast<double>(formulaCount), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ScoreFormulas)->Args({1000, 3000})->Args({1000, 20000})->Unit(benchmark::kMillisecond);

// One search candidate: an 8-term column sum scored over a window of W draws (0 = all) at N = 3000.
void BM_ColumnSumCandidate(benchmark::State& state)
{
    const HistorySnapshot& history = historyOf(3000).history;
    std::mt19937_64 random(3);
    std::uniform_int_distribution<int> column(0, AttributeCatalog::kCount - 1);
    std::vector<CompiledFormula> candidates;
    for (int c = 0; c < 64; ++c) {
        std::vector<int> attributes;
        for (int t = 0; t < 8; ++t)
            attributes.push_back(column(random));
        candidates.push_back(CompiledFormula::columnSum(attributes, 2.0));
    }
    const ScoringWindow window{static_cast<int>(state.range(0)), true, true};
    size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(FormulaScoring::score(history, candidates[next], kRule, window));
        next = (next + 1) % candidates.size();
    }
}
BENCHMARK(BM_ColumnSumCandidate)->Arg(300)->Arg(0)->Unit(benchmark::kMicrosecond);

// The same 8-term sum the in-memory way, including compiling its code text, for the ratio.
void BM_InMemoryFormula(benchmark::State& state)
{
    const HistorySnapshot& history = historyOf(static_cast<int>(state.range(0))).history;
    const std::vector<QString> formulas = randomFormulas(64, 11, 8);
    const ScoringWindow window{0, true, true};
    size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            FormulaScoring::score(history, CompiledFormula::compile(formulas[next]), kRule, window));
        next = (next + 1) % formulas.size();
    }
}
BENCHMARK(BM_InMemoryFormula)->Arg(3000)->Unit(benchmark::kMicrosecond);

// The database way, one formula per iteration, each in its own transaction.
void BM_SqliteFormula(benchmark::State& state)
{
    BenchHistory& bench = historyOf(static_cast<int>(state.range(0)));
    SqliteDatabase& sql = bench.db->sql();
    const std::vector<QString> formulas = randomFormulas(64, 11, 8);
    size_t next = 0;
    for (auto _ : state) {
        SqliteDatabase::Transaction transaction(sql);
        // Column names in brackets are SQLite identifiers too.
        sql.exec(QStringLiteral("UPDATE Lishi SET canshu = ") + formulas[next]);
        {
            SqliteStatement walk = sql.prepare(QStringLiteral("SELECT rowid, canshu FROM Lishi ORDER BY strQQH"));
            SqliteStatement carry = sql.prepare(QStringLiteral("UPDATE Lishi SET PreCanshu = ?1 WHERE rowid = ?2"));
            bool first = true;
            std::int64_t remembered = 0;
            while (walk.next()) {
                if (!first) {
                    carry.bind(1, remembered).bind(2, walk.integer(0));
                    carry.run();
                }
                remembered = FormulaScoring::roundHalfEven(walk.real(1));
                first = false;
            }
        }
        sql.exec(QStringLiteral("UPDATE Lishi SET GSCS = 0"));
        sql.exec(QStringLiteral("UPDATE Lishi SET GSCS = 1 WHERE ((((PreCanshu - 1) % 11) + 1) <> L3A)"));
        FormulaStatistics s;
        {
            SqliteStatement marks = sql.prepare(QStringLiteral("SELECT GSCS FROM Lishi ORDER BY strQQH"));
            marks.next(); // the first draw has no prediction
            std::int64_t j = 0;
            int hitRun = 0;
            int missRun = 0;
            while (marks.next()) {
                ++j;
                s.totalWeight += j * j;
                if (marks.integer(0) != 0) {
                    s.hitWeight += j * j;
                    missRun = 0;
                    s.longestHitRun = std::max(s.longestHitRun, ++hitRun);
                } else {
                    hitRun = 0;
                    s.longestMissRun = std::max(s.longestMissRun, ++missRun);
                }
            }
            s.lastHitRun = hitRun;
            s.lastMissRun = missRun;
        }
        transaction.commit();
        benchmark::DoNotOptimize(s);
        next = (next + 1) % formulas.size();
    }
}
BENCHMARK(BM_SqliteFormula)->Arg(3000)->Unit(benchmark::kMillisecond);

} // namespace
