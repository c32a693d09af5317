#pragma once

#include <QString>
#include <QStringList>
#include <vector>

// What the trend chart's columns are: every number, or the two halves of one split.
enum class TrendView {
    Numbers, // 号码: one column per number 1..R
    BigSmall, // 大小: 大 = the upper half (6..11, or 7..12), 小 = the lower half
    OddEven, // 单双
    PrimeComposite, // 质合: 质 = 1, 2, 3, 5, 7, 11 (1 counts as 质, as these games count it), 合 = the rest
};

// The columns of one view: their captions and which column each number falls in.
struct TrendClasses {
    TrendView view = TrendView::Numbers;
    int range = 11;
    QStringList labels; // column captions: "01".."11", or "大", "小" ..
    std::vector<int> columnOf; // [number − 1] → column
    std::vector<int> sizes; // numbers per column

    static TrendClasses of(TrendView view, int range);
    int columnCount() const { return static_cast<int>(labels.size()); }
    // The numbers of a column, in increasing order.
    std::vector<int> members(int column) const;
    // The lower bound of 大 for a range: 6 for 1..11, 7 for 1..12.
    static int firstBig(int range) { return range / 2 + 1; }
    static bool isPrimeClass(int number);
};
