#pragma once

#include "scoring/FormulaStatistics.h"

#include <QString>
#include <cstdint>
#include <utility>
#include <vector>

class CompiledFormula;
class HistorySnapshot;
class HitRule;

// Turning a formula's values into predictions, hits and the five statistics.
// The value on draw i predicts draw i+1; the first draw has no prediction.
// Hits are judged by HitRule, here, in the evaluation of a table and in the search.
class FormulaScoring {
public:
    // Nearest integer, ties to the even neighbour (2.5 → 2, 3.5 → 4).
    static std::int64_t roundHalfEven(double value);
    // Whether a value names a number at all: empty (NaN) and absurdly large values do not.
    static bool isFoldable(double value);
    // The "计算值" of the list: the latest unrounded value folded as (v − 1) Mod R + 1.
    static int nextNumber(double latestValue, int range);
    // The number 1..R a value names for the coming draw (its "计算值"), 0 when it
    // names none: the next-draw calculation and the back-test vote with it.
    static int namedNumber(double value, int range);

    // The rows [first, end) whose hits are counted, for a history of drawCount draws.
    static std::pair<int, int> countedRows(int drawCount, const ScoringWindow& window);

    // Scores a formula, evaluating only the rows the window needs.
    static FormulaStatistics score(const HistorySnapshot& history, const CompiledFormula& formula,
                                   const ScoringRule& rule, const ScoringWindow& window);
    // Scores from precomputed values: values[i] is the value on row i (all rows).
    static FormulaStatistics scoreValues(const HistorySnapshot& history, const std::vector<double>& values,
                                         const ScoringRule& rule, const ScoringWindow& window);
    // The statistics of the counted rows [first, end), judged by `hits` and
    // `range`, from the values of rows [first − 1, end − 1).
    static FormulaStatistics scorePredictions(const HitRule& hits, int range, const double* previousValues, int first,
                                              int end, bool weighted);
    // The statistics of the counted rows [first, end) from per-row hit flags (1 = hit).
    static FormulaStatistics tallyHits(const std::uint8_t* hits, int first, int end, bool weighted);

    // "02.9555% (10000/338350)"
    static QString rateCellText(const FormulaStatistics& statistics);
};
