// Acceptance bounds, the parallel engine and the search session.
#include "core/search/SearchFixtures.h"

#include "search/CandidateScorer.h"
#include "search/DefaultBounds.h"
#include "search/SearchEngine.h"
#include "search/SearchSession.h"

#include <gtest/gtest.h>

using namespace SearchFixtures;

namespace {

FormulaStatistics statistics(float rate, int longestMiss, int longestHit, int lastMiss, int lastHit)
{
    FormulaStatistics s;
    s.rate = rate;
    s.longestMissRun = longestMiss;
    s.longestHitRun = longestHit;
    s.lastMissRun = lastMiss;
    s.lastHitRun = lastHit;
    return s;
}

StatisticBounds acceptAll() { return StatisticBounds({0, 100, 0, 32768, 0, 32768, 0, 32768, 0, 32768}); }

QStringList codesOf(const std::vector<FoundFormula>& found)
{
    QStringList codes;
    for (const FoundFormula& f : found)
        codes << f.code;
    return codes;
}

} // namespace

TEST(StatisticBounds, textBoundsActAsZeroAndTheToleranceIsOneTenThousandth)
{
    // "abc" in the rate's lower box means 0; "" in the upper box too, so only 0 passes.
    const StatisticBounds odd = StatisticBounds::fromTexts(
        {QStringLiteral("abc"), QStringLiteral("100"), QStringLiteral("0"), QStringLiteral("9"), QStringLiteral("x"),
         QStringLiteral("99"), QStringLiteral("0"), QStringLiteral(""), QStringLiteral("1"), QStringLiteral("99")});
    EXPECT_EQ(odd[0], 0.0);
    EXPECT_EQ(odd[7], 0.0);
    EXPECT_EQ(StatisticBounds::numericValue(QStringLiteral("nan")), 0.0);
    EXPECT_TRUE(odd.accepts(statistics(0.0f, 3, 5, 0, 2)));
    EXPECT_FALSE(odd.accepts(statistics(0.0f, 3, 5, 1, 2))); // latest miss run above "" = 0

    const StatisticBounds rate({93.8, 100, 0, 1, 48, 32768, 0, 0, 32, 32768});
    const FormulaStatistics good = statistics(93.8f, 1, 48, 0, 32);
    EXPECT_TRUE(rate.accepts(good));
    EXPECT_TRUE(rate.accepts(statistics(93.79992f, 1, 48, 0, 32))); // within 0.0001 below
    EXPECT_FALSE(rate.accepts(statistics(93.7998f, 1, 48, 0, 32))); // beyond it
    EXPECT_TRUE(rate.accepts(statistics(100.0f, 1, 48, 0, 32)));
    // Every statistic is checked, each against its own pair.
    EXPECT_FALSE(rate.accepts(statistics(95.0f, 2, 48, 0, 32)));
    EXPECT_FALSE(rate.accepts(statistics(95.0f, 1, 47, 0, 32)));
    EXPECT_FALSE(rate.accepts(statistics(95.0f, 1, 48, 1, 32)));
    EXPECT_FALSE(rate.accepts(statistics(95.0f, 1, 48, 0, 31)));
    EXPECT_EQ(rate.texts().first(), QStringLiteral("93.8"));
}

