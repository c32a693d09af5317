#pragma once

#include "scoring/FormulaStatistics.h"

#include <algorithm>
#include <cstdint>

// Hits and misses of the counted draws, in draw order: the hit weight and the
// longest and latest runs. Branch-free, because hits and misses come in no
// predictable order and this is the innermost loop of scoring and search.
class RunTally {
public:
    // `hit` is 1 for a hit, 0 for a miss.
    void add(std::uint32_t hit, std::int64_t weight)
    {
        const std::int64_t mask = -static_cast<std::int64_t>(hit); // all ones on a hit
        const int runMask = static_cast<int>(mask);
        m_hitWeight += weight & mask;
        m_hitRun = (m_hitRun + 1) & runMask;
        m_missRun = (m_missRun + 1) & ~runMask;
        m_longestHit = std::max(m_longestHit, m_hitRun);
        m_longestMiss = std::max(m_longestMiss, m_missRun);
    }

    // The statistics, with the rate as hit weight / total weight × 100 in single precision.
    FormulaStatistics finish(std::int64_t totalWeight) const
    {
        FormulaStatistics s;
        s.hitWeight = m_hitWeight;
        s.totalWeight = totalWeight;
        s.longestHitRun = m_longestHit;
        s.longestMissRun = m_longestMiss;
        s.lastHitRun = m_hitRun;
        s.lastMissRun = m_missRun;
        s.rate = rateOf(m_hitWeight, totalWeight);
        return s;
    }

    // hitWeight / totalWeight × 100 in single precision (0 with no weight). It
    // never falls as the hit weight grows, so a rate test is a hit weight interval.
    static float rateOf(std::int64_t hitWeight, std::int64_t totalWeight)
    {
        if (totalWeight <= 0)
            return 0.0f;
        return static_cast<float>(static_cast<double>(hitWeight) / static_cast<double>(totalWeight) * 100.0);
    }

private:
    std::int64_t m_hitWeight = 0;
    int m_hitRun = 0;
    int m_missRun = 0;
    int m_longestHit = 0;
    int m_longestMiss = 0;
};
