// One 64-row block of a sum of columns, as bytes: the columns' residues mod R and
// the constant's (c − 1) mod R are added, folded back below R often enough never
// to pass 127, and the fold r = (v − 1) mod R names number r + 1. Comparing it
// with what each draw judges gives the block's 64 hit bits. Rows where v is 0 or
// below name no number unless r is 0 (the remainder then has no sign), which is
// why a constant of 0 or below needs the rows where the sum itself is small.
//
// Per-target code: read once for each target through SumKernelsDispatch.cpp
// (hwy/foreach_target.h), the only file that includes it.

#include "kernel/SumKernelTargets.h"
#include "kernel/SumKernels.h"
#include "kernel/WindowTable.h"
#include "scoring/HitRule.h"

#include <algorithm>
#include <cstring>

// The guard flips with HWY_TARGET_TOGGLE, so each target reads the code once.
#if defined(VELMORA_KERNEL_SUM_KERNEL_BLOCKS_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef VELMORA_KERNEL_SUM_KERNEL_BLOCKS_INL_H_
#undef VELMORA_KERNEL_SUM_KERNEL_BLOCKS_INL_H_
#else
#define VELMORA_KERNEL_SUM_KERNEL_BLOCKS_INL_H_
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

#endif
} // namespace HWY_NAMESPACE
} // namespace velmora_kernels
HWY_AFTER_NAMESPACE();

#endif // VELMORA_KERNEL_SUM_KERNEL_BLOCKS_INL_H_
