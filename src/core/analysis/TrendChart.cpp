#include "analysis/TrendChart.h"

#include "history/HistorySnapshot.h"

#include <algorithm>
#include <stdexcept>
#include <string>

TrendChart TrendChart::build(const HistorySnapshot& history, int position, int window, const TrendClasses& classes)
{
    if (position < 1 || position > 5)
        throw std::invalid_argument("position must be 1..5");
    const int rows = window <= 0 ? history.size() : std::min(window, history.size());
    const int first = history.size() - rows;
    std::vector<QString> issues(history.issues().begin() + first, history.issues().end());
    const std::vector<std::int32_t>& column = history.column(AttributeCatalog::numberColumn(position));
    return TrendChart(std::move(issues), std::vector<int>(column.begin() + first, column.end()), classes);
}

TrendChart::TrendChart(std::vector<QString> issues, const std::vector<int>& numbers, TrendClasses classes)
    : m_classes(std::move(classes)),
      m_issues(std::move(issues))
{
    if (m_issues.size() != numbers.size())
        throw std::invalid_argument("one issue per drawn number");
    const size_t columns = static_cast<size_t>(columnCount());
    m_numbers.reserve(numbers.size());
    m_omissions.resize(numbers.size() * columns);
    std::vector<std::int32_t> running(columns, 0);
    for (size_t row = 0; row < numbers.size(); ++row) {
        const int n = numbers[row];
        if (n < 1 || n > m_classes.range)
            throw std::invalid_argument("draw " + std::to_string(row + 1) + " holds " + std::to_string(n) +
                                        ", outside 1.." + std::to_string(m_classes.range));
        m_numbers.push_back(static_cast<std::int8_t>(n));
        const size_t drawn = static_cast<size_t>(m_classes.columnOf[static_cast<size_t>(n - 1)]);
        for (size_t c = 0; c < columns; ++c) {
            running[c] = c == drawn ? 0 : running[c] + 1;
            m_omissions[row * columns + c] = running[c];
        }
    }
}

std::vector<OmissionStats> TrendChart::omissionTable() const
{
    const int rows = rowCount();
    std::vector<OmissionStats> table(static_cast<size_t>(columnCount()));
    for (int c = 0; c < columnCount(); ++c) {
        OmissionStats& stats = table[static_cast<size_t>(c)];
        stats.column = c;
        for (int row = 0; row < rows; ++row) {
            const int gap = omission(row, c);
            stats.max = std::max(stats.max, gap);
            if (gap == 0)
                ++stats.frequency;
        }
        // Without any draw nothing has been missed yet.
        stats.current = rows > 0 ? omission(rows - 1, c) : 0;
        // f appearances cut the draws into f + 1 runs of misses (before the first,
        // between two, after the last), each possibly empty.
        stats.average = static_cast<double>(rows - stats.frequency) / (stats.frequency + 1);
        stats.expected = static_cast<double>(rows) * m_classes.sizes[static_cast<size_t>(c)] / m_classes.range;
    }
    return table;
}