TEST(SearchEngine, sameSeedGivesTheSameFoundListOnOneAndSeveralThreads)
{
    const HistorySnapshot history = demoHistory(10);
    const ScoringWindow window{300, true, true};
    const StatisticBounds bounds({88, 100, 0, 3, 0, 32768, 0, 0, 1, 32768});
    SearchEngine one(1);
    SearchEngine three(3);
    ASSERT_EQ(three.threadCount(), 3);

    SearchSession a(one, history, 11, window, 1234);
    SearchSession b(three, history, 11, window, 1234);
    SearchSession c(three, history, 11, window, 1234);
    const FormulaTarget target{2, false, true};
    for (SearchSession* s : {&a, &b, &c})
        s->begin(target, bounds, SearchOptions{6, std::nullopt, TextForm::Suffix});
    a.run({20000, std::nullopt});
    b.run({20000, std::nullopt});
    // The same candidates in uneven steps give the same list.
    for (std::uint64_t step : {1u, 7u, 999u, 4096u, 14897u})
        c.run({step, std::nullopt});
    EXPECT_EQ(a.verifiedCount(), 20000u);
    EXPECT_EQ(c.verifiedCount(), 20000u);
    ASSERT_GT(a.found().size(), 5u);
    ASSERT_LT(a.found().size(), 20000u);
    EXPECT_EQ(codesOf(a.found()), codesOf(b.found()));
    EXPECT_EQ(codesOf(a.found()), codesOf(c.found()));
    for (const FoundFormula& f : a.found()) {
        EXPECT_TRUE(bounds.accepts(f.statistics));
        EXPECT_EQ(f.target, target);
    }

    // Stopping at a wanted count consumes candidates only up to the last one kept.
    SearchSession d(three, history, 11, window, 1234);
    d.begin(target, bounds, SearchOptions{6, std::nullopt, TextForm::Suffix});
    EXPECT_EQ(d.run({20000, std::nullopt}, 3), 3);
    EXPECT_EQ(codesOf(d.found()), codesOf(a.found()).mid(0, 3));
    d.run({20000 - d.verifiedCount(), std::nullopt});
    EXPECT_EQ(codesOf(d.found()), codesOf(a.found()));

    // Another seed, another list.
    SearchSession e(three, history, 11, window, 4321);
    e.begin(target, bounds, SearchOptions{6, std::nullopt, TextForm::Suffix});
    e.run({20000, std::nullopt});
    EXPECT_NE(codesOf(e.found()), codesOf(a.found()));
}

TEST(SearchSession, foundListStopsCleanlyAtItsCapacity)
{
    const HistorySnapshot history = demoHistory(1);
    SearchEngine engine(2);
    SearchSession session(engine, history, 11, ScoringWindow{0, true, false}, 5);
    session.begin(FormulaTarget{1, false, true}, acceptAll(), SearchOptions{2, 0, TextForm::Bracket});
    EXPECT_EQ(session.run({40000, std::nullopt}), SearchSession::kCapacity);
    EXPECT_TRUE(session.full());
    EXPECT_EQ(session.found().size(), static_cast<size_t>(SearchSession::kCapacity));
    EXPECT_EQ(session.verifiedCount(), static_cast<std::uint64_t>(SearchSession::kCapacity));
    EXPECT_EQ(session.run({100, std::nullopt}), 0);
    EXPECT_EQ(session.verifiedCount(), static_cast<std::uint64_t>(SearchSession::kCapacity));
    EXPECT_GT(session.candidatesPerSecond(), 0.0);
    EXPECT_TRUE(session.lastText().startsWith(QStringLiteral("[第一直选杀]")));
}

TEST(SearchSession, theLastCandidateShownIsTheLastJudgedEvenAfterTheTaskChanges)
{
    const HistorySnapshot history = demoHistory(6);
    SearchEngine engine(2);
    SearchSession session(engine, history, 11, ScoringWindow{100, true, true}, 31);
    const FormulaTarget kill{1, false, true};
    const StatisticBounds some({40, 100, 0, 32768, 0, 32768, 0, 32768, 0, 32768});
    session.begin(kill, some, SearchOptions{5, std::nullopt, TextForm::Bracket});
    // Stopping at the third found formula: that one was judged last.
    ASSERT_EQ(session.run({50000, std::nullopt}, 3), 3);
    const FoundFormula third = session.found().back();
    // Another task: the display still names the last candidate of the first one,
    // with the statistics it was judged on.
    session.begin(FormulaTarget{2, true, false}, acceptAll(), SearchOptions{9, 0, TextForm::Suffix});
    EXPECT_EQ(session.lastText(), third.text);
    EXPECT_EQ(session.lastStatistics().hitWeight, third.statistics.hitWeight);
    EXPECT_EQ(session.lastStatistics().longestMissRun, third.statistics.longestMissRun);
    // Once the new task runs, its own last candidate is shown.
    ASSERT_EQ(session.run({10, std::nullopt}), 10);
    EXPECT_EQ(session.lastText(), session.found().back().text);
    EXPECT_EQ(session.lastStatistics().rate, session.found().back().statistics.rate);
}
