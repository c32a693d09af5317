#pragma once

#include "analysis/BackTestResult.h"

#include <QString>
#include <memory>
#include <optional>
#include <vector>

// One row of the history list: the ranking made on draw `draw` set against the
// number drawn at the chosen position in the draw after it.
struct HistoryListRow {
    int draw = 0; // the ranked draw; the row shows draw + 1
    int actual = 0; // "开奖结果"
    std::optional<int> rank; // "排位名次": the actual number's rank; empty when it was not ranked
    std::optional<int> vote; // "Err值": its kill votes
    int groups = 0; // "总位次": distinct vote counts on the ranked draw
    std::optional<int> group; // "位次": the actual number's group, 1 = fewest votes
    std::optional<int> groupSize; // "位码数": numbers sharing its count
};

// frmLslb's list over a back-test, for one position. Columns: 期号, 开奖结果,
// 排位名次, Err值, 总位次, 位次, 位码数, 排列1..R, Err值1..R, then one column per
// vote count from the smallest up to one below the largest, headed "N次",
// listing the numbers with that count ("03 07 ").
class HistoryList {
public:
    static constexpr int kFixedColumns = 7;
    // A spreadsheet holds 16,384 columns; the count columns stop there.
    static constexpr int kMaxColumns = 16384;

    HistoryList(std::shared_ptr<const BackTestResult> result, int position);

    const BackTestResult& result() const { return *m_result; }
    std::shared_ptr<const BackTestResult> sharedResult() const { return m_result; }
    int position() const { return m_position; }
    int range() const { return m_result->range; }
    int rowCount() const { return static_cast<int>(m_rows.size()); }
    int columnCount() const { return firstCountColumn() + m_countColumns; }
    int firstCountColumn() const { return kFixedColumns + 2 * range(); }
    int countColumns() const { return m_countColumns; }
    // Smallest and largest kill-vote count over the listed rows (0 and 0 when empty).
    int smallestCount() const { return m_smallest; }
    int largestCount() const { return m_largest; }
    const HistoryListRow& row(int r) const { return m_rows[static_cast<size_t>(r)]; }

    QString header(int column) const;
    // The cell as a whole number, when it is one (everything but 期号 and the count columns).
    std::optional<int> integer(int row, int column) const;
    // The cell as the grid shows it; empty where there is nothing.
    QString text(int row, int column) const;
    // The actual number's cells among 排列 and Err值 carry the mark.
    bool marked(int row, int column) const;
    bool isTextColumn(int column) const { return column == 0 || column >= firstCountColumn(); }

private:
    QString countText(int row, int count) const;

    std::shared_ptr<const BackTestResult> m_result;
    int m_position;
    std::vector<HistoryListRow> m_rows;
    int m_smallest = 0;
    int m_largest = 0;
    int m_countColumns = 0;
};
