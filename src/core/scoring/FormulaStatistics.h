#pragma once

#include "scoring/FormulaKind.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

// A statistic of a formula, in the order of the list's columns. The first five
// are the scores the filter's and the search's bound boxes hold; the last two
// are the chance baseline beside them. All seven are ranking keys.
enum class StatisticKey { Rate, LongestMissRun, LongestHitRun, LastMissRun, LastHitRun, ExpectedRate, Z };
inline constexpr std::array<StatisticKey, 5> kStatisticKeys{StatisticKey::Rate, StatisticKey::LongestMissRun,
                                                            StatisticKey::LongestHitRun, StatisticKey::LastMissRun,
                                                            StatisticKey::LastHitRun};
inline constexpr std::array<StatisticKey, 7> kRankingKeys{StatisticKey::Rate,
                                                          StatisticKey::LongestMissRun,
                                                          StatisticKey::LongestHitRun,
                                                          StatisticKey::LastMissRun,
                                                          StatisticKey::LastHitRun,
                                                          StatisticKey::ExpectedRate,
                                                          StatisticKey::Z};

// The five scores of a formula over the counted draws, plus the weights behind
// the rate and the chance baseline of the same draws (ChanceBaseline).
struct FormulaStatistics {
    float rate = 0.0f; // sglGsRate: hitWeight / totalWeight * 100, single precision
    std::int64_t hitWeight = 0;
    std::int64_t totalWeight = 0;
    int longestMissRun = 0; // intGsErrCon  "最大连错"
    int longestHitRun = 0; // intGsTrueCon "最大连对"
    int lastMissRun = 0; // intGsErrLst  "最后连错"
    int lastHitRun = 0; // intGsTrueLst "最后连对"
    // "随机期望": the rate, in percent, that random draws would give these
    // predictions; "超随机Z": how many standard deviations the hit weight lies
    // above that. NaN until measured: stored rows do not keep them.
    double expectedRate = std::numeric_limits<double>::quiet_NaN();
    double z = std::numeric_limits<double>::quiet_NaN();

    bool hasChance() const { return !std::isnan(expectedRate); }

    // The statistic a key names, widened so every key compares alike (the rate
    // keeps its single-precision value). A chance figure not measured reads as
    // −∞, so it ranks below every measured one and sorting stays well ordered.
    double value(StatisticKey key) const
    {
        switch (key) {
        case StatisticKey::Rate: return static_cast<double>(rate);
        case StatisticKey::LongestMissRun: return longestMissRun;
        case StatisticKey::LongestHitRun: return longestHitRun;
        case StatisticKey::LastMissRun: return lastMissRun;
        case StatisticKey::LastHitRun: return lastHitRun;
        case StatisticKey::ExpectedRate: return orLowest(expectedRate);
        case StatisticKey::Z: return orLowest(z);
        }
        return 0.0;
    }

private:
    static double orLowest(double v) { return std::isnan(v) ? -std::numeric_limits<double>::infinity() : v; }
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

    // The rows [first, end) whose hits are counted, for a history of drawCount draws.
    std::pair<int, int> countedRows(int drawCount) const
    {
        if (drawCount <= 1)
            return {drawCount, drawCount};
        int skip = 1;
        if (lookBack > 0)
            skip = drawCount - (excludeCurrent ? lookBack : lookBack + 1);
        // The first draw has no prediction, so it never counts.
        return {skip > 1 ? skip : 1, drawCount};
    }
};
