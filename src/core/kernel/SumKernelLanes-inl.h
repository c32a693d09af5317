// The vector types and sizes every part of the kernels shares: bytes for the
// folded sums, 16-bit lanes for the small-sum threshold, 64-bit words for the hit
// bits; a block is 64 rows of the table.
//
// Per-target code: read once for each target through SumKernelsDispatch.cpp
// (hwy/foreach_target.h), the only file that includes it.

#include "kernel/WindowTable.h"

#include <cstddef>
#include <cstdint>

// The guard flips with HWY_TARGET_TOGGLE, so each target reads the code once.
#if defined(VELMORA_KERNEL_SUM_KERNEL_LANES_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef VELMORA_KERNEL_SUM_KERNEL_LANES_INL_H_
#undef VELMORA_KERNEL_SUM_KERNEL_LANES_INL_H_
#else
#define VELMORA_KERNEL_SUM_KERNEL_LANES_INL_H_
#endif

#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
#if HWY_TARGET == HWY_AVX3_DL
#pragma GCC target("avx512vnni,lzcnt,popcnt")
#elif HWY_TARGET == HWY_AVX2
#pragma GCC target("lzcnt,popcnt")
#endif
namespace velmora_kernels {
namespace HWY_NAMESPACE {
#if HWY_TARGET == HWY_AVX2 || HWY_TARGET == HWY_AVX3_DL

namespace hn = hwy::HWY_NAMESPACE;
using D8 = hn::ScalableTag<std::uint8_t>;
using D16 = hn::ScalableTag<std::uint16_t>;
using D64 = hn::ScalableTag<std::uint64_t>;
using V8 = hn::Vec<D8>;
using M8 = hn::Mask<D8>;

constexpr int kBlock = WindowTable::kBlockRows;
constexpr size_t kBytes = HWY_LANES(std::uint8_t);
constexpr size_t kShorts = HWY_LANES(std::uint16_t);
constexpr size_t kWords = HWY_LANES(std::uint64_t);
constexpr std::uint64_t kAll = ~std::uint64_t{0};

#endif
} // namespace HWY_NAMESPACE
} // namespace velmora_kernels
HWY_AFTER_NAMESPACE();

#endif // VELMORA_KERNEL_SUM_KERNEL_LANES_INL_H_
