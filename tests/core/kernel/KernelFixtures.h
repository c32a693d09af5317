#pragma once

#include "core/search/SearchFixtures.h"

#include "formula/ChanceBaseline.h"
#include "formula/CompiledFormula.h"
#include "formula/FormulaEvaluator.h"
#include "formula/FormulaScoring.h"
#include "kernel/IntegerBounds.h"
#include "kernel/SumKernels.h"
#include "kernel/WindowTable.h"
#include "scoring/HitRule.h"
#include "scoring/RunTally.h"
#include "search/CandidateGenerator.h"
#include "search/CandidateScorer.h"
#include "search/DefaultBounds.h"
#include "search/SearchEngine.h"
#include "search/SearchSession.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>

// What the kernel tests share: the vector paths, the statistics compared whole,
// and the histories they score.
namespace KernelFixtures {

using namespace SearchFixtures;

inline std::vector<KernelPath> vectorPaths()
{
    std::vector<KernelPath> paths = SumKernels::supported();
    paths.erase(paths.begin());
    return paths;
}

inline std::string describe(const FormulaStatistics& s)
{
    return std::to_string(s.rate) + " " + std::to_string(s.hitWeight) + "/" + std::to_string(s.totalWeight) + " " +
           std::to_string(s.longestMissRun) + " " + std::to_string(s.longestHitRun) + " " +
           std::to_string(s.lastMissRun) + " " + std::to_string(s.lastHitRun);
}

inline bool same(const FormulaStatistics& a, const FormulaStatistics& b)
{
    return a.rate == b.rate && a.hitWeight == b.hitWeight && a.totalWeight == b.totalWeight &&
           a.longestMissRun == b.longestMissRun && a.longestHitRun == b.longestHitRun &&
           a.lastMissRun == b.lastMissRun && a.lastHitRun == b.lastHitRun;
}

inline bool sameOrBothNan(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

// Whether the candidate's value is 0 or below on some counted draw.
inline bool reachesZero(const HistorySnapshot& history, const CandidateScorer& scorer, const Candidate& c)
{
    for (int row = scorer.firstCountedRow() - 1; row < history.size() - 1; ++row) {
        std::int64_t v = c.constant;
        for (int t = 0; t < c.termCount; ++t)
            v += history.value(row, c.terms[static_cast<size_t>(t)]);
        if (v <= 0)
            return true;
    }
    return false;
}

inline const HistorySnapshot& history(int range)
{
    // About 3,200 draws each: windows up to 3,000 and every draw.
    static const HistorySnapshot eleven = demoHistory(38, 3, 0);
    static const HistorySnapshot twelve = demoHistory(38, 4, 27);
    return range == 11 ? eleven : twelve;
}

// The history with two columns the vector sums cannot take: a negative value
// in column 20, one beyond 16 bits in column 21. Candidates naming either are
// left to the plain loop, so a search mixes both kinds.
inline HistorySnapshot withOddColumns(const HistorySnapshot& history)
{
    HistorySnapshot odd;
    for (int row = 0; row < history.size(); ++row) {
        std::array<std::int32_t, AttributeCatalog::kCount> values{};
        for (int a = 0; a < AttributeCatalog::kCount; ++a)
            values[static_cast<size_t>(a)] = history.value(row, a);
        values[20] = row % 7 == 3 ? -5 : values[20];
        values[21] = row % 5 == 1 ? 70000 : values[21];
        odd.append(history.issue(row), values);
    }
    return odd;
}

// Bounds that pass `s` or just miss it, statistic by statistic: equal to it,
// one beyond it on either side, open, or a fraction away. The run bounds are
// what the search rejects on before the last block, so they are often tight.
inline StatisticBounds boundsAround(const FormulaStatistics& s, std::mt19937_64& random)
{
    std::array<double, StatisticBounds::kCount> values{};
    for (size_t i = 0; i < values.size(); ++i) {
        const bool upper = i % 2 == 1;
        const double own = i < 2 ? static_cast<double>(s.rate) : s.value(kStatisticKeys[i / 2]);
        switch (random() % 7) {
        case 0: values[i] = own; break;
        case 1: values[i] = upper ? own - 1 : own + 1; break;
        case 2: values[i] = upper ? own + 1 : own - 1; break;
        case 3: values[i] = upper ? (i < 2 ? 100 : 32768) : 0; break;
        case 4: values[i] = upper ? own + 0.5 : own - 0.5; break;
        case 5: values[i] = upper ? own + 0.00005 : own - 0.00015; break;
        default: values[i] = upper ? own + 3 : own - 3; break;
        }
    }
    return StatisticBounds(values);
}

} // namespace KernelFixtures
