#include "scoring/ChanceTotals.h"

namespace {

// Up to this many draws w² = j⁴ fits 64 bits, and the sums of its 32-bit
// halves stay far below 2⁶⁴.
constexpr int kSplitRows = 65535;

ChanceTotals counted(const std::uint8_t* bits, int rows)
{
    // Four sets of counters, so that neighbouring draws rarely wait on each other.
    std::uint32_t counts[4][ChanceTotals::kBits] = {};
    int k = 0;
    for (; k + 4 <= rows; k += 4)
        for (int lane = 0; lane < 4; ++lane)
            ++counts[lane][bits[k + lane]];
    for (; k < rows; ++k)
        ++counts[0][bits[k]];
    ChanceTotals totals;
    for (std::size_t bit = 0; bit < ChanceTotals::kBits; ++bit) {
        const std::uint64_t n = std::uint64_t{counts[0][bit]} + counts[1][bit] + counts[2][bit] + counts[3][bit];
        totals.weight[bit] = n;
        totals.squares[bit] = n;
    }
    return totals;
}

// Weighted, up to kSplitRows draws: no 128-bit sums in the loop, w² summed as
// its low and high 32 bits, two sets of counters.
ChanceTotals split(const std::uint8_t* bits, int rows)
{
    std::uint64_t weight[2][ChanceTotals::kBits] = {};
    std::uint64_t low[2][ChanceTotals::kBits] = {};
    std::uint64_t high[2][ChanceTotals::kBits] = {};
    const auto add = [&](int set, int k) {
        const auto j = static_cast<std::uint64_t>(k + 1);
        const std::uint64_t w = j * j;
        const std::uint64_t square = w * w;
        const std::uint8_t bit = bits[k];
        weight[set][bit] += w;
        low[set][bit] += square & 0xFFFFFFFFu;
        high[set][bit] += square >> 32;
    };
    int k = 0;
    for (; k + 2 <= rows; k += 2) {
        add(0, k);
        add(1, k + 1);
    }
    if (k < rows)
        add(0, k);
    ChanceTotals totals;
    for (std::size_t bit = 0; bit < ChanceTotals::kBits; ++bit) {
        totals.weight[bit] = weight[0][bit] + weight[1][bit];
        totals.squares[bit] = (static_cast<WideCount>(high[0][bit] + high[1][bit]) << 32) + low[0][bit] + low[1][bit];
    }
    return totals;
}

} // namespace

ChanceTotals ChanceTotals::ofBits(const std::uint8_t* bits, int rows, bool weighted)
{
    if (!weighted)
        return counted(bits, rows);
    if (rows <= kSplitRows)
        return split(bits, rows);
    ChanceTotals totals;
    for (int k = 0; k < rows; ++k) {
        const auto j = static_cast<std::uint64_t>(k + 1);
        totals.add(bits[k], j * j);
    }
    return totals;
}
