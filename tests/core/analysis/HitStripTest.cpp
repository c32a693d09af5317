#include "analysis/HitStrip.h"

#include <gtest/gtest.h>

TEST(HitStrip, keepsTheCountedDrawsWithTheirRollingRate)
{
    // Row 0 has no prediction; rows 1..7 are counted with window "all".
    const std::vector<std::uint8_t> rows{1, 1, 0, 1, 1, 0, 0, 1};
    const HitStrip all = HitStrip::of(rows, {0, true, true}, 3);
    EXPECT_EQ(all.firstRow, 1);
    EXPECT_EQ(all.hits, std::vector<std::uint8_t>(rows.begin() + 1, rows.end()));
    const std::vector<double> expected{100.0, 50.0, 200.0 / 3, 200.0 / 3, 200.0 / 3, 100.0 / 3, 100.0 / 3};
    ASSERT_EQ(all.rollingRate.size(), expected.size());
    for (size_t k = 0; k < expected.size(); ++k)
        EXPECT_NEAR(all.rollingRate[k], expected[k], 1e-9) << k;

    // A look-back of 4 counts the last four draws (and one more with the current draw).
    EXPECT_EQ(HitStrip::of(rows, {4, true, true}, 3).firstRow, 4);
    EXPECT_EQ(HitStrip::of(rows, {4, false, true}, 3).size(), 5);
    EXPECT_EQ(HitStrip::of({1}, {0, true, true}).size(), 0);
}
