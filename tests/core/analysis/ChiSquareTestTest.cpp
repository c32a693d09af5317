#include "analysis/ChiSquareTest.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace {

TEST(ChiSquareTest, StatisticAndPValueMatchAHandComputation)
{
    // 12 rows over 4 ranks: 3 expected at each; (1 + 1 + 9 + 9) / 3 = 20/3.
    const auto test = ChiSquareTest::againstUniform({4, 2, 0, 6});
    ASSERT_TRUE(test);
    EXPECT_DOUBLE_EQ(test->statistic, 20.0 / 3.0);
    EXPECT_EQ(test->degreesOfFreedom, 3);
    EXPECT_DOUBLE_EQ(test->expectedPerCell, 3.0);
    // With 3 degrees of freedom the tail has a closed form:
    // P(X ≥ x) = erfc(√(x/2)) + √(2x/π) e^(−x/2).
    const double x = 20.0 / 3.0;
    const double closed = std::erfc(std::sqrt(x / 2)) + std::sqrt(2 * x / std::numbers::pi) * std::exp(-x / 2);
    EXPECT_NEAR(test->pValue, closed, 1e-12);
    EXPECT_NEAR(test->pValue, 0.0833, 5e-4);

    // Perfectly even counts give 0 and a p-value of 1; nothing to test without rows or ranks.
    const auto even = ChiSquareTest::againstUniform({5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5});
    ASSERT_TRUE(even);
    EXPECT_EQ(even->statistic, 0.0);
    EXPECT_EQ(even->pValue, 1.0);
    EXPECT_FALSE(ChiSquareTest::againstUniform({0, 0, 0}));
    EXPECT_FALSE(ChiSquareTest::againstUniform({7}));
}

TEST(ChiSquareTest, SurvivalMatchesClosedFormsAndTableValues)
{
    for (double x : {0.1, 1.0, 2.5, 7.0, 30.0, 200.0}) {
        // Two degrees of freedom: e^(−x/2); one: erfc(√(x/2)).
        EXPECT_NEAR(ChiSquareTest::survival(x, 2), std::exp(-x / 2), 1e-14 + 1e-12 * std::exp(-x / 2)) << x;
        EXPECT_NEAR(ChiSquareTest::survival(x, 1), std::erfc(std::sqrt(x / 2)), 1e-13) << x;
    }
    // Critical values from the printed chi-square table (upper tail).
    struct Row {
        double x;
        int df;
        double p;
    };
    const Row table[] = {
        {3.841, 1, 0.05},   {6.635, 1, 0.01},  {18.307, 10, 0.05}, {23.209, 10, 0.01}, {29.588, 10, 0.001},
        {19.675, 11, 0.05}, {3.940, 10, 0.95}, {2.558, 10, 0.99},  {4.575, 11, 0.95},  {124.342, 100, 0.05},
    };
    for (const Row& row : table)
        EXPECT_NEAR(ChiSquareTest::survival(row.x, row.df), row.p, row.p * 2e-3) << row.x << " df " << row.df;
    // Far in the tail the p-value stays a small positive number, never 0 or negative.
    const double far = ChiSquareTest::survival(150.0, 10);
    EXPECT_GT(far, 0.0);
    EXPECT_LT(far, 1e-25);
    EXPECT_EQ(ChiSquareTest::survival(0.0, 10), 1.0);
    EXPECT_THROW(ChiSquareTest::survival(1.0, 0), std::invalid_argument);
}

} // namespace
