#include "formula/TableScorer.h"

#include "formula/FormulaKind.h"
#include "formula/FormulaStore.h"
#include "history/Database.h"
#include "history/HistorySnapshot.h"

namespace {

// How many formulas are scored between two progress reports.
constexpr int kReportEvery = 32;

} // namespace

std::vector<ScoredFormula> TableScorer::score(const HistorySnapshot& history, const std::vector<FormulaRecord>& records,
                                              const ScoringRule& rule, const ScoringWindow& window,
                                              const ProgressCallback& progress)
{
    return score(history, records, rule, window, ResultColumnForm::None, progress).formulas;
}

TableScore TableScorer::score(const HistorySnapshot& history, const std::vector<FormulaRecord>& records,
                              const ScoringRule& rule, const ScoringWindow& window, ResultColumnForm columns,
                              const ProgressCallback& progress)
{
    const FormulaEvaluator evaluator(history, rule.kind, rule.range, window, FormulaEvaluator::pathFor(records.size()));
    TableScore result;
    result.formulas.reserve(records.size());
    const int total = static_cast<int>(records.size());
    for (const FormulaRecord& record : records) {
        const int done = static_cast<int>(result.formulas.size());
        if (done % kReportEvery == 0)
            reportProgress(progress, done, total);
        const bool withColumn = columns != ResultColumnForm::None && done < FormulaResultColumn::kMaxColumns;
        FormulaEvaluation evaluation = evaluator.evaluate(record, withColumn ? columns : ResultColumnForm::None);
        if (withColumn)
            result.columns.push_back(std::move(evaluation.column));
        result.formulas.push_back(std::move(evaluation.scored));
    }
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
