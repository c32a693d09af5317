#pragma once

#include "analysis/TrendClasses.h"
#include "analysis/TrendRange.h"

#include <QString>
#include <array>
#include <cstdint>
#include <vector>

class HistorySnapshot;

// The omission figures of one column over the chart's draws.
struct OmissionStats {
    int column = 0;
    int current = 0; // draws since it last came; 0 when it came in the latest draw, every draw when never
    int max = 0; // the longest run of draws without it, the current run included
    double average = 0.0; // the mean length of the runs between its appearances, empty runs included
    int frequency = 0; // draws it came in
    double expected = 0.0; // draws it would come in at chance: draws × the column's chance
    int maxRun = 0; // the longest run of consecutive draws it came in
    double z = 0.0; // (frequency − expected) / its binomial standard deviation; 0 when that is 0
    bool marked = false; // |z| ≥ kMarkedZ: far from chance for this one column
};

// The trend chart (走势图) of one view: the counted draws, oldest first, each
// with the columns it falls in and, in every other column, the running
// omission (遗漏): how many draws have passed since that column last came.
// Everything is counted inside the chart's draws; a column that has not come
// since the first of them counts from there.
class TrendChart {
public:
    static constexpr double kMarkedZ = 3.0;

    // The history's rows `rows` (see TrendRange), at `position` 1..5 for a
    // per-position view (ignored otherwise).
    static TrendChart build(const HistorySnapshot& history, int position, TrendRows rows, const TrendClasses& classes);
    // The latest `window` draws (0, or more than there are: all).
    static TrendChart build(const HistorySnapshot& history, int position, int window, const TrendClasses& classes);
    // Per-position views from plain draws: `issues` and the `numbers` drawn at the position, oldest first.
    TrendChart(std::vector<QString> issues, const std::vector<int>& numbers, TrendClasses classes);
    // Any view from whole draws (five distinct numbers each), oldest first.
    TrendChart(std::vector<QString> issues, const std::vector<std::array<int, 5>>& draws, int position,
               TrendClasses classes);
    TrendChart() = default;

    const TrendClasses& classes() const { return m_classes; }
    int position() const { return m_position; } // 0 for a whole-draw view
    int rowCount() const { return static_cast<int>(m_issues.size()); }
    int columnCount() const { return m_classes.columnCount(); }
    int hitsPerDraw() const { return m_classes.hitsPerDraw; }
    const QString& issue(int row) const { return m_issues[static_cast<size_t>(row)]; }
    // The number at the chart's position (per-position views).
    int number(int row) const { return m_numbers[static_cast<size_t>(row)]; }
    // The draw's numbers in drawn order, two digits each ("03 11 07 01 05"); the position's number alone when
    // the chart was made from one position's numbers.
    QString drawText(int row) const;
    // The draw's numbers in drawn order (empty when made from one position's numbers).
    std::vector<int> drawNumbers(int row) const;
    // The i-th column (0 .. hitsPerDraw − 1) the row falls in.
    int hit(int row, int i) const
    {
        return m_hits[static_cast<size_t>(row) * static_cast<size_t>(hitsPerDraw()) + static_cast<size_t>(i)];
    }
    // The column the row falls in (the first of them where a draw falls in several).
    int drawnColumn(int row) const { return hit(row, 0); }
    // 0 where the row falls in the column, else the draws since it last did.
    int omission(int row, int column) const
    {
        return m_omissions[static_cast<size_t>(row) * static_cast<size_t>(columnCount()) + static_cast<size_t>(column)];
    }

    // One entry per column, in column order.
    const std::vector<OmissionStats>& omissionTable() const { return m_table; }

private:
    void count();

    TrendClasses m_classes;
    int m_position = 0;
    std::vector<QString> m_issues;
    std::vector<std::int8_t> m_numbers;
    std::vector<std::int8_t> m_draws; // [row * 5 + i]; empty when made from one position's numbers
    std::vector<std::int16_t> m_hits; // [row * hitsPerDraw + i]
    std::vector<std::int32_t> m_omissions; // [row * columns + column]
    std::vector<OmissionStats> m_table;
};
