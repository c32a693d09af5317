#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// Sums of the fourth powers of 20,000 draw numbers pass 64 bits.
__extension__ typedef unsigned __int128 WideCount;

// The counted draws' weights grouped by the bit of the draw's mask that the
// prediction reads (HitRule::predictedBit): per bit the sum of the weights w
// and of their squares. The chance of a prediction depends on that bit alone,
// so these sums give the expected hit weight and its variance. Integers, so
// every way of scoring a formula that gathers them gets the same figures.
struct ChanceTotals {
    static constexpr std::size_t kBits = 18;
    std::array<std::uint64_t, kBits> weight{};
    std::array<WideCount, kBits> squares{};

    // The totals of `rows` counted draws, bits[k] the bit read on draw k + 1
    // (oldest first), which weighs (k + 1)² when weighted, else 1.
    static ChanceTotals ofBits(const std::uint8_t* bits, int rows, bool weighted);

    void add(unsigned bit, std::uint64_t w)
    {
        weight[bit] += w;
        squares[bit] += static_cast<WideCount>(w) * w;
    }
    bool operator==(const ChanceTotals&) const = default;
};
