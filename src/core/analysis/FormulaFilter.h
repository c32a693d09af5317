#pragma once

#include "formula/FormulaRecord.h"
#include "scoring/StatisticBounds.h"

#include <QString>
#include <set>
#include <vector>

// Narrows a selection of formulas to those whose statistics lie within bounds
// (the dialog's boxes, in StatisticBounds order).
class FormulaFilter {
public:
    // The range the selected formulas span. With nothing selected: rate 100..0,
    // the runs 32767..0 (an empty range).
    static StatisticBounds prefill(const std::vector<FormulaRecord>& formulas, const std::set<int>& selected);
    // The selected formulas that pass; never adds a formula.
    static std::set<int> apply(const std::vector<FormulaRecord>& formulas, const std::set<int>& selected,
                               const StatisticBounds& bounds);

    // The leading number of a box's text ("12abc" → 12, "" → 0), as the boxes are read.
    static double leadingNumber(const QString& text);
    // Box text for a bound: the rate with single-precision digits, the runs as integers.
    static QString boundText(int box, double value);
};
