#include "analysis/TrendRange.h"

#include "history/HistorySnapshot.h"
#include "history/IssueNumbers.h"

#include <algorithm>

TrendRange TrendRange::latest(int window)
{
    TrendRange range;
    range.window = std::max(0, window);
    return range;
}

TrendRange TrendRange::lastDays(int days, const QDate& lastDay)
{
    TrendRange range;
    range.kind = Kind::Days;
    range.days = std::max(1, days);
    range.lastDay = lastDay;
    return range;
}

TrendRange TrendRange::issues(const QString& from, const QString& to)
{
    TrendRange range;
    range.kind = Kind::Issues;
    range.from = from;
    range.to = to;
    return range;
}

TrendRows TrendRange::resolve(const HistorySnapshot& history, bool longDateIssues) const
{
    const int size = history.size();
    switch (kind) {
    case Kind::Latest: {
        const int rows = window <= 0 ? size : std::min(window, size);
        return {size - rows, size};
    }
    case Kind::Days: {
        const QDate firstDay = lastDay.addDays(-(days - 1));
        // The history is in time order, so the counted days are one block of rows.
        int first = size;
        int end = size;
        for (int row = size - 1; row >= 0; --row) {
            const std::optional<QDate> date = IssueNumbers::dateOf(history.issue(row), longDateIssues);
            if (!date)
                continue;
            if (*date > lastDay) {
                end = row;
                first = row;
            } else if (*date >= firstDay) {
                first = row;
            } else {
                break;
            }
        }
        return {first, std::max(first, end)};
    }
    case Kind::Issues: {
        const auto& issues = history.issues();
        const int first = static_cast<int>(std::lower_bound(issues.begin(), issues.end(), from) - issues.begin());
        const int end = static_cast<int>(std::upper_bound(issues.begin(), issues.end(), to) - issues.begin());
        return {first, std::max(first, end)};
    }
    }
    return {size, size};
}
