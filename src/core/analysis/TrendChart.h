#pragma once

#include "analysis/TrendClasses.h"

#include <QString>
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
    double expected = 0.0; // draws it would come in at chance: draws × (its numbers / R)
};

// The trend chart (走势图) of one position: the latest draws, oldest first, each
// with the column its number falls in and, in every other column, the running
// omission (遗漏): how many draws have passed since that column last came.
// Everything is counted inside the chart's draws; a column that has not come
// since the first of them counts from there.
class TrendChart {
public:
    // The latest `window` draws of the history (0, or more than there are: all)
    // at `position` 1..5.
    static TrendChart build(const HistorySnapshot& history, int position, int window, const TrendClasses& classes);
    // The same from plain draws: `issues` and the `numbers` drawn at the position, oldest first.
    TrendChart(std::vector<QString> issues, const std::vector<int>& numbers, TrendClasses classes);
    TrendChart() = default;

    const TrendClasses& classes() const { return m_classes; }
    int rowCount() const { return static_cast<int>(m_numbers.size()); }
    int columnCount() const { return m_classes.columnCount(); }
    const QString& issue(int row) const { return m_issues[static_cast<size_t>(row)]; }
    int number(int row) const { return m_numbers[static_cast<size_t>(row)]; }
    // The column the row's number falls in.
    int drawnColumn(int row) const { return m_classes.columnOf[static_cast<size_t>(number(row) - 1)]; }
    // 0 where the row's number falls in the column, else the draws since it last did.
    int omission(int row, int column) const
    {
        return m_omissions[static_cast<size_t>(row) * static_cast<size_t>(columnCount()) + static_cast<size_t>(column)];
    }

    // One entry per column, in column order.
    std::vector<OmissionStats> omissionTable() const;

private:
    TrendClasses m_classes;
    std::vector<QString> m_issues;
    std::vector<std::int8_t> m_numbers;
    std::vector<std::int32_t> m_omissions; // [row * columns + column]
};
