#include "analysis/TrendFit.h"

#include "analysis/ChiSquareTest.h"
#include "analysis/TrendChart.h"

#include <vector>

namespace {

double choose(int n, int k)
{
    if (k < 0 || n < k)
        return 0.0;
    double result = 1.0;
    for (int i = 1; i <= k; ++i)
        result = result * (n - k + i) / i;
    return result;
}

// Pair counts of N draws of five among R numbers. Their covariance is N × (a0 I +
// a1 A1 + a2 A2), A1 joining pairs that share a number and A2 disjoint pairs; both
// are diagonal on the same eigenspaces (the numbers' space V1 and the rest V2),
// which gives the statistic as two sums of squares.
double pairStatistic(const TrendChart& chart, double draws)
{
    const int r = chart.classes().range;
    const double sets = choose(r, 5);
    const double q = choose(r - 2, 3) / sets; // one pair in the draw
    const double three = choose(r - 3, 2) / sets; // two pairs sharing a number: three given numbers
    const double four = choose(r - 4, 1) / sets; // two disjoint pairs: four given numbers
    const double a0 = q - q * q;
    const double a1 = three - q * q;
    const double a2 = four - q * q;
    const double lambda1 = a0 + a1 * (r - 4) - a2 * (r - 3);
    const double lambda2 = a0 - 2 * a1 + a2;

    std::vector<double> through(static_cast<size_t>(r) + 1, 0.0); // Σ of the deviations of the pairs through n
    double total = 0.0;
    int column = 0;
    const std::vector<OmissionStats>& table = chart.omissionTable();
    for (int a = 1; a <= r; ++a)
        for (int b = a + 1; b <= r; ++b) {
            const OmissionStats& s = table[static_cast<size_t>(column++)];
            const double d = s.frequency - s.expected;
            total += d * d;
            through[static_cast<size_t>(a)] += d;
            through[static_cast<size_t>(b)] += d;
        }
    // The V1 part of the deviations (they sum to zero, as every draw holds ten pairs).
    double numbers = 0.0;
    for (double t : through)
        numbers += t * t;
    numbers /= r - 2;
    return numbers / (draws * lambda1) + (total - numbers) / (draws * lambda2);
}

} // namespace

std::optional<TrendFit> TrendFit::of(const TrendChart& chart)
{
    const int rows = chart.rowCount();
    const int columns = chart.columnCount();
    if (rows <= 0 || columns < 2)
        return std::nullopt;
    TrendFit fit;
    fit.degreesOfFreedom = columns - 1;
    const double draws = rows;
    if (chart.classes().view == TrendView::Pairs) {
        fit.chiSquare = pairStatistic(chart, draws);
    } else {
        double pearson = 0.0;
        for (const OmissionStats& s : chart.omissionTable()) {
            const double d = s.frequency - s.expected;
            pearson += d * d / s.expected;
        }
        const int r = chart.classes().range;
        fit.chiSquare =
            chart.classes().view == TrendView::Distribution ? pearson * (r - 1) / static_cast<double>(r - 5) : pearson;
    }
    fit.pValue = ChiSquareTest::survival(fit.chiSquare, fit.degreesOfFreedom);
    return fit;
}
