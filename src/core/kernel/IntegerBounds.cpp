#include "kernel/IntegerBounds.h"

#include "scoring/RunTally.h"
#include "scoring/StatisticBounds.h"

#include <cmath>
#include <limits>

namespace {

constexpr int kLongest = std::numeric_limits<int>::max();

// The first h in [0, total] where `passes` (false, then true) holds; total + 1 when none.
template <typename Predicate>
std::int64_t firstPassing(std::int64_t total, Predicate passes)
{
    std::int64_t low = 0;
    std::int64_t high = total + 1;
    while (low < high) {
        const std::int64_t mid = low + (high - low) / 2;
        if (passes(mid))
            high = mid;
        else
            low = mid + 1;
    }
    return low;
}

} // namespace

IntegerBounds IntegerBounds::of(const StatisticBounds& bounds, std::int64_t totalWeight)
{
    IntegerBounds result;
    // The same single-precision limits StatisticBounds::accepts compares with.
    const float rateLower = static_cast<float>(bounds.lower(StatisticKey::Rate) - StatisticBounds::kTolerance);
    const float rateUpper = static_cast<float>(bounds.upper(StatisticKey::Rate) + StatisticBounds::kTolerance);
    const auto rate = [totalWeight](std::int64_t hit) { return RunTally::rateOf(hit, totalWeight); };
    result.m_hitLow = firstPassing(totalWeight, [&](std::int64_t h) { return rateLower <= rate(h); });
    result.m_hitHigh = firstPassing(totalWeight, [&](std::int64_t h) { return !(rate(h) <= rateUpper); }) - 1;

    for (StatisticKey key : kStatisticKeys) {
        if (key == StatisticKey::Rate)
            continue;
        const double lower = bounds.lower(key) - StatisticBounds::kTolerance;
        const double upper = bounds.upper(key) + StatisticBounds::kTolerance;
        int& low = result.m_low[slot(key)];
        int& high = result.m_high[slot(key)];
        // A length v passes when lower <= v <= upper; NaN passes nothing.
        if (std::isnan(lower) || std::isnan(upper) || lower > static_cast<double>(kLongest) || upper < 0.0) {
            low = 1;
            high = 0;
            continue;
        }
        low = lower <= 0.0 ? 0 : static_cast<int>(std::ceil(lower));
        high = upper >= static_cast<double>(kLongest) ? kLongest : static_cast<int>(std::floor(upper));
    }
    return result;
}

bool IntegerBounds::accepts(const FormulaStatistics& s) const
{
    // Whole numbers compared directly: the kernels ask for every candidate they score in full.
    const auto in = [this](int v, StatisticKey key) { return v >= low(key) && v <= high(key); };
    return s.hitWeight >= m_hitLow && s.hitWeight <= m_hitHigh && in(s.longestMissRun, StatisticKey::LongestMissRun) &&
           in(s.longestHitRun, StatisticKey::LongestHitRun) && in(s.lastMissRun, StatisticKey::LastMissRun) &&
           in(s.lastHitRun, StatisticKey::LastHitRun);
}
