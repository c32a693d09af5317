#include "formula/TableScorer.h"

#include "formula/CompiledFormula.h"
#include "formula/FormulaError.h"
#include "formula/FormulaScoring.h"
#include "formula/FormulaStore.h"
#include "history/Database.h"
#include "history/HistorySnapshot.h"

namespace {

// How many formulas are scored between two progress reports.
constexpr int kReportEvery = 32;

} // namespace

ScoringRule TableScorer::ruleOf(const QString& table, bool kill, int range)
{
    const QString name = Database::canonicalFormulaTable(table);
    ScoringRule rule;
    rule.range = range;
    rule.position = name.mid(7, 1).toInt();
    rule.group = name.endsWith(u'G');
    rule.kill = kill;
    return rule;
}

std::vector<ScoredFormula> TableScorer::score(const HistorySnapshot& history, const std::vector<FormulaRecord>& records,
                                              const ScoringRule& rule, const ScoringWindow& window,
                                              const ProgressCallback& progress)
{
    std::vector<ScoredFormula> scored;
    scored.reserve(records.size());
    const int latest = history.size() - 1;
    const int total = static_cast<int>(records.size());
    for (const FormulaRecord& record : records) {
        if (static_cast<int>(scored.size()) % kReportEvery == 0)
            reportProgress(progress, static_cast<int>(scored.size()), total);
        ScoredFormula result;
        result.record = record;
        result.record.statistics = {};
        try {
            const CompiledFormula formula = CompiledFormula::compile(record.code);
            result.record.statistics = FormulaScoring::score(history, formula, rule, window);
            result.latestValue = formula.evaluateRow(history, latest);
            if (FormulaScoring::isFoldable(result.latestValue))
                result.nextNumber = FormulaScoring::nextNumber(result.latestValue, rule.range);
            result.rateText = FormulaScoring::rateCellText(result.record.statistics);
        } catch (const FormulaError& e) {
            // Stored before validation existed, or edited by hand: marked, never scored.
            result.evaluable = false;
            result.error = e.detail();
        }
        scored.push_back(std::move(result));
    }
    reportProgress(progress, total, total);
    return scored;
}

void TableScorer::store(Database& db, const QString& table, const std::vector<ScoredFormula>& scored)
{
    std::vector<std::pair<int, std::optional<FormulaStatistics>>> scores;
    scores.reserve(scored.size());
    for (const ScoredFormula& formula : scored)
        scores.emplace_back(formula.record.idx,
                            formula.evaluable ? std::optional(formula.record.statistics) : std::nullopt);
    FormulaStore(db).storeScores(Database::canonicalFormulaTable(table), scores);
}

std::vector<ScoredFormula> TableScorer::scoreTable(Database& db, const HistorySnapshot& history, const QString& table,
                                                   bool kill, int range, const ScoringWindow& window,
                                                   const ProgressCallback& progress)
{
    const std::vector<FormulaRecord> records = FormulaStore(db).list(table, kill); // refuses unknown tables
    std::vector<ScoredFormula> scored = score(history, records, ruleOf(table, kill, range), window, progress);
    store(db, table, scored);
    return scored;
}
