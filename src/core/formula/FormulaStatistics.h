#pragma once

#include <cstdint>

// The five scores of a formula over the counted draws, plus the weights behind the rate.
struct FormulaStatistics {
    float rate = 0.0f; // sglGsRate: hitWeight / totalWeight * 100, single precision
    std::int64_t hitWeight = 0;
    std::int64_t totalWeight = 0;
    int longestMissRun = 0; // intGsErrCon  "最大连错"
    int longestHitRun = 0; // intGsTrueCon "最大连对"
    int lastMissRun = 0; // intGsErrLst  "最后连错"
    int lastHitRun = 0; // intGsTrueLst "最后连对"
};

// How hits are judged: range R (11 or 12), target position, group rule, kill or keep.
struct ScoringRule {
    int range = 11;
    int position = 1;
    bool group = false;
    bool kill = true;
};

// Which draws count and how: lookBack W (0 = all), SyBq, ZqlJq.
struct ScoringWindow {
    int lookBack = 300;
    bool excludeCurrent = true;
    bool weighted = true;
};
