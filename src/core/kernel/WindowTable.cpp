#include "kernel/WindowTable.h"

#include "common/UserError.h"
#include "history/AttributeCatalog.h"
#include "history/HistorySnapshot.h"
#include "scoring/ChanceTotals.h"
#include "scoring/HitRule.h"

#include <algorithm>
#include <bit>
#include <type_traits>

bool WindowTable::covers(int range, int countedRows)
{
    return range >= 2 && range <= kMaxRange && countedRows >= 1 && countedRows <= kMaxRows;
}

WindowTable::WindowTable(const HistorySnapshot& history, FormulaKind kind, int range, const ScoringWindow& window,
                         const Columns& columns)
    : m_range(range),
      m_weighted(window.weighted)
{
    const auto [first, end] = window.countedRows(history.size());
    m_first = first;
    m_rows = std::max(0, end - first);
    if (!covers(range, m_rows))
        throw UserError(QStringLiteral("公式计算"), QStringLiteral("向量计算不支持该号码范围或期数"), false);
    m_blocks = (m_rows + kBlockRows - 1) / kBlockRows;
    // Zero words after the last block, so that vectors of eight words read whole.
    m_counted.assign(static_cast<size_t>((m_blocks + 7) / 8 * 8), 0);
    std::fill_n(m_counted.begin(), m_blocks, ~std::uint64_t{0});
    // The padding sits at the start of the oldest block.
    m_counted[0] = ~std::uint64_t{0} << padding();
    fillColumns(history, columns);
    fillTargets(history, kind);
    fillWeights();
    fillPieces();
}

void WindowTable::fillColumns(const HistorySnapshot& history, const Columns& columns)
{
    const size_t stride = static_cast<size_t>(m_blocks) * kBlockRows;
    m_residues.assign(stride * AttributeCatalog::kCount, 0);
    m_values.assign(stride * AttributeCatalog::kCount, 0);
    m_nonZero.assign(static_cast<size_t>(m_blocks) * AttributeCatalog::kCount, 0);
    const int pad = padding();
    for (int a = 0; a < AttributeCatalog::kCount; ++a) {
        if (!columns.test(static_cast<size_t>(a)))
            continue;
        // Row first − 1 + i predicts counted draw i.
        const std::int32_t* column = history.column(a).data() + (m_first - 1);
        // Plain loops, so that the compiler vectorises them.
        std::int32_t smallest = column[0];
        std::int32_t largest = column[0];
        for (int i = 1; i < m_rows; ++i) {
            smallest = std::min(smallest, column[i]);
            largest = std::max(largest, column[i]);
        }
        const bool summable = smallest >= 0 && largest <= kMaxValue;
        const bool everZero = smallest <= 0 && std::find(column, column + m_rows, 0) != column + m_rows;
        m_minimum[static_cast<size_t>(a)] = smallest;
        m_flags[static_cast<size_t>(a)] =
            static_cast<std::uint8_t>((summable ? kSummable : 0) | (everZero ? kEverZero : 0));
        if (!summable)
            continue;
        std::uint8_t* residues = m_residues.data() + offset(a);
        std::uint16_t* values = m_values.data() + offset(a);
        std::uint64_t* nonZero = m_nonZero.data() + static_cast<size_t>(a) * static_cast<size_t>(m_blocks);
        const auto fill = [&](auto range) {
            for (int i = 0; i < m_rows; ++i) {
                const auto v = static_cast<std::uint32_t>(column[i]);
                residues[pad + i] = static_cast<std::uint8_t>(v % range);
                values[pad + i] = static_cast<std::uint16_t>(v);
            }
            // Each block's word gathered in a register, not bit by bit in memory.
            for (int b = 0; b < m_blocks; ++b) {
                std::uint64_t word = 0;
                const std::uint16_t* block = values + b * kBlockRows;
                for (int k = 0; k < kBlockRows; ++k)
                    word |= static_cast<std::uint64_t>(block[k] != 0) << k;
                nonZero[b] = word & m_counted[static_cast<size_t>(b)];
            }
        };
        // A range known to the compiler divides by multiplying.
        if (m_range == 11)
            fill(std::integral_constant<std::uint32_t, 11>());
        else if (m_range == 12)
            fill(std::integral_constant<std::uint32_t, 12>());
        else
            fill(static_cast<std::uint32_t>(m_range));
    }
}

