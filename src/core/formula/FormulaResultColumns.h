#pragma once

#include "common/Progress.h"
#include "formula/FormulaRecord.h"
#include "formula/FormulaStatistics.h"

#include <QString>
#include <cstdint>
#include <vector>

class HistorySnapshot;

// One extra column of the history grid: a formula's value on every draw.
// `numbers` holds a value folded into 1..R (kEmpty where there is none) with
// `hits` marking draws whose prediction came true; `values` holds raw values
// (NaN where empty). A column fills one of the two.
struct FormulaResultColumn {
    static constexpr std::int8_t kEmpty = INT8_MIN;
    QString header;
    QString toolTip;
    std::vector<std::int8_t> numbers;
    std::vector<std::uint8_t> hits;
    std::vector<double> values;
};

// Builds the per-draw result columns of formulas over a history.
class FormulaResultColumns {
public:
    // The grid shows at most this many formula columns; longer lists show their first ones.
    static constexpr int kMaxColumns = 512;

    // One column per formula (up to kMaxColumns). `sameDraw` shows each draw's own
    // value (Canshu); otherwise the value carried from the previous draw (PreCanshu),
    // which is the prediction judged on that draw. A formula that does not compile
    // gets an empty column whose tool tip says why. `progress` hears once per column.
    static std::vector<FormulaResultColumn> build(const HistorySnapshot& history,
                                                  const std::vector<FormulaRecord>& formulas, const ScoringRule& rule,
                                                  bool sameDraw, const ProgressCallback& progress = {});
    // The formula's raw value on every draw.
    static FormulaResultColumn rawValues(const HistorySnapshot& history, const FormulaRecord& formula);
};
