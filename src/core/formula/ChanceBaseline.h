#pragma once

#include "scoring/ChanceSums.h"
#include "scoring/ChanceTotals.h"
#include "scoring/FormulaStatistics.h"

#include <array>

class HitRule;

// What chance alone would give a formula on the counted draws. Each number's
// frequency at the judged positions over those draws (direct: position p;
// group: positions 1..p) is taken as the chance that a random draw holds it
// there. A keep prediction then hits with that frequency, a kill with its
// complement; a value that names no number is absent everywhere (a certain hit
// for kill, a certain miss for keep) and an empty value is a certain miss, as
// HitRule judges them. Summed with the rate's weights the chances give the
// expected rate; the sum of their variances, weighted the same way, gives the
// z-score of the observed hit weight against it.
class ChanceBaseline {
public:
    // Nothing counted: every chance is 0.
    ChanceBaseline() = default;
    // The frequencies over the counted rows [first, end) at the positions
    // `hits` judges (its kill flag plays no part).
    ChanceBaseline(const HitRule& hits, int first, int end);

    // The chance that a prediction reading `bit` of a draw's mask
    // (HitRule::predictedBit, kEmptyBit included) comes true.
    double hitChance(unsigned bit, bool kill) const { return m_chance[kill ? 1 : 0][bit]; }
    // How often number n (1..R) was drawn at the judged positions, as a share of the counted draws.
    double frequency(int number) const { return m_chance[0][static_cast<size_t>(number)]; }
    // The same chances as whole shares of the counted draws.
    const ChanceShares& shares(bool kill) const { return m_shares[kill ? 1 : 0]; }

    // The weights of the counted rows [first, end) by the bit their prediction
    // reads; the predictions come from previousValues[0 .. end − first), the
    // values of rows [first − 1, end − 1). Row j of the counted ones (1 = oldest)
    // weighs j² when weighted, else 1.
    static ChanceTotals tally(const double* previousValues, int first, int end, int range, bool weighted);

    // Sets statistics.expectedRate and statistics.z from the counted rows'
    // totals. The hit and total weights must already be in `statistics`.
    // Without counted draws nothing is set.
    void measure(FormulaStatistics& statistics, const ChanceTotals& totals, bool kill) const;
    // The same from the scaled sums, which the shares must be exact() for.
    void measure(FormulaStatistics& statistics, const ChanceSums& sums) const;
    // tally() then measure().
    void measure(FormulaStatistics& statistics, const double* previousValues, int first, int end, int range, bool kill,
                 bool weighted) const;

    // The expected rate in percent and the z-score from the sums over the counted
    // draws: hit weight H, total weight W, expected hit weight E = Σ w·p and its
    // variance V = Σ w²·p(1 − p). z is 0 when V is 0 (every outcome was certain).
    static void finish(FormulaStatistics& statistics, double expectedWeight, double variance);

private:
    // Indexed by kill (0 keep, 1 kill) and by the bit a prediction reads.
    std::array<std::array<double, 18>, 2> m_chance{};
    std::array<ChanceShares, 2> m_shares{};
};
