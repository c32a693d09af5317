#include "search/SearchPlan.h"

#include <algorithm>
#include <cmath>

namespace {
// Far beyond the found list's capacity, far within an int.
constexpr double kLargestCount = 1.0e9;
} // namespace

std::optional<int> SearchPlan::countOf(const QString& text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return static_cast<int>(std::clamp(std::ceil(value), -kLargestCount, kLargestCount));
}

std::array<std::optional<int>, 11> SearchPlan::countsOf(const std::array<QString, 11>& texts)
{
    std::array<std::optional<int>, 11> counts{};
    for (int kind = 1; kind <= FormulaKind::kCount; ++kind)
        if (isSearched(kind))
            counts[static_cast<size_t>(kind)] = countOf(texts[static_cast<size_t>(kind)]);
    return counts;
}

long long SearchPlan::total(const std::array<int, 11>& existing) const
{
    long long sum = 0;
    for (int kind = 1; kind <= FormulaKind::kCount; ++kind) {
        const std::optional<int>& count = counts[static_cast<size_t>(kind)];
        if (!isSearched(kind) || !count)
            continue;
        sum += mode == Mode::HoldCount ? std::max(0, *count - existing[static_cast<size_t>(kind)]) : *count;
    }
    return sum;
}
