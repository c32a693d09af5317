#include "search/SearchSession.h"

#include "search/HoldOut.h"
#include "search/SearchEngine.h"

#include <algorithm>
#include <cmath>

namespace {
using Clock = std::chrono::steady_clock;
// Candidates per thread and batch when only a count limits the work: large enough
// that handing out the work costs nothing next to it.
constexpr std::uint64_t kBatchPerThread = 65536;
// The first batch of a timed step, sized again from its speed afterwards.
constexpr std::uint64_t kFirstTimedBatchPerThread = 4096;
} // namespace

SearchSession::SearchSession(SearchEngine& engine, const HistorySnapshot& history, int range,
                             const ScoringWindow& window, std::uint64_t seed)
    : m_engine(engine),
      m_history(history),
      m_range(range),
      m_window(window),
      m_seed(seed)
{}

void SearchSession::begin(const FormulaTarget& target, const StatisticBounds& bounds, const SearchOptions& options,
                          KernelPath path)
{
    // The last candidate of the previous task is shown as it was judged.
    showLast();
    m_generator = std::make_unique<CandidateGenerator>(m_seed, options.operands, options.constant);
    m_scorer = std::make_unique<CandidateScorer>(searched(), target.rule(m_range), m_window, path);
    if (m_heldOut > 0)
        m_heldOutEvaluator.emplace(m_history, target.kind, m_range, HoldOut::heldOutWindow(m_heldOut, m_window));
    else
        m_heldOutEvaluator.reset();
    m_target = target;
    m_bounds = bounds;
    m_options = options;
    m_verified = 0;
    m_busy = {};
}

void SearchSession::setHeldOut(int draws)
{
    if (draws == m_heldOut)
        return;
    if (draws != 0)
        HoldOut::check(draws, m_history.size());
    // The last candidate judged on the old split is shown before its scorer goes.
    showLast();
    // The scorer reads the older draws' columns: it goes before they do.
    m_scorer.reset();
    m_generator.reset();
    m_heldOutEvaluator.reset();
    m_older = draws > 0 ? HoldOut::olderDraws(m_history, draws) : HistorySnapshot();
    m_heldOut = draws;
    m_found.clear();
    m_verified = 0;
}

std::optional<FormulaStatistics> SearchSession::scoreHeldOut(const QString& code) const
{
    if (!m_heldOutEvaluator)
        return std::nullopt;
    FormulaRecord record;
    record.code = code;
    record.kill = m_target.kill;
    const FormulaEvaluation evaluation = m_heldOutEvaluator->evaluate(record);
    return evaluation.scored.evaluable ? std::optional(evaluation.scored.record.statistics) : std::nullopt;
}

double SearchSession::candidatesPerSecond() const
{
    const double seconds = std::chrono::duration<double>(m_busy).count();
    return seconds > 0 ? static_cast<double>(m_verified) / seconds : 0.0;
}

std::uint64_t SearchSession::stillWanted(double target) const
{
    const double missing = std::ceil(target - static_cast<double>(m_found.size()));
    // NaN and negative targets want nothing; nothing beyond the capacity can be found anyway.
    if (!(missing > 0))
        return 0;
    return static_cast<std::uint64_t>(std::min(missing, static_cast<double>(kCapacity)));
}

int SearchSession::runBatch(std::uint64_t count, std::uint64_t wanted)
{
    const auto started = Clock::now();
    const SearchBatch batch = m_engine.search(*m_generator, *m_scorer, m_bounds, m_nextIndex, count, wanted);
    m_busy += Clock::now() - started;
    m_nextIndex += batch.evaluated;
    m_verified += batch.evaluated;
    for (const AcceptedCandidate& a : batch.accepted) {
        const QString code = CandidateGenerator::code(a.candidate);
        m_found.push_back({code, CandidateGenerator::text(a.candidate, m_target, m_options.form), m_target,
                           a.statistics, scoreHeldOut(code)});
    }
    if (batch.evaluated > 0)
        m_lastIndex = m_nextIndex - 1;
    return static_cast<int>(batch.accepted.size());
}

void SearchSession::showLast() const
{
    if (!m_lastIndex || !m_generator)
        return;
    const Candidate candidate = m_generator->generate(*m_lastIndex);
    m_lastText = CandidateGenerator::text(candidate, m_target, m_options.form);
    m_lastStatistics = m_scorer->score(candidate);
    m_lastIndex.reset();
}

const QString& SearchSession::lastText() const
{
    showLast();
    return m_lastText;
}

const FormulaStatistics& SearchSession::lastStatistics() const
{
    showLast();
    return m_lastStatistics;
}

int SearchSession::run(const SearchBudget& budget, std::uint64_t wanted)
{
    if (!hasTask())
        return 0;
    const auto started = Clock::now();
    std::uint64_t left = budget.candidates.value_or(kUnlimited);
    const std::uint64_t threads = static_cast<std::uint64_t>(m_engine.threadCount());
    std::uint64_t batchSize = (budget.time ? kFirstTimedBatchPerThread : kBatchPerThread) * threads;
    int accepted = 0;
    while (left > 0 && wanted > 0 && !full()) {
        const std::uint64_t room = static_cast<std::uint64_t>(kCapacity) - m_found.size();
        const auto batchStart = Clock::now();
        const std::uint64_t count = std::min(left, batchSize);
        const int got = runBatch(count, std::min(wanted, room));
        accepted += got;
        wanted -= static_cast<std::uint64_t>(got);
        left -= std::min(left, count);
        if (!budget.time)
            continue;
        const auto now = Clock::now();
        const auto spent = now - started;
        if (spent >= *budget.time)
            break;
        // Size the next batch to what fits in the time left.
        const double perCandidate =
            std::chrono::duration<double>(now - batchStart).count() / static_cast<double>(count);
        const double remaining = std::chrono::duration<double>(*budget.time - spent).count();
        const double fits = perCandidate > 0 ? remaining / perCandidate : static_cast<double>(batchSize * 2);
        batchSize = std::clamp<std::uint64_t>(static_cast<std::uint64_t>(fits), threads * 16,
                                              std::max(batchSize * 4, kBatchPerThread * threads));
    }
    return accepted;
}
