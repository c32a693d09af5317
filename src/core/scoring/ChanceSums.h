#pragma once

#include "scoring/ChanceTotals.h"

#include <array>
#include <cstdint>

// The chances of one rule as whole numbers: a prediction that reads bit k of
// a draw's mask comes true with chance share[k] / counted.
struct ChanceShares {
    // Up to this many counted draws every sum of ChanceSums fits 128 bits.
    static constexpr int kExactRows = 1 << 18;

    int counted = 0;
    std::array<std::uint32_t, ChanceTotals::kBits> share{};

    bool exact() const { return counted > 0 && counted <= kExactRows; }
};

// A formula's expected hit weight and its variance, scaled to whole numbers:
// expected = Σ w · share (counted × the expected weight) and variance =
// Σ w² · share · (counted − share) (counted² × the variance), over its counted
// draws. Exact, so every path that gathers them gets the same figures.
struct ChanceSums {
    WideCount expected = 0;
    WideCount variance = 0;

    // The same sums from the per-bit totals; the shares must be exact().
    static ChanceSums of(const ChanceTotals& totals, const ChanceShares& shares);
    bool operator==(const ChanceSums&) const = default;
};
