#pragma once

#include "common/Progress.h"
#include "formula/FormulaEvaluator.h"
#include "formula/FormulaRecord.h"
#include "formula/FormulaResultColumn.h"
#include "formula/ScoredFormula.h"
#include "scoring/FormulaStatistics.h"

#include <QString>
#include <vector>

class Database;
class HistorySnapshot;

// A scored table: every listed formula, and the result columns of the first
// FormulaResultColumn::kMaxColumns of them when they were asked for.
struct TableScore {
    std::vector<ScoredFormula> formulas;
    std::vector<FormulaResultColumn> columns;
};

// Yansuan's engine: evaluates every formula of a table that has the shown
// kill/keep flag over the history, once, scores it and writes each formula's
// statistics into its own row, all in one transaction.
class TableScorer {
public:
    // Lists, scores and stores. `progress` hears once per batch of formulas and
    // may stop the work (WorkCancelled) before anything is written.
    static std::vector<ScoredFormula> scoreTable(Database& db, const HistorySnapshot& history, const QString& table,
                                                 bool kill, int range, const ScoringWindow& window,
                                                 const ProgressCallback& progress = {});
    // Scores formulas in memory; nothing is read or written. Each formula is
    // judged by `rule`'s kind and range and its own kill flag.
    static std::vector<ScoredFormula> score(const HistorySnapshot& history, const std::vector<FormulaRecord>& records,
                                            const ScoringRule& rule, const ScoringWindow& window,
                                            const ProgressCallback& progress = {});
    // As above; the history grid's result columns come from the same evaluation.
    // Large tables are shared among `threads` threads (0: one per core).
    static TableScore score(const HistorySnapshot& history, const std::vector<FormulaRecord>& records,
                            const ScoringRule& rule, const ScoringWindow& window, ResultColumnForm columns,
                            const ProgressCallback& progress = {}, int threads = 0);
    // Writes the scores into each formula's own row in one transaction; a formula
    // that could not be evaluated gets its statistics cleared.
    static void store(Database& db, const QString& table, const std::vector<ScoredFormula>& scored);
};
