#include "search/NullSearch.h"

#include "formula/FormulaEvaluator.h"
#include "history/ShuffledHistory.h"
#include "search/SearchSession.h"

#include <algorithm>
#include <cmath>

std::uint64_t NullSearch::shuffleSeed(std::uint64_t seed, int run)
{
    // splitmix64 of the seed and the copy: neighbouring seeds give unrelated orders.
    std::uint64_t z = seed + 0x9E3779B97F4A7C15ull * static_cast<std::uint64_t>(run + 1);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

NullSearch::NullSearch(SearchEngine& engine, const HistorySnapshot& history, const NullSearchRequest& request)
    : m_engine(engine),
      m_history(history),
      m_request(request)
{
    m_summary.runs = request.runs;
}

NullSearch::~NullSearch() = default;

bool NullSearch::step(std::optional<std::chrono::steady_clock::duration> time)
{
    const bool timed = time.has_value();
    const auto until = std::chrono::steady_clock::now() + time.value_or(std::chrono::steady_clock::duration::zero());
    while (!done()) {
        if (!m_session) {
            m_shuffled = ShuffledHistory::of(m_history, m_request.drawsPerDay, shuffleSeed(m_request.seed, runsDone()));
            m_session = std::make_unique<SearchSession>(m_engine, m_shuffled, m_request.range, m_request.window,
                                                        m_request.seed);
            m_session->setHeldOut(m_request.heldOut);
            m_session->begin(m_request.target, m_request.bounds, m_request.shape);
        }
        const std::uint64_t left = m_request.candidates - std::min(m_request.candidates, m_session->verifiedCount());
        const std::uint64_t wanted =
            m_request.wanted > 0
                ? m_request.wanted - std::min<std::uint64_t>(m_request.wanted, m_session->found().size())
                : SearchSession::kUnlimited;
        if (left > 0 && wanted > 0 && !m_session->full()) {
            std::optional<std::chrono::steady_clock::duration> slice;
            if (timed)
                slice = std::max(std::chrono::steady_clock::duration::zero(), until - std::chrono::steady_clock::now());
            m_session->run({left, slice}, wanted);
        }
        const bool copyDone = m_session->verifiedCount() >= m_request.candidates || m_session->full() ||
                              (m_request.wanted > 0 && m_session->found().size() >= m_request.wanted);
        if (copyDone)
            finishCopy();
        if (timed && std::chrono::steady_clock::now() >= until)
            break;
    }
    return done();
}

void NullSearch::finishCopy()
{
    const std::vector<FoundFormula>& found = m_session->found();
    m_summary.foundPerRun.push_back(static_cast<int>(found.size()));
    for (const FoundFormula& f : found) {
        m_rateSum += static_cast<double>(f.statistics.rate);
        ++m_rated;
    }
    const auto z = bestZ(m_session->searched(), found, m_request.range, m_request.window);
    if (z && (!m_summary.bestZ || *z > *m_summary.bestZ))
        m_summary.bestZ = z;
    double total = 0.0;
    for (int n : m_summary.foundPerRun)
        total += n;
    m_summary.meanFound = total / static_cast<double>(m_summary.foundPerRun.size());
    if (m_rated > 0)
        m_summary.meanRate = m_rateSum / m_rated;
    m_session.reset();
}

std::optional<NullSearchSummary> NullSearch::run(SearchEngine& engine, const HistorySnapshot& history,
                                                 const NullSearchRequest& request, const Progress& progress)
{
    NullSearch search(engine, history, request);
    while (!search.done()) {
        const int before = search.runsDone();
        search.step();
        if (search.runsDone() == before)
            break; // nothing moved: a copy that can search nothing
        if (progress && !progress(search.runsDone(), request.runs))
            return std::nullopt;
    }
    return search.summary();
}

std::optional<double> NullSearch::bestZ(const HistorySnapshot& searched, const std::vector<FoundFormula>& found,
                                        int range, const ScoringWindow& window)
{
    std::optional<double> best;
    std::optional<FormulaEvaluator> evaluator;
    FormulaKind kind = found.empty() ? FormulaKind(1, false) : found.front().target.kind;
    for (const FoundFormula& f : found) {
        // A plan's found list holds several kinds; each needs its own baseline.
        if (!evaluator || !(f.target.kind == kind)) {
            kind = f.target.kind;
            evaluator.emplace(searched, kind, range, window);
        }
        FormulaRecord record;
        record.code = f.code;
        record.kill = f.target.kill;
        const FormulaStatistics s = evaluator->evaluate(record).scored.record.statistics;
        if (s.hasChance() && std::isfinite(s.z) && (!best || s.z > *best))
            best = s.z;
    }
    return best;
}

double NullSearch::chanceBestZ(std::uint64_t candidates)
{
    if (candidates <= 1)
        return 0.0;
    return std::sqrt(2.0 * std::log(static_cast<double>(candidates)));
}

double NullSearch::exceedance(int found, const std::vector<int>& foundPerRun)
{
    const auto atLeast = std::count_if(foundPerRun.begin(), foundPerRun.end(), [found](int n) { return n >= found; });
    return static_cast<double>(1 + atLeast) / static_cast<double>(foundPerRun.size() + 1);
}
