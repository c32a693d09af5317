#pragma once

#include "kernel/SumKernels.h"

#include <QString>
#include <memory>
#include <optional>
#include <vector>

class HistorySnapshot;

// A formula's code form compiled once and run over the history many times.
// Grammar: attribute columns (L1A .. L3R, any case, bare or in [ ]), decimal
// numbers, + - ; Mod ; \ ; * / ; unary - + ; ^ ; parentheses; Abs Int Fix Sgn.
// Mod rounds both operands to integers (ties to even) and takes the dividend's
// sign. A division or Mod by zero makes that draw's value empty (NaN).
class CompiledFormula {
public:
    // Raises FormulaError naming the offending position.
    static CompiledFormula compile(const QString& code);
    // A plain sum of attribute columns plus a constant: the search's fast path.
    static CompiledFormula columnSum(const std::vector<int>& attributes, double constant);

    // Writes the values of rows [begin, end) to out[0 .. end-begin). No allocation
    // for column sums; NaN marks an empty value.
    void evaluate(const HistorySnapshot& history, int begin, int end, double* out) const;
    std::vector<double> evaluateAll(const HistorySnapshot& history) const;
    double evaluateRow(const HistorySnapshot& history, int row) const;

    bool isColumnSum() const;
    // A plain sum with positive whole coefficients (each column listed as often
    // as it counts, at most ColumnSum::kMaxTerms in all) and a whole constant,
    // as the vector kernels take it; nothing for any other formula.
    std::optional<ColumnSum> asColumnSum() const;

    CompiledFormula(const CompiledFormula&);
    CompiledFormula& operator=(const CompiledFormula&);
    CompiledFormula(CompiledFormula&&) noexcept;
    CompiledFormula& operator=(CompiledFormula&&) noexcept;
    ~CompiledFormula();

    struct Program;

private:
    explicit CompiledFormula(std::unique_ptr<Program> program);
    std::unique_ptr<Program> m_program;
};
