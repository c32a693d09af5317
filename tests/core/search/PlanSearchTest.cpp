// Plan search: walking the kinds, hold and new counts, the store at the end.
#include "core/search/SearchFixtures.h"

#include "history/Database.h"
#include "search/FoundFormulaStore.h"
#include "search/PlanSearch.h"
#include "search/SearchEngine.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

using namespace SearchFixtures;

namespace {

DefaultBounds looseBounds()
{
    DefaultBounds bounds = DefaultBounds::builtIn();
    for (int kind = 1; kind <= 10; ++kind)
        for (bool kill : {true, false})
            bounds.setBounds(FormulaKind::fromSearchIndex(kind), kill,
                             StatisticBounds({0, 100, 0, 32768, 0, 32768, 0, 32768, 0, 32768}));
    return bounds;
}

int tickUntilFinished(PlanSearch& plan, int limit = 1000)
{
    int ticks = 0;
    while (!plan.finished() && ticks < limit) {
        plan.tick({500, std::nullopt});
        ++ticks;
    }
    return ticks;
}

} // namespace

TEST(PlanSearch, emptyPlanPassesEveryKindAndStoresAnEmptyList)
{
    TestEnvironment env;
    Database db(env.dataDirectory());
    FoundFormulaStore store(db);
    const HistorySnapshot history = demoHistory(2);
    SearchEngine engine(2);
    SearchSession session(engine, history, 11, ScoringWindow{0, true, true}, 9);
    PlanSearch plan(session, looseBounds(), SearchOptions{}, &store);
    SearchPlan empty;
    empty.autoStore = StoreMode::Append;
    plan.start(empty, {});
    EXPECT_EQ(plan.state(1), PlanSearch::KindState::Current);
    for (int tick = 1; tick <= 9; ++tick) {
        plan.tick({1000, std::nullopt});
        EXPECT_EQ(plan.currentKind(), tick + 1);
        EXPECT_EQ(plan.state(tick), PlanSearch::KindState::Done);
    }
    EXPECT_FALSE(plan.finished());
    plan.tick({1000, std::nullopt});
    EXPECT_TRUE(plan.finished());
    EXPECT_EQ(plan.currentKind(), 11);
    EXPECT_TRUE(plan.stored());
    EXPECT_EQ(plan.storedCount(), 0);
    EXPECT_TRUE(plan.storedTables().isEmpty());
    EXPECT_EQ(session.nextIndex(), 0u);
    for (int n : store.existingCounts(true))
        EXPECT_EQ(n, 0);
}

TEST(PlanSearch, holdCountFinishesAFullKindUnsearchedAndNewCountAddsPerKind)
{
    TestEnvironment env;
    Database db(env.dataDirectory());
    FoundFormulaStore store(db);
    const HistorySnapshot history = demoHistory(2);
    SearchEngine engine(2);
    SearchSession session(engine, history, 11, ScoringWindow{0, true, true}, 9);
    PlanSearch plan(session, looseBounds(), SearchOptions{3, 0, TextForm::Suffix}, &store);

    // Kind 3 already holds 4 rows; a hold count of 4 finishes it without a candidate.
    SearchPlan hold;
    hold.mode = SearchPlan::Mode::HoldCount;
    hold.counts[3] = 4;
    std::array<int, 11> existing{};
    existing[3] = 4;
    plan.start(hold, existing);
    plan.tick({1000, std::nullopt});
    plan.tick({1000, std::nullopt});
    EXPECT_EQ(plan.currentKind(), 3);
    plan.tick({1000, std::nullopt});
    EXPECT_EQ(plan.currentKind(), 4);
    EXPECT_EQ(plan.state(3), PlanSearch::KindState::Done);
    EXPECT_EQ(session.nextIndex(), 0u);
    // With 1 row held, the same plan searches for the 3 missing ones.
    existing[3] = 1;
    plan.start(hold, existing);
    tickUntilFinished(plan);
    EXPECT_EQ(session.found().size(), 3u);
    EXPECT_FALSE(plan.stored());

    // New-count mode: two per kind, kind 6 passed over even when it has a count,
    // stored at the end into nine tables and the found list emptied.
    SearchPlan fresh;
    fresh.kill = false;
    fresh.autoStore = StoreMode::Replace;
    for (int kind = 1; kind <= 10; ++kind)
        fresh.counts[static_cast<size_t>(kind)] = 2;
    plan.start(fresh, store.existingCounts(false));
    tickUntilFinished(plan);
    EXPECT_TRUE(plan.stored());
    EXPECT_EQ(plan.storedCount(), 18);
    EXPECT_EQ(plan.storedTables().size(), 9);
    EXPECT_FALSE(plan.storedTables().contains(QStringLiteral("Gongshi1G")));
    EXPECT_TRUE(session.found().empty());
    const std::array<int, 11> counts = store.existingCounts(false);
    for (int kind = 1; kind <= 10; ++kind) {
        EXPECT_EQ(counts[static_cast<size_t>(kind)], kind == 6 ? 0 : 2) << "kind " << kind;
        // Kill formulas are counted apart: a keep plan never satisfies a kill plan.
        EXPECT_EQ(store.existingCounts(true)[static_cast<size_t>(kind)], 0);
    }
}

TEST(SearchPlan, planBoxesReadAsCountsAndTotals)
{
    // Not a number: the kind is skipped. A fraction needs the next whole formula.
    EXPECT_EQ(SearchPlan::countOf(QString()), std::nullopt);
    EXPECT_EQ(SearchPlan::countOf(QStringLiteral("abc")), std::nullopt);
    EXPECT_EQ(SearchPlan::countOf(QStringLiteral(" 12 ")), 12);
    EXPECT_EQ(SearchPlan::countOf(QStringLiteral("2.5")), 3);
    EXPECT_EQ(SearchPlan::countOf(QStringLiteral("-4")), -4);
    EXPECT_EQ(SearchPlan::countOf(QStringLiteral("1e15")), 1000000000);

    std::array<QString, 11> boxes;
    boxes.fill(QStringLiteral("5"));
    boxes[2] = QStringLiteral("x");
    SearchPlan plan;
    plan.counts = SearchPlan::countsOf(boxes);
    EXPECT_FALSE(plan.counts[2]);
    EXPECT_FALSE(plan.counts[6]); // group 第一 has no plan of its own
    std::array<int, 11> existing{};
    existing[1] = 3;
    existing[3] = 9;
    EXPECT_EQ(plan.total(existing), 8 * 5);
    plan.mode = SearchPlan::Mode::HoldCount;
    EXPECT_EQ(plan.total(existing), 2 + 0 + 6 * 5);
}
