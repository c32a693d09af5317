#pragma once

#include "formula/FormulaEvaluator.h"
#include "history/HistorySnapshot.h"
#include "scoring/FormulaStatistics.h"
#include "scoring/StatisticBounds.h"
#include "search/CandidateGenerator.h"
#include "search/CandidateScorer.h"
#include "search/FoundFormula.h"
#include "search/SearchOptions.h"

#include <chrono>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

class SearchEngine;

// How much work one step may do: a number of candidates, a span of time, or both.
struct SearchBudget {
    std::optional<std::uint64_t> candidates;
    std::optional<std::chrono::steady_clock::duration> time;
};

// The running search of the search window: the current kind and bounds, the
// verified count and the found list. Candidates come from one stream per
// session (seed, index 0, 1, 2, ...), so a restart never replays candidates.
// With a hold-out (HoldOut) the search sees only the older draws, and each
// formula it accepts is scored on the held-out draws as well.
class SearchSession {
public:
    static constexpr int kCapacity = 32767;
    static constexpr std::uint64_t kUnlimited = std::numeric_limits<std::uint64_t>::max();

    SearchSession(SearchEngine& engine, const HistorySnapshot& history, int range, const ScoringWindow& window,
                  std::uint64_t seed);

    // What to look for from now on. Clears the verified count, keeps the found list.
    // `path` picks the code that scores (the same list on every path).
    void begin(const FormulaTarget& target, const StatisticBounds& bounds, const SearchOptions& options,
               KernelPath path = SumKernels::best());

    // Holds out the newest `draws` draws (0: none). A change empties the found
    // list, whose figures belong to the other split, and ends the task: begin()
    // again. Raises UserError (HoldOut::check) for a count the history cannot give.
    void setHeldOut(int draws);
    int heldOut() const { return m_heldOut; }
    // The draws the search scores on: the whole history, or the older draws.
    const HistorySnapshot& searched() const { return m_heldOut > 0 ? m_older : m_history; }
    bool hasTask() const { return m_scorer != nullptr; }

    // Evaluates candidates within the budget, stopping after `wanted` accepted
    // ones or when the found list is full. Returns how many were accepted.
    int run(const SearchBudget& budget, std::uint64_t wanted = kUnlimited);

    // Accepted candidates still needed for the found count to reach `target`
    // (a fraction counts as the next whole formula); 0 once it is reached.
    std::uint64_t stillWanted(double target) const;

    const std::vector<FoundFormula>& found() const { return m_found; }
    void clearFound() { m_found.clear(); }
    bool full() const { return static_cast<int>(m_found.size()) >= kCapacity; }

    std::uint64_t verifiedCount() const { return m_verified; }
    std::uint64_t nextIndex() const { return m_nextIndex; }
    // The last candidate evaluated, for display: its text and statistics are
    // built when asked for, not for every batch.
    const QString& lastText() const;
    const FormulaStatistics& lastStatistics() const;
    const FormulaTarget& target() const { return m_target; }
    const StatisticBounds& bounds() const { return m_bounds; }
    // Candidates evaluated per second of evaluation since begin().
    double candidatesPerSecond() const;

private:
    int runBatch(std::uint64_t count, std::uint64_t wanted);
    std::optional<FormulaStatistics> scoreHeldOut(const QString& code) const;
    void showLast() const;

    SearchEngine& m_engine;
    const HistorySnapshot& m_history;
    int m_range;
    ScoringWindow m_window;
    std::uint64_t m_seed;
    int m_heldOut = 0;
    HistorySnapshot m_older; // the history without the held-out draws
    std::optional<FormulaEvaluator> m_heldOutEvaluator; // the task's kind on the held-out draws

    FormulaTarget m_target;
    StatisticBounds m_bounds;
    SearchOptions m_options;
    std::unique_ptr<CandidateGenerator> m_generator;
    std::unique_ptr<CandidateScorer> m_scorer;

    std::uint64_t m_nextIndex = 0;
    std::uint64_t m_verified = 0;
    std::chrono::steady_clock::duration m_busy{};
    std::vector<FoundFormula> m_found;
    // The last candidate evaluated and not yet shown.
    mutable std::optional<std::uint64_t> m_lastIndex;
    mutable QString m_lastText;
    mutable FormulaStatistics m_lastStatistics;
};
