#pragma once

#include "formula/FormulaRecord.h"

#include <QString>
#include <array>
#include <set>
#include <vector>

// Lower and upper bound of each of the five statistics, in the order of the
// dialog's boxes: rate, longest miss run, longest hit run, last miss run, last
// hit run; lower at 2k, upper at 2k+1.
struct FilterBounds {
    std::array<double, 10> values{};

    double lower(int statistic) const { return values[static_cast<size_t>(2 * statistic)]; }
    double upper(int statistic) const { return values[static_cast<size_t>(2 * statistic + 1)]; }
};

// Narrows a selection of formulas to those whose statistics lie within bounds.
class FormulaFilter {
public:
    static constexpr double kTolerance = 0.0001;
    static constexpr int kStatistics = 5;

    // The range the selected formulas span. With nothing selected: rate 100..0,
    // the runs 32767..0 (an empty range).
    static FilterBounds prefill(const std::vector<FormulaRecord>& formulas, const std::set<int>& selected);
    // A value within [lower − tolerance, upper + tolerance]; the rate compared in single precision.
    static bool passes(const FormulaStatistics& statistics, const FilterBounds& bounds);
    // The selected formulas that pass; never adds a formula.
    static std::set<int> apply(const std::vector<FormulaRecord>& formulas, const std::set<int>& selected,
                               const FilterBounds& bounds);

    // The leading number of a box's text ("12abc" → 12, "" → 0), as the boxes are read.
    static double leadingNumber(const QString& text);
    // Box text for a bound: the rate with single-precision digits, the runs as integers.
    static QString boundText(int box, double value);
};
