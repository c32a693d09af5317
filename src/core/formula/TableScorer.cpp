#include "formula/TableScorer.h"

#include "common/UserError.h"
#include "common/WorkerPool.h"
#include "formula/FormulaStore.h"
#include "history/Database.h"
#include "history/HistorySnapshot.h"
#include "scoring/FormulaKind.h"

#include <algorithm>
#include <atomic>
#include <optional>
#include <thread>

namespace {

// Formulas per piece of work; each piece ends with a progress report.
constexpr int kChunk = 64;
// Below this many formulas a second thread costs more than it saves.
constexpr int kParallelFrom = 256;

} // namespace

std::vector<ScoredFormula> TableScorer::score(const HistorySnapshot& history, const std::vector<FormulaRecord>& records,
                                              const ScoringRule& rule, const ScoringWindow& window,
                                              const ProgressCallback& progress)
{
    return score(history, records, rule, window, ResultColumnForm::None, progress).formulas;
}

TableScore TableScorer::score(const HistorySnapshot& history, const std::vector<FormulaRecord>& records,
                              const ScoringRule& rule, const ScoringWindow& window, ResultColumnForm columns,
                              const ProgressCallback& progress, int threads)
{
    const FormulaEvaluator evaluator(history, rule.kind, rule.range, window, FormulaEvaluator::pathFor(records.size()),
                                     columns);
    const int total = static_cast<int>(records.size());
    const int withColumns =
        columns == ResultColumnForm::None ? 0 : std::min(total, static_cast<int>(FormulaResultColumn::kMaxColumns));
    TableScore result;
    result.formulas.resize(records.size());
    result.columns.resize(static_cast<size_t>(withColumns));

    // Every formula is scored on its own into its own slot, so the result is
    // the same on any number of threads.
    const int chunks = (total + kChunk - 1) / kChunk;
    const int wanted = total < kParallelFrom ? 1 : std::min(threads > 0 ? threads : WorkerPool::coreCount(), chunks);
    std::optional<WorkerPool> pool;
    try {
        pool.emplace(wanted);
    } catch (const UserError&) {
        pool.emplace(1); // a thread the system refuses only makes the work slower
    }
    std::atomic<int> done{0};
    const std::thread::id caller = std::this_thread::get_id();
    reportProgress(progress, 0, total);
    pool->run(chunks, [&](int chunk) {
        const int from = chunk * kChunk;
        const int to = std::min(total, from + kChunk);
        for (int i = from; i < to; ++i) {
            const auto slot = static_cast<size_t>(i);
            const bool withColumn = i < withColumns;
            FormulaEvaluation evaluation =
                evaluator.evaluate(records[slot], withColumn ? columns : ResultColumnForm::None);
            if (withColumn)
                result.columns[slot] = std::move(evaluation.column);
            result.formulas[slot] = std::move(evaluation.scored);
        }
        const int finished = done.fetch_add(to - from) + (to - from);
        // Only the thread that asked hears of progress, and may stop the work.
        if (std::this_thread::get_id() == caller)
            reportProgress(progress, finished, total);
    });
    reportProgress(progress, total, total);
    return result;
}

void TableScorer::store(Database& db, const QString& table, const std::vector<ScoredFormula>& scored)
{
    std::vector<std::pair<int, std::optional<FormulaStatistics>>> scores;
    scores.reserve(scored.size());
    for (const ScoredFormula& formula : scored)
        scores.emplace_back(formula.record.idx,
                            formula.evaluable ? std::optional(formula.record.statistics) : std::nullopt);
    FormulaStore(db).storeScores(table, scores);
}

std::vector<ScoredFormula> TableScorer::scoreTable(Database& db, const HistorySnapshot& history, const QString& table,
                                                   bool kill, int range, const ScoringWindow& window,
                                                   const ProgressCallback& progress)
{
    const FormulaKind kind = FormulaKind::ofTable(table);
    const std::vector<FormulaRecord> records = FormulaStore(db).list(kind.tableName(), kill);
    std::vector<ScoredFormula> scored = score(history, records, kind.rule(range, kill), window, progress);
    store(db, kind.tableName(), scored);
    return scored;
}
