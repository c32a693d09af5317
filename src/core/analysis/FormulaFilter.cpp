#include "analysis/FormulaFilter.h"

#include <QRegularExpression>
#include <algorithm>

namespace {

double statistic(const FormulaStatistics& s, int which)
{
    switch (which) {
    case 0: return static_cast<double>(s.rate);
    case 1: return s.longestMissRun;
    case 2: return s.longestHitRun;
    case 3: return s.lastMissRun;
    default: return s.lastHitRun;
    }
}

} // namespace

FilterBounds FormulaFilter::prefill(const std::vector<FormulaRecord>& formulas, const std::set<int>& selected)
{
    FilterBounds bounds;
    bounds.values = {100, 0, 32767, 0, 32767, 0, 32767, 0, 32767, 0};
    for (const FormulaRecord& f : formulas) {
        if (!selected.contains(f.idx))
            continue;
        for (int k = 0; k < kStatistics; ++k) {
            const double v = statistic(f.statistics, k);
            auto& low = bounds.values[static_cast<size_t>(2 * k)];
            auto& high = bounds.values[static_cast<size_t>(2 * k + 1)];
            low = std::min(low, v);
            high = std::max(high, v);
        }
    }
    return bounds;
}

bool FormulaFilter::passes(const FormulaStatistics& statistics, const FilterBounds& bounds)
{
    // The rate is a single-precision value: the widened bounds are rounded the
    // same way, so a bound written from that value keeps it.
    const float rate = statistics.rate;
    if (static_cast<float>(bounds.upper(0) + kTolerance) < rate ||
        static_cast<float>(bounds.lower(0) - kTolerance) > rate)
        return false;
    for (int k = 1; k < kStatistics; ++k) {
        const double v = statistic(statistics, k);
        if (bounds.upper(k) + kTolerance < v || bounds.lower(k) - kTolerance > v)
            return false;
    }
    return true;
}

std::set<int> FormulaFilter::apply(const std::vector<FormulaRecord>& formulas, const std::set<int>& selected,
                                   const FilterBounds& bounds)
{
    std::set<int> kept;
    for (const FormulaRecord& f : formulas)
        if (selected.contains(f.idx) && passes(f.statistics, bounds))
            kept.insert(f.idx);
    return kept;
}

double FormulaFilter::leadingNumber(const QString& text)
{
    static const QRegularExpression number(QStringLiteral(R"(^\s*([+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?))"));
    const auto match = number.match(text);
    return match.hasMatch() ? match.captured(1).toDouble() : 0.0;
}

QString FormulaFilter::boundText(int box, double value)
{
    if (box < 2)
        return QString::number(static_cast<double>(static_cast<float>(value)), 'g', 7);
    return QString::number(static_cast<long long>(value));
}
