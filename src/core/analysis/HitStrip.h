#pragma once

#include "scoring/FormulaStatistics.h"

#include <cstdint>
#include <vector>

// One formula's record draw by draw over the counted draws of the window, for
// the strip of the formula detail view: hit or miss on each counted draw and
// the rolling rate, the share of hits among the last `span` counted draws up to
// and including it (fewer at the start). Plain counts: a rolling share needs no
// weighting, since its span already looks at recent draws only.
struct HitStrip {
    static constexpr int kDefaultSpan = 20;

    int firstRow = 0; // history row of the first counted draw
    int span = kDefaultSpan;
    std::vector<std::uint8_t> hits; // 1 = hit, one per counted draw, oldest first
    std::vector<double> rollingRate; // percent, one per counted draw

    int size() const { return static_cast<int>(hits.size()); }

    // From the hit marks of every history row (rowHits[row], 1 = hit) and the
    // window that chooses the counted draws.
    static HitStrip of(const std::vector<std::uint8_t>& rowHits, const ScoringWindow& window, int span = kDefaultSpan);
};
