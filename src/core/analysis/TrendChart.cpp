#include "analysis/TrendChart.h"

#include "history/HistorySnapshot.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

namespace {

std::invalid_argument outside(size_t row, int n, int range)
{
    return std::invalid_argument("draw " + std::to_string(row + 1) + " holds " + std::to_string(n) + ", outside 1.." +
                                 std::to_string(range));
}

} // namespace

TrendChart TrendChart::build(const HistorySnapshot& history, int position, TrendRows rows, const TrendClasses& classes)
{
    if (classes.perPosition() && (position < 1 || position > 5))
        throw std::invalid_argument("position must be 1..5");
    rows.first = std::clamp(rows.first, 0, history.size());
    rows.end = std::clamp(rows.end, rows.first, history.size());
    std::vector<QString> issues(history.issues().begin() + rows.first, history.issues().begin() + rows.end);
    std::vector<std::array<int, 5>> draws(static_cast<size_t>(rows.count()));
    for (int p = 1; p <= 5; ++p) {
        const std::vector<std::int32_t>& column = history.column(AttributeCatalog::numberColumn(p));
        for (int row = rows.first; row < rows.end; ++row)
            draws[static_cast<size_t>(row - rows.first)][static_cast<size_t>(p - 1)] = column[static_cast<size_t>(row)];
    }
    return TrendChart(std::move(issues), draws, classes.perPosition() ? position : 0, classes);
}

TrendChart TrendChart::build(const HistorySnapshot& history, int position, int window, const TrendClasses& classes)
{
    return build(history, position, TrendRange::latest(window).resolve(history, false), classes);
}

TrendChart::TrendChart(std::vector<QString> issues, const std::vector<int>& numbers, TrendClasses classes)
    : m_classes(std::move(classes)),
      m_position(1),
      m_issues(std::move(issues))
{
    if (!m_classes.perPosition())
        throw std::invalid_argument("one position's numbers make only a per-position view");
    if (m_issues.size() != numbers.size())
        throw std::invalid_argument("one issue per drawn number");
    m_numbers.reserve(numbers.size());
    m_hits.reserve(numbers.size());
    for (size_t row = 0; row < numbers.size(); ++row) {
        const int n = numbers[row];
        if (n < 1 || n > m_classes.range)
            throw outside(row, n, m_classes.range);
        m_numbers.push_back(static_cast<std::int8_t>(n));
        m_hits.push_back(static_cast<std::int16_t>(m_classes.columnOf[static_cast<size_t>(n - 1)]));
    }
    count();
}

TrendChart::TrendChart(std::vector<QString> issues, const std::vector<std::array<int, 5>>& draws, int position,
                       TrendClasses classes)
    : m_classes(std::move(classes)),
      m_position(m_classes.perPosition() ? position : 0),
      m_issues(std::move(issues))
{
    if (m_classes.perPosition() && (position < 1 || position > 5))
        throw std::invalid_argument("position must be 1..5");
    if (m_issues.size() != draws.size())
        throw std::invalid_argument("one issue per draw");
    const size_t k = static_cast<size_t>(hitsPerDraw());
    m_numbers.reserve(draws.size());
    m_draws.reserve(draws.size() * 5);
    m_hits.resize(draws.size() * k);
    std::array<int, 10> hits{};
    for (size_t row = 0; row < draws.size(); ++row) {
        const std::array<int, 5>& draw = draws[row];
        unsigned seen = 0;
        for (int n : draw) {
            if (n < 1 || n > m_classes.range)
                throw outside(row, n, m_classes.range);
            // Whole-draw columns assume five different numbers; a repeated one would count twice.
            if ((seen & (1u << n)) != 0 && !m_classes.perPosition())
                throw std::invalid_argument("draw " + std::to_string(row + 1) + " repeats " + std::to_string(n));
            seen |= 1u << n;
            m_draws.push_back(static_cast<std::int8_t>(n));
        }
        m_numbers.push_back(static_cast<std::int8_t>(m_position > 0 ? draw[static_cast<size_t>(m_position - 1)] : 0));
        m_classes.hits(draw, m_position, hits.data());
        for (size_t i = 0; i < k; ++i)
            m_hits[row * k + i] = static_cast<std::int16_t>(hits[i]);
    }
    count();
}

QString TrendChart::drawText(int row) const
{
    if (m_draws.empty())
        return QStringLiteral("%1").arg(number(row), 2, 10, QChar(u'0'));
    QStringList numbers;
    for (size_t i = 0; i < 5; ++i)
        numbers << QStringLiteral("%1").arg(m_draws[static_cast<size_t>(row) * 5 + i], 2, 10, QChar(u'0'));
    return numbers.join(u' ');
}

std::vector<int> TrendChart::drawNumbers(int row) const
{
    if (m_draws.empty())
        return {};
    const auto first = m_draws.begin() + static_cast<std::ptrdiff_t>(row) * 5;
    return std::vector<int>(first, first + 5);
}

void TrendChart::count()
{
    const size_t columns = static_cast<size_t>(columnCount());
    const size_t rows = m_issues.size();
    const size_t k = static_cast<size_t>(hitsPerDraw());
    m_omissions.resize(rows * columns);
    m_table.assign(columns, OmissionStats{});
    std::vector<std::int32_t> running(columns, 0);
    std::vector<int> run(columns, 0);
    // One pass in row order: the running omission and the table's counts together.
    for (size_t row = 0; row < rows; ++row) {
        std::int32_t* line = m_omissions.data() + row * columns;
        for (size_t c = 0; c < columns; ++c)
            line[c] = ++running[c];
        for (size_t i = 0; i < k; ++i) {
            const size_t c = static_cast<size_t>(m_hits[row * k + i]);
            running[c] = 0;
            line[c] = 0;
        }
        for (size_t c = 0; c < columns; ++c) {
            OmissionStats& stats = m_table[c];
            if (line[c] == 0) {
                ++stats.frequency;
                stats.maxRun = std::max(stats.maxRun, ++run[c]);
            } else {
                run[c] = 0;
                stats.max = std::max(stats.max, line[c]);
            }
        }
    }
    const double draws = static_cast<double>(rows);
    for (size_t c = 0; c < columns; ++c) {
        OmissionStats& stats = m_table[c];
        stats.column = static_cast<int>(c);
        // Without any draw nothing has been missed yet.
        stats.current = rows > 0 ? running[c] : 0;
        // f appearances cut the draws into f + 1 runs of misses (before the first,
        // between two, after the last), each possibly empty.
        stats.average = static_cast<double>(static_cast<int>(rows) - stats.frequency) / (stats.frequency + 1);
        const double chance = m_classes.chances[c];
        stats.expected = draws * chance;
        const double deviation = std::sqrt(draws * chance * (1.0 - chance));
        stats.z = deviation > 0.0 ? (stats.frequency - stats.expected) / deviation : 0.0;
        stats.marked = std::fabs(stats.z) >= kMarkedZ;
    }
}
