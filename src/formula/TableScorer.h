#pragma once

#include "formula/FormulaRecord.h"
#include "formula/FormulaStatistics.h"

#include <QString>
#include <optional>
#include <vector>

class Database;
class HistorySnapshot;

// The result of scoring one listed formula.
struct ScoredFormula {
    FormulaRecord record;       // statistics filled when it could be evaluated
    bool evaluable = true;      // false: the code form does not compile; not scored
    QString error;              // why it could not be evaluated
    double latestValue = 0.0;   // value on the latest draw (NaN when empty)
    int nextNumber = 0;         // "计算值": the number named for the coming draw
    QString rateText;           // "02.9555% (10000/338350)"
};

// Yansuan's engine: evaluates every formula of a table that has the shown
// kill/keep flag over the history, scores it and writes each formula's
// statistics into its own row, all in one transaction.
class TableScorer {
public:
    static std::vector<ScoredFormula> scoreTable(Database& db, const HistorySnapshot& history, const QString& table,
                                                 bool kill, int range, const ScoringWindow& window);
};
