#pragma once

#include "analysis/CalculationResult.h"

#include <QString>
#include <array>
#include <cstdint>
#include <vector>

// A formula of the back-test that could not be compiled; it cast no vote.
struct BackTestSkip {
    int idx = 0;
    QString reason;
};

// Every replayed draw of a back-test, oldest first: its issue, its five numbers,
// the tallies of each number (ETrrcount, Errcount, Trrcount) after the selected
// formulas voted on that draw's values, and the numbers in rank order (fewest
// kill votes first, ties in number order). Draw-major flat storage: R entries
// per draw.
struct BackTestResult {
    QString table; // Gongshi1D .. the formulas came from
    bool kill = true; // the kill/keep flag of the listed formulas
    int range = 11; // R
    int usedFormulas = 0; // selected formulas that compiled and voted
    std::vector<BackTestSkip> skipped;

    std::vector<QString> issues;
    std::vector<std::array<std::int8_t, 5>> numbers;
    std::vector<NumberTally> tallies; // [draw * R + number − 1]
    std::vector<std::int8_t> ranking; // [draw * R + rank − 1] = number

    int drawCount() const { return static_cast<int>(issues.size()); }
    const QString& issue(int draw) const { return issues[static_cast<size_t>(draw)]; }
    // The number drawn at position 1..5.
    int number(int draw, int position) const
    {
        return numbers[static_cast<size_t>(draw)][static_cast<size_t>(position - 1)];
    }
    const NumberTally& tally(int draw, int number) const { return tallies[slot(draw, number)]; }
    // The number standing at rank 1..R.
    int rankedNumber(int draw, int rank) const { return ranking[slot(draw, rank)]; }

private:
    size_t slot(int draw, int oneBased) const
    {
        return static_cast<size_t>(draw) * static_cast<size_t>(range) + static_cast<size_t>(oneBased - 1);
    }
};
