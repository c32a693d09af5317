// The search: candidates drawn in vector lanes as CandidateGenerator draws them,
// each rejected on the first block, newest first, whose runs its bounds can no
// longer accept; the survivors scored in full.
//
// Per-target code: read once for each target through SumKernelsDispatch.cpp
// (hwy/foreach_target.h), the only file that includes it.

#include "kernel/IntegerBounds.h"
#include "kernel/SumKernelTargets.h"
#include "kernel/SumKernels.h"
#include "kernel/WindowTable.h"
#include "scoring/FormulaStatistics.h"

#include <algorithm>
#include <bit>

// The guard flips with HWY_TARGET_TOGGLE, so each target reads the code once.
#if defined(VELMORA_KERNEL_SUM_KERNEL_SEARCH_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef VELMORA_KERNEL_SUM_KERNEL_SEARCH_INL_H_
#undef VELMORA_KERNEL_SUM_KERNEL_SEARCH_INL_H_
#else
#define VELMORA_KERNEL_SUM_KERNEL_SEARCH_INL_H_
#endif

#include "kernel/SumKernelBlocks-inl.h"
#include "kernel/SumKernelColumnSums-inl.h"
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

// What the bounds let the kernel reject before a candidate's last block.
struct Early {
    int lastHitLow, lastHitHigh, lastMissLow, lastMissHigh;
    int longestMissHigh, longestHitHigh;
    bool checkLongestMiss, checkLongestHit;

    Early(const IntegerBounds& bounds, int rows)
        : lastHitLow(bounds.low(StatisticKey::LastHitRun)),
          lastHitHigh(bounds.high(StatisticKey::LastHitRun)),
          lastMissLow(bounds.low(StatisticKey::LastMissRun)),
          lastMissHigh(bounds.high(StatisticKey::LastMissRun)),
          longestMissHigh(bounds.high(StatisticKey::LongestMissRun)),
          longestHitHigh(bounds.high(StatisticKey::LongestHitRun)),
          checkLongestMiss(longestMissHigh < rows),
          checkLongestHit(longestHitHigh < rows)
    {}
};

// The run that ends on the newest draw, read newest block first.
struct LastRun {
    int length = 0;
    bool open = true;
    void add(std::uint64_t x)
    {
        if (!open)
            return;
        const int top = std::countl_one(x);
        length += top;
        open = top == 64;
    }
    // Whether the run, final or still growing, can no longer pass.
    bool fails(int low, int high) const { return length > high || (!open && length < low); }
};

// Whether the ones of x, joined at the top by the `pending` ones that open the
// newer blocks, hold a run longer than `high`; `pending` moves to x's bottom.
bool runLongerThan(std::uint64_t x, int& pending, int high)
{
    if (x == kAll) {
        pending += 64;
        return pending > high;
    }
    if (pending + std::countl_one(x) > high)
        return true;
    pending = std::countr_one(x);
    return high < 63 && hasRun(x, high + 1);
}

// The candidate's blocks, newest first, until a bound can no longer be met.
// Fills every word of a survivor.
template <bool Single, LowRows Low>
bool survives(const Context& c, const Plan& plan, const Early& e, std::uint64_t* words)
{
    LastRun lastHit;
    LastRun lastMiss;
    int hitPending = 0;
    int missPending = 0;
    const std::uint64_t* counted = c.table.counted();
    for (int b = c.table.blocks() - 1; b >= 0; --b) {
        const std::uint64_t hits = hitWord<Single, Low>(c, plan, b);
        const std::uint64_t misses = ~hits & counted[b];
        words[b] = hits;
        lastHit.add(hits);
        lastMiss.add(misses);
        if (lastHit.fails(e.lastHitLow, e.lastHitHigh) || lastMiss.fails(e.lastMissLow, e.lastMissHigh))
            return false;
        if (e.checkLongestMiss && runLongerThan(misses, missPending, e.longestMissHigh))
            return false;
        if (e.checkLongestHit && runLongerThan(hits, hitPending, e.longestHitHigh))
            return false;
        if (!lastHit.open && !lastMiss.open && !e.checkLongestMiss && !e.checkLongestHit) {
            // Nothing left to reject on before the end: the older blocks in one sweep.
            fillWords<Single, Low>(c, plan, words, b);
            return true;
        }
    }
    return true;
}

template <bool Single>
bool survivesOf(const Context& c, const Plan& plan, const Early& e, std::uint64_t* words)
{
    switch (plan.low) {
    case LowRows::Zero: return survives<Single, LowRows::Zero>(c, plan, e, words);
    case LowRows::Threshold: return survives<Single, LowRows::Threshold>(c, plan, e, words);
    default: return survives<Single, LowRows::None>(c, plan, e, words);
    }
}

// ---- candidates ---------------------------------------------------------------

