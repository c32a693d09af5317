#pragma once

#include "analysis/BackTest.h"
#include "scoring/FormulaKind.h"
#include "scoring/FormulaStatistics.h"

#include <QString>
#include <optional>
#include <vector>

// What to replay walking forward: the formulas of the plain back-test, the
// kind whose hits score them, how many draws before each replayed draw score
// them (0: every earlier draw), the statistic that ranks them and how many of
// the best vote.
struct WalkForwardRequest {
    BackTestRequest backTest;
    FormulaKind kind = FormulaKind(1, false);
    int lookBack = 300;
    bool weighted = true;
    StatisticKey rankBy = StatisticKey::Rate;
    int top = 20;
    QString from; // issue of the first replayed draw; empty: the first with lookBack draws before it
};

// The replay: backTest holds the votes made on the draw before the first
// replayed one up to the latest draw (row j's vote is for the draw after it),
// so HistoryList and RankHistogram read it as they read the plain back-test.
struct WalkForwardResult {
    BackTestResult backTest;
    int lookBack = 0;
    StatisticKey rankBy = StatisticKey::Rate;
    int top = 0;
    QString from; // the first replayed draw
    int firstRow = 0; // the history row of backTest's first row
    std::vector<std::vector<int>> voters; // per row of backTest: the voting formulas' idx, ascending
};

// The back-test a user could have run day by day: the vote on each draw d is
// made by the `top` formulas that ranked best over the lookBack draws before d,
// and by nothing that was drawn on or after d. Each formula is evaluated once
// over the whole history; its hits then slide through the window (WindowRanker),
// so a replay costs about one pass per draw over the formulas' running counts.
// The chosen formulas vote in idx order as in the plain back-test, which this
// equals when `top` covers every formula.
class WalkForward {
public:
    using Progress = BackTest::Progress;

    // Nothing when `progress` stopped the run. Raises UserError for a bad range,
    // look-back, top or an issue not in the history.
    static std::optional<WalkForwardResult> run(const HistorySnapshot& history, const WalkForwardRequest& request,
                                                const Progress& progress = {});
    // The history row of the first replayed draw.
    static int firstReplayed(const HistorySnapshot& history, const WalkForwardRequest& request);
};
