#pragma once

#include <optional>

class TrendChart;

// How well a trend chart's column counts agree with random draws: a chi-square
// statistic, its degrees of freedom and the chance of one at least as large.
//
// Where each draw falls in exactly one column this is Pearson's test against the
// columns' exact chances (columns − 1 degrees of freedom). Where a draw falls in
// several columns (号码分布: five numbers; 任二: ten pairs) the counts are not
// multinomial, so Pearson's sum does not follow chi-square; the statistic is the
// deviation of the counts measured against their exact covariance under random
// draws, which is chi-square with (columns − 1) degrees of freedom:
// - 号码分布: Pearson's sum × (R − 1) / (R − 5);
// - 任二: the deviations split into the part every pair through a number shares
//   (the numbers' own deviations, R − 1 degrees of freedom) and the rest
//   (R(R − 3)/2), each divided by its own variance.
struct TrendFit {
    double chiSquare = 0.0;
    int degreesOfFreedom = 0;
    double pValue = 1.0;

    // Nothing without any draw.
    static std::optional<TrendFit> of(const TrendChart& chart);
};
