#include "formula/FormulaRanking.h"

#include <algorithm>

double FormulaRanking::key(const FormulaRecord& record, int column)
{
    return isStatisticColumn(column) ? record.statistics.value(keyOf(column)) : 0.0;
}

void FormulaRanking::rank(std::vector<ScoredFormula>& formulas, int column)
{
    if (!isStatisticColumn(column))
        return;
    const StatisticKey statistic = keyOf(column);
    std::sort(formulas.begin(), formulas.end(), [statistic](const ScoredFormula& a, const ScoredFormula& b) {
        const double ka = a.record.statistics.value(statistic);
        const double kb = b.record.statistics.value(statistic);
        if (ka != kb)
            return ka < kb;
        return a.record.idx < b.record.idx;
    });
}
