#pragma once

#include "history/HistorySnapshot.h"

#include <cstdint>

// The history with its draws in a random order: the issues, serials and dates
// stay where they were, the five numbers of each draw move as a whole, and every
// attribute that compares a draw with the one before it is computed again from
// its new predecessor. Each attribute keeps its distribution and loses any
// order, which is what a search that finds formulas on it measures: what chance
// alone finds. The same seed always gives the same order.
class ShuffledHistory {
public:
    // `drawsPerDay` is the lottery's T, which some attributes of the serial use.
    static HistorySnapshot of(const HistorySnapshot& history, int drawsPerDay, std::uint64_t seed);
};
