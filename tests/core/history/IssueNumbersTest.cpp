#include "history/IssueNumbers.h"
#include "common/LotteryTable.h"

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

TEST(IssueNumbers, onlyAsciiDigitsMakeAnIssue)
{
    // Arabic-Indic and full-width digits are digits to Unicode but read as 0.
    for (const char16_t* issue : {u"\u0669\u0669011001", u"\uff12\uff16120801", u"2612\u0660801"}) {
        const QString text = QString::fromUtf16(issue);
        EXPECT_FALSE(IssueNumbers::validate(text, 84, false).isEmpty()) << text.toStdString();
        EXPECT_FALSE(IssueNumbers::dateOf(text, false)) << text.toStdString();
    }
    EXPECT_FALSE(IssueNumbers::validate(QStringLiteral("+6120801"), 84, false).isEmpty());
    EXPECT_FALSE(IssueNumbers::validate(QStringLiteral(" 6120801"), 84, false).isEmpty());
}

TEST(IssueNumbers, theRangeEndsAtTheLastDayOfItsCentury)
{
    // YY is 20YY: "00" is 2000, and nothing follows the last draw of 2099.
    EXPECT_EQ(IssueNumbers::dateOf(QStringLiteral("00010101"), false), QDate(2000, 1, 1));
    EXPECT_EQ(IssueNumbers::next(QStringLiteral("99123183"), 84, false, kToday), QStringLiteral("99123184"));
    EXPECT_EQ(IssueNumbers::next(QStringLiteral("99123184"), 84, false, kToday), QString());
    EXPECT_EQ(IssueNumbers::next(QStringLiteral("9999123180"), 80, true, kToday), QString());
    EXPECT_EQ(IssueNumbers::next(QString(), 84, false, QDate(2100, 1, 1)), QString());
    EXPECT_EQ(IssueNumbers::next(QString(), 80, true, QDate(2100, 1, 1)), QStringLiteral("2100010101"));
    EXPECT_FALSE(IssueNumbers::noNextIssueMessage(false).isEmpty());
}

TEST(IssueNumbers, everyProposedIssueIsValidAndLaterForEveryLottery)
{
    for (int index = 0; index < LotteryTable::kCount; ++index) {
        const LotteryTable::Entry lottery = LotteryTable::entry(index);
        const bool longDate = lottery.longDateIssue;
        const int t = lottery.drawsPerDay;
        for (const QDate& day : {QDate(2000, 1, 1), QDate(2024, 2, 28), QDate(2024, 2, 29), QDate(2099, 12, 30)}) {
            for (int serial : {1, t - 1, t}) {
                const QString last = IssueNumbers::format(day, serial, longDate);
                ASSERT_TRUE(IssueNumbers::validate(last, t, longDate).isEmpty()) << last.toStdString();
                const QString next = IssueNumbers::next(last, t, longDate, kToday);
                EXPECT_TRUE(IssueNumbers::validate(next, t, longDate).isEmpty()) << next.toStdString();
                // Stored issues are ordered as text: a proposal must sort after its predecessor.
                EXPECT_GT(next, last) << index;
            }
        }
    }
}

TEST(IssueNumbers, feedFormsAreBroughtToTheStoredForm)
{
    const auto stored = [](const char* token, bool longDate) {
        QString problem;
        const QString issue = IssueNumbers::normalise(QString::fromLatin1(token), longDate, &problem);
        EXPECT_TRUE(problem.isEmpty()) << token << ' ' << problem.toStdString();
        return issue;
    };
    EXPECT_EQ(stored("2014121147", false), QStringLiteral("14121147"));
    EXPECT_EQ(stored("20170718-06", false), QStringLiteral("17071806"));
    EXPECT_EQ(stored("170718-06", false), QStringLiteral("17071806"));
    EXPECT_EQ(stored("14121147", false), QStringLiteral("14121147"));
    EXPECT_EQ(stored("2017071806", true), QStringLiteral("2017071806"));
    EXPECT_EQ(stored("17071806", true), QStringLiteral("2017071806"));
    EXPECT_EQ(stored("20170718-06", true), QStringLiteral("2017071806"));
    EXPECT_EQ(stored("20170718006", true), QStringLiteral("2017071806"));
    EXPECT_EQ(stored("20170718-006", true), QStringLiteral("2017071806"));
    // Other shapes are left for validate() to explain.
    EXPECT_EQ(stored("2017071", false), QStringLiteral("2017071"));
    EXPECT_EQ(stored("2017-07-18", false), QStringLiteral("2017-07-18"));

    const auto refused = [](const char* token, bool longDate) {
        QString problem;
        EXPECT_TRUE(IssueNumbers::normalise(QString::fromLatin1(token), longDate, &problem).isEmpty()) << token;
        EXPECT_TRUE(problem.contains(QString::fromLatin1(token))) << problem.toStdString();
        return problem;
    };
    EXPECT_TRUE(refused("20170230-06", false).contains(QStringLiteral("日期不存在")));
    EXPECT_TRUE(refused("2017023006", false).contains(QStringLiteral("日期不存在")));
    EXPECT_TRUE(refused("170230-06", true).contains(QStringLiteral("日期不存在")));
    EXPECT_TRUE(refused("2117071806", false).contains(QStringLiteral("2000到2099")));
    EXPECT_TRUE(refused("20170718-106", true).contains(QStringLiteral("超过两位")));
}

TEST(IssueNumbers, aSerialAboveTheDrawsPerDayNamesTheSetting)
{
    // A lottery that now draws 42 times a day: 43 is refused, 42 is followed by the next day's 01.
    const QString problem = IssueNumbers::validate(QStringLiteral("26120843"), 42, false);
    EXPECT_TRUE(problem.contains(QStringLiteral("每天期数42"))) << problem.toStdString();
    EXPECT_TRUE(problem.contains(QStringLiteral("--draws-per-day")));
    EXPECT_TRUE(IssueNumbers::validate(QStringLiteral("26120842"), 42, false).isEmpty());
    EXPECT_EQ(IssueNumbers::next(QStringLiteral("26120842"), 42, false, kToday), QStringLiteral("26120901"));
    EXPECT_EQ(IssueNumbers::next(QStringLiteral("26120850"), 42, false, kToday), QStringLiteral("26120901"));
    EXPECT_FALSE(IssueNumbers::validate(QStringLiteral("26120800"), 42, false).contains(QStringLiteral("每天期数")));
}
