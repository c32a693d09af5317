// The code-form compiler on any text: it either refuses with a position inside
// the text or builds a program whose evaluation stays inside its stack and,
// for a column sum, agrees with the general evaluator.
#include "FuzzSupport.h"

#include "formula/FormulaProgram.h"

#include <cmath>

using namespace FuzzSupport;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    // Latin-1 as well as UTF-8, so every byte value reaches the tokenizer.
    for (const QString& code :
         {utf8(data, size), QString::fromLatin1(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size))}) {
        std::optional<CompiledFormula> formula;
        try {
            formula = CompiledFormula::compile(code);
        } catch (const FormulaError& e) {
            check(e.position() >= -1 && e.position() <= code.size(), "error position outside the text", code);
            continue;
        }
        const FormulaProgram program = FormulaProgram::compile(code);
        check(program.maxDepth >= 1 && !program.code.empty(), "a compiled program without code", code);
        check(!program.sum || program.sumOfCoefficients() <= FormulaProgram::kMaxSumCoefficients,
              "a sum beyond the coefficient limit", code);
        compareSumWithGeneral(*formula, code);
        // Single rows and blocks give the same values.
        const HistorySnapshot& h = history();
        const std::vector<double> all = formula->evaluateAll(h);
        const int row = static_cast<int>(size % static_cast<size_t>(h.size()));
        const double one = formula->evaluateRow(h, row);
        const double inAll = all[static_cast<size_t>(row)];
        check(one == inAll || (std::isnan(one) && std::isnan(inAll)), "a row differs from its block", code);
    }
    return 0;
}
