#pragma once

#include <QString>
#include <array>
#include <optional>
#include <set>
#include <vector>

// The three counts of one number at one position after a calculation.
struct NumberTally {
    int vote = 0; // formulas that named the number (ETrrcount)
    int kill = 0; // the same count for kill formulas, else 0 (Errcount)
    int keep = 0; // the same count for keep formulas, else 0 (Trrcount)
    bool operator==(const NumberTally&) const = default;
};

// A formula that took part, with what it said on the reference draw.
struct UsedFormula {
    int position = 0; // where it was tallied
    QString table; // Gongshi1D ..
    int idx = 0;
    QString chinese; // gongshiCN
    QString code; // gongshi
    double value = 0.0; // value on the reference draw (NaN when empty)
    int number = 0; // the number it names, 0 when none in 1..R
};

// A formula that could not be evaluated and therefore did not vote.
struct SkippedFormula {
    int position = 0;
    QString table;
    int idx = 0;
    QString reason;
};

// Everything a next-draw calculation leaves for the error values window,
// the detail list and the command line.
struct CalculationResult {
    static constexpr int kMaxNumber = 12;

    int range = 11; // R
    int leadingPositions = 1; // K
    bool group = false;
    bool kill = true;
    bool bestMethod = false;
    int keepLimit = 1; // 1 for selected formulas, L for the best ones
    QString referenceIssue; // the draw whose values were read
    QString verifiedIssue; // the past issue checked, empty for the coming draw
    std::optional<std::array<int, 5>> verifiedNumbers; // what that issue drew, positions 1..5

    // tallies[position][number], positions 1..5 and numbers 1..12 used.
    std::array<std::array<NumberTally, kMaxNumber + 1>, 6> tallies{};
    std::vector<UsedFormula> used; // in the order they were used
    std::vector<SkippedFormula> skipped;

    const NumberTally& tally(int position, int number) const
    {
        return tallies[static_cast<size_t>(position)][static_cast<size_t>(number)];
    }
    NumberTally& tally(int position, int number)
    {
        return tallies[static_cast<size_t>(position)][static_cast<size_t>(number)];
    }
    int usedCount() const { return static_cast<int>(used.size()); }
    // Direct play shows positions 1..K, group play only K.
    std::vector<int> shownPositions() const
    {
        std::vector<int> positions;
        for (int p = group ? leadingPositions : 1; p <= leadingPositions; ++p)
            positions.push_back(p);
        return positions;
    }
};
