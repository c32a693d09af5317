#pragma once

#include "formula/FormulaTarget.h"
#include "scoring/FormulaStatistics.h"

#include <QString>
#include <optional>

// An accepted candidate waiting to be stored: its code and Chinese text, the
// table it belongs to (position, direct or group, kill or keep) and its scores
// on the draws the search saw; with a hold-out, also its scores and chance
// baseline on the held-out draws (HoldOut).
struct FoundFormula {
    QString code;
    QString text;
    FormulaTarget target;
    FormulaStatistics statistics;
    std::optional<FormulaStatistics> heldOut;
};
