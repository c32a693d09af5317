#include "search/SearchEngine.h"

#include "search/CandidateGenerator.h"
#include "search/CandidateScorer.h"

#include <algorithm>

namespace {
// Candidates per unit of work handed to a thread: large enough to amortise the
// hand-out, small enough to keep the threads evenly loaded.
constexpr std::uint64_t kChunk = 64;
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
    std::vector<std::vector<AcceptedCandidate>> found(static_cast<size_t>(chunks));
    m_pool.run(chunks, [&](int c) {
        const std::uint64_t begin = first + static_cast<std::uint64_t>(c) * kChunk;
        const std::uint64_t end = std::min(begin + kChunk, first + count);
        auto& out = found[static_cast<size_t>(c)];
        for (std::uint64_t i = begin; i < end; ++i) {
            const Candidate candidate = generator.generate(i);
            const FormulaStatistics s = scorer.score(candidate);
            if (bounds.accepts(s))
                out.push_back({i, candidate, s});
        }
    });
    batch.evaluated = count;
    for (auto& chunk : found) {
        for (auto& a : chunk) {
            batch.accepted.push_back(a);
            if (batch.accepted.size() == wanted) {
                batch.evaluated = a.index - first + 1;
                break;
            }
        }
        if (batch.accepted.size() == wanted)
            break;
    }
    const std::uint64_t last = first + batch.evaluated - 1;
    if (!batch.accepted.empty() && batch.accepted.back().index == last) {
        batch.lastCandidate = batch.accepted.back().candidate;
        batch.lastStatistics = batch.accepted.back().statistics;
    } else {
        batch.lastCandidate = generator.generate(last);
        batch.lastStatistics = scorer.score(batch.lastCandidate);
    }
    return batch;
}

std::vector<FormulaStatistics> SearchEngine::scoreRange(const CandidateGenerator& generator,
                                                        const CandidateScorer& scorer, std::uint64_t first, int count)
{
    std::vector<FormulaStatistics> result(static_cast<size_t>(std::max(0, count)));
    const int chunks = static_cast<int>((result.size() + kChunk - 1) / kChunk);
    m_pool.run(chunks, [&](int c) {
        const size_t begin = static_cast<size_t>(c) * kChunk;
        const size_t end = std::min(begin + kChunk, result.size());
        for (size_t i = begin; i < end; ++i)
            result[i] = scorer.score(generator.generate(first + i));
    });
    return result;
}
