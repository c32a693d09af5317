#include "scoring/ChanceSums.h"

ChanceSums ChanceSums::of(const ChanceTotals& totals, const ChanceShares& shares)
{
    ChanceSums sums;
    const auto counted = static_cast<std::uint64_t>(shares.counted);
    for (std::size_t bit = 0; bit < ChanceTotals::kBits; ++bit) {
        const std::uint64_t share = shares.share[bit];
        sums.expected += static_cast<WideCount>(totals.weight[bit]) * share;
        sums.variance += totals.squares[bit] * (share * (counted - share));
    }
    return sums;
}
