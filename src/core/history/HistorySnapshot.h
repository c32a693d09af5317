#pragma once

#include "history/AttributeCatalog.h"

#include <QString>
#include <array>
#include <cstdint>
#include <vector>

class SqliteDatabase;

// The stored history as columns, oldest draw first: one contiguous int32 array
// per attribute column. Loaded once per change of the history; evaluation and
// scoring only ever read it. Loading refuses a damaged row (a value outside
// AttributeCatalog::valueRange, or a number above the range of the lottery the
// file records) with a message naming its issue and column.
class HistorySnapshot {
public:
    static HistorySnapshot load(SqliteDatabase& db);

    int size() const { return static_cast<int>(m_issues.size()); }
    bool empty() const { return m_issues.empty(); }
    const QString& issue(int row) const { return m_issues[static_cast<size_t>(row)]; }
    const std::vector<QString>& issues() const { return m_issues; }
    const std::vector<std::int32_t>& column(int attribute) const { return m_columns[static_cast<size_t>(attribute)]; }
    std::int32_t value(int row, int attribute) const { return column(attribute)[static_cast<size_t>(row)]; }
    // The number drawn at position 1..5 of a row.
    int number(int row, int position) const { return value(row, AttributeCatalog::numberColumn(position)); }
    // Row of an issue, or -1.
    int rowOf(const QString& issue) const;
    // The largest |value| of any column (2^31 for the int32 minimum).
    std::int64_t largestMagnitude() const { return m_largestMagnitude; }

    // Builds a snapshot in memory (tests, benchmarks, demo data).
    void append(const QString& issue, const std::array<std::int32_t, AttributeCatalog::kCount>& values);
    void reserve(int rows);

private:
    std::vector<QString> m_issues;
    std::array<std::vector<std::int32_t>, AttributeCatalog::kCount> m_columns;
    std::int64_t m_largestMagnitude = 0;
};
