#pragma once

#include "scoring/FormulaStatistics.h"
#include "search/FoundFormula.h"

#include <vector>

class HistorySnapshot;

// The found list's figures on the held-out draws, averaged: what the search's
// rates promised, what the unseen draws gave, and what chance alone gives there.
struct HoldOutSummary {
    int heldOut = 0; // draws held out
    int count = 0; // found formulas with held-out figures
    double inSampleRate = 0.0; // mean rate on the draws the search saw, percent
    double heldOutRate = 0.0; // mean rate on the held-out draws, percent
    double chanceRate = 0.0; // mean expected rate on the held-out draws, percent
};

// The walk-forward check of a search. The newest M draws are held out: the
// search sees only the older ones, with its usual window; every formula it
// accepts is then scored on the M held-out draws, weighted like the list's
// rate, with its chance baseline over those same draws. The first held-out draw
// is predicted from the last draw the search saw, exactly as it would have
// been the day the search ran; no held-out draw takes part in the search.
class HoldOut {
public:
    static constexpr int kDefaultPercent = 20;

    // 20% of the draws the window counts on the whole history, at least 1 (and
    // never so many that fewer than two older draws remain; 0 when none can be held out).
    static int defaultDraws(int drawCount, const ScoringWindow& window);
    // Raises UserError unless 1 ≤ draws and at least two older draws remain.
    static void check(int draws, int drawCount);
    // The history without its newest `draws` draws.
    static HistorySnapshot olderDraws(const HistorySnapshot& history, int draws);
    // The window that counts exactly the newest `draws` draws, weighted like `window`.
    static ScoringWindow heldOutWindow(int draws, const ScoringWindow& window);
    // The averages over the found formulas that carry held-out figures.
    static HoldOutSummary summarize(const std::vector<FoundFormula>& found, int heldOut);
};
