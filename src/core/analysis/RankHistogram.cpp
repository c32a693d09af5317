#include "analysis/RankHistogram.h"

#include "analysis/HistoryList.h"

RankHistogram RankHistogram::of(const HistoryList& list)
{
    RankHistogram histogram;
    const int range = list.range();
    histogram.counts.assign(static_cast<size_t>(range), 0);
    const BackTestResult& result = list.result();
    for (int r = 0; r < list.rowCount(); ++r) {
        const HistoryListRow& row = list.row(r);
        if (!row.rank)
            continue;
        ++histogram.counts[static_cast<size_t>(*row.rank - 1)];
        ++histogram.rows;
        if (row.group == 1)
            ++histogram.lowestGroupHits;
        const int lowest = result.tally(row.draw, result.rankedNumber(row.draw, 1)).vote;
        int size = 0;
        for (int rank = 1; rank <= range && result.tally(row.draw, result.rankedNumber(row.draw, rank)).vote == lowest;
             ++rank)
            ++size;
        histogram.lowestGroupExpected += static_cast<double>(size) / range;
    }
    histogram.uniformity = ChiSquareTest::againstUniform(histogram.counts);
    return histogram;
}
