#include "analysis/HitStrip.h"

#include "formula/FormulaScoring.h"

#include <algorithm>

HitStrip HitStrip::of(const std::vector<std::uint8_t>& rowHits, const ScoringWindow& window, int span)
{
    HitStrip strip;
    strip.span = std::max(span, 1);
    const auto [first, end] = FormulaScoring::countedRows(static_cast<int>(rowHits.size()), window);
    strip.firstRow = first;
    if (first >= end)
        return strip;
    strip.hits.assign(rowHits.begin() + first, rowHits.begin() + end);
    strip.rollingRate.reserve(strip.hits.size());
    int inSpan = 0;
    for (size_t k = 0; k < strip.hits.size(); ++k) {
        inSpan += strip.hits[k] != 0 ? 1 : 0;
        if (k >= static_cast<size_t>(strip.span))
            inSpan -= strip.hits[k - static_cast<size_t>(strip.span)] != 0 ? 1 : 0;
        const size_t counted = std::min(k + 1, static_cast<size_t>(strip.span));
        strip.rollingRate.push_back(100.0 * inSpan / static_cast<double>(counted));
    }
    return strip;
}
