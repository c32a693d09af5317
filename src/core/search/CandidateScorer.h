#pragma once

#include "kernel/SumKernels.h"
#include "kernel/WindowTable.h"
#include "scoring/FormulaStatistics.h"
#include "search/Candidate.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class HistorySnapshot;

// The search's hot loop: scores a sum-of-columns candidate over the counted
// draws with the list's own rules (fold by R, direct or group hits, first draw
// never counted, j² weights), without allocating. Read-only after construction,
// so one scorer serves every worker thread.
//
// On a vector path (the processor's best unless told otherwise) it builds the
// window table once and scores through the kernels; the plain loop stays the
// reference and scores whatever the kernels do not cover.
class CandidateScorer {
public:
    CandidateScorer(const HistorySnapshot& history, const ScoringRule& rule, const ScoringWindow& window,
                    KernelPath path = SumKernels::best());

    FormulaStatistics score(const Candidate& candidate) const;
    // The plain loop, whatever the path.
    FormulaStatistics scoreScalar(const Candidate& candidate) const;

    int firstCountedRow() const { return m_first; }
    int countedRowCount() const { return m_count; }
    const ScoringRule& rule() const { return m_rule; }
    // The path that scores: Scalar when the kernels cannot take this rule and window.
    KernelPath path() const { return m_kernels ? m_kernels->path() : KernelPath::Scalar; }
    // The kernels and their table, or null on the plain path.
    const SumKernels* kernels() const { return m_kernels ? &*m_kernels : nullptr; }
    const WindowTable* table() const { return m_table.get(); }

    static ColumnSum columnSum(const Candidate& candidate);
    static Candidate candidate(const ColumnSum& sum);

private:
    // sums[k] = the candidate's value on the row that predicts counted row base + k.
    // Aligned to a cache line: otherwise its speed (a large part of the search)
    // moved by some 15% with wherever unrelated code happened to place it.
    [[gnu::aligned(64)]] void sumColumns(const Candidate& candidate, int base, int len, std::int32_t* sums) const;
    template <int Range>
    FormulaStatistics scoreIn(const Candidate& candidate) const;

    ScoringRule m_rule;
    int m_first = 0; // first counted row; its prediction comes from row m_first - 1
    int m_count = 0;
    std::int64_t m_totalWeight = 0;
    // Per counted row: bit n set when number n was drawn at the judged positions.
    std::vector<std::uint16_t> m_present;
    std::vector<std::int64_t> m_weights; // j² (or 1) of counted row j
    // Per attribute: the column starting at the row that predicts the first counted row.
    std::vector<const std::int32_t*> m_columns;
    std::optional<SumKernels> m_kernels;
    std::shared_ptr<const WindowTable> m_table;
};
