#include "search/SearchEngine.h"

#include "kernel/IntegerBounds.h"
#include "search/CandidateGenerator.h"
#include "search/CandidateScorer.h"

#include <algorithm>
#include <optional>

namespace {

// Candidates per unit of work when every one is scored in full (the tuner's
// few hundred): small enough to keep the threads evenly loaded.
constexpr std::uint64_t kScoreChunk = 64;

// Candidates begin .. end − 1 through the kernels; the plain loop scores the uncovered ones.
void searchVector(const CandidateGenerator& generator, const CandidateScorer& scorer, const StatisticBounds& bounds,
                  const IntegerBounds& exact, std::uint64_t begin, std::uint64_t end,
                  std::vector<AcceptedCandidate>& out)
{
    thread_local KernelSearch result;
    result.accepted.clear();
    result.uncovered.clear();
    scorer.kernels()->search(*scorer.table(), scorer.rule().kill, generator.stream(), exact, begin, end - begin,
                             result);
    out.reserve(result.accepted.size() + result.uncovered.size());
    auto accepted = result.accepted.begin();
    auto uncovered = result.uncovered.begin();
    // Both lists are in candidate order: merge them.
    while (accepted != result.accepted.end() || uncovered != result.uncovered.end()) {
        if (uncovered == result.uncovered.end() ||
            (accepted != result.accepted.end() && accepted->index < *uncovered)) {
            if (bounds.accepts(accepted->statistics))
                out.push_back({accepted->index, CandidateScorer::candidate(accepted->sum), accepted->statistics});
            ++accepted;
        } else {
            const Candidate candidate = generator.generate(*uncovered);
            const FormulaStatistics s = scorer.scoreScalar(candidate);
            if (bounds.accepts(s))
                out.push_back({*uncovered, candidate, s});
            ++uncovered;
        }
    }
}

} // namespace

SearchEngine::SearchEngine(int threads) : m_pool(threads) {}

SearchBatch SearchEngine::search(const CandidateGenerator& generator, const CandidateScorer& scorer,
                                 const StatisticBounds& bounds, std::uint64_t first, std::uint64_t count,
                                 std::uint64_t wanted)
{
    SearchBatch batch;
    if (count == 0 || wanted == 0)
        return batch;
    const int chunks = static_cast<int>((count + kChunk - 1) / kChunk);
    if (m_found.size() < static_cast<size_t>(chunks))
        m_found.resize(static_cast<size_t>(chunks));
    for (auto& chunk : m_found)
        chunk.clear();
    auto& found = m_found;
    std::optional<IntegerBounds> exact;
    if (scorer.kernels())
        exact = IntegerBounds::of(bounds, scorer.table()->totalWeight());
    m_pool.run(chunks, [&](int c) {
        const std::uint64_t begin = first + static_cast<std::uint64_t>(c) * kChunk;
        const std::uint64_t end = std::min(begin + kChunk, first + count);
        auto& out = found[static_cast<size_t>(c)];
        if (exact) {
            searchVector(generator, scorer, bounds, *exact, begin, end, out);
            return;
        }
        for (std::uint64_t i = begin; i < end; ++i) {
            const Candidate candidate = generator.generate(i);
            const FormulaStatistics s = scorer.score(candidate);
            if (bounds.accepts(s))
                out.push_back({i, candidate, s});
        }
    });
    batch.evaluated = count;
    size_t total = 0;
    for (int c = 0; c < chunks; ++c)
        total += found[static_cast<size_t>(c)].size();
    batch.accepted.reserve(std::min<size_t>(total, wanted));
    for (int c = 0; c < chunks; ++c) {
        for (const AcceptedCandidate& a : found[static_cast<size_t>(c)]) {
            batch.accepted.push_back(a);
            if (batch.accepted.size() == wanted) {
                batch.evaluated = a.index - first + 1;
                break;
            }
        }
        if (batch.accepted.size() == wanted)
            break;
    }
    return batch;
}

std::vector<FormulaStatistics> SearchEngine::scoreRange(const CandidateGenerator& generator,
                                                        const CandidateScorer& scorer, std::uint64_t first, int count)
{
    std::vector<FormulaStatistics> result(static_cast<size_t>(std::max(0, count)));
    const int chunks = static_cast<int>((result.size() + kScoreChunk - 1) / kScoreChunk);
    m_pool.run(chunks, [&](int c) {
        const size_t begin = static_cast<size_t>(c) * kScoreChunk;
        const size_t end = std::min(begin + kScoreChunk, result.size());
        for (size_t i = begin; i < end; ++i)
            result[i] = scorer.score(generator.generate(first + i));
    });
    return result;
}
