#pragma once

#include "scoring/ChanceTotals.h"
#include "scoring/FormulaStatistics.h"

#include <cstdint>
#include <vector>

class ChanceBaseline;

// One ranking statistic of many formulas over a window of counted rows
// [first, end) that only ever slides forward. Each formula's hits (and, for the
// chance keys, the bit of the draw its prediction reads) are recorded once per
// row; moving the window then adds the rows that enter and removes the rows that
// leave, so a step costs the same however long the window is. The figures equal
// those FormulaScoring and ChanceBaseline give over the same rows.
//
// Weighted rows weigh j² (j = 1 for the oldest counted row). Per formula the
// sums Σh, Σk·h and Σk²·h over the hit rows k give Σ(k − first + 1)²·h for any
// first; the chance keys keep the same power sums per bit, up to the fourth.
class WindowRanker {
public:
    WindowRanker(int formulas, int rows, StatisticKey key, bool weighted);

    int formulas() const { return m_formulas; }
    StatisticKey key() const { return m_key; }
    // Whether the key needs the bit each prediction reads (setBit).
    bool needsBits() const
    {
        return !m_bits.empty() || m_key == StatisticKey::ExpectedRate || m_key == StatisticKey::Z;
    }

    // Records formula f on `row` (1 .. rows − 1); before the first move only.
    void setHit(int f, int row, bool hit)
    {
        if (hit)
            m_hits[block(row) + static_cast<size_t>(f)] |= std::uint64_t{1} << (row & 63);
    }
    // The hits of rows [firstRow, firstRow + 64), firstRow a multiple of 64: bit i for row firstRow + i.
    void setHitWord(int f, int firstRow, std::uint64_t word)
    {
        m_hits[block(firstRow) + static_cast<size_t>(f)] = word;
    }
    void setBit(int f, int row, unsigned bit)
    {
        m_bits[static_cast<size_t>(row) * static_cast<size_t>(m_formulas) + static_cast<size_t>(f)] =
            static_cast<std::uint8_t>(bit);
    }

    // Slides the window to the counted rows [first, end); neither may go back.
    void moveTo(int first, int end);
    // The key of every formula over the window, as FormulaStatistics::value
    // gives it; `chance` must hold the window's chance figures for the chance keys.
    void keys(std::vector<double>& out, const ChanceBaseline* chance, bool kill);
    // The `top` formulas with the highest key, ties to the lower position, in
    // position order: what keys() and a selection give, faster for the rate.
    void best(int top, const ChanceBaseline* chance, bool kill, std::vector<int>& chosen);

private:
    struct Run {
        int start = 0;
        int end = 0;
    };
    // The longest runs of one kind (hits or misses) of a formula that ended in
    // the window, longest first (a later run at least as long replaces an
    // earlier one), and the latest end of those that left it.
    struct RunQueue {
        std::vector<Run> runs;
        size_t head = 0;
        int leftEnd = 0;
    };

    size_t block(int row) const { return static_cast<size_t>(row >> 6) * static_cast<size_t>(m_formulas); }
    bool hit(int f, int row) const { return ((m_hits[block(row) + static_cast<size_t>(f)] >> (row & 63)) & 1u) != 0; }
    void add(int row);
    void remove(int row);
    void slideHits(int in, int out);
    // A one-row slide of the rate's counts waits for the pass that ranks, which does both.
    void flush();
    void closeRun(int f, int end);
    bool tracksLongest() const;

    int m_formulas;
    int m_rows;
    StatisticKey m_key;
    bool m_weighted;
    int m_first = 1;
    int m_end = 1;
    int m_pendingIn = -1; // a slide not yet applied to the counts: the row in and the row out
    int m_pendingOut = -1;
    std::vector<std::uint64_t> m_hits; // [row / 64][formula]: bit row % 64
    std::vector<std::uint8_t> m_bits; // [row][formula], chance keys only
    // Per formula: Σh, Σk·h, Σk²·h over the window's hit rows k (modulo 2^64:
    // the combination is exact because the result fits).
    std::vector<std::uint64_t> m_h0, m_h1, m_h2;
    std::vector<int> m_runStart; // the row the run ending at m_end − 1 began on
    std::vector<RunQueue> m_longest; // errcon / truecon only
    // Chance keys: per formula and bit, Σk^i over the window's rows reading that bit.
    std::vector<std::array<WideCount, 5>> m_moments; // [formula * kBits + bit]
};
