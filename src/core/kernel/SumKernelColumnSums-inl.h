// Whole sums of columns over the table: their full statistics (every block's
// hit bits, then the runs and the weight), the bit each prediction reads, and
// the chance totals gathered from those bits.
//
// Per-target code: read once for each target through SumKernelsDispatch.cpp
// (hwy/foreach_target.h), the only file that includes it.

#include "kernel/SumKernelTargets.h"
#include "kernel/SumKernels.h"
#include "kernel/WindowTable.h"
#include "scoring/ChanceTotals.h"
#include "scoring/FormulaStatistics.h"

#include <cstring>
#include <stdexcept>

// The guard flips with HWY_TARGET_TOGGLE, so each target reads the code once.
#if defined(VELMORA_KERNEL_SUM_KERNEL_COLUMN_SUMS_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef VELMORA_KERNEL_SUM_KERNEL_COLUMN_SUMS_INL_H_
#undef VELMORA_KERNEL_SUM_KERNEL_COLUMN_SUMS_INL_H_
#else
#define VELMORA_KERNEL_SUM_KERNEL_COLUMN_SUMS_INL_H_
#endif

#include "kernel/SumKernelBlocks-inl.h"
#include "kernel/SumKernelLanes-inl.h"
#include "kernel/SumKernelStatistics-inl.h"

HWY_BEFORE_NAMESPACE();
#if HWY_TARGET == HWY_AVX3_DL
#pragma GCC target("avx512vnni,lzcnt,popcnt")
#elif HWY_TARGET == HWY_AVX2
#pragma GCC target("lzcnt,popcnt")
#endif
namespace velmora_kernels {
namespace HWY_NAMESPACE {
#if HWY_TARGET == HWY_AVX2 || HWY_TARGET == HWY_AVX3_DL

// The hit words of blocks 0 .. end − 1, and their bits when asked for.
template <bool Single, LowRows Low>
void fillWords(const Context& c, const Plan& plan, std::uint64_t* words, int end, std::uint8_t* bits = nullptr)
{
    // Two blocks at a time on the wide path: twice the work per address.
    constexpr int kUnit = kBytes == kBlock ? 2 : 1;
    int b = 0;
    for (; b + kUnit <= end; b += kUnit)
        hitWords<Single, Low, kUnit>(c, plan, b, words + b, bits);
    for (; b < end; ++b)
        hitWords<Single, Low, 1>(c, plan, b, words + b, bits);
}

template <bool Single>
void fillWordsOf(const Context& c, const Plan& plan, std::uint64_t* words, std::uint8_t* bits = nullptr)
{
    switch (plan.low) {
    case LowRows::Zero: fillWords<Single, LowRows::Zero>(c, plan, words, c.table.blocks(), bits); break;
    case LowRows::Threshold: fillWords<Single, LowRows::Threshold>(c, plan, words, c.table.blocks(), bits); break;
    default: fillWords<Single, LowRows::None>(c, plan, words, c.table.blocks(), bits); break;
    }
}

void score(const WindowTable& table, bool kill, const ColumnSum* sums, int count, FormulaStatistics* out)
{
    const Context c(table, kill);
    const Words words = wordBuffers(table.blocks());
    for (int i = 0; i < count; ++i) {
        Plan plan;
        if (!prepare(table, sums[i].terms.data(), sums[i].count, sums[i].constant, plan))
            throw std::invalid_argument("a column sum the vector kernels do not cover");
        if (table.singleTarget())
            fillWordsOf<true>(c, plan, words.hits);
        else
            fillWordsOf<false>(c, plan, words.hits);
        out[i] = statisticsOf(table, words);
    }
}

// The bits the predictions read on blocks from .. to − 1; `bits` holds block `from` first.
template <LowRows Low>
void fillBits(const Context& c, const Plan& plan, int from, int to, std::uint8_t* bits)
{
    constexpr int kPerBlock = static_cast<int>(kBlock / kBytes);
    const D8 d;
    for (int b = from; b < to; ++b) {
        const size_t base = static_cast<size_t>(b) * kBlock;
        V8 r[kPerBlock];
        foldedSums<kPerBlock>(c, plan, base, r);
        std::uint64_t low = 0;
        if constexpr (Low == LowRows::Zero) {
            std::uint64_t any = 0;
            for (int t = 0; t < plan.count; ++t)
                any |= c.table.nonZero(plan.terms[t])[b];
            low = ~any;
        } else if constexpr (Low == LowRows::Threshold) {
            std::uint64_t foldedZero = 0;
            for (int part = 0; part < kPerBlock; ++part)
                foldedZero |= bitsOf(hn::Eq(r[part], hn::Zero(d))) << (part * kBytes);
            low = belowThreshold(c.table, plan, base) & ~foldedZero;
        }
        storeBits(r, low, bits + (base - static_cast<size_t>(from) * kBlock));
    }
}

// The bits of whole blocks from .. to − 1, block `from` first.
const std::uint8_t* blockBits(const WindowTable& table, const ColumnSum& sum, int from, int to)
{
    Plan plan;
    if (!prepare(table, sum.terms.data(), sum.count, sum.constant, plan))
        throw std::invalid_argument("a column sum the vector kernels do not cover");
    const Context c(table, false);
    thread_local AlignedVector<std::uint8_t> bits;
    bits.resize(static_cast<size_t>(to - from) * kBlock);
    switch (plan.low) {
    case LowRows::Zero: fillBits<LowRows::Zero>(c, plan, from, to, bits.data()); break;
    case LowRows::Threshold: fillBits<LowRows::Threshold>(c, plan, from, to, bits.data()); break;
    default: fillBits<LowRows::None>(c, plan, from, to, bits.data()); break;
    }
    return bits.data();
}

// The bit each position's prediction reads, padding included (whatever is
// there weighs nothing).
const std::uint8_t* predictedBits(const WindowTable& table, const ColumnSum& sum)
{
    return blockBits(table, sum, 0, table.blocks());
}

void predictions(const WindowTable& table, const ColumnSum& sum, int first, int count, std::uint8_t* out)
{
    if (count <= 0)
        return;
    const int from = table.padding() + first;
    const int block = from / kBlock;
    const std::uint8_t* bits = blockBits(table, sum, block, (from + count + kBlock - 1) / kBlock);
    std::memcpy(out, bits + (from - block * kBlock), static_cast<size_t>(count));
}

void chance(const WindowTable& table, const ColumnSum& sum, ChanceTotals& out)
{
    out = ChanceTotals::ofBits(predictedBits(table, sum) + table.padding(), table.rows(), table.weighted());
}

#endif
} // namespace HWY_NAMESPACE
} // namespace velmora_kernels
HWY_AFTER_NAMESPACE();

#endif // VELMORA_KERNEL_SUM_KERNEL_COLUMN_SUMS_INL_H_
