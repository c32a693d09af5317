#pragma once

#include "formula/TableScorer.h"

#include <vector>

// Ranking of the formula list by one of its five statistics (grid columns 5..9:
// rate, longest miss run, longest hit run, last miss run, last hit run).
class FormulaRanking {
public:
    static constexpr int kFirstStatisticColumn = 5;
    static bool isStatisticColumn(int column) { return column >= kFirstStatisticColumn && column <= 9; }
    // The statistic a column shows, as a number to sort by.
    static double key(const FormulaRecord& record, int column);
    // Ascending by the column's statistic, ties in idx order; other columns leave
    // the list as it is.
    static void rank(std::vector<ScoredFormula>& formulas, int column);
};
