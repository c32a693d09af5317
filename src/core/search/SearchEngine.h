#pragma once

#include "common/WorkerPool.h"
#include "scoring/FormulaStatistics.h"
#include "scoring/StatisticBounds.h"
#include "search/Candidate.h"

#include <cstdint>
#include <vector>

class CandidateGenerator;
class CandidateScorer;

struct AcceptedCandidate {
    std::uint64_t index = 0;
    Candidate candidate;
    FormulaStatistics statistics;
};

struct SearchBatch {
    std::vector<AcceptedCandidate> accepted; // in candidate order
    std::uint64_t evaluated = 0; // candidates consumed from `first` on
};

// Spreads candidate evaluation over a pool of threads it owns. Results are
// merged in candidate order, so the outcome never depends on the thread count.
// A scorer on a vector path searches through its kernels (early rejection,
// candidates drawn in vector lanes); the bounds still judge every survivor, and
// the plain loop scores the candidates the kernels do not cover.
class SearchEngine {
public:
    // threads <= 0: one per core.
    explicit SearchEngine(int threads = 0);

    int threadCount() const { return m_pool.threadCount(); }

    // Evaluates candidates first .. first+count−1 and keeps those the bounds
    // accept. Stops consuming right after the `wanted`-th accepted candidate.
    SearchBatch search(const CandidateGenerator& generator, const CandidateScorer& scorer,
                       const StatisticBounds& bounds, std::uint64_t first, std::uint64_t count, std::uint64_t wanted);

    // The statistics of candidates first .. first+count−1, in order.
    std::vector<FormulaStatistics> scoreRange(const CandidateGenerator& generator, const CandidateScorer& scorer,
                                              std::uint64_t first, int count);

    // Candidates handed to a thread at a time.
    static constexpr std::uint64_t kChunk = 4096;

private:
    WorkerPool m_pool;
    // Each unit of work's accepted candidates, kept between batches so that a
    // search that accepts much does not fault in fresh memory for every batch.
    std::vector<std::vector<AcceptedCandidate>> m_found;
};
