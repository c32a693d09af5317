#include "formula/FormulaResultColumns.h"

#include "common/UserError.h"
#include "formula/CompiledFormula.h"
#include "formula/FormulaScoring.h"
#include "history/HistorySnapshot.h"

#include <algorithm>
#include <cmath>

namespace {

// A draw's own value (Canshu) is folded unrounded, as the list's "计算值" is;
// the carried value (PreCanshu) was rounded to an integer when it was carried.
std::int8_t shownNumber(double value, int range, bool carried)
{
    if (!FormulaScoring::isFoldable(value))
        return FormulaResultColumn::kEmpty;
    const int folded =
        carried ? FormulaScoring::predictedNumber(value, range) : FormulaScoring::nextNumber(value, range);
    return static_cast<std::int8_t>(folded);
}

FormulaResultColumn column(const HistorySnapshot& history, const FormulaRecord& formula, const ScoringRule& base,
                           bool sameDraw)
{
    FormulaResultColumn result;
    result.header = QString::number(formula.idx);
    result.toolTip = formula.chinese;
    const auto rows = static_cast<size_t>(history.size());
    result.numbers.assign(rows, FormulaResultColumn::kEmpty);
    result.hits.assign(rows, 0);
    std::vector<double> values;
    try {
        values = CompiledFormula::compile(formula.code).evaluateAll(history);
    } catch (const UserError& error) {
        result.toolTip = formula.chinese + QStringLiteral("\n") + error.message();
        return result;
    }
    ScoringRule rule = base;
    rule.kill = formula.kill;
    for (size_t row = 0; row < rows; ++row) {
        if (sameDraw)
            result.numbers[row] = shownNumber(values[row], rule.range, false);
        // The first draw has no prediction, so it is never a hit.
        if (row == 0)
            continue;
        const double previous = values[row - 1];
        if (!sameDraw)
            result.numbers[row] = shownNumber(previous, rule.range, true);
        result.hits[row] = FormulaScoring::isHitValue(previous, history, static_cast<int>(row), rule) ? 1 : 0;
    }
    return result;
}

} // namespace

std::vector<FormulaResultColumn> FormulaResultColumns::build(const HistorySnapshot& history,
                                                             const std::vector<FormulaRecord>& formulas,
                                                             const ScoringRule& rule, bool sameDraw,
                                                             const ProgressCallback& progress)
{
    std::vector<FormulaResultColumn> columns;
    const size_t count = std::min(formulas.size(), static_cast<size_t>(kMaxColumns));
    columns.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        reportProgress(progress, static_cast<int>(i), static_cast<int>(count));
        columns.push_back(column(history, formulas[i], rule, sameDraw));
    }
    reportProgress(progress, static_cast<int>(count), static_cast<int>(count));
    return columns;
}

FormulaResultColumn FormulaResultColumns::rawValues(const HistorySnapshot& history, const FormulaRecord& formula)
{
    FormulaResultColumn result;
    result.header = QStringLiteral("公式值");
    result.toolTip = formula.code;
    result.values = CompiledFormula::compile(formula.code).evaluateAll(history);
    return result;
}
