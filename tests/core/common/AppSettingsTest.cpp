#include "common/AppSettings.h"
#include "common/LotteryTable.h"
#include "common/SettingsStore.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

TEST(AppSettings, freshInstallationDefaultsAndRestoreDefaultsDiffer)
{
    TestEnvironment env;
    auto store = SettingsStore::open();
    AppSettings settings(*store);
    EXPECT_EQ(settings.lotteryIndex(), 0);
    EXPECT_EQ(settings.searchDays(), 3);
    EXPECT_TRUE(settings.calculateSelected());
    EXPECT_FALSE(settings.resultOnSameDraw());
    EXPECT_EQ(settings.resultColumn(), QStringLiteral("PreCanshu"));
    EXPECT_TRUE(settings.excludeCurrent());
    EXPECT_TRUE(settings.weightedRate());
    EXPECT_EQ(settings.lookBackIndex(), 3);
    EXPECT_EQ(settings.lookBackDraws(), 300);

    settings.setLotteryIndex(26);
    settings.setResultOnSameDraw(true);
    settings.setExcludeCurrent(false);
    settings.setWeightedRate(false);
    settings.setCalculateSelected(false);
    settings.restoreDefaults();
    EXPECT_EQ(settings.searchDays(), 6);
    EXPECT_EQ(settings.lookBackIndex(), 6);
    EXPECT_EQ(settings.lookBackDraws(), 800);
    EXPECT_FALSE(settings.resultOnSameDraw());
    EXPECT_TRUE(settings.excludeCurrent());
    EXPECT_TRUE(settings.weightedRate());
    // Not touched by restoring defaults.
    EXPECT_EQ(settings.lotteryIndex(), 26);
    EXPECT_FALSE(settings.calculateSelected());
}

TEST(AppSettings, valuesSurviveAReopenAndBadValuesFallBack)
{
    TestEnvironment env;
    {
        auto store = SettingsStore::open();
        AppSettings settings(*store);
        settings.setLookBackIndex(9);
        settings.setSearchDays(10);
        store->setValue(QStringLiteral("IniSetting/ZqlJq"), QStringLiteral("maybe"));
        store->setValue(QStringLiteral("IniSetting/GsZl"), QStringLiteral("41"));
    }
    auto store = SettingsStore::open();
    AppSettings settings(*store);
    EXPECT_EQ(settings.lookBackDraws(), 3000);
    EXPECT_EQ(settings.searchDays(), 10);
    EXPECT_TRUE(settings.weightedRate());
    EXPECT_EQ(settings.lotteryIndex(), 0);
    EXPECT_EQ(AppSettings::lookBackDrawsForIndex(12), 0);
    EXPECT_EQ(AppSettings::lookBackIndexForDraws(1500), 8);
    EXPECT_EQ(AppSettings::lookBackIndexForDraws(400), -1);
}

TEST(AppSettings, impossibleHandEditedValuesFallBackToDefaults)
{
    TestEnvironment env;
    auto store = SettingsStore::open();
    AppSettings settings(*store);
    const auto edit = [&](const char* key, const char* value) {
        store->setValue(QStringLiteral("IniSetting/") + QLatin1String(key), QString::fromUtf8(value));
    };
    for (const char* index : {"42", "-1", "10", "\u0663"}) {
        edit("JSQS", index);
        EXPECT_EQ(settings.lookBackIndex(), 3) << index;
        EXPECT_EQ(settings.lookBackDraws(), 300) << index;
    }
    for (const char* days : {"0", "1", "11", "-5", "2147483648", "\uff15"}) {
        edit("IniSerchDay", days);
        EXPECT_EQ(settings.searchDays(), 3) << days;
    }
    for (const char* lottery : {"99", "28", "-1", "1e1"}) {
        edit("GsZl", lottery);
        EXPECT_EQ(settings.lotteryIndex(), 0) << lottery;
    }
    edit("JSQS", "9");
    edit("IniSerchDay", " 2 ");
    edit("GsZl", "27");
    EXPECT_EQ(settings.lookBackDraws(), 3000);
    EXPECT_EQ(settings.searchDays(), 2);
    EXPECT_EQ(settings.lotteryIndex(), 27);
}

