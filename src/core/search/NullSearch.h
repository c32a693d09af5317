#pragma once

#include "formula/FormulaTarget.h"
#include "scoring/FormulaStatistics.h"
#include "scoring/StatisticBounds.h"
#include "search/FoundFormula.h"
#include "search/SearchOptions.h"

#include "history/HistorySnapshot.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class SearchEngine;
class SearchSession;

// One search, as it is repeated on shuffled histories.
struct NullSearchRequest {
    FormulaTarget target{1, false, true};
    StatisticBounds bounds;
    SearchOptions shape;
    ScoringWindow window;
    std::uint64_t seed = 0;
    std::uint64_t candidates = 10000;
    std::uint64_t wanted = 0; // stop after this many found; 0: no limit
    int heldOut = 0;
    int range = 11;
    int drawsPerDay = 84;
    int runs = 0;
};

// What the same search found on the shuffled copies.
struct NullSearchSummary {
    int runs = 0;
    std::vector<int> foundPerRun;
    double meanFound = 0.0;
    std::optional<double> meanRate; // mean rate of everything found, percent; nothing when nothing was
    std::optional<double> bestZ; // the largest z of anything found
};

// The search against shuffled history: the same candidates (same seed), bounds,
// window and hold-out, run on copies of the history whose draws were put in a
// random order (ShuffledHistory, one seed per copy drawn from the search's
// seed). An order-free history holds no rule a formula could follow, so what is
// found there is what chance alone finds with these bounds. It runs in steps,
// so a window can give it a slice of time per tick.
class NullSearch {
public:
    // Receives the copies done; returning false stops (nothing is returned then).
    using Progress = std::function<bool(int done, int runs)>;

    NullSearch(SearchEngine& engine, const HistorySnapshot& history, const NullSearchRequest& request);
    ~NullSearch();
    // Searches within `time` (the whole of the remaining copies without one);
    // true once every copy is done.
    bool step(std::optional<std::chrono::steady_clock::duration> time = std::nullopt);
    bool done() const { return m_summary.foundPerRun.size() >= static_cast<size_t>(m_request.runs); }
    int runsDone() const { return static_cast<int>(m_summary.foundPerRun.size()); }
    // The copies done so far; complete once done().
    const NullSearchSummary& summary() const { return m_summary; }

    static std::optional<NullSearchSummary> run(SearchEngine& engine, const HistorySnapshot& history,
                                                const NullSearchRequest& request, const Progress& progress = {});
    // The seed of copy `run` (0-based).
    static std::uint64_t shuffleSeed(std::uint64_t seed, int run);
    // The largest z of the found formulas over the draws the search saw, with
    // the chance baseline of those draws; nothing when nothing was found.
    static std::optional<double> bestZ(const HistorySnapshot& searched, const std::vector<FoundFormula>& found,
                                       int range, const ScoringWindow& window);
    // The best z that chance alone gives among `candidates` independent tries:
    // about √(2 ln N), the largest of N standard normal deviates; 0 for N ≤ 1.
    static double chanceBestZ(std::uint64_t candidates);
    // The share of copies that found at least as many as `found`, counting the
    // real history as one of them: (1 + k) / (runs + 1). 1 without copies.
    static double exceedance(int found, const std::vector<int>& foundPerRun);

private:
    void finishCopy();

    SearchEngine& m_engine;
    const HistorySnapshot& m_history;
    NullSearchRequest m_request;
    HistorySnapshot m_shuffled;
    std::unique_ptr<SearchSession> m_session; // the copy being searched
    NullSearchSummary m_summary;
    double m_rateSum = 0.0;
    int m_rated = 0;
};
