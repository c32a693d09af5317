#include "formula/FormulaRanking.h"

#include <algorithm>

double FormulaRanking::key(const FormulaRecord& record, int column)
{
    const FormulaStatistics& s = record.statistics;
    switch (column) {
    case 5: return static_cast<double>(s.rate);
    case 6: return s.longestMissRun;
    case 7: return s.longestHitRun;
    case 8: return s.lastMissRun;
    case 9: return s.lastHitRun;
    default: return 0.0;
    }
}

void FormulaRanking::rank(std::vector<ScoredFormula>& formulas, int column)
{
    if (!isStatisticColumn(column))
        return;
    std::sort(formulas.begin(), formulas.end(), [column](const ScoredFormula& a, const ScoredFormula& b) {
        const double ka = key(a.record, column);
        const double kb = key(b.record, column);
        if (ka != kb)
            return ka < kb;
        return a.record.idx < b.record.idx;
    });
}
