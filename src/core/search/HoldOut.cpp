#include "search/HoldOut.h"

#include "common/UserError.h"
#include "formula/FormulaScoring.h"
#include "history/HistorySnapshot.h"

#include <algorithm>
#include <array>
#include <cmath>

int HoldOut::defaultDraws(int drawCount, const ScoringWindow& window)
{
    const auto [first, end] = FormulaScoring::countedRows(drawCount, window);
    const int counted = end - first;
    const int most = drawCount - 2;
    if (most < 1)
        return 0;
    const int share = static_cast<int>(std::lround(counted * (kDefaultPercent / 100.0)));
    return std::clamp(share, 1, most);
}

void HoldOut::check(int draws, int drawCount)
{
    if (draws < 1 || drawCount - draws < 2)
        throw UserError(QStringLiteral("公式搜索"),
                        QStringLiteral("留出期数必须在 1 到 %1 之间（搜索至少需要两期较早的历史）")
                            .arg(std::max(drawCount - 2, 0)));
}

HistorySnapshot HoldOut::olderDraws(const HistorySnapshot& history, int draws)
{
    const int rows = std::max(history.size() - std::max(draws, 0), 0);
    HistorySnapshot older;
    older.reserve(rows);
    std::array<std::int32_t, AttributeCatalog::kCount> values{};
    for (int row = 0; row < rows; ++row) {
        for (int a = 0; a < AttributeCatalog::kCount; ++a)
            values[static_cast<size_t>(a)] = history.value(row, a);
        older.append(history.issue(row), values);
    }
    return older;
}

ScoringWindow HoldOut::heldOutWindow(int draws, const ScoringWindow& window)
{
    // A look-back of M with the current draw left out counts exactly the newest M draws.
    return ScoringWindow{draws, true, window.weighted};
}

HoldOutSummary HoldOut::summarize(const std::vector<FoundFormula>& found, int heldOut)
{
    HoldOutSummary summary;
    summary.heldOut = heldOut;
    for (const FoundFormula& f : found) {
        if (!f.heldOut || !f.heldOut->hasChance())
            continue;
        ++summary.count;
        summary.inSampleRate += static_cast<double>(f.statistics.rate);
        summary.heldOutRate += static_cast<double>(f.heldOut->rate);
        summary.chanceRate += f.heldOut->expectedRate;
    }
    if (summary.count > 0) {
        summary.inSampleRate /= summary.count;
        summary.heldOutRate /= summary.count;
        summary.chanceRate /= summary.count;
    }
    return summary;
}
