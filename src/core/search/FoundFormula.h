#pragma once

#include "formula/FormulaStatistics.h"
#include "formula/FormulaTarget.h"

#include <QString>

// An accepted candidate waiting to be stored: its code and Chinese text, the
// table it belongs to (position, direct or group, kill or keep) and its scores.
struct FoundFormula {
    QString code;
    QString text;
    FormulaTarget target;
    FormulaStatistics statistics;
};
