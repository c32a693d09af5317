#pragma once

#include "analysis/ChiSquareTest.h"

#include <optional>
#include <vector>

class HistoryList;

// How often the number really drawn stood at each rank of the vote, against what
// a vote that knows nothing would give: every rank equally often, and the
// lowest-vote group hit in proportion to its size. The drawn number does not
// depend on the vote in a fair draw, and a number picked at random from a ranking
// stands at every rank equally often, whatever order the ties were put in.
struct RankHistogram {
    std::vector<int> counts; // [rank − 1]: rows whose actual number stood at that rank
    int rows = 0; // rows whose actual number was ranked
    int lowestGroupHits = 0; // rows whose actual number was in the group with the fewest votes
    double lowestGroupExpected = 0.0; // the same under a random vote: Σ (size of that group) / R
    // The counts against the equal counts of a random vote (R − 1 degrees of
    // freedom); nothing when no row was ranked.
    std::optional<ChiSquareTest> uniformity;

    static RankHistogram of(const HistoryList& list);
    // The flat line of a random vote: rows / R per rank.
    double expectedPerRank() const { return counts.empty() ? 0.0 : static_cast<double>(rows) / counts.size(); }
};
