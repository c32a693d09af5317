#pragma once

#include <array>
#include <cstdint>

// One random formula of the search: a sum of attribute columns plus a tail
// constant. Terms index the attribute table (0..87) and may repeat.
struct Candidate {
    static constexpr int kMaxTerms = 24;
    std::array<std::uint8_t, kMaxTerms> terms{};
    int termCount = 0;
    int constant = 0;
};
