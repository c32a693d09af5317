#include "formula/FormulaScoring.h"

#include "formula/CompiledFormula.h"
#include "formula/FormulaRounding.h"
#include "formula/RunTally.h"
#include "history/HistorySnapshot.h"

#include <algorithm>
#include <cmath>

namespace {

// Values this far out have no integer form worth folding; they predict nothing.
constexpr double kLargestFoldable = 9.0e18;

bool foldable(double value) { return std::isfinite(value) && std::fabs(value) < kLargestFoldable; }

// The number a value predicts, or kNoPrediction when the value is empty.
constexpr int kNoPrediction = -2147483647 - 1;

template <int FixedRange>
inline int predictFast(double value, int range)
{
    const int r = FixedRange > 0 ? FixedRange : range;
    // Most values are whole numbers of modest size: truncation is then exact.
    if (value > -2.0e9 && value < 2.0e9) {
        const auto whole = static_cast<std::int64_t>(value);
        if (static_cast<double>(whole) == value)
            return static_cast<int>((whole - 1) % r) + 1;
    }
    if (!foldable(value))
        return kNoPrediction;
    return FormulaScoring::fold(static_cast<std::int64_t>(roundHalfEvenValue(value)), r);
}

// Walks the counted rows [first, end) given the values of rows [first-1, end-1).
template <int FixedRange>
FormulaStatistics walk(const HistorySnapshot& history, const double* previousValues, int first, int end,
                       const ScoringRule& rule, const ScoringWindow& window)
{
    RunTally tally;
    std::int64_t totalWeight = 0;
    std::int64_t j = 0;
    const std::int32_t* target = history.column(AttributeCatalog::numberColumn(rule.position)).data();
    const int groupPositions = rule.group ? rule.position - 1 : 0;
    for (int row = first; row < end; ++row) {
        ++j;
        const std::int64_t weight = window.weighted ? j * j : 1;
        totalWeight += weight;
        const int predicted = predictFast<FixedRange>(previousValues[row - first], rule.range);
        bool present = target[row] == predicted;
        for (int p = 1; p <= groupPositions; ++p)
            present = present || history.number(row, p) == predicted;
        tally.add(predicted != kNoPrediction && rule.kill != present ? 1u : 0u, weight);
    }
    return tally.finish(totalWeight);
}

FormulaStatistics walkAny(const HistorySnapshot& history, const double* previousValues, int first, int end,
                          const ScoringRule& rule, const ScoringWindow& window)
{
    // The two ranges in use get a constant divisor.
    if (rule.range == 11)
        return walk<11>(history, previousValues, first, end, rule, window);
    if (rule.range == 12)
        return walk<12>(history, previousValues, first, end, rule, window);
    return walk<0>(history, previousValues, first, end, rule, window);
}

} // namespace

bool FormulaScoring::isFoldable(double value) { return foldable(value); }

std::int64_t FormulaScoring::roundHalfEven(double value)
{
    return foldable(value) ? static_cast<std::int64_t>(roundHalfEvenValue(value)) : 0;
}

int FormulaScoring::fold(std::int64_t value, int range) { return static_cast<int>((value - 1) % range) + 1; }

int FormulaScoring::predictedNumber(double value, int range)
{
    return foldable(value) ? fold(roundHalfEven(value), range) : 0;
}

int FormulaScoring::nextNumber(double latestValue, int range)
{
    // Mod rounds its operand: 2.5 → 1.5 → 2 → 3, unlike the stored PreCanshu.
    if (!foldable(latestValue))
        return 0;
    const double shifted = roundHalfEvenValue(latestValue - 1.0);
    return static_cast<int>(std::fmod(shifted, static_cast<double>(range))) + 1;
}

std::pair<int, int> FormulaScoring::countedRows(int drawCount, const ScoringWindow& window)
{
    if (drawCount <= 1)
        return {drawCount, drawCount};
    int skip = 1;
    if (window.lookBack > 0) {
        const int counted = window.excludeCurrent ? window.lookBack : window.lookBack + 1;
        skip = drawCount - counted;
    }
    // The first draw has no prediction, so it never counts.
    return {std::max(skip, 1), drawCount};
}

bool FormulaScoring::isHit(int predicted, const HistorySnapshot& history, int row, const ScoringRule& rule)
{
    bool present = false;
    if (rule.group) {
        for (int p = 1; p <= rule.position && !present; ++p)
            present = history.number(row, p) == predicted;
    } else {
        present = history.number(row, rule.position) == predicted;
    }
    return rule.kill ? !present : present;
}

bool FormulaScoring::isHitValue(double previousValue, const HistorySnapshot& history, int row, const ScoringRule& rule)
{
    if (!foldable(previousValue))
        return false;
    return isHit(predictedNumber(previousValue, rule.range), history, row, rule);
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
    return walkAny(history, values.data(), first, end, rule, window);
}

FormulaStatistics FormulaScoring::scoreValues(const HistorySnapshot& history, const std::vector<double>& values,
                                              const ScoringRule& rule, const ScoringWindow& window)
{
    const auto [first, end] = countedRows(std::min(history.size(), static_cast<int>(values.size())), window);
    if (first >= end)
        return {};
    return walkAny(history, values.data() + (first - 1), first, end, rule, window);
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
