#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <vector>

// What the trend chart's columns are. The first five views look at one position;
// the others at the whole draw (or its first two or three positions).
enum class TrendView {
    Numbers, // 号码: one column per number 1..R
    BigSmall, // 大小: 大 = the upper half (6..11, or 7..12), 小 = the lower half
    OddEven, // 单双
    PrimeComposite, // 质合: 质 = 1, 2, 3, 5, 7, 11 (1 counts as 质, as these games count it), 合 = the rest
    Route012, // 012路: the number's remainder mod 3
    Distribution, // 号码分布: every number, drawn when in any position
    Sum, // 和值: every possible sum of five numbers
    SumTail, // 和尾: the sum's last digit
    Span, // 跨度: largest minus smallest
    RatioBigSmall, // 大小比: how many of the five are 大, "大:小"
    RatioOddEven, // 奇偶比
    RatioPrimeComposite, // 质合比
    Pairs, // 任二遗漏: every unordered pair, drawn when both numbers are in the draw
    Front2Group, // 前二组选: the unordered pair of the first two positions
    Front3Group, // 前三组选: the unordered triple of the first three positions
};

// The columns of one view for a range 1..R: their captions, how a draw falls into
// them and each column's exact chance under a random draw (five distinct numbers,
// every order equally likely).
struct TrendClasses {
    static constexpr int kViewCount = 15;

    TrendView view = TrendView::Numbers;
    int range = 11;
    QStringList labels; // column captions, also the columns' keys: "01", "大", "30", "3:2", "01-07" ..
    std::vector<int> columnOf; // per-position views: [number − 1] → column
    std::vector<int> sizes; // per-position views: numbers per column
    std::vector<double> chances; // per column: the chance that a draw falls in it
    int hitsPerDraw = 1; // columns one draw falls in: 1, 5 (distribution) or 10 (pairs)

    static TrendClasses of(TrendView view, int range);
    // The view's name as the window shows it: 号码, 大小 .. 前三组选.
    static QString caption(TrendView view);
    // Whether the view looks at one position (and so needs one).
    static bool perPosition(TrendView view) { return static_cast<int>(view) <= static_cast<int>(TrendView::Route012); }
    bool perPosition() const { return perPosition(view); }
    int columnCount() const { return static_cast<int>(labels.size()); }
    // The numbers of a column of a per-position view, in increasing order.
    std::vector<int> members(int column) const;
    // The columns a draw falls in (hitsPerDraw of them); `position` 1..5 for a per-position view.
    void hits(const std::array<int, 5>& draw, int position, int* out) const;

    // The lower bound of 大 for a range: 6 for 1..11, 7 for 1..12.
    static int firstBig(int range) { return range / 2 + 1; }
    static bool isPrimeClass(int number);
    // The smallest and the largest sum of five distinct numbers of 1..range.
    static int smallestSum() { return 15; }
    static int largestSum(int range) { return 5 * range - 10; }

private:
    std::vector<int> m_pairIndex; // [a * (R + 1) + b] for a < b
    std::vector<int> m_tripleIndex; // [(a * (R + 1) + b) * (R + 1) + c] for a < b < c
    int m_ratioHalf = 0; // ratio views: 0 大, 1 单, 2 质
};
