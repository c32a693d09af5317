#pragma once

#include <QString>
#include <cstdint>
#include <vector>

// One extra column of the history grid: a formula's value on every draw.
// `numbers` holds a value folded into 1..R (kEmpty where there is none) with
// `hits` marking draws whose prediction came true; `values` holds raw values
// (NaN where empty). A column fills one of the two.
struct FormulaResultColumn {
    static constexpr std::int8_t kEmpty = INT8_MIN;
    // The grid shows at most this many formula columns; longer lists show their first ones.
    static constexpr int kMaxColumns = 512;
    QString header;
    QString toolTip;
    std::vector<std::int8_t> numbers;
    std::vector<std::uint8_t> hits;
    std::vector<double> values;
};
