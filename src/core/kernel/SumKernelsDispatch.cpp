// The vector paths of SumKernels, written once with Highway and compiled for
// AVX2 and for AVX-512 with VBMI and VNNI: this file is read once per target
// (hwy/foreach_target.h), and with it each part's -inl.h header; only the part
// under HWY_ONCE is read once. Nothing here assumes more than baseline x86-64
// outside the functions of each target. The plain loops that every path is
// checked against are FormulaScoring's and ChanceBaseline's (formula/).
#define HWY_WANT_AVX3_DL 1
#define HWY_DISABLED_TARGETS (HWY_SSSE3 | HWY_SSE4 | HWY_AVX3)
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "kernel/SumKernelsDispatch.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep
#include <hwy/highway.h>

#include "kernel/SumKernelTargets.h"
#include "kernel/SumKernels.h"

#include "kernel/SumKernelChanceSums-inl.h"
#include "kernel/SumKernelColumnSums-inl.h"
#include "kernel/SumKernelSearch-inl.h"

HWY_BEFORE_NAMESPACE();
namespace velmora_kernels {
namespace HWY_NAMESPACE {
#if HWY_TARGET == HWY_AVX2 || HWY_TARGET == HWY_AVX3_DL

const SumKernels::Functions* functions()
{
    static const SumKernels::Functions table{&score,      &search,      &generate,       &chance,
                                             &chanceSums, &predictions, &scoreWithChance};
    return &table;
}

#endif
} // namespace HWY_NAMESPACE
} // namespace velmora_kernels
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace SumKernelTargets {

const SumKernels::Functions* avx2()
{
#if HWY_TARGETS & HWY_AVX2
    return velmora_kernels::N_AVX2::functions();
#else
    return nullptr;
#endif
}

const SumKernels::Functions* avx512()
{
#if HWY_TARGETS & HWY_AVX3_DL
    return velmora_kernels::N_AVX3_DL::functions();
#else
    return nullptr;
#endif
}

bool runsAvx2() { return (hwy::SupportedTargets() & HWY_AVX2) != 0; }
bool runsAvx512() { return (hwy::SupportedTargets() & HWY_AVX3_DL) != 0; }

} // namespace SumKernelTargets
#endif
