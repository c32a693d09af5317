#include "formula/FormulaTarget.h"

#include "formula/FormulaStatistics.h"

ScoringRule FormulaTarget::rule(int range) const { return kind.rule(range, kill); }
