#include "formula/TableScorer.h"

#include "formula/CompiledFormula.h"
#include "formula/FormulaError.h"
#include "formula/FormulaScoring.h"
#include "formula/FormulaStore.h"
#include "history/Database.h"
#include "history/HistorySnapshot.h"

std::vector<ScoredFormula> TableScorer::scoreTable(Database& db, const HistorySnapshot& history, const QString& table,
                                                   bool kill, int range, const ScoringWindow& window)
{
    const QString name = Database::canonicalFormulaTable(table);
    FormulaStore store(db);
    const std::vector<FormulaRecord> records = store.list(table, kill); // refuses unknown tables

    ScoringRule rule;
    rule.range = range;
    rule.position = name.mid(7, 1).toInt();
    rule.group = name.endsWith(u'G');
    rule.kill = kill;

    std::vector<ScoredFormula> scored;
    scored.reserve(records.size());
    std::vector<std::pair<int, std::optional<FormulaStatistics>>> scores;
    scores.reserve(records.size());
    const int latest = history.size() - 1;
    for (const FormulaRecord& record : records) {
        ScoredFormula result;
        result.record = record;
        result.record.statistics = {};
        try {
            const CompiledFormula formula = CompiledFormula::compile(record.code);
            result.record.statistics = FormulaScoring::score(history, formula, rule, window);
            result.latestValue = formula.evaluateRow(history, latest);
            if (FormulaScoring::isFoldable(result.latestValue))
                result.nextNumber = FormulaScoring::nextNumber(result.latestValue, range);
            result.rateText = FormulaScoring::rateCellText(result.record.statistics);
            scores.emplace_back(record.idx, result.record.statistics);
        } catch (const FormulaError& e) {
            // Stored before validation existed, or edited by hand: marked, never scored.
            result.evaluable = false;
            result.error = e.detail();
            scores.emplace_back(record.idx, std::nullopt);
        }
        scored.push_back(result);
    }
    store.storeScores(name, scores);
    return scored;
}
