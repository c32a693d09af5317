#pragma once

#include "scoring/FormulaStatistics.h"
#include "scoring/StatisticBounds.h"
#include "search/SearchOptions.h"

#include <QStringList>
#include <cstdint>

class HistorySnapshot;
class SearchEngine;

// The tuned value of each statistic: moved half-way towards every trial that does better.
struct TunedValues {
    float rate = 0;
    float longestMissRun = 0;
    float longestHitRun = 0;
    float lastMissRun = 0;
    float lastHitRun = 0;
};

// Derives acceptance bounds from the history: scores a number of random
// candidates of one kind and tunes each statistic towards the better ones.
class BoundTuner {
public:
    static constexpr int kMinTrials = 20;
    static constexpr int kMaxTrials = 1000;
    static constexpr int kTrialStep = 20;

    struct Result {
        TunedValues tuned;
        FormulaStatistics last; // the last trial's statistics, for display
        int evaluated = 0;
    };

    BoundTuner(SearchEngine& engine, const HistorySnapshot& history, int range, const ScoringWindow& window);

    // One tuning run of `trials` candidates for `target`, seeded by `seed`.
    Result tune(const FormulaTarget& target, const SearchOptions& options, std::uint64_t seed, int trials);

    // The first trial sets every value; later ones only move a value towards a better one.
    static TunedValues update(const TunedValues& tuned, const FormulaStatistics& trial, bool first);
    // Writes the tuned values into bound boxes 0, 3, 4, 7 and 8; the other boxes keep theirs.
    static QStringList writeBack(const TunedValues& tuned, const QStringList& boxes);

private:
    SearchEngine& m_engine;
    const HistorySnapshot& m_history;
    int m_range;
    ScoringWindow m_window;
};