void WindowTable::fillTargets(const HistorySnapshot& history, FormulaKind kind)
{
    const size_t stride = static_cast<size_t>(m_blocks) * kBlockRows;
    m_target.assign(stride, kNoTarget);
    m_presentLow.assign(stride, 0);
    m_presentHigh.assign(stride, 0);
    // The kill flag plays no part in which numbers are present.
    const HitRule rule(history, kind.rule(m_range, true));
    const unsigned reachable = (1u << m_range) - 1u;
    const int pad = padding();
    for (int i = 0; i < m_rows; ++i) {
        const auto p = static_cast<size_t>(pad + i);
        // Bit k: number k + 1, the one residue k predicts.
        const unsigned present = (static_cast<unsigned>(rule.present(m_first + i)) >> 1) & reachable;
        m_presentLow[p] = static_cast<std::uint8_t>(present & 0xFFu);
        m_presentHigh[p] = static_cast<std::uint8_t>(present >> 8);
        if (std::popcount(present) > 1)
            m_singleTarget = false;
        else if (present != 0)
            m_target[p] = static_cast<std::uint8_t>(std::countr_zero(present));
    }
}

void WindowTable::fillWeights()
{
    const std::int64_t largest = m_weighted ? static_cast<std::int64_t>(m_rows) * m_rows : 1;
    m_planes = std::max(1, static_cast<int>((std::bit_width(static_cast<std::uint64_t>(largest)) + 7) / 8));
    const size_t stride = static_cast<size_t>(m_blocks) * kBlockRows;
    m_weights.assign(stride * static_cast<size_t>(m_planes), 0);
    const int pad = padding();
    m_totalWeight = 0;
    for (int i = 0; i < m_rows; ++i) {
        const std::int64_t j = i + 1;
        const std::int64_t weight = m_weighted ? j * j : 1;
        m_totalWeight += weight;
        for (int k = 0; k < m_planes; ++k)
            m_weights[static_cast<size_t>(k) * stride + static_cast<size_t>(pad + i)] =
                static_cast<std::uint8_t>(weight >> (8 * k));
    }
}

void WindowTable::fillPieces()
{
    if (m_rows > kMaxPieceRows)
        return;
    const auto largest = static_cast<std::uint64_t>(m_weighted ? static_cast<std::int64_t>(m_rows) * m_rows : 1);
    // The square may pass 64 bits; its width is at most twice the weight's.
    const int bits = static_cast<int>(std::bit_width(largest));
    m_pieces = {std::max(1, (bits + 6) / 7), std::max(1, (2 * bits + 6) / 7)};
    const size_t stride = this->stride();
    m_pieceBytes.assign(stride * static_cast<size_t>(m_pieces[0] + m_pieces[1]), 0);
    const auto p = static_cast<size_t>(padding());
    for (int i = 0; i < m_rows; ++i) {
        const auto j = static_cast<std::uint64_t>(i + 1);
        const std::uint64_t weight = m_weighted ? j * j : 1;
        const WideCount square = static_cast<WideCount>(weight) * weight;
        for (int c = 0; c < m_pieces[0]; ++c)
            m_pieceBytes[static_cast<size_t>(c) * stride + p + static_cast<size_t>(i)] =
                static_cast<std::uint8_t>((weight >> (7 * c)) & 0x7Fu);
        for (int c = 0; c < m_pieces[1]; ++c)
            m_pieceBytes[static_cast<size_t>(m_pieces[0] + c) * stride + p + static_cast<size_t>(i)] =
                static_cast<std::uint8_t>((square >> (7 * c)) & 0x7Fu);
    }
}
