// Tuning acceptance bounds from the history, and the stored search settings.
#include "core/search/SearchFixtures.h"

#include "search/BoundTuner.h"
#include "search/SearchEngine.h"
#include "search/SearchSettings.h"

#include "support/TestEnvironment.h"

#include <QSettings>
#include <gtest/gtest.h>
#include <random>

using namespace SearchFixtures;

TEST(BoundTuner, evaluatesTheTrialCountAndOnlyMovesTowardsBetterValues)
{
    const HistorySnapshot history = demoHistory(6);
    SearchEngine engine(2);
    BoundTuner tuner(engine, history, 11, ScoringWindow{300, true, true});
    for (int trials : {20, 40, 1000}) {
        const BoundTuner::Result r =
            tuner.tune(FormulaTarget{3, true, true}, SearchOptions{8, 0, TextForm::Suffix}, 77, trials);
        EXPECT_EQ(r.evaluated, trials);
        EXPECT_GT(r.tuned.rate, 0.0f);
    }
    // The same seed tunes to the same values.
    const auto a = tuner.tune(FormulaTarget{2, false, false}, SearchOptions{}, 5, 100).tuned;
    const auto b = tuner.tune(FormulaTarget{2, false, false}, SearchOptions{}, 5, 100).tuned;
    EXPECT_EQ(a.rate, b.rate);
    EXPECT_EQ(a.longestMissRun, b.longestMissRun);

    // Never lowers the rate or the hit runs, never raises the miss runs.
    std::mt19937 random(3);
    TunedValues tuned;
    for (int i = 0; i < 500; ++i) {
        FormulaStatistics s;
        s.rate = static_cast<float>(random() % 10000) / 100.0f;
        s.longestMissRun = static_cast<int>(random() % 20);
        s.longestHitRun = static_cast<int>(random() % 60);
        s.lastMissRun = static_cast<int>(random() % 5);
        s.lastHitRun = static_cast<int>(random() % 30);
        const TunedValues next = BoundTuner::update(tuned, s, i == 0);
        if (i > 0) {
            EXPECT_GE(next.rate, tuned.rate);
            EXPECT_LE(next.rate, std::max(tuned.rate, s.rate));
            EXPECT_LE(next.longestMissRun, tuned.longestMissRun);
            EXPECT_GE(next.longestHitRun, tuned.longestHitRun);
            EXPECT_LE(next.lastMissRun, tuned.lastMissRun);
            EXPECT_GE(next.lastHitRun, tuned.lastHitRun);
        }
        tuned = next;
    }
}

TEST(BoundTuner, writeBackRoundsIntoItsFiveBoxesAndKeepsALatestHitRunOfAtLeastOne)
{
    const QStringList boxes{QStringLiteral("a0"), QStringLiteral("a1"), QStringLiteral("a2"), QStringLiteral("a3"),
                            QStringLiteral("a4"), QStringLiteral("a5"), QStringLiteral("a6"), QStringLiteral("a7"),
                            QStringLiteral("a8"), QStringLiteral("a9")};
    const QStringList out = BoundTuner::writeBack(TunedValues{91.25f, 2.5f, 30.49f, 0.5f, 0.75f}, boxes);
    EXPECT_EQ(out, (QStringList{QStringLiteral("91.25"), QStringLiteral("a1"), QStringLiteral("a2"),
                                QStringLiteral("3"), QStringLiteral("30"), QStringLiteral("a5"), QStringLiteral("a6"),
                                QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("a9")}));
    EXPECT_EQ(BoundTuner::writeBack(TunedValues{50, 1, 1, 0, 0.2f}, boxes)[8], QStringLiteral("1"));
    EXPECT_EQ(BoundTuner::writeBack(TunedValues{50, 1, 1, 0, 3.5f}, boxes)[8], QStringLiteral("4"));
}

TEST(SearchSettings, planCountsBoundsAndOperandsPersistPerFlagAndKind)
{
    TestEnvironment env;
    QSettings store(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Velmora"), QStringLiteral("Velmora"));
    SearchSettings settings(store);
    // A plan never saved reads 80 everywhere; kill and keep plans live apart.
    for (int kind = 1; kind <= 10; ++kind)
        EXPECT_EQ(settings.planCount(kind, true), QStringLiteral("80"));
    EXPECT_EQ(SearchSettings::planKey(1, true), QStringLiteral("-9"));
    EXPECT_EQ(SearchSettings::planKey(10, true), QStringLiteral("0"));
    EXPECT_EQ(SearchSettings::planKey(10, false), QStringLiteral("10"));
    settings.setPlanCount(4, true, 12);
    settings.setPlanCount(4, false, 30);
    EXPECT_EQ(settings.planCount(4, true), QStringLiteral("12"));
    EXPECT_EQ(settings.planCount(4, false), QStringLiteral("30"));
    EXPECT_EQ(store.value(QStringLiteral("SSSZ/-6")).toString(), QStringLiteral("12"));

    // The built-in table, then a saved row for one kind and flag only.
    DefaultBounds table = settings.loadBounds();
    EXPECT_EQ(table.bounds(FormulaKind::fromSearchIndex(1), true).texts().join(u','),
              QStringLiteral("93.8,100,0,1,48,32768,0,0,32,32768"));
    EXPECT_EQ(table.bounds(FormulaKind::fromSearchIndex(9), false).texts().join(u','),
              QStringLiteral("38,100,0,10,8,32768,0,0,2,32768"));
    EXPECT_EQ(table.bounds(FormulaKind::fromSearchIndex(6), true).texts(),
              table.bounds(FormulaKind::fromSearchIndex(1), true).texts());
    settings.saveBounds(FormulaKind::fromSearchIndex(8), false,
                        StatisticBounds({31.3, 100, 0, 15, 7, 32768, 0, 0, 2, 32768}), table);
    EXPECT_EQ(store.value(QStringLiteral("7/10")).toString(), QStringLiteral("31.3"));
    const DefaultBounds reloaded = settings.loadBounds();
    EXPECT_EQ(reloaded.bounds(FormulaKind::fromSearchIndex(8), false).texts().join(u','),
              QStringLiteral("31.3,100,0,15,7,32768,0,0,2,32768"));
    EXPECT_EQ(reloaded.bounds(FormulaKind::fromSearchIndex(8), true).texts().join(u','),
              QStringLiteral("78,100,0,3,18,32768,0,0,10,32768"));

    EXPECT_EQ(settings.operandCount(), 8);
    settings.setOperandCount(13);
    EXPECT_EQ(SearchSettings(store).operandCount(), 13);
    store.setValue(QStringLiteral("1/text2"), QStringLiteral("99"));
    EXPECT_EQ(settings.operandCount(), 24);

    // Bounds edited by hand: what is not a finite number keeps the built-in
    // bound, an absurd one is held where its text stays a number.
    store.setValue(QStringLiteral("7/10"), QStringLiteral("nan"));
    store.setValue(QStringLiteral("7/11"), QStringLiteral("inf"));
    store.setValue(QStringLiteral("7/12"), QStringLiteral("-1e300"));
    const QStringList edited = settings.loadBounds().bounds(FormulaKind::fromSearchIndex(8), false).texts();
    EXPECT_EQ(edited.mid(0, 3).join(u','), QStringLiteral("30,100,-1e+09"));
    EXPECT_EQ(StatisticBounds::fromTexts(edited).texts(), edited);
}
