#include "formula/FormulaEvaluator.h"

#include "formula/CompiledFormula.h"
#include "formula/FormulaError.h"
#include "formula/FormulaScoring.h"
#include "history/HistorySnapshot.h"
#include "kernel/WindowTable.h"
#include "scoring/HitRule.h"

#include <algorithm>
#include <optional>

namespace {

// The values of one formula at a time, reused: scoring a table allocates once per thread.
std::vector<double>& scratchValues()
{
    thread_local std::vector<double> values;
    return values;
}

// values[row] for every row 0..n-1. Each draw shows its own value folded as the
// list's "计算值", or the prediction carried from the draw before (the number
// judged on it); the first draw has no prediction, so it is never a hit.
void fillColumn(FormulaResultColumn& column, const HitRule& hits, int range, const double* values, int n,
                ResultColumnForm form)
{
    for (int row = 0; row < n; ++row) {
        const auto r = static_cast<size_t>(row);
        if (form == ResultColumnForm::SameDraw && FormulaScoring::isFoldable(values[row]))
            column.numbers[r] = static_cast<std::int8_t>(FormulaScoring::nextNumber(values[row], range));
        if (row == 0)
            continue;
        const int predicted = HitRule::predict(values[row - 1], range);
        if (form == ResultColumnForm::NextDraw && predicted != HitRule::kNoPrediction)
            column.numbers[r] = static_cast<std::int8_t>(predicted);
        column.hits[r] = static_cast<std::uint8_t>(hits.hit(row, predicted));
    }
}

// A formula whose every counted prediction is empty scores no hit; this says why.
QString valuelessNote()
{
    return QStringLiteral("这个公式在统计的各期都算不出值（除数为零，或 Mod 的除数为零），"
                          "所以从未给出预测号码，每期都按错误计。");
}

} // namespace

FormulaEvaluator::FormulaEvaluator(const HistorySnapshot& history, FormulaKind kind, int range,
                                   const ScoringWindow& window, KernelPath path, ResultColumnForm columns)
    : m_history(history),
      m_kind(kind),
      m_range(range),
      m_window(window)
{
    const auto [first, end] = FormulaScoring::countedRows(history.size(), window);
    // The frequencies do not depend on the kill flag; a bad range is refused by evaluate().
    if (first < end && range >= 1 && range <= HitRule::kMaxRange)
        m_chance = ChanceBaseline(HitRule(history, kind.rule(range, true)), first, end);
    if (path != KernelPath::Scalar && WindowTable::covers(range, end - first)) {
        m_kernels.emplace(path);
        m_table = std::make_shared<const WindowTable>(history, kind, range, window);
        // Counting every draw, the window's table already is that of every draw.
        if (columns != ResultColumnForm::None && WindowTable::covers(range, history.size() - 1))
            m_everyDraw = window.lookBack == 0 ? m_table
                                               : std::make_shared<const WindowTable>(
                                                     history, kind, range, ScoringWindow{0, true, window.weighted});
    }
}

KernelPath FormulaEvaluator::pathFor(std::size_t formulas)
{
    // From this many formulas on, building the window table pays.
    constexpr std::size_t kKernelFormulas = 8;
    return formulas >= kKernelFormulas ? SumKernels::best() : KernelPath::Scalar;
}

bool FormulaEvaluator::scoreSum(const CompiledFormula& formula, bool kill, FormulaStatistics& statistics) const
{
    if (!m_kernels)
        return false;
    const std::optional<ColumnSum> sum = formula.asColumnSum();
    if (!sum || !SumKernels::covers(*m_table, *sum))
        return false;
    const ChanceShares& shares = m_chance.shares(kill);
    if (shares.exact()) {
        ChanceSums chance;
        statistics = m_kernels->score(*m_table, kill, *sum, shares, chance);
        m_chance.measure(statistics, chance);
    } else {
        statistics = m_kernels->score(*m_table, kill, *sum);
        measureSum(*sum, kill, statistics);
    }
    return true;
}

void FormulaEvaluator::measureSum(const ColumnSum& sum, bool kill, FormulaStatistics& statistics) const
{
    const ChanceShares& shares = m_chance.shares(kill);
    if (shares.exact())
        m_chance.measure(statistics, m_kernels->chanceSums(*m_table, sum, shares));
    else
        m_chance.measure(statistics, m_kernels->chanceTotals(*m_table, sum), kill);
}

