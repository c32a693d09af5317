#pragma once

#include "kernel/SumKernels.h"
#include "kernel/WindowTable.h"

// The entry points of one vector path, compiled for its instruction set.
struct SumKernels::Functions {
    void (*score)(const WindowTable& table, bool kill, const ColumnSum* sums, int count, FormulaStatistics* out);
    void (*search)(const WindowTable& table, bool kill, const CandidateStream& stream, const IntegerBounds& bounds,
                   std::uint64_t first, std::uint64_t count, KernelSearch& out);
    void (*generate)(const CandidateStream& stream, std::uint64_t first, int count, ColumnSum* out);
    void (*chance)(const WindowTable& table, const ColumnSum& sum, ChanceTotals& out);
    void (*chanceSums)(const WindowTable& table, const ColumnSum& sum, const ChanceShares& shares, ChanceSums& out);
    void (*predictions)(const WindowTable& table, const ColumnSum& sum, int first, int count, std::uint8_t* out);
    void (*scoreWithChance)(const WindowTable& table, bool kill, const ColumnSum& sum, const ChanceShares& shares,
                            FormulaStatistics& statistics, ChanceSums& chance);
};

// Each path's entry points; null where the build has none.
namespace SumKernelTargets {
const SumKernels::Functions* avx2();
const SumKernels::Functions* avx512();
// Whether the processor runs AVX2, or AVX-512 with VBMI and VNNI.
bool runsAvx2();
bool runsAvx512();
} // namespace SumKernelTargets

// Rows where a sum plus its constant c falls to 0 or below name no number:
// none can (c > 0, or every sum stays at least 1 − c), those where every
// column is 0 (c = 0), those where the 16-bit sum is below 1 − c (c < 0), or
// the kernels do not cover the sum at all.
enum class LowRows { None, Zero, Threshold, Uncovered };
// Inline: the search asks for every candidate.
inline LowRows lowRowsOf(const WindowTable& table, const std::uint8_t* terms, int count, int constant)
{
    if (count < 0 || count > ColumnSum::kMaxTerms)
        return LowRows::Uncovered;
    unsigned every = WindowTable::kSummable | WindowTable::kEverZero;
    for (int t = 0; t < count; ++t)
        every &= table.flags(terms[t]);
    if ((every & WindowTable::kSummable) == 0)
        return LowRows::Uncovered;
    // The columns are never negative: v = sum + c stays at least c.
    if (constant > 0)
        return LowRows::None;
    if (constant == 0)
        return (every & WindowTable::kEverZero) != 0 ? LowRows::Zero : LowRows::None;
    std::int64_t smallest = 0;
    for (int t = 0; t < count; ++t)
        smallest += table.minValue(terms[t]);
    const std::int64_t threshold = 1 - static_cast<std::int64_t>(constant);
    if (smallest >= threshold)
        return LowRows::None;
    // The sums are compared in 16 bits, which holds any threshold up to kMaxValue.
    return threshold <= WindowTable::kMaxValue ? LowRows::Threshold : LowRows::Uncovered;
}
