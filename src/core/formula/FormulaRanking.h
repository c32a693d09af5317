#pragma once

#include "formula/ScoredFormula.h"
#include "scoring/FormulaStatistics.h"

#include <vector>

// Ranking of the formula list by one of its statistics (grid columns 5..11:
// rate, longest miss run, longest hit run, last miss run, last hit run,
// expected rate and z of the chance baseline).
class FormulaRanking {
public:
    static constexpr int kFirstStatisticColumn = 5;
    static bool isStatisticColumn(int column)
    {
        return column >= kFirstStatisticColumn &&
               column < kFirstStatisticColumn + static_cast<int>(kRankingKeys.size());
    }
    // The statistic a grid column shows (a statistic column only).
    static StatisticKey keyOf(int column) { return static_cast<StatisticKey>(column - kFirstStatisticColumn); }
    // The statistic a column shows, as a number to sort by; 0 for other columns.
    static double key(const FormulaRecord& record, int column);
    // Ascending by the column's statistic, ties in idx order; other columns leave
    // the list as it is.
    static void rank(std::vector<ScoredFormula>& formulas, int column);
};
