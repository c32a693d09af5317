#pragma once

#include <optional>
#include <vector>

// Pearson's chi-square test of counts against equal expected counts in every
// cell, and the tail of the chi-square distribution it reads the p-value from.
struct ChiSquareTest {
    double statistic = 0.0; // Σ (observed − expected)² / expected
    int degreesOfFreedom = 0; // cells − 1
    double pValue = 1.0; // chance of a statistic at least this large when every cell is equally likely
    double expectedPerCell = 0.0;

    // Nothing for fewer than two cells or no observation at all: there is nothing to test.
    static std::optional<ChiSquareTest> againstUniform(const std::vector<int>& counts);

    // P(X ≥ x) for X chi-square distributed with `df` degrees of freedom (df ≥ 1, x ≥ 0).
    static double survival(double x, int df);
    // Q(a, x) = Γ(a, x) / Γ(a), the regularized upper incomplete gamma function (a > 0, x ≥ 0).
    static double upperRegularizedGamma(double a, double x);
};
