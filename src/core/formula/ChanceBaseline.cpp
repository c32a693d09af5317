#include "formula/ChanceBaseline.h"

#include "formula/HitRule.h"

#include <bit>
#include <cmath>

namespace {

struct Sums {
    double expected = 0.0;
    double variance = 0.0;
};

template <int FixedRange>
Sums sum(const ChanceBaseline& baseline, const double* previousValues, int count, int range, bool kill, bool weighted)
{
    Sums sums;
    for (int k = 0; k < count; ++k) {
        const double j = static_cast<double>(k + 1);
        const double weight = weighted ? j * j : 1.0;
        const double p = baseline.hitChance(HitRule::predictedBit<FixedRange>(previousValues[k], range), kill);
        sums.expected += weight * p;
        sums.variance += weight * weight * p * (1.0 - p);
    }
    return sums;
}

} // namespace

ChanceBaseline::ChanceBaseline(const HitRule& hits, int first, int end)
{
    std::array<int, 16> drawn{};
    for (int row = first; row < end; ++row) {
        unsigned mask = hits.present(row);
        while (mask != 0) {
            ++drawn[static_cast<size_t>(std::countr_zero(mask))];
            mask &= mask - 1;
        }
    }
    const int counted = end - first;
    auto& keep = m_chance[0];
    auto& killing = m_chance[1];
    for (size_t bit = 0; bit < keep.size(); ++bit) {
        const double present =
            counted > 0 && bit < drawn.size() ? static_cast<double>(drawn[bit]) / static_cast<double>(counted) : 0.0;
        keep[bit] = present;
        killing[bit] = 1.0 - present;
    }
    // 0 and below name no number: absent everywhere. An empty value misses for both.
    keep[HitRule::kNoNumberBit] = 0.0;
    killing[HitRule::kNoNumberBit] = 1.0;
    keep[HitRule::kEmptyBit] = 0.0;
    killing[HitRule::kEmptyBit] = 0.0;
}

void ChanceBaseline::measure(FormulaStatistics& statistics, const double* previousValues, int first, int end, int range,
                             bool kill, bool weighted) const
{
    const int count = end - first;
    if (count <= 0)
        return;
    const Sums sums = range == 11   ? sum<11>(*this, previousValues, count, range, kill, weighted)
                      : range == 12 ? sum<12>(*this, previousValues, count, range, kill, weighted)
                                    : sum<0>(*this, previousValues, count, range, kill, weighted);
    finish(statistics, sums.expected, sums.variance);
}

void ChanceBaseline::finish(FormulaStatistics& statistics, double expectedWeight, double variance)
{
    if (statistics.totalWeight <= 0)
        return;
    const double total = static_cast<double>(statistics.totalWeight);
    statistics.expectedRate = expectedWeight / total * 100.0;
    const double excess = static_cast<double>(statistics.hitWeight) - expectedWeight;
    // With every outcome certain the hits equal the expectation: no deviation at all.
    statistics.z = variance > 0.0 ? excess / std::sqrt(variance) : 0.0;
}
