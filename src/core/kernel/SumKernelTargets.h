#pragma once

#include "kernel/SumKernels.h"

// The entry points of one vector path, compiled for its instruction set.
struct SumKernels::Functions {
    void (*score)(const WindowTable& table, bool kill, const ColumnSum* sums, int count, FormulaStatistics* out);
    void (*search)(const WindowTable& table, bool kill, const CandidateStream& stream, const IntegerBounds& bounds,
                   std::uint64_t first, std::uint64_t count, KernelSearch& out);
    void (*generate)(const CandidateStream& stream, std::uint64_t first, int count, ColumnSum* out);
};

// Each path's entry points; null where the build has none.
namespace SumKernelTargets {
const SumKernels::Functions* avx2();
const SumKernels::Functions* avx512();
// Whether the processor runs AVX2, or AVX-512 with VBMI and VNNI.
bool runsAvx2();
bool runsAvx512();
} // namespace SumKernelTargets

class WindowTable;

// Rows where a sum plus its constant c falls to 0 or below name no number:
// none can (c > 0, or every sum stays at least 1 − c), those where every
// column is 0 (c = 0), those where the 16-bit sum is below 1 − c (c < 0), or
// the kernels do not cover the sum at all.
enum class LowRows { None, Zero, Threshold, Uncovered };
LowRows lowRowsOf(const WindowTable& table, const std::uint8_t* terms, int count, int constant);
