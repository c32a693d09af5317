#include "formula/FormulaScoring.h"

#include "formula/CompiledFormula.h"
#include "history/HistorySnapshot.h"
#include "scoring/FormulaRounding.h"
#include "scoring/HitRule.h"
#include "scoring/RunTally.h"

#include <algorithm>
#include <cmath>

namespace {

// Walks the counted rows [first, end) given the values of rows [first-1, end-1).
template <int FixedRange, bool OnePosition>
FormulaStatistics walk(const HitRule& hits, int range, const double* previousValues, int first, int end, bool weighted)
{
    RunTally tally;
    std::int64_t totalWeight = 0;
    std::int64_t j = 0;
    const std::int32_t* numbers = hits.firstColumn();
    const std::uint32_t killBit = hits.killBit();
    for (int row = first; row < end; ++row) {
        ++j;
        const std::int64_t weight = weighted ? j * j : 1;
        totalWeight += weight;
        const unsigned bit = HitRule::predictedBit<FixedRange>(previousValues[row - first], range);
        const std::uint16_t present =
            OnePosition ? static_cast<std::uint16_t>(HitRule::drawnBit(numbers[row])) : hits.present(row);
        tally.add(HitRule::judgeAnyBit(present, bit, killBit), weight);
    }
    return tally.finish(totalWeight);
}

} // namespace

bool FormulaScoring::isFoldable(double value) { return HitRule::isFoldable(value); }

std::int64_t FormulaScoring::roundHalfEven(double value)
{
    return isFoldable(value) ? static_cast<std::int64_t>(roundHalfEvenValue(value)) : 0;
}

int FormulaScoring::nextNumber(double latestValue, int range)
{
    // Mod rounds its operand: 2.5 → 1.5 → 2 → 3, unlike the stored PreCanshu.
    if (!isFoldable(latestValue))
        return 0;
    const double shifted = roundHalfEvenValue(latestValue - 1.0);
    return static_cast<int>(std::fmod(shifted, static_cast<double>(range))) + 1;
}

int FormulaScoring::namedNumber(double value, int range)
{
    // Most values are whole numbers of modest size: the fold is then exact in integers.
    if (value > -2.0e9 && value < 2.0e9) {
        const auto whole = static_cast<std::int64_t>(value);
        if (static_cast<double>(whole) == value) {
            const int n = static_cast<int>(HitRule::fold<std::int64_t>(whole, range));
            return n >= 1 ? n : 0;
        }
    }
    const int n = nextNumber(value, range);
    return n >= 1 && n <= range ? n : 0;
}

std::pair<int, int> FormulaScoring::countedRows(int drawCount, const ScoringWindow& window)
{
    return window.countedRows(drawCount);
}

FormulaStatistics FormulaScoring::scorePredictions(const HitRule& hits, int range, const double* previousValues,
                                                   int first, int end, bool weighted)
{
    // The two ranges in use get a constant divisor, direct rules a loop of their own.
    const bool one = hits.judgesOnePosition();
    if (range == 11)
        return one ? walk<11, true>(hits, range, previousValues, first, end, weighted)
                   : walk<11, false>(hits, range, previousValues, first, end, weighted);
    if (range == 12)
        return one ? walk<12, true>(hits, range, previousValues, first, end, weighted)
                   : walk<12, false>(hits, range, previousValues, first, end, weighted);
    return walk<0, false>(hits, range, previousValues, first, end, weighted);
}

FormulaStatistics FormulaScoring::tallyHits(const std::uint8_t* hits, int first, int end, bool weighted)
{
    RunTally tally;
    std::int64_t totalWeight = 0;
    std::int64_t j = 0;
    for (int row = first; row < end; ++row) {
        ++j;
        const std::int64_t weight = weighted ? j * j : 1;
        totalWeight += weight;
        tally.add(hits[row], weight);
    }
    return tally.finish(totalWeight);
}

FormulaStatistics FormulaScoring::score(const HistorySnapshot& history, const CompiledFormula& formula,
                                        const ScoringRule& rule, const ScoringWindow& window)
{
    const auto [first, end] = countedRows(history.size(), window);
    if (first >= end)
        return {};
    // One buffer per thread, reused: scoring many candidates allocates nothing.
    thread_local std::vector<double> values;
    values.resize(static_cast<size_t>(end - first));
    formula.evaluate(history, first - 1, end - 1, values.data());
    return scorePredictions(HitRule(history, rule), rule.range, values.data(), first, end, window.weighted);
}

FormulaStatistics FormulaScoring::scoreValues(const HistorySnapshot& history, const std::vector<double>& values,
                                              const ScoringRule& rule, const ScoringWindow& window)
{
    const auto [first, end] = countedRows(std::min(history.size(), static_cast<int>(values.size())), window);
    if (first >= end)
        return {};
    return scorePredictions(HitRule(history, rule), rule.range, values.data() + (first - 1), first, end,
                            window.weighted);
}

QString FormulaScoring::rateCellText(const FormulaStatistics& statistics)
{
    // "00.0000": at least two digits before the point, four after.
    QString rate = QString::number(static_cast<double>(statistics.rate), 'f', 4);
    const qsizetype point = rate.indexOf(u'.');
    const bool negative = rate.startsWith(u'-');
    if (point - (negative ? 1 : 0) < 2)
        rate.insert(negative ? 1 : 0, u'0');
    return QStringLiteral("%1% (%2/%3)").arg(rate).arg(statistics.hitWeight).arg(statistics.totalWeight);
}
