#include "analysis/ChiSquareTest.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <stdexcept>

namespace {

constexpr int kMaxIterations = 1000;
constexpr double kEpsilon = 1e-15;
constexpr double kTiny = 1e-300;

// x^a e^−x / Γ(a), the factor both expansions share, taken through logarithms so
// large a and x do not overflow.
double prefactor(double a, double x) { return std::exp(a * std::log(x) - x - std::lgamma(a)); }

// P(a, x) by its power series; converges quickly for x < a + 1.
double lowerSeries(double a, double x)
{
    double term = 1.0 / a;
    double sum = term;
    double denominator = a;
    for (int n = 1; n < kMaxIterations; ++n) {
        denominator += 1.0;
        term *= x / denominator;
        sum += term;
        if (std::fabs(term) < std::fabs(sum) * kEpsilon)
            break;
    }
    return sum * prefactor(a, x);
}

// Q(a, x) by its continued fraction (modified Lentz); converges quickly for x ≥ a + 1.
double upperFraction(double a, double x)
{
    double b = x + 1.0 - a;
    double c = 1.0 / kTiny;
    double d = 1.0 / b;
    double h = d;
    for (int i = 1; i < kMaxIterations; ++i) {
        const double an = -i * (i - a);
        b += 2.0;
        d = an * d + b;
        if (std::fabs(d) < kTiny)
            d = kTiny;
        c = b + an / c;
        if (std::fabs(c) < kTiny)
            c = kTiny;
        d = 1.0 / d;
        const double step = d * c;
        h *= step;
        if (std::fabs(step - 1.0) < kEpsilon)
            break;
    }
    return h * prefactor(a, x);
}

} // namespace

double ChiSquareTest::upperRegularizedGamma(double a, double x)
{
    if (!(a > 0.0) || !(x >= 0.0))
        throw std::invalid_argument("incomplete gamma needs a > 0 and x >= 0");
    if (x == 0.0)
        return 1.0;
    if (std::isinf(x))
        return 0.0;
    return x < a + 1.0 ? 1.0 - lowerSeries(a, x) : upperFraction(a, x);
}

double ChiSquareTest::survival(double x, int df)
{
    if (df < 1)
        throw std::invalid_argument("chi-square needs at least one degree of freedom");
    return upperRegularizedGamma(df / 2.0, std::max(0.0, x) / 2.0);
}

std::optional<ChiSquareTest> ChiSquareTest::againstUniform(const std::vector<int>& counts)
{
    const long long total = std::accumulate(counts.begin(), counts.end(), 0LL);
    if (counts.size() < 2 || total <= 0)
        return std::nullopt;
    ChiSquareTest test;
    test.expectedPerCell = static_cast<double>(total) / static_cast<double>(counts.size());
    for (int observed : counts) {
        const double gap = observed - test.expectedPerCell;
        test.statistic += gap * gap / test.expectedPerCell;
    }
    test.degreesOfFreedom = static_cast<int>(counts.size()) - 1;
    test.pValue = survival(test.statistic, test.degreesOfFreedom);
    return test;
}
