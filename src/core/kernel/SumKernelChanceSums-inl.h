// The chance sums of a sum's predictions: the weights of the counted draws
// summed by the bit each prediction reads, as whole numbers, and the statistics
// and the chance sums from one pass.
//
// Per-target code: read once for each target through SumKernelsDispatch.cpp
// (hwy/foreach_target.h), the only file that includes it.

#include "kernel/SumKernels.h"
#include "kernel/WindowTable.h"
#include "scoring/ChanceSums.h"
#include "scoring/ChanceTotals.h"
#include "scoring/FormulaStatistics.h"

#include <algorithm>
#include <array>
#include <bit>
#include <stdexcept>

// The guard flips with HWY_TARGET_TOGGLE, so each target reads the code once.
#if defined(VELMORA_KERNEL_SUM_KERNEL_CHANCE_SUMS_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef VELMORA_KERNEL_SUM_KERNEL_CHANCE_SUMS_INL_H_
#undef VELMORA_KERNEL_SUM_KERNEL_CHANCE_SUMS_INL_H_
#else
#define VELMORA_KERNEL_SUM_KERNEL_CHANCE_SUMS_INL_H_
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

#if !defined(__clang__)
// Σ over positions of one lookup piece of value[bit] times each 7-bit piece of
// the weight: one table lookup and one byte dot product per piece and vector.
#if HWY_TARGET == HWY_AVX3_DL
// The dot products multiply unsigned bytes by signed ones into 32 bits, so the
// lookups are whole bytes; the lanes gain at most 4 · 255 · 127 per block,
// so 4,096 blocks fit.
constexpr int kLookupBits = 8;
// Pieces summed in one pass: the 32 registers hold them all.
constexpr int kPiecesPerPass = 11;
using Lookup = __m512i;

HWY_INLINE Lookup lookupOf(const std::uint8_t* table) { return _mm512_loadu_si512(table); }

template <int Pieces>
void piecePass(const WindowTable& table, const std::uint8_t* bits, Lookup lookup, int power, int first, WideCount scale,
               WideCount& total)
{
    const std::uint8_t* planes[Pieces];
    __m512i sums[Pieces];
    for (int c = 0; c < Pieces; ++c) {
        planes[c] = table.piece(power, first + c);
        sums[c] = _mm512_setzero_si512();
    }
    const int blocks = table.blocks();
#pragma GCC unroll 1
    for (int b = 0; b < blocks; ++b) {
        const __m512i bytes = _mm512_permutexvar_epi8(_mm512_load_si512(bits + b * kBlock), lookup);
        // Unrolled, or the sums would live in memory.
#pragma GCC unroll 16
        for (int c = 0; c < Pieces; ++c)
            sums[c] = _mm512_dpbusd_epi32(sums[c], bytes, _mm512_load_si512(planes[c] + b * kBlock));
    }
    for (int c = 0; c < Pieces; ++c) {
        const __m512i wide = _mm512_add_epi64(_mm512_cvtepu32_epi64(_mm512_castsi512_si256(sums[c])),
                                              _mm512_cvtepu32_epi64(_mm512_extracti64x4_epi64(sums[c], 1)));
        total += static_cast<WideCount>(static_cast<std::uint64_t>(_mm512_reduce_add_epi64(wide))) * scale
                 << (7 * (first + c));
    }
}
#else
// Pairs of byte products are added in 16 saturating bits: 7-bit lookups keep
// them below 2¹⁵. Widened to 32 bits the lanes gain at most 8 · 127 · 127 per
// block, so 4,096 blocks fit.
constexpr int kLookupBits = 7;
// Pieces summed in one pass, so that the sums stay in the 16 registers.
constexpr int kPiecesPerPass = 5;
struct Lookup {
    __m256i low; // bits 0..15
    __m256i high; // bits 16..31
};

HWY_INLINE Lookup lookupOf(const std::uint8_t* table)
{
    return {_mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(table))),
            _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(table + 16)))};
}

template <int Pieces>
void piecePass(const WindowTable& table, const std::uint8_t* bits, Lookup lookup, int power, int first, WideCount scale,
               WideCount& total)
{
    const std::uint8_t* planes[Pieces];
    __m256i sums[Pieces];
    for (int c = 0; c < Pieces; ++c) {
        planes[c] = table.piece(power, first + c);
        sums[c] = _mm256_setzero_si256();
    }
    const __m256i fifteen = _mm256_set1_epi8(15);
    const __m256i ones = _mm256_set1_epi16(1);
    const size_t stride = table.stride();
#pragma GCC unroll 1
    for (size_t at = 0; at < stride; at += 32) {
        const __m256i x = _mm256_load_si256(reinterpret_cast<const __m256i*>(bits + at));
        const __m256i index = _mm256_and_si256(x, fifteen);
        const __m256i bytes =
            _mm256_blendv_epi8(_mm256_shuffle_epi8(lookup.low, index), _mm256_shuffle_epi8(lookup.high, index),
                               _mm256_cmpgt_epi8(x, fifteen));
#pragma GCC unroll 16
        for (int c = 0; c < Pieces; ++c) {
            const __m256i pairs =
                _mm256_maddubs_epi16(bytes, _mm256_load_si256(reinterpret_cast<const __m256i*>(planes[c] + at)));
            sums[c] = _mm256_add_epi32(sums[c], _mm256_madd_epi16(pairs, ones));
        }
    }
    for (int c = 0; c < Pieces; ++c) {
        alignas(32) std::uint32_t lanes[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), sums[c]);
        std::uint64_t lane = 0;
        for (std::uint32_t v : lanes)
            lane += v;
        total += static_cast<WideCount>(lane) * scale << (7 * (first + c));
    }
}
#endif

