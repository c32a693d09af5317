#pragma once

#include "formula/FormulaRecord.h"

#include <QString>
#include <limits>
#include <optional>

// The result of scoring one listed formula.
struct ScoredFormula {
    FormulaRecord record; // statistics filled when it could be evaluated
    bool evaluable = true; // false: the code form does not compile; not scored
    QString error; // why it could not be evaluated
    double latestValue = std::numeric_limits<double>::quiet_NaN(); // value on the latest draw; NaN when empty
    // "计算值": the latest value folded into the range; nothing when the formula
    // has no value there (not scored yet, not evaluable, or a division by zero).
    std::optional<int> nextNumber;
    QString rateText; // "02.9555% (10000/338350)"
    // Why an evaluable formula never predicted anything over the counted draws
    // (a division by zero on every one of them); empty otherwise.
    QString note;
};
