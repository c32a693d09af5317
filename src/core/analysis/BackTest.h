#pragma once

#include "analysis/BackTestResult.h"
#include "formula/CompiledFormula.h"
#include "formula/FormulaRecord.h"
#include "kernel/SumKernels.h"

#include <QString>
#include <functional>
#include <optional>
#include <set>
#include <vector>

class HistorySnapshot;
class SqliteDatabase;

// What to replay: the formulas of one table and kill/keep flag, which of them
// are selected, and the number range.
struct BackTestRequest {
    QString table;
    bool kill = true;
    int range = 11; // R, 11 or 12
    std::vector<FormulaRecord> formulas; // any order; they vote in idx order
    std::set<int> selected; // idx of the formulas that take part
};

// A selected formula, compiled once, as it takes part in a vote.
struct CompiledVoter {
    int idx = 0;
    bool kill = true;
    CompiledFormula formula;
};

// The back-test behind "公式往期位置值结果列表": on every stored draw the selected
// formulas vote in idx order on that draw's values. A kill formula votes against
// its number; a keep formula votes against every number but its own, unless its
// own number was already killed on that draw, when it votes against all of them.
// Each formula is compiled once and evaluated once over the whole history; the
// numbers of sums of columns come from the vector kernels.
class BackTest {
public:
    // Receives (draws done, draws in all); returning false stops the run.
    using Progress = std::function<bool(int done, int total)>;

    // Nothing when `progress` stopped the run. Raises UserError for a bad range.
    static std::optional<BackTestResult> run(const HistorySnapshot& history, const BackTestRequest& request,
                                             const Progress& progress = {});
    // The same with the numbers of sums of columns named by `path`'s kernels.
    static std::optional<BackTestResult> run(const HistorySnapshot& history, const BackTestRequest& request,
                                             const Progress& progress, KernelPath path);
    // The selected formulas of `request`, compiled, in idx order. One that does not
    // compile takes no part (it never votes with another formula's values) and is
    // listed in `result.skipped`; `result.usedFormulas` counts the others.
    static std::vector<CompiledVoter> compileSelected(const BackTestRequest& request, BackTestResult& result);
    // Orders the numbers of one replayed draw by ascending kill votes, ties in
    // number order, into `result.ranking`.
    static void rankDraw(BackTestResult& result, int draw);
    // Rewrites Errarr (rows 1..R) with the tallies of the last replayed draw, in
    // one transaction. A result without draws leaves the table as it was.
    static void storeLastDraw(SqliteDatabase& db, const BackTestResult& result);
};
