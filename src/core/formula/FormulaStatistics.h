#pragma once

#include "formula/FormulaKind.h"

#include <array>
#include <cstdint>

// One of the five statistics of a formula, in the order of the list's columns,
// the filter's and the search's bound boxes and the sort dialog's keys.
enum class StatisticKey { Rate, LongestMissRun, LongestHitRun, LastMissRun, LastHitRun };
inline constexpr std::array<StatisticKey, 5> kStatisticKeys{StatisticKey::Rate, StatisticKey::LongestMissRun,
                                                            StatisticKey::LongestHitRun, StatisticKey::LastMissRun,
                                                            StatisticKey::LastHitRun};

// The five scores of a formula over the counted draws, plus the weights behind the rate.
struct FormulaStatistics {
    float rate = 0.0f; // sglGsRate: hitWeight / totalWeight * 100, single precision
    std::int64_t hitWeight = 0;
    std::int64_t totalWeight = 0;
    int longestMissRun = 0; // intGsErrCon  "最大连错"
    int longestHitRun = 0; // intGsTrueCon "最大连对"
    int lastMissRun = 0; // intGsErrLst  "最后连错"
    int lastHitRun = 0; // intGsTrueLst "最后连对"

    // The statistic a key names, widened so every key compares alike (the rate
    // keeps its single-precision value).
    double value(StatisticKey key) const
    {
        switch (key) {
        case StatisticKey::Rate: return static_cast<double>(rate);
        case StatisticKey::LongestMissRun: return longestMissRun;
        case StatisticKey::LongestHitRun: return longestHitRun;
        case StatisticKey::LastMissRun: return lastMissRun;
        case StatisticKey::LastHitRun: return lastHitRun;
        }
        return 0.0;
    }
};

// How hits are judged: range R (11 or 12), the kind (target position, direct
// or group), kill or keep. Made by FormulaKind::rule.
struct ScoringRule {
    int range = 11;
    FormulaKind kind;
    bool kill = true;
};

// Which draws count and how: lookBack W (0 = all), SyBq, ZqlJq.
struct ScoringWindow {
    int lookBack = 300;
    bool excludeCurrent = true;
    bool weighted = true;
};
