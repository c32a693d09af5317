#pragma once

#include "formula/ChanceBaseline.h"
#include "formula/FormulaResultColumn.h"
#include "formula/ScoredFormula.h"
#include "kernel/SumKernels.h"
#include "scoring/FormulaStatistics.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

class CompiledFormula;
class HistorySnapshot;
class WindowTable;

// What a result column of the history grid shows on each draw.
enum class ResultColumnForm {
    None, // no column
    NextDraw, // the value carried from the previous draw (PreCanshu): the prediction judged on that draw
    SameDraw, // the draw's own value (Canshu), folded as the list's "计算值"
};

// One formula evaluated once: its scores for the list and, when asked, its
// result column and its raw values, all from the same values and hit rule.
struct FormulaEvaluation {
    ScoredFormula scored;
    FormulaResultColumn column; // filled when a column was asked for
    std::vector<double> values; // every draw's raw value, when asked for
};

// Evaluates the formulas of one kind over the history: the counted draws of the
// window give the statistics, the latest draw the "计算值"; each formula judges
// by its own kill flag. The first draw has no prediction, so it never counts
// and is never a hit. Beside the statistics stands the chance baseline of the
// same counted draws (ChanceBaseline), weighted like the rate.
//
// On a vector path the evaluator builds the window table once and scores the
// plain column sums among the formulas through the kernels when only their
// statistics are asked for: the hit words and the chance totals come from the
// kernels and only the latest draw's value is computed. Built for result
// columns, it also lays out every draw, and the columns of sums that name a
// number on every draw come from the kernels too. Everything else goes the
// plain way.
class FormulaEvaluator {
public:
    FormulaEvaluator(const HistorySnapshot& history, FormulaKind kind, int range, const ScoringWindow& window,
                     KernelPath path = KernelPath::Scalar, ResultColumnForm columns = ResultColumnForm::None);

    // The path for scoring this many formulas with one evaluator: the fastest
    // the processor runs once building the kernels' window table pays, else the plain one.
    static KernelPath pathFor(std::size_t formulas);

    // A formula whose code form does not compile is marked (not evaluable, with
    // the reason), keeps no statistics and gets an empty column that says why.
    FormulaEvaluation evaluate(const FormulaRecord& formula, ResultColumnForm column = ResultColumnForm::None,
                               bool keepValues = false) const;
    // The result columns of the first FormulaResultColumn::kMaxColumns formulas, nothing stored.
    std::vector<FormulaResultColumn> resultColumns(const std::vector<FormulaRecord>& formulas,
                                                   ResultColumnForm form) const;

private:
    // The statistics and the chance figures of a sum the kernels cover; false for any other formula.
    bool scoreSum(const CompiledFormula& formula, bool kill, FormulaStatistics& statistics) const;
    // The chance figures of a sum the kernels cover over the window.
    void measureSum(const ColumnSum& sum, bool kill, FormulaStatistics& statistics) const;
    // The result column, statistics and latest value of a sum that names a
    // number on every draw; false for any other formula.
    bool columnOfSum(const CompiledFormula& formula, bool kill, ResultColumnForm form, FormulaEvaluation& result) const;
    void setLatest(ScoredFormula& scored, double latestValue) const;

    const HistorySnapshot& m_history;
    FormulaKind m_kind;
    int m_range;
    ScoringWindow m_window;
    ChanceBaseline m_chance;
    std::optional<SumKernels> m_kernels;
    std::shared_ptr<const WindowTable> m_table;
    std::shared_ptr<const WindowTable> m_everyDraw; // every draw but the latest, for result columns
};