TEST(AppSettings, searchDaysAnswerMustLieBetweenTwoAndTen)
{
    EXPECT_FALSE(AppSettings::parseSearchDays(QStringLiteral("1")));
    EXPECT_FALSE(AppSettings::parseSearchDays(QStringLiteral("11")));
    EXPECT_FALSE(AppSettings::parseSearchDays(QStringLiteral("abc")));
    EXPECT_EQ(AppSettings::parseSearchDays(QStringLiteral("2")), 2);
    EXPECT_EQ(AppSettings::parseSearchDays(QStringLiteral(" 10 ")), 10);
    EXPECT_EQ(AppSettings::searchDaysErrorTitle(), QStringLiteral("输入有误"));
    EXPECT_TRUE(AppSettings::searchDaysErrorMessage().startsWith(QStringLiteral("为了保证时效性")));
}

TEST(LotteryTable, rangesCodesAndIssueFormatsFollowTheMenu)
{
    const auto guangdong = LotteryTable::entry(0);
    EXPECT_EQ(guangdong.caption, QStringLiteral("广东11选5"));
    EXPECT_EQ(guangdong.drawsPerDay, 84);
    EXPECT_EQ(guangdong.numberRange, 11);
    EXPECT_EQ(guangdong.onlineCode, QStringLiteral("gd11x5"));
    EXPECT_FALSE(guangdong.longDateIssue);

    const auto liaoning12 = LotteryTable::entry(25);
    EXPECT_EQ(liaoning12.onlineCode, QStringLiteral("ln11x5"));
    EXPECT_EQ(liaoning12.onlineCode, LotteryTable::entry(3).onlineCode);
    EXPECT_EQ(liaoning12.numberRange, 11);
    EXPECT_TRUE(liaoning12.longDateIssue);

    for (int index : {26, 27}) {
        const auto e = LotteryTable::entry(index);
        EXPECT_TRUE(e.onlineCode.endsWith(QStringLiteral("kl12")));
        EXPECT_EQ(e.numberRange, 12);
        EXPECT_TRUE(e.longDateIssue);
    }
    EXPECT_EQ(LotteryTable::entry(24).caption, QStringLiteral("黑龙江11选5"));
    EXPECT_FALSE(LotteryTable::entry(24).longDateIssue);
    EXPECT_EQ(LotteryTable::entry(10).drawsPerDay, 97);
    EXPECT_EQ(LotteryTable::entry(99).index, 0);
}

TEST(AppSettings, drawsPerDayIsPerLotteryDefaultsToTheTableAndFallsBackOnBadValues)
{
    TestEnvironment env;
    auto store = SettingsStore::open();
    AppSettings settings(*store);
    EXPECT_EQ(settings.drawsPerDay(0), 84);
    EXPECT_EQ(settings.lottery(10).drawsPerDay, 97);
    settings.setDrawsPerDay(0, 42);
    EXPECT_EQ(AppSettings(*SettingsStore::open()).lottery(0).drawsPerDay, 42);
    EXPECT_EQ(settings.lottery(0).caption, QStringLiteral("广东11选5"));
    EXPECT_EQ(settings.drawsPerDay(1), 90); // the other lotteries keep their own
    for (const char* bad : {"0", "100", "-3", "x"}) {
        store->setValue(QStringLiteral("DrawsPerDay/2"), QString::fromLatin1(bad));
        EXPECT_EQ(settings.drawsPerDay(2), 90) << bad;
    }

    EXPECT_EQ(AppSettings::parseDrawsPerDay(QStringLiteral(" 42 ")), 42);
    EXPECT_EQ(AppSettings::parseDrawsPerDay(QStringLiteral("99")), 99);
    for (const char16_t* bad : {u"0", u"100", u"+5", u"4 2", u"\uff14\uff12", u""})
        EXPECT_FALSE(AppSettings::parseDrawsPerDay(QString::fromUtf16(bad)));
}
