#pragma once

#include "history/AttributeCatalog.h"
#include "scoring/FormulaStatistics.h"

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

class HistorySnapshot;

// Storage that starts on a cache line, so a 64-row block of bytes is one aligned load.
template <typename T>
struct CacheLineAllocator {
    using value_type = T;
    static constexpr std::align_val_t kAlignment{64};
    CacheLineAllocator() = default;
    template <typename U>
    CacheLineAllocator(const CacheLineAllocator<U>&) noexcept
    {}
    T* allocate(std::size_t n) { return static_cast<T*>(::operator new(n * sizeof(T), kAlignment)); }
    void deallocate(T* p, std::size_t) noexcept { ::operator delete(p, kAlignment); }
    template <typename U>
    bool operator==(const CacheLineAllocator<U>&) const noexcept
    {
        return true;
    }
};
template <typename T>
using AlignedVector = std::vector<T, CacheLineAllocator<T>>;

// The counted draws of one kind, range and window, laid out for the vector
// kernels. Counted draw i (0 = oldest) sits at position padding() + i, so the
// 64-row blocks end on the newest draw and only the oldest block is padded
// (at its start). Per position the table holds:
// - each attribute column's value on the draw before (the one that predicts
//   this draw), reduced mod R to a byte, and the value itself as 16 bits;
// - what the draw judges: the number drawn (direct rules) or a mask of the
//   numbers present (group rules), read by the predicted residue r (number r + 1);
// - the weight (j² or 1) as byte planes, so sums of weights are sums of bytes.
// Per block: which positions are counted, and per column which rows are nonzero.
// Per column: whether the vector kernels can sum it exactly, its smallest and
// largest value and whether it is ever zero.
class WindowTable {
public:
    static constexpr int kBlockRows = 64;
    // Residues and the fold's tables are built for ranges up to 12.
    static constexpr int kMaxRange = 12;
    // Columns whose values stay in 0..kMaxValue are summed exactly in 16 bits.
    static constexpr int kMaxValue = 65535;
    // Weights of up to kMaxRows counted draws fit kMaxWeightPlanes bytes.
    static constexpr int kMaxRows = (1 << 20) - 1;
    static constexpr int kMaxWeightPlanes = 5;
    // In a single-number target: the draw names no number the fold can reach.
    static constexpr std::uint8_t kNoTarget = 0xFF;

    // Whether the kernels cover a rule of this range over this many counted draws.
    static bool covers(int range, int countedRows);

    using Columns = std::bitset<AttributeCatalog::kCount>;
    // Raises UserError for a range the kernels do not cover; see covers().
    // Only the attributes in `columns` are laid out; the others are never summable.
    WindowTable(const HistorySnapshot& history, FormulaKind kind, int range, const ScoringWindow& window,
                const Columns& columns = Columns().set());

    int range() const { return m_range; }
    int rows() const { return m_rows; }
    int blocks() const { return m_blocks; }
    int padding() const { return m_blocks * kBlockRows - m_rows; }
    int firstCountedRow() const { return m_first; }
    std::int64_t totalWeight() const { return m_totalWeight; }
    bool weighted() const { return m_weighted; }

    // Bytes (or values) per column: each column's data starts at attribute × stride().
    size_t stride() const { return static_cast<size_t>(m_blocks) * kBlockRows; }
    const std::uint8_t* residues() const { return m_residues.data(); }
    const std::uint8_t* residues(int attribute) const { return m_residues.data() + offset(attribute); }
    const std::uint16_t* values(int attribute) const { return m_values.data() + offset(attribute); }
    const std::uint64_t* nonZero(int attribute) const
    {
        return m_nonZero.data() + static_cast<size_t>(attribute) * static_cast<size_t>(m_blocks);
    }
    // One word per block, then zero words up to a multiple of eight.
    const std::uint64_t* counted() const { return m_counted.data(); }

    // Every draw has at most one number the fold can reach: target() holds
    // its residue (number − 1) or kNoTarget. Otherwise presentLow() has bit k
    // set for number k + 1 (1..8) and presentHigh() bit k for number k + 9.
    bool singleTarget() const { return m_singleTarget; }
    const std::uint8_t* target() const { return m_target.data(); }
    const std::uint8_t* presentLow() const { return m_presentLow.data(); }
    const std::uint8_t* presentHigh() const { return m_presentHigh.data(); }

    // Byte k of each counted draw's weight; zero on padding positions.
    int weightPlanes() const { return m_planes; }
    const std::uint8_t* weightPlane(int k) const
    {
        return m_weights.data() + static_cast<size_t>(k) * static_cast<size_t>(m_blocks) * kBlockRows;
    }

    // Each counted draw's weight w (power 1) and its square (power 2) in
    // 7-bit pieces, w = Σ piece c · 2^7c, so that bytes times pieces sum
    // exactly in signed-byte dot products. Zero on padding positions; built
    // only up to kMaxPieceRows counted draws (otherwise pieces() is 0).
    static constexpr int kMaxPieceRows = 1 << 18;
    int pieces(int power) const { return m_pieces[power == 1 ? 0 : 1]; }
    const std::uint8_t* piece(int power, int c) const
    {
        const size_t before = power == 1 ? 0 : static_cast<size_t>(m_pieces[0]);
        return m_pieceBytes.data() + (before + static_cast<size_t>(c)) * stride();
    }

    enum ColumnFlag : std::uint8_t { kSummable = 1, kEverZero = 2 };
    // kSummable | kEverZero, as they hold for the column.
    std::uint8_t flags(int attribute) const { return m_flags[static_cast<size_t>(attribute)]; }
    bool summable(int attribute) const { return (flags(attribute) & kSummable) != 0; }
    bool everZero(int attribute) const { return (flags(attribute) & kEverZero) != 0; }
    int minValue(int attribute) const { return m_minimum[static_cast<size_t>(attribute)]; }

private:
    size_t offset(int attribute) const
    {
        return static_cast<size_t>(attribute) * static_cast<size_t>(m_blocks) * kBlockRows;
    }
    void fillColumns(const HistorySnapshot& history, const Columns& columns);
    void fillTargets(const HistorySnapshot& history, FormulaKind kind);
    void fillWeights();
    void fillPieces();

    int m_range = 0;
    int m_rows = 0;
    int m_blocks = 0;
    int m_first = 0;
    bool m_weighted = true;
    std::int64_t m_totalWeight = 0;
    bool m_singleTarget = true;
    int m_planes = 1;
    AlignedVector<std::uint8_t> m_residues;
    AlignedVector<std::uint16_t> m_values;
    AlignedVector<std::uint64_t> m_nonZero;
    AlignedVector<std::uint64_t> m_counted;
    AlignedVector<std::uint8_t> m_target;
    AlignedVector<std::uint8_t> m_presentLow;
    AlignedVector<std::uint8_t> m_presentHigh;
    AlignedVector<std::uint8_t> m_weights;
    std::array<int, 2> m_pieces{};
    AlignedVector<std::uint8_t> m_pieceBytes;
    std::array<std::uint8_t, AttributeCatalog::kCount> m_flags{};
    std::array<std::int32_t, AttributeCatalog::kCount> m_minimum{};
};
