#include "formula/ChanceBaseline.h"

#include "scoring/HitRule.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <vector>

namespace {

template <int FixedRange>
ChanceTotals tallyOf(const double* previousValues, int count, int range, bool weighted)
{
    thread_local std::vector<std::uint8_t> bits;
    bits.resize(static_cast<size_t>(count));
    for (int k = 0; k < count; ++k)
        bits[static_cast<size_t>(k)] =
            static_cast<std::uint8_t>(HitRule::predictedBit<FixedRange>(previousValues[k], range));
    return ChanceTotals::ofBits(bits.data(), count, weighted);
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
    const int counted = std::max(end - first, 0);
    for (ChanceShares& shares : m_shares)
        shares.counted = counted;
    auto& keepShare = m_shares[0].share;
    auto& killShare = m_shares[1].share;
    for (size_t bit = 0; bit < drawn.size(); ++bit) {
        keepShare[bit] = static_cast<std::uint32_t>(drawn[bit]);
        killShare[bit] = static_cast<std::uint32_t>(counted - drawn[bit]);
    }
    // 0 and below name no number: absent everywhere. An empty value misses for both.
    keepShare[HitRule::kNoNumberBit] = 0;
    killShare[HitRule::kNoNumberBit] = static_cast<std::uint32_t>(counted);
    keepShare[HitRule::kEmptyBit] = 0;
    killShare[HitRule::kEmptyBit] = 0;
    for (size_t kill = 0; kill < 2; ++kill)
        for (size_t bit = 0; bit < ChanceTotals::kBits; ++bit)
            m_chance[kill][bit] =
                counted > 0 ? static_cast<double>(m_shares[kill].share[bit]) / static_cast<double>(counted) : 0.0;
}

ChanceTotals ChanceBaseline::tally(const double* previousValues, int first, int end, int range, bool weighted)
{
    const int count = std::max(end - first, 0);
    return range == 11   ? tallyOf<11>(previousValues, count, range, weighted)
           : range == 12 ? tallyOf<12>(previousValues, count, range, weighted)
                         : tallyOf<0>(previousValues, count, range, weighted);
}

void ChanceBaseline::measure(FormulaStatistics& statistics, const ChanceTotals& totals, bool kill) const
{
    const ChanceShares& whole = shares(kill);
    if (whole.exact()) {
        measure(statistics, ChanceSums::of(totals, whole));
        return;
    }
    // Too many draws for whole sums: one order of summation for every path, so
    // the figures still agree to the last bit.
    double expected = 0.0;
    double variance = 0.0;
    for (unsigned bit = 0; bit < ChanceTotals::kBits; ++bit) {
        const double p = hitChance(bit, kill);
        expected += p * static_cast<double>(totals.weight[bit]);
        variance += p * (1.0 - p) * static_cast<double>(totals.squares[bit]);
    }
    finish(statistics, expected, variance);
}

void ChanceBaseline::measure(FormulaStatistics& statistics, const ChanceSums& sums) const
{
    const auto counted = static_cast<double>(m_shares[0].counted);
    finish(statistics, static_cast<double>(sums.expected) / counted,
           static_cast<double>(sums.variance) / (counted * counted));
}

void ChanceBaseline::measure(FormulaStatistics& statistics, const double* previousValues, int first, int end, int range,
                             bool kill, bool weighted) const
{
    if (end <= first)
        return;
    measure(statistics, tally(previousValues, first, end, range, weighted), kill);
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
