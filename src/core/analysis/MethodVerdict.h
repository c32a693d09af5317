#pragma once

#include "analysis/BackTestResult.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

// How one vote did against a vote that knows nothing: the rows whose drawn
// number fell in the group with the fewest votes, what chance gives there, the
// one-sided chance of doing at least that well, and the χ² test of the ranks.
struct VoteCheck {
    int rows = 0;
    int lowestGroupHits = 0;
    double lowestGroupExpected = 0.0;
    double lowestGroupP = 1.0; // P(hits ≥ observed) for a vote that knows nothing (normal approximation)
    std::optional<double> chiSquareP; // the rank histogram's p-value; nothing without rows

    double hitShare() const { return rows > 0 ? 100.0 * lowestGroupHits / rows : 0.0; }
    double expectedShare() const { return rows > 0 ? 100.0 * lowestGroupExpected / rows : 0.0; }
};

// "方法检验": the plain back-test against the walk-forward one on the same
// draws, and a search against the same search on shuffled history, in numbers
// and in one plain sentence each.
class MethodVerdict {
public:
    static const QString& title();
    // The vote of `result` judged at `position` (1..5), over its rows from `firstRow` on.
    static VoteCheck check(const BackTestResult& result, int position, int firstRow = 0);
    // The rows of `result` from `firstRow` on.
    static BackTestResult rowsFrom(const BackTestResult& result, int firstRow);
    static QString backTestText(const VoteCheck& plain, const VoteCheck& walkForward);
    // The sentence of a search: real against shuffled found counts (when `nullRuns`
    // copies were searched: their mean and the chance of finding as many), best z
    // against chance's.
    static QString searchText(int found, const std::optional<double>& bestZ, double chanceBestZ,
                              std::uint64_t candidates, int nullRuns = 0, double nullMeanFound = 0.0,
                              double nullP = 1.0);
};
