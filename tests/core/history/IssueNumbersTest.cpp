#include "history/IssueNumbers.h"

#include <gtest/gtest.h>

namespace {
const QDate kToday(2026, 12, 8);
}

TEST(IssueNumbers, nextIssueRollsOverDayMonthAndYear)
{
    EXPECT_EQ(IssueNumbers::next(QStringLiteral("15030184"), 84, false, kToday), QStringLiteral("15030201"));
    EXPECT_EQ(IssueNumbers::next(QStringLiteral("15030183"), 84, false, kToday), QStringLiteral("15030184"));
    EXPECT_EQ(IssueNumbers::next(QStringLiteral("15033184"), 84, false, kToday), QStringLiteral("15040101"));
    EXPECT_EQ(IssueNumbers::next(QStringLiteral("15123184"), 84, false, kToday), QStringLiteral("16010101"));
    EXPECT_EQ(IssueNumbers::next(QStringLiteral("16022884"), 84, false, kToday), QStringLiteral("16022901"));
    EXPECT_EQ(IssueNumbers::next(QStringLiteral("15022884"), 84, false, kToday), QStringLiteral("15030101"));
    EXPECT_EQ(IssueNumbers::next(QStringLiteral("15030109"), 84, false, kToday), QStringLiteral("15030110"));
}

TEST(IssueNumbers, longDateLotteriesUseFourDigitYears)
{
    EXPECT_EQ(IssueNumbers::next(QStringLiteral("2026123180"), 80, true, kToday), QStringLiteral("2027010101"));
    EXPECT_EQ(IssueNumbers::next(QStringLiteral("2026063080"), 80, true, kToday), QStringLiteral("2026070101"));
    EXPECT_EQ(IssueNumbers::next(QStringLiteral("2026063012"), 80, true, kToday), QStringLiteral("2026063013"));
    EXPECT_EQ(IssueNumbers::next(QString(), 80, true, kToday), QStringLiteral("2026120801"));
    EXPECT_EQ(IssueNumbers::next(QString(), 84, false, kToday), QStringLiteral("26120801"));
    EXPECT_EQ(IssueNumbers::dateOf(QStringLiteral("2026120801"), true), QDate(2026, 12, 8));
    EXPECT_FALSE(IssueNumbers::dateOf(QStringLiteral("26120801"), true));
}

TEST(IssueNumbers, validationSaysWhatIsWrong)
{
    EXPECT_TRUE(IssueNumbers::validate(QStringLiteral("26120801"), 84, false).isEmpty());
    EXPECT_TRUE(IssueNumbers::validate(QStringLiteral("26120884"), 84, false).isEmpty());
    EXPECT_TRUE(IssueNumbers::validate(QStringLiteral("2612081"), 84, false).contains(QStringLiteral("8位")));
    EXPECT_TRUE(IssueNumbers::validate(QStringLiteral("2612080a"), 84, false).contains(QStringLiteral("数字")));
    EXPECT_TRUE(IssueNumbers::validate(QStringLiteral("26023001"), 84, false).contains(QStringLiteral("日期")));
    EXPECT_TRUE(IssueNumbers::validate(QStringLiteral("26120800"), 84, false).contains(QStringLiteral("期序")));
    EXPECT_TRUE(IssueNumbers::validate(QStringLiteral("26120885"), 84, false).contains(QStringLiteral("期序")));
    EXPECT_TRUE(IssueNumbers::validate(QStringLiteral("26120801"), 80, true).contains(QStringLiteral("10位")));
}
