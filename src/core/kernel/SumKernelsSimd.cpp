// The vector paths of SumKernels, written once with Highway and compiled for
// AVX2 and for AVX-512 with VBMI and VNNI (the file is read once per target;
// only the parts under HWY_ONCE are read once). Nothing here assumes more than
// baseline x86-64 outside the functions of each target.
//
// A 64-row block of a sum is computed as bytes: the columns' residues mod R and
// the constant's (c − 1) mod R are added, folded back below R often enough never
// to pass 127, and the fold r = (v − 1) mod R names number r + 1. Comparing it
// with what each draw judges gives the block's 64 hit bits. Rows where v is 0 or
// below name no number unless r is 0 (the remainder then has no sign), which is
// why a constant of 0 or below needs the rows where the sum itself is small.
#define HWY_WANT_AVX3_DL 1
#define HWY_DISABLED_TARGETS (HWY_SSSE3 | HWY_SSE4 | HWY_AVX3)
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "kernel/SumKernelsSimd.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep
#include <hwy/highway.h>

#include "formula/ChanceSums.h"
#include "formula/HitRule.h"
#include "formula/RunTally.h"
#include "kernel/IntegerBounds.h"
#include "kernel/SumKernelTargets.h"
#include "kernel/WindowTable.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <stdexcept>
#include <utility>

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

// ---- one 64-row block -------------------------------------------------------

// s → s mod R for byte sums up to 127.
struct Fold {
#if HWY_TARGET == HWY_AVX3_DL
    __m512i low; // i mod R, i = 0..63
    __m512i high; // i mod R, i = 64..127
#else
    V8 units; // i mod R, i = 0..15
    V8 sixteens; // 16i mod R, i = 0..7
    V8 range;
#endif
    int termsPerFold = 0; // residues that can be added to a folded sum before it passes 127

    explicit Fold(int range)
    {
        alignas(64) std::uint8_t table[128];
        for (int i = 0; i < 128; ++i)
            table[i] = static_cast<std::uint8_t>(i % range);
#if HWY_TARGET == HWY_AVX3_DL
        low = _mm512_load_si512(table);
        high = _mm512_load_si512(table + 64);
#else
        const D8 d;
        alignas(16) std::uint8_t sixteen[16];
        for (int i = 0; i < 16; ++i)
            sixteen[i] = static_cast<std::uint8_t>((16 * i) % range);
        units = hn::LoadDup128(d, table);
        sixteens = hn::LoadDup128(d, sixteen);
        this->range = hn::Set(d, static_cast<std::uint8_t>(range));
#endif
        termsPerFold = 127 / (range - 1) - 1;
    }

    HWY_INLINE V8 operator()(V8 s) const
    {
#if HWY_TARGET == HWY_AVX3_DL
        return V8{_mm512_permutex2var_epi8(low, s.raw, high)};
#else
        const D8 d;
        const V8 x = hn::Add(hn::TableLookupBytes(units, hn::And(s, hn::Set(d, 15))),
                             hn::TableLookupBytes(sixteens, hn::ShiftRight<4>(s)));
        return hn::Min(x, hn::Sub(x, range)); // below 2R: one subtraction at most
#endif
    }
};

HWY_INLINE std::uint64_t bitsOf(M8 mask)
{
#if HWY_TARGET == HWY_AVX3_DL
    return static_cast<std::uint64_t>(mask.raw);
#else
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(hn::VecFromMask(D8(), mask).raw));
#endif
}

// A sum prepared for the block loop.
struct Plan {
    size_t offsets[ColumnSum::kMaxTerms]; // each term's column: attribute × the table's stride
    const std::uint8_t* terms = nullptr;
    int count = 0;
    std::uint8_t constantResidue = 0;
    std::uint16_t threshold = 0;
    LowRows low = LowRows::None;
};

HWY_INLINE bool prepare(const WindowTable& table, const std::uint8_t* terms, int count, int constant, Plan& plan)
{
    plan.low = lowRowsOf(table, terms, count, constant);
    if (plan.low == LowRows::Uncovered)
        return false;
    plan.terms = terms;
    plan.count = count;
    const size_t stride = table.stride();
    for (int t = 0; t < count; ++t)
        plan.offsets[t] = terms[t] * stride;
    const std::int64_t range = table.range();
    plan.constantResidue = static_cast<std::uint8_t>(((constant - std::int64_t{1}) % range + range) % range);
    if (plan.low == LowRows::Threshold)
        plan.threshold = static_cast<std::uint16_t>(1 - constant);
    return true;
}

// Rows of the block whose 16-bit sum is below the threshold.
std::uint64_t belowThreshold(const WindowTable& table, const Plan& plan, size_t at)
{
    const D16 d;
    std::uint64_t below = 0;
    for (size_t part = 0; part < kBlock / kShorts; ++part) {
        auto sum = hn::Zero(d);
        for (int t = 0; t < plan.count; ++t)
            sum = hn::SaturatedAdd(sum, hn::Load(d, table.values(plan.terms[t]) + at + part * kShorts));
        std::uint8_t bits[8] = {};
        hn::StoreMaskBits(d, hn::Lt(sum, hn::Set(d, plan.threshold)), bits);
        std::uint64_t word = 0;
        std::memcpy(&word, bits, sizeof word);
        below |= word << (part * kShorts);
    }
    return below;
}

// Everything one block loop needs besides the sum.
struct Context {
    const WindowTable& table;
    Fold fold;
    std::uint64_t killMask; // all ones for kill, else 0
    Context(const WindowTable& t, bool kill) : table(t), fold(t.range()), killMask(kill ? kAll : 0) {}
};

