#pragma once

#include "formula/FormulaStatistics.h"

#include <QString>
#include <cstdint>
#include <utility>
#include <vector>

class CompiledFormula;
class HistorySnapshot;

// Turning a formula's values into predictions, hits and the five statistics.
// The value on draw i predicts draw i+1; the first draw has no prediction.
class FormulaScoring {
public:
    // Nearest integer, ties to the even neighbour (2.5 → 2, 3.5 → 4).
    static std::int64_t roundHalfEven(double value);
    // ((value − 1) Mod R) + 1 with the dividend's sign: 0 and below never match a number.
    static int fold(std::int64_t value, int range);
    // The number a draw's value predicts for the next draw (via PreCanshu rounding); 0 when empty.
    static int predictedNumber(double value, int range);
    // Whether a value names a number at all: empty (NaN) and absurdly large values do not.
    static bool isFoldable(double value);
    // The "计算值" of the list: the latest unrounded value folded as (v − 1) Mod R + 1.
    static int nextNumber(double latestValue, int range);

    // The rows [first, end) whose hits are counted, for a history of drawCount draws.
    static std::pair<int, int> countedRows(int drawCount, const ScoringWindow& window);
    // Kill: the number is absent (direct: at position P; group: among positions 1..P).
    // Keep: the number is present there.
    // Callers holding values should prefer isHitValue: an empty value (NaN, from a
    // division or Mod by zero) is a miss for kill and keep alike, whereas a
    // predicted 0 from a value of 0 is a kill hit.
    static bool isHit(int predicted, const HistorySnapshot& history, int row, const ScoringRule& rule);
    // Whether the value of row-1 (previousValue) came true on `row`; empty values miss.
    static bool isHitValue(double previousValue, const HistorySnapshot& history, int row, const ScoringRule& rule);

    // Scores a formula, evaluating only the rows the window needs.
    static FormulaStatistics score(const HistorySnapshot& history, const CompiledFormula& formula,
                                   const ScoringRule& rule, const ScoringWindow& window);
    // Scores from precomputed values: values[i] is the value on row i (all rows).
    static FormulaStatistics scoreValues(const HistorySnapshot& history, const std::vector<double>& values,
                                         const ScoringRule& rule, const ScoringWindow& window);

    // "02.9555% (10000/338350)"
    static QString rateCellText(const FormulaStatistics& statistics);
};