// Σ over counted positions of value[bit] times the weight (power 1) or its square (power 2).
template <size_t Values>
WideCount weighedSum(const WindowTable& table, const std::uint8_t* bits, const std::array<std::uint64_t, Values>& value,
                     int power)
{
    std::uint64_t largest = 0;
    for (std::uint64_t v : value)
        largest = std::max(largest, v);
    WideCount total = 0;
    constexpr std::uint64_t kMask = (std::uint64_t{1} << kLookupBits) - 1;
    for (int k = 0; k * kLookupBits < std::bit_width(largest); ++k) {
        alignas(64) std::uint8_t bytes[64] = {};
        for (size_t bit = 0; bit < Values; ++bit)
            bytes[bit] = static_cast<std::uint8_t>((value[bit] >> (kLookupBits * k)) & kMask);
        const Lookup lookup = lookupOf(bytes);
        const WideCount scale = static_cast<WideCount>(1) << (kLookupBits * k);
        for (int first = 0; first < table.pieces(power); first += kPiecesPerPass) {
            switch (std::min(table.pieces(power) - first, kPiecesPerPass)) {
            case 1: piecePass<1>(table, bits, lookup, power, first, scale, total); break;
            case 2: piecePass<2>(table, bits, lookup, power, first, scale, total); break;
            case 3: piecePass<3>(table, bits, lookup, power, first, scale, total); break;
            case 4: piecePass<4>(table, bits, lookup, power, first, scale, total); break;
            case 5: piecePass<5>(table, bits, lookup, power, first, scale, total); break;
            case 6: piecePass<6>(table, bits, lookup, power, first, scale, total); break;
            case 7: piecePass<7>(table, bits, lookup, power, first, scale, total); break;
            case 8: piecePass<8>(table, bits, lookup, power, first, scale, total); break;
            case 9: piecePass<9>(table, bits, lookup, power, first, scale, total); break;
            case 10: piecePass<10>(table, bits, lookup, power, first, scale, total); break;
            default: piecePass<11>(table, bits, lookup, power, first, scale, total); break;
            }
        }
    }
    return total;
}

// The chance sums of the bits, laid out like the table.
ChanceSums sumsOfBits(const WindowTable& table, const std::uint8_t* bits, const ChanceShares& shares)
{
    ChanceSums out;
    const auto counted = static_cast<std::uint64_t>(shares.counted);
    std::array<std::uint64_t, ChanceTotals::kBits> share{};
    std::array<std::uint64_t, ChanceTotals::kBits> spread{};
    for (size_t bit = 0; bit < share.size(); ++bit) {
        share[bit] = shares.share[bit];
        spread[bit] = share[bit] * (counted - share[bit]);
    }
    out.expected = weighedSum(table, bits, share, 1);
    out.variance = weighedSum(table, bits, spread, 2);
    return out;
}
#else
// Clang ignores the target pragma that enables VNNI here, so its builds (the
// fuzzers) tally the bits the portable way.
ChanceSums sumsOfBits(const WindowTable& table, const std::uint8_t* bits, const ChanceShares& shares)
{
    return ChanceSums::of(ChanceTotals::ofBits(bits + table.padding(), table.rows(), table.weighted()), shares);
}
#endif

void chanceSums(const WindowTable& table, const ColumnSum& sum, const ChanceShares& shares, ChanceSums& out)
{
    out = sumsOfBits(table, predictedBits(table, sum), shares);
}

// The statistics and the chance sums from one pass over the blocks.
void scoreWithChance(const WindowTable& table, bool kill, const ColumnSum& sum, const ChanceShares& shares,
                     FormulaStatistics& statistics, ChanceSums& chance)
{
    Plan plan;
    if (!prepare(table, sum.terms.data(), sum.count, sum.constant, plan))
        throw std::invalid_argument("a column sum the vector kernels do not cover");
    const Context c(table, kill);
    const Words words = wordBuffers(table.blocks());
    thread_local AlignedVector<std::uint8_t> bits;
    bits.resize(table.stride());
    if (table.singleTarget())
        fillWordsOf<true>(c, plan, words.hits, bits.data());
    else
        fillWordsOf<false>(c, plan, words.hits, bits.data());
    statistics = statisticsOf(table, words);
    chance = sumsOfBits(table, bits.data(), shares);
}

#endif
} // namespace HWY_NAMESPACE
} // namespace velmora_kernels
HWY_AFTER_NAMESPACE();

#endif // VELMORA_KERNEL_SUM_KERNEL_CHANCE_SUMS_INL_H_