// The folded residues r of `Vectors` consecutive vectors from position `at`:
// every term is added to all of them before the next, so one address serves them all.
template <int Vectors>
HWY_INLINE void foldedSums(const Context& c, const Plan& plan, size_t at, V8 (&r)[Vectors])
{
    const D8 d;
    const std::uint8_t* base = c.table.residues() + at;
    for (int v = 0; v < Vectors; ++v)
        r[v] = hn::Set(d, plan.constantResidue);
    // Up to termsPerFold terms at a time, then back below R.
    for (int t = 0;;) {
        const int stop = std::min(plan.count, t + c.fold.termsPerFold);
        for (; t < stop; ++t) {
            const std::uint8_t* column = base + plan.offsets[t];
            for (int v = 0; v < Vectors; ++v)
                r[v] = hn::Add(r[v], hn::Load(d, column + v * kBytes));
        }
        if (t == plan.count)
            break;
        for (int v = 0; v < Vectors; ++v)
            r[v] = c.fold(r[v]);
    }
    for (int v = 0; v < Vectors; ++v)
        r[v] = c.fold(r[v]);
}

// Whether the number r + 1 is present at the judged positions from `at` on.
template <bool Single>
HWY_INLINE M8 presentAt(const Context& c, V8 r, size_t at)
{
    const D8 d;
    if constexpr (Single) {
        return hn::Eq(r, hn::Load(d, c.table.target() + at));
    } else {
        // Bit r of the present numbers, from the low byte (r < 8) or the high one.
        alignas(16) static constexpr std::uint8_t kLow[16] = {1, 2, 4, 8, 16, 32, 64, 128};
        alignas(16) static constexpr std::uint8_t kHigh[16] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 4, 8, 16, 32, 64, 128};
        const V8 low =
            hn::And(hn::TableLookupBytes(hn::LoadDup128(d, kLow), r), hn::Load(d, c.table.presentLow() + at));
        const V8 high =
            hn::And(hn::TableLookupBytes(hn::LoadDup128(d, kHigh), r), hn::Load(d, c.table.presentHigh() + at));
        return hn::Ne(hn::Or(low, high), hn::Zero(d));
    }
}

// The bit of a draw's mask that each position of a block reads: r + 1 for the
// number the prediction names, HitRule::kNoNumberBit on the `low` rows, whose
// sum falls to 0 or below without naming one. A sum of columns is never empty.
HWY_INLINE void storeBits(const V8* r, std::uint64_t low, std::uint8_t* out)
{
    constexpr int kPerBlock = static_cast<int>(kBlock / kBytes);
    const D8 d;
    std::uint8_t lowBits[8];
    std::memcpy(lowBits, &low, sizeof lowBits);
    for (int part = 0; part < kPerBlock; ++part) {
        const M8 isLow = hn::LoadMaskBits(d, lowBits + part * kBytes / 8);
        hn::Store(hn::IfThenElse(isLow, hn::Set(d, static_cast<std::uint8_t>(HitRule::kNoNumberBit)),
                                 hn::Add(r[part], hn::Set(d, 1))),
                  d, out + part * kBytes);
    }
}

// The hit bits of blocks block .. block + Blocks − 1: bit i of word k for
// position 64(block + k) + i; with `bits` (laid out like the table) also the
// bits the predictions read there.
template <bool Single, LowRows Low, int Blocks>
HWY_INLINE void hitWords(const Context& c, const Plan& plan, int block, std::uint64_t* out,
                         std::uint8_t* bits = nullptr)
{
    constexpr int kPerBlock = static_cast<int>(kBlock / kBytes);
    constexpr int kVectors = Blocks * kPerBlock;
    const D8 d;
    const size_t base = static_cast<size_t>(block) * kBlock;
    V8 r[kVectors];
    foldedSums<kVectors>(c, plan, base, r);
    for (int k = 0; k < Blocks; ++k) {
        std::uint64_t present = 0;
        std::uint64_t foldedZero = 0;
        for (int part = 0; part < kPerBlock; ++part) {
            const int v = k * kPerBlock + part;
            present |= bitsOf(presentAt<Single>(c, r[v], base + static_cast<size_t>(v) * kBytes)) << (part * kBytes);
            if constexpr (Low == LowRows::Threshold)
                foldedZero |= bitsOf(hn::Eq(r[v], hn::Zero(d))) << (part * kBytes);
        }
        const int b = block + k;
        std::uint64_t low = 0;
        if constexpr (Low == LowRows::Zero) {
            // v = 0 where every column is 0; r = R − 1 there, so no number.
            std::uint64_t any = 0;
            for (int t = 0; t < plan.count; ++t)
                any |= c.table.nonZero(plan.terms[t])[b];
            low = ~any;
        } else if constexpr (Low == LowRows::Threshold) {
            low = belowThreshold(c.table, plan, static_cast<size_t>(b) * kBlock) & ~foldedZero;
        }
        out[k] = ((present & ~low) ^ c.killMask) & c.table.counted()[b];
        if (bits)
            storeBits(r + k * kPerBlock, low, bits + static_cast<size_t>(b) * kBlock);
    }
}

template <bool Single, LowRows Low>
HWY_INLINE std::uint64_t hitWord(const Context& c, const Plan& plan, int block)
{
    std::uint64_t word;
    hitWords<Single, Low, 1>(c, plan, block, &word);
    return word;
}

// ---- statistics from the hit bits ---------------------------------------------

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

// ---- full statistics ----------------------------------------------------------

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

// ---- chance totals ------------------------------------------------------------

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

// ---- search -------------------------------------------------------------------

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