HWY_INLINE hn::Vec<D64> splitmix64(hn::Vec<D64> x)
{
    const D64 d;
    x = hn::Add(x, hn::Set(d, 0x9E3779B97F4A7C15ULL));
    x = hn::Xor(x, hn::ShiftRight<30>(x)) * hn::Set(d, 0xBF58476D1CE4E5B9ULL);
    x = hn::Xor(x, hn::ShiftRight<27>(x)) * hn::Set(d, 0x94D049BB133111EBULL);
    return hn::Xor(x, hn::ShiftRight<31>(x));
}

// The next draw of each lane's stream times n, truncated: as the scalar
// stream's (state >> 11) · 2⁻⁵³ · n, in the same double operations.
HWY_INLINE hn::Vec<hn::ScalableTag<std::int64_t>> drawBelow(hn::Vec<D64>& state, double n)
{
    const hn::ScalableTag<double> dd;
    const hn::ScalableTag<std::int64_t> di;
    state = splitmix64(state);
    const auto unit = hn::Mul(hn::ConvertTo(dd, hn::BitCast(di, hn::ShiftRight<11>(state))), hn::Set(dd, 0x1.0p-53));
    return hn::ConvertTo(di, hn::Mul(unit, hn::Set(dd, n)));
}

// Candidates first .. first + kWords − 1: terms[t][lane] and constants[lane].
HWY_INLINE void drawLanes(const CandidateStream& stream, std::uint64_t first, std::int64_t (*terms)[kWords],
                          std::int64_t* constants)
{
    const D64 d;
    const hn::ScalableTag<std::int64_t> di;
    hn::Vec<D64> state =
        splitmix64(hn::Xor(hn::Set(d, stream.seed), hn::Iota(d, first) * hn::Set(d, 0xD1342543DE82EF95ULL)));
    for (int t = 0; t < stream.operands; ++t)
        hn::StoreU(drawBelow(state, stream.codeCount), di, terms[t]);
    if (stream.randomConstant)
        hn::StoreU(drawBelow(state, stream.maxRandomConstant + 1), di, constants);
    else
        hn::StoreU(hn::Set(di, stream.constant), di, constants);
}

void generate(const CandidateStream& stream, std::uint64_t first, int count, ColumnSum* out)
{
    std::int64_t terms[ColumnSum::kMaxTerms][kWords];
    std::int64_t constants[kWords];
    for (int done = 0; done < count; done += static_cast<int>(kWords)) {
        drawLanes(stream, first + static_cast<std::uint64_t>(done), terms, constants);
        for (int lane = 0; lane < static_cast<int>(kWords) && done + lane < count; ++lane) {
            ColumnSum& sum = out[done + lane];
            sum.count = stream.operands;
            for (int t = 0; t < stream.operands; ++t)
                sum.terms[static_cast<size_t>(t)] = static_cast<std::uint8_t>(terms[t][lane]);
            sum.constant = static_cast<int>(constants[lane]);
        }
    }
}

void search(const WindowTable& table, bool kill, const CandidateStream& stream, const IntegerBounds& bounds,
            std::uint64_t first, std::uint64_t count, KernelSearch& out)
{
    const Context c(table, kill);
    const Early early(bounds, table.rows());
    const Words words = wordBuffers(table.blocks());
    std::int64_t drawn[ColumnSum::kMaxTerms][kWords];
    std::int64_t constants[kWords];
    std::uint8_t terms[ColumnSum::kMaxTerms];
    const std::uint64_t end = first + count;
    for (std::uint64_t base = first; base < end; base += kWords) {
        drawLanes(stream, base, drawn, constants);
        const std::uint64_t lanes = std::min<std::uint64_t>(kWords, end - base);
        for (std::uint64_t lane = 0; lane < lanes; ++lane) {
            for (int t = 0; t < stream.operands; ++t)
                terms[t] = static_cast<std::uint8_t>(drawn[t][lane]);
            Plan plan;
            if (!prepare(table, terms, stream.operands, static_cast<int>(constants[lane]), plan)) {
                out.uncovered.push_back(base + lane);
                continue;
            }
            const bool survived = table.singleTarget() ? survivesOf<true>(c, plan, early, words.hits)
                                                       : survivesOf<false>(c, plan, early, words.hits);
            if (!survived)
                continue;
            KernelFound found;
            found.statistics = statisticsOf(table, words);
            if (!bounds.accepts(found.statistics))
                continue;
            found.index = base + lane;
            found.sum.count = stream.operands;
            std::copy_n(terms, stream.operands, found.sum.terms.begin());
            found.sum.constant = static_cast<int>(constants[lane]);
            out.accepted.push_back(found);
        }
    }
}

#endif
} // namespace HWY_NAMESPACE
} // namespace velmora_kernels
HWY_AFTER_NAMESPACE();

#endif // VELMORA_KERNEL_SUM_KERNEL_SEARCH_INL_H_
