#include "search/BoundTuner.h"

#include "search/CandidateGenerator.h"
#include "search/CandidateScorer.h"
#include "search/SearchEngine.h"

#include <cmath>

BoundTuner::BoundTuner(SearchEngine& engine, const HistorySnapshot& history, int range, const ScoringWindow& window)
    : m_engine(engine),
      m_history(history),
      m_range(range),
      m_window(window)
{}

BoundTuner::Result BoundTuner::tune(const FormulaTarget& target, const SearchOptions& options, std::uint64_t seed,
                                    int trials)
{
    const CandidateGenerator generator(seed, options.operands, options.constant);
    const CandidateScorer scorer(m_history, target.rule(m_range), m_window);
    const std::vector<FormulaStatistics> all = m_engine.scoreRange(generator, scorer, 0, trials);
    Result result;
    for (size_t i = 0; i < all.size(); ++i)
        result.tuned = update(result.tuned, all[i], i == 0);
    result.evaluated = static_cast<int>(all.size());
    if (!all.empty())
        result.last = all.back();
    return result;
}

TunedValues BoundTuner::update(const TunedValues& tuned, const FormulaStatistics& s, bool first)
{
    const auto f = [](int v) { return static_cast<float>(v); };
    if (first)
        return {s.rate, f(s.longestMissRun), f(s.longestHitRun), f(s.lastMissRun), f(s.lastHitRun)};
    TunedValues t = tuned;
    if (s.rate > t.rate)
        t.rate = (s.rate + t.rate) / 2;
    if (f(s.longestMissRun) < t.longestMissRun)
        t.longestMissRun = (f(s.longestMissRun) + t.longestMissRun) / 2;
    if (f(s.longestHitRun) > t.longestHitRun)
        t.longestHitRun = (f(s.longestHitRun) + t.longestHitRun) / 2;
    if (f(s.lastMissRun) < t.lastMissRun)
        t.lastMissRun = (f(s.lastMissRun) + t.lastMissRun) / 2;
    if (f(s.lastHitRun) > t.lastHitRun)
        t.lastHitRun = (f(s.lastHitRun) + t.lastHitRun) / 2;
    return t;
}

QStringList BoundTuner::writeBack(const TunedValues& tuned, const QStringList& boxes)
{
    QStringList out = boxes;
    while (out.size() < StatisticBounds::kCount)
        out << QStringLiteral("0");
    const auto rounded = [](float v) {
        return QString::number(static_cast<long long>(std::floor(static_cast<double>(v) + 0.5)));
    };
    out[0] = QString::number(tuned.rate, 'g', 7);
    out[3] = rounded(tuned.longestMissRun);
    out[4] = rounded(tuned.longestHitRun);
    out[7] = rounded(tuned.lastMissRun);
    // A latest hit run below 1 would accept formulas that missed the latest draw.
    out[8] = std::trunc(tuned.lastHitRun) > 0 ? rounded(tuned.lastHitRun) : QStringLiteral("1");
    return out;
}
