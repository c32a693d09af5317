// The statistics of a sum from its hit bits: the longest and last runs of hits
// and of misses, and the weight of the hits.
//
// Per-target code: read once for each target through SumKernelsDispatch.cpp
// (hwy/foreach_target.h), the only file that includes it.

#include "kernel/WindowTable.h"
#include "scoring/FormulaStatistics.h"
#include "scoring/RunTally.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>

// The guard flips with HWY_TARGET_TOGGLE, so each target reads the code once.
#if defined(VELMORA_KERNEL_SUM_KERNEL_STATISTICS_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef VELMORA_KERNEL_SUM_KERNEL_STATISTICS_INL_H_
#undef VELMORA_KERNEL_SUM_KERNEL_STATISTICS_INL_H_
#else
#define VELMORA_KERNEL_SUM_KERNEL_STATISTICS_INL_H_
#endif

#include "kernel/SumKernelLanes-inl.h"

HWY_BEFORE_NAMESPACE();
#if HWY_TARGET == HWY_AVX3_DL
#pragma GCC target("avx512vnni,lzcnt,popcnt")
#elif HWY_TARGET == HWY_AVX2
#pragma GCC target("lzcnt,popcnt")
#endif
namespace velmora_kernels {
namespace HWY_NAMESPACE {
#if HWY_TARGET == HWY_AVX2 || HWY_TARGET == HWY_AVX3_DL

// The longest run of ones inside one word in each lane, by doubling: p_s marks
// the ends of runs of at least s ones, and a run of a + s ones is one of a
// followed by one of s.
HWY_INLINE hn::Vec<D64> longestInLanes(hn::Vec<D64> p1)
{
    const D64 d;
    const auto zero = hn::Zero(d);
    const auto p2 = hn::And(p1, hn::ShiftLeft<1>(p1));
    const auto p4 = hn::And(p2, hn::ShiftLeft<2>(p2));
    const auto p8 = hn::And(p4, hn::ShiftLeft<4>(p4));
    const auto p16 = hn::And(p8, hn::ShiftLeft<8>(p8));
    const auto p32 = hn::And(p16, hn::ShiftLeft<16>(p16));
    auto ends = hn::Set(d, kAll);
    auto length = zero;
    const auto step = [&](hn::Vec<D64> p, std::uint64_t span) {
        const auto longer = hn::And(ends, hn::Shl(p, length));
        const auto found = hn::Ne(longer, zero);
        ends = hn::IfThenElse(found, longer, ends);
        length = hn::IfThenElse(found, hn::Add(length, hn::Set(d, span)), length);
    };
    step(p32, 32);
    step(p16, 16);
    step(p8, 8);
    step(p4, 4);
    step(p2, 2);
    step(p1, 1);
    return length;
}

// The longest run of ones inside any one word of `hits` and of the misses
// (the counted rows that are not hits), side by side so that the two chains
// overlap. `count` is a whole number of vectors; `counted` is zero beyond its blocks.
HWY_INLINE std::pair<int, int> longestInside(const std::uint64_t* hits, const std::uint64_t* counted, size_t count)
{
    const D64 d;
    auto bestHit = hn::Zero(d);
    auto bestMiss = hn::Zero(d);
    for (size_t i = 0; i < count; i += kWords) {
        const auto h = hn::Load(d, hits + i);
        bestHit = hn::Max(bestHit, longestInLanes(h));
        bestMiss = hn::Max(bestMiss, longestInLanes(hn::AndNot(h, hn::Load(d, counted + i))));
    }
    return {static_cast<int>(hn::GetLane(hn::MaxOfLanes(d, bestHit))),
            static_cast<int>(hn::GetLane(hn::MaxOfLanes(d, bestMiss)))};
}

// Whether x holds a run of at least `length` (1..63) ones.
HWY_INLINE bool hasRun(std::uint64_t x, int length)
{
    std::uint64_t ends = kAll;
    int shift = 0;
    std::uint64_t p = x; // ends of runs of `span` ones
    int span = 1;
    for (;;) {
        if (length & 1) {
            ends &= p << shift;
            shift += span;
        }
        length >>= 1;
        if (length == 0)
            return ends != 0;
        p &= p << span;
        span <<= 1;
    }
}

struct Runs {
    int longest = 0;
    int last = 0; // the run that ends on the newest draw
};

// Runs of ones over words oldest first, each word's bits oldest first, given
// the longest run inside any one word: what remains are runs across words.
// Misses: the runs of the counted rows that are not set in `words`.
template <bool Misses>
HWY_INLINE Runs runsOf(const std::uint64_t* words, const std::uint64_t* counted, int count, int inside)
{
    Runs runs;
    runs.longest = inside;
    int current = 0;
    for (int b = 0; b < count; ++b) {
        const std::uint64_t x = Misses ? ~words[b] & counted[b] : words[b];
        if (x == kAll) {
            current += 64;
            continue;
        }
        runs.longest = std::max(runs.longest, current + std::countr_one(x));
        current = std::countl_one(x);
    }
    runs.longest = std::max(runs.longest, current);
    runs.last = current;
    return runs;
}

// Σ of the weights of the hit rows: byte planes summed under the hit bits.
template <int Planes>
std::int64_t hitWeightIn(const WindowTable& table, const std::uint64_t* words)
{
    const int blocks = table.blocks();
    std::int64_t total = 0;
    // Clang ignores the target pragma that enables VNNI here, so its builds (the
    // fuzzers) take the portable sum below.
#if HWY_TARGET == HWY_AVX3_DL && !defined(__clang__)
    __m512i sums[Planes];
    for (int k = 0; k < Planes; ++k)
        sums[k] = _mm512_setzero_si512();
    const __m512i one = _mm512_set1_epi8(1);
    for (int b = 0; b < blocks; ++b) {
        const __m512i hits = _mm512_maskz_mov_epi8(static_cast<__mmask64>(words[b]), one);
        // Unrolled, or the sums would live in memory.
#pragma GCC unroll 8
        for (int k = 0; k < Planes; ++k)
            sums[k] = _mm512_dpbusd_epi32(sums[k], _mm512_load_si512(table.weightPlane(k) + b * kBlock), hits);
    }
    if (table.totalWeight() <= INT32_MAX) {
        // Every lane holds part of a total that fits 31 bits: put each lane's
        // planes together first and reduce once.
        __m512i lanes = sums[0];
        for (int k = 1; k < Planes; ++k)
            lanes = _mm512_add_epi32(lanes, _mm512_slli_epi32(sums[k], static_cast<unsigned>(8 * k)));
        return _mm512_reduce_add_epi32(lanes);
    }
    for (int k = 0; k < Planes; ++k)
        total += static_cast<std::int64_t>(_mm512_reduce_add_epi32(sums[k])) << (8 * k);
#else
    const D8 d8;
    const D64 d64;
    hn::Vec<D64> sums[Planes];
    for (int k = 0; k < Planes; ++k)
        sums[k] = hn::Zero(d64);
    for (int b = 0; b < blocks; ++b) {
        std::uint8_t bits[8];
        std::memcpy(bits, &words[b], sizeof bits);
        for (size_t part = 0; part < kBlock / kBytes; ++part) {
            const M8 hits = hn::LoadMaskBits(d8, bits + part * kBytes / 8);
            for (int k = 0; k < Planes; ++k) {
                const V8 weights = hn::Load(d8, table.weightPlane(k) + b * kBlock + part * kBytes);
                sums[k] = hn::Add(sums[k], hn::SumsOf8(hn::IfThenElseZero(hits, weights)));
            }
        }
    }
    for (int k = 0; k < Planes; ++k)
        total += static_cast<std::int64_t>(hn::GetLane(hn::SumOfLanes(d64, sums[k]))) << (8 * k);
#endif
    return total;
}

std::int64_t hitWeightOf(const WindowTable& table, const std::uint64_t* words)
{
    if (!table.weighted()) {
        std::int64_t hits = 0;
        for (int b = 0; b < table.blocks(); ++b)
            hits += std::popcount(words[b]);
        return hits;
    }
    switch (table.weightPlanes()) {
    case 1: return hitWeightIn<1>(table, words);
    case 2: return hitWeightIn<2>(table, words);
    case 3: return hitWeightIn<3>(table, words);
    case 4: return hitWeightIn<4>(table, words);
    default: return hitWeightIn<5>(table, words);
    }
}

// Hit words of one candidate, padded with zero words to whole vectors.
struct Words {
    std::uint64_t* hits;
    size_t padded;
};

Words wordBuffers(int blocks)
{
    thread_local AlignedVector<std::uint64_t> buffer;
    const size_t padded = (static_cast<size_t>(blocks) + kWords - 1) / kWords * kWords;
    buffer.assign(padded, 0);
    return {buffer.data(), padded};
}

FormulaStatistics statisticsOf(const WindowTable& table, const Words& words)
{
    FormulaStatistics s;
    s.totalWeight = table.totalWeight();
    s.hitWeight = hitWeightOf(table, words.hits);
    s.rate = RunTally::rateOf(s.hitWeight, s.totalWeight);
    const std::uint64_t* counted = table.counted();
    const int blocks = table.blocks();
    const auto [hitInside, missInside] = longestInside(words.hits, counted, words.padded);
    const Runs hits = runsOf<false>(words.hits, counted, blocks, hitInside);
    const Runs misses = runsOf<true>(words.hits, counted, blocks, missInside);
    s.longestHitRun = hits.longest;
    s.lastHitRun = hits.last;
    s.longestMissRun = misses.longest;
    s.lastMissRun = misses.last;
    return s;
}

#endif
} // namespace HWY_NAMESPACE
} // namespace velmora_kernels
HWY_AFTER_NAMESPACE();

#endif // VELMORA_KERNEL_SUM_KERNEL_STATISTICS_INL_H_
