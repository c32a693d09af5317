#pragma once

#include "common/Progress.h"
#include "formula/FormulaRecord.h"
#include "formula/FormulaStatistics.h"

#include <QString>
#include <limits>
#include <optional>
#include <vector>

class Database;
class HistorySnapshot;

// The result of scoring one listed formula.
struct ScoredFormula {
    FormulaRecord record; // statistics filled when it could be evaluated
    bool evaluable = true; // false: the code form does not compile; not scored
    QString error; // why it could not be evaluated
    double latestValue = std::numeric_limits<double>::quiet_NaN(); // value on the latest draw; NaN when empty
    // "计算值": the latest value folded into the range; nothing when the formula
    // has no value there (not scored yet, not evaluable, or a division by zero).
    std::optional<int> nextNumber;
    QString rateText; // "02.9555% (10000/338350)"
};

// Yansuan's engine: evaluates every formula of a table that has the shown
// kill/keep flag over the history, scores it and writes each formula's
// statistics into its own row, all in one transaction.
class TableScorer {
public:
    // Lists, scores and stores. `progress` hears once per batch of formulas and
    // may stop the work (WorkCancelled) before anything is written.
    static std::vector<ScoredFormula> scoreTable(Database& db, const HistorySnapshot& history, const QString& table,
                                                 bool kill, int range, const ScoringWindow& window,
                                                 const ProgressCallback& progress = {});
    // Scores formulas in memory; nothing is read or written.
    static std::vector<ScoredFormula> score(const HistorySnapshot& history, const std::vector<FormulaRecord>& records,
                                            const ScoringRule& rule, const ScoringWindow& window,
                                            const ProgressCallback& progress = {});
    // Writes the scores into each formula's own row in one transaction; a formula
    // that could not be evaluated gets its statistics cleared.
    static void store(Database& db, const QString& table, const std::vector<ScoredFormula>& scored);
    // The rule that judges the formulas of a table with the given flag.
    static ScoringRule ruleOf(const QString& table, bool kill, int range);
};