bool FormulaEvaluator::columnOfSum(const CompiledFormula& formula, bool kill, ResultColumnForm form,
                                   FormulaEvaluation& result) const
{
    if (!m_everyDraw)
        return false;
    const std::optional<ColumnSum> sum = formula.asColumnSum();
    if (!sum || !SumKernels::namesEveryDraw(*m_everyDraw, *sum) || !SumKernels::covers(*m_table, *sum))
        return false;
    // Each draw but the latest names number bits[row] with its own value, which
    // the next draw judges; the latest draw's value is computed.
    const int n = m_history.size();
    thread_local std::vector<std::uint8_t> bits;
    bits.resize(static_cast<size_t>(n - 1));
    m_kernels->predictions(*m_everyDraw, *sum, 0, n - 1, bits.data());
    double latest = 0.0;
    formula.evaluate(m_history, n - 1, n, &latest);
    FormulaResultColumn& column = result.column;
    const HitRule hits(m_history, m_kind.rule(m_range, kill));
    for (int row = 0; row < n; ++row) {
        const auto r = static_cast<size_t>(row);
        if (form == ResultColumnForm::SameDraw)
            column.numbers[r] =
                static_cast<std::int8_t>(row < n - 1 ? bits[r] : FormulaScoring::nextNumber(latest, m_range));
        if (row == 0)
            continue;
        const int predicted = bits[r - 1];
        if (form == ResultColumnForm::NextDraw)
            column.numbers[r] = static_cast<std::int8_t>(predicted);
        column.hits[r] = static_cast<std::uint8_t>(hits.hit(row, predicted));
    }
    ScoredFormula& scored = result.scored;
    const auto [first, end] = FormulaScoring::countedRows(n, m_window);
    scored.record.statistics = FormulaScoring::tallyHits(column.hits.data(), first, end, m_window.weighted);
    measureSum(*sum, kill, scored.record.statistics);
    setLatest(scored, latest);
    scored.rateText = FormulaScoring::rateCellText(scored.record.statistics);
    return true;
}

void FormulaEvaluator::setLatest(ScoredFormula& scored, double latestValue) const
{
    scored.latestValue = latestValue;
    if (FormulaScoring::isFoldable(latestValue))
        scored.nextNumber = FormulaScoring::nextNumber(latestValue, m_range);
}

std::vector<FormulaResultColumn> FormulaEvaluator::resultColumns(const std::vector<FormulaRecord>& formulas,
                                                                 ResultColumnForm form) const
{
    std::vector<FormulaResultColumn> columns;
    const size_t count = std::min(formulas.size(), static_cast<size_t>(FormulaResultColumn::kMaxColumns));
    columns.reserve(count);
    for (size_t i = 0; i < count; ++i)
        columns.push_back(evaluate(formulas[i], form).column);
    return columns;
}

FormulaEvaluation FormulaEvaluator::evaluate(const FormulaRecord& formula, ResultColumnForm form, bool keepValues) const
{
    FormulaEvaluation result;
    ScoredFormula& scored = result.scored;
    scored.record = formula;
    scored.record.statistics = {};
    const int n = m_history.size();
    const bool withColumn = form != ResultColumnForm::None;
    if (withColumn) {
        result.column.header = QString::number(formula.idx);
        result.column.toolTip = formula.chinese;
        result.column.numbers.assign(static_cast<size_t>(n), FormulaResultColumn::kEmpty);
        result.column.hits.assign(static_cast<size_t>(n), 0);
    }

    std::optional<CompiledFormula> compiled;
    try {
        compiled.emplace(CompiledFormula::compile(formula.code));
    } catch (const FormulaError& e) {
        // Stored before validation existed, or edited by hand: marked, never scored.
        scored.evaluable = false;
        scored.error = e.detail();
        if (withColumn)
            result.column.toolTip = formula.chinese + QStringLiteral("\n") + e.message();
        return result;
    }

    const auto [first, end] = FormulaScoring::countedRows(n, m_window);
    if (withColumn && !keepValues && first < end && columnOfSum(*compiled, formula.kill, form, result))
        return result;
    if (!withColumn && !keepValues && first < end && scoreSum(*compiled, formula.kill, scored.record.statistics)) {
        // The kernels gave the statistics and the chance totals; only the latest
        // value is left. A sum of columns always names a number, so no note.
        double latest = 0.0;
        compiled->evaluate(m_history, n - 1, n, &latest);
        setLatest(scored, latest);
        scored.rateText = FormulaScoring::rateCellText(scored.record.statistics);
        return result;
    }
    // Rows [begin, n): every draw for a column, else the draws that predict the
    // counted ones and the latest draw.
    const int begin = withColumn || keepValues ? 0 : (first < end ? first - 1 : std::max(n - 1, 0));
    std::vector<double>& values = keepValues ? result.values : scratchValues();
    values.resize(static_cast<size_t>(n - begin));
    compiled->evaluate(m_history, begin, n, values.data());

    const HitRule hits(m_history, m_kind.rule(m_range, formula.kill));
    if (withColumn) {
        fillColumn(result.column, hits, m_range, values.data(), n, form);
        if (first < end)
            scored.record.statistics =
                FormulaScoring::tallyHits(result.column.hits.data(), first, end, m_window.weighted);
    } else if (first < end) {
        scored.record.statistics = FormulaScoring::scorePredictions(hits, m_range, values.data() + (first - 1 - begin),
                                                                    first, end, m_window.weighted);
    }
    if (first < end && scored.record.statistics.hitWeight == 0) {
        const double* predictions = values.data() + (first - 1 - begin);
        if (std::none_of(predictions, predictions + (end - first), FormulaScoring::isFoldable))
            scored.note = valuelessNote();
    }
    if (first < end)
        m_chance.measure(scored.record.statistics, values.data() + (first - 1 - begin), first, end, m_range,
                         formula.kill, m_window.weighted);
    if (n > 0)
        setLatest(scored, values[static_cast<size_t>(n - 1 - begin)]);
    scored.rateText = FormulaScoring::rateCellText(scored.record.statistics);
    return result;
}
