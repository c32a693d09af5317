#pragma once

#include "scoring/FormulaStatistics.h"

#include <array>
#include <cstdint>

class StatisticBounds;

// StatisticBounds over one total weight, as whole numbers: the rate test is an
// interval of hit weight (the rate never falls as the hit weight grows) and
// each run test an interval of run lengths. For statistics over that total,
// accepts() answers exactly as StatisticBounds::accepts; the kernels reject on
// these intervals, and the bounds themselves still judge every survivor.
class IntegerBounds {
public:
    static IntegerBounds of(const StatisticBounds& bounds, std::int64_t totalWeight);

    std::int64_t hitLow() const { return m_hitLow; }
    std::int64_t hitHigh() const { return m_hitHigh; }
    // Empty (low > high) when no length passes. Never negative.
    int low(StatisticKey key) const { return m_low[slot(key)]; }
    int high(StatisticKey key) const { return m_high[slot(key)]; }

    bool accepts(const FormulaStatistics& statistics) const;

private:
    static size_t slot(StatisticKey key) { return static_cast<size_t>(key) - 1; }

    std::int64_t m_hitLow = 0;
    std::int64_t m_hitHigh = -1;
    std::array<int, 4> m_low{};
    std::array<int, 4> m_high{};
};
