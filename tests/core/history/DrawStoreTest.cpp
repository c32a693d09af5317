#include "history/DrawStore.h"
#include "common/UserError.h"
#include "history/AttributeCatalog.h"
#include "history/Database.h"
#include "history/DemoHistory.h"
#include "history/HistorySnapshot.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

namespace {

QString refusal(DrawStore& store, const QString& issue, const DrawNumbers& numbers)
{
    try {
        store.add(issue, numbers);
    } catch (const UserError& e) {
        EXPECT_EQ(e.title(), QStringLiteral("号码输入有误"));
        return e.message();
    }
    return {};
}

} // namespace

TEST(DrawStore, badDrawsAreRefusedWithAReasonAndNothingStored)
{
    TestEnvironment env;
    Database db(env.dataDirectory());
    DrawStore store(db, LotteryTable::entry(0));
    store.add(QStringLiteral("26120801"), {1, 2, 3, 4, 5});
    EXPECT_TRUE(refusal(store, QStringLiteral("26120802"), {1, 2, 3, 4, 12}).contains(QStringLiteral("1到11")));
    EXPECT_TRUE(refusal(store, QStringLiteral("26120802"), {0, 2, 3, 4, 5}).contains(QStringLiteral("第1个号码")));
    EXPECT_TRUE(refusal(store, QStringLiteral("26120802"), {7, 2, 7, 4, 5}).contains(QStringLiteral("重复")));
    EXPECT_TRUE(refusal(store, QStringLiteral("2612080"), {1, 2, 3, 4, 5}).contains(QStringLiteral("8位")));
    EXPECT_TRUE(refusal(store, QStringLiteral("26023102"), {1, 2, 3, 4, 5}).contains(QStringLiteral("日期")));
    EXPECT_TRUE(refusal(store, QStringLiteral("26120801"), {6, 2, 3, 4, 5}).contains(QStringLiteral("已经存在")));
    EXPECT_EQ(store.count(), 1);

    // The data belongs to the lottery of its first draw: another lottery's draw
    // is refused with a message naming it, even once the history is empty.
    DrawStore twelve(db, LotteryTable::entry(27));
    store.deleteAll();
    EXPECT_TRUE(refusal(twelve, QStringLiteral("2026120801"), {12, 1, 2, 3, 4}).contains(QStringLiteral("广东11选5")));
    EXPECT_EQ(db.recordedLottery(), 0);
    EXPECT_EQ(store.count(), 0);

    // 12 is a number of the twelve-number lotteries.
    TestEnvironment other;
    Database twelveDb(other.dataDirectory());
    DrawStore(twelveDb, LotteryTable::entry(27)).add(QStringLiteral("2026120801"), {12, 1, 2, 3, 4});
    EXPECT_EQ(HistorySnapshot::load(twelveDb.sql()).number(0, 1), 12);
    EXPECT_EQ(twelveDb.recordedLottery(), 27);
}

TEST(DrawStore, aBatchWithOneBadDrawStoresNothing)
{
    TestEnvironment env;
    Database db(env.dataDirectory());
    const auto lottery = LotteryTable::entry(0);
    DrawStore store(db, lottery);
    auto draws = DemoHistory::generate(lottery, 1, 3, QDate(2026, 5, 1));
    draws[40].numbers[2] = draws[40].numbers[1];
    EXPECT_THROW(store.addAll(draws), UserError);
    EXPECT_EQ(store.count(), 0);
}

TEST(DrawStore, storedRowsCarryAttributesAgainstThePreviousDraw)
{
    TestEnvironment env;
    Database db(env.dataDirectory());
    DrawStore store(db, LotteryTable::entry(0));
    store.add(QStringLiteral("15030184"), {5, 3, 7, 1, 11});
    store.add(QStringLiteral("15030201"), {3, 5, 7, 9, 11});
    const HistorySnapshot history = HistorySnapshot::load(db.sql());
    ASSERT_EQ(history.size(), 2);
    const auto value = [&](int row, const char* code) {
        return history.value(row, AttributeCatalog::indexOf(QString::fromLatin1(code)));
    };
    EXPECT_EQ(value(0, "L5N"), 0);
    EXPECT_EQ(value(1, "L5N"), 4);
    EXPECT_EQ(value(1, "L3R"), 2);
    EXPECT_EQ(value(1, "L3O"), 2);
    EXPECT_EQ(value(1, "L4O"), 3);
    EXPECT_EQ(value(1, "L5O"), 2015);
    EXPECT_EQ(value(1, "L1O"), 84);
    EXPECT_EQ(history.rowOf(QStringLiteral("15030201")), 1);
    EXPECT_EQ(store.nextIssue(QDate(2026, 1, 1)), QStringLiteral("15030202"));
}

TEST(DrawStore, aMissedDrawTakesItsPlaceAndItsSuccessorIsRecomputed)
{
    TestEnvironment env;
    const auto lottery = LotteryTable::entry(0);
    const auto draws = DemoHistory::generate(lottery, 2, 17, QDate(2026, 5, 2));
    Database inOrder(env.path(QStringLiteral("in-order")));
    DrawStore(inOrder, lottery).addAll(draws);

    // The same draws with gaps filled in later: one at the very start, one in the
    // middle of a day and the first of the second day, typed and in a batch.
    Database filled(env.path(QStringLiteral("filled")));
    DrawStore store(filled, lottery);
    std::vector<StoredDraw> later{draws[0], draws[40], draws[84]};
    std::vector<StoredDraw> first;
    for (size_t i = 0; i < draws.size(); ++i)
        if (i != 0 && i != 40 && i != 84)
            first.push_back(draws[i]);
    store.addAll(first);
    store.add(later[1].issue, later[1].numbers);
    store.addAll({later[2], later[0]});

    const HistorySnapshot expected = HistorySnapshot::load(inOrder.sql());
    const HistorySnapshot actual = HistorySnapshot::load(filled.sql());
    ASSERT_EQ(actual.size(), expected.size());
    for (int row = 0; row < expected.size(); ++row) {
        ASSERT_EQ(actual.issue(row), expected.issue(row));
        for (int a = 0; a < AttributeCatalog::kCount; ++a)
            ASSERT_EQ(actual.value(row, a), expected.value(row, a))
                << row << " " << AttributeCatalog::code(a).toStdString();
    }
}

TEST(DrawStore, deletionsKeepTheRightDraws)
{
    TestEnvironment env;
    Database db(env.dataDirectory());
    const auto lottery = LotteryTable::entry(0);
    DrawStore store(db, lottery);
    store.addAll(DemoHistory::generate(lottery, 2, 11, QDate(2026, 5, 2)));
    EXPECT_EQ(store.deleteAfter(QStringLiteral("26050210")), 74);
    EXPECT_EQ(store.lastIssue(), QStringLiteral("26050210"));
    EXPECT_EQ(store.deleteAfter(QStringLiteral("26060101")), 0);
    EXPECT_EQ(store.deleteLast(3), 3);
    EXPECT_EQ(store.lastIssue(), QStringLiteral("26050207"));
    EXPECT_EQ(store.deleteLast(1000), 84 + 7);
    EXPECT_EQ(store.count(), 0);
    EXPECT_EQ(store.deleteLast(1), 0);
    EXPECT_FALSE(store.last());
}

TEST(DemoHistory, sameSeedSameDrawsAndEveryDrawValid)
{
    const auto lottery = LotteryTable::entry(26);
    const auto a = DemoHistory::generate(lottery, 3, 42, QDate(2026, 2, 28));
    const auto b = DemoHistory::generate(lottery, 3, 42, QDate(2026, 2, 28));
    ASSERT_EQ(a.size(), 3u * 80);
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].issue, b[i].issue);
        EXPECT_EQ(a[i].numbers, b[i].numbers);
    }
    EXPECT_EQ(a.front().issue, QStringLiteral("2026022601"));
    EXPECT_EQ(a.back().issue, QStringLiteral("2026022880"));
    bool sawTwelve = false;
    for (const auto& d : a) {
        std::array<int, 5> sorted = d.numbers;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_TRUE(std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end());
        EXPECT_GE(sorted.front(), 1);
        EXPECT_LE(sorted.back(), 12);
        sawTwelve = sawTwelve || sorted.back() == 12;
    }
    EXPECT_TRUE(sawTwelve);
    EXPECT_NE(DemoHistory::generate(lottery, 3, 43, QDate(2026, 2, 28))[0].numbers, a[0].numbers);
}

TEST(DemoHistory, inMemorySnapshotMatchesTheStoredHistory)
{
    TestEnvironment env;
    Database db(env.dataDirectory());
    const auto lottery = LotteryTable::entry(26);
    const auto draws = DemoHistory::generate(lottery, 2, 8, QDate(2026, 12, 31));
    DrawStore(db, lottery).addAll(draws);
    const HistorySnapshot stored = HistorySnapshot::load(db.sql());
    const HistorySnapshot built = DemoHistory::snapshot(lottery, draws);
    ASSERT_EQ(built.size(), stored.size());
    EXPECT_EQ(built.issues(), stored.issues());
    for (int a = 0; a < AttributeCatalog::kCount; ++a)
        EXPECT_EQ(built.column(a), stored.column(a)) << AttributeCatalog::code(a).toStdString();
}

namespace {

// Every column of the rows from `issue` on, as stored.
QList<QVariantList> rowsFrom(Database& db, const QString& issue)
{
    QList<QVariantList> rows;
    SqliteStatement all = db.sql().prepare(QStringLiteral("SELECT * FROM Lishi WHERE strQQH >= ?1 ORDER BY strQQH"));
    all.bind(1, issue);
    while (all.next()) {
        QVariantList row;
        for (int c = 0; c < all.columnCount(); ++c)
            row << all.value(c);
        rows << row;
    }
    return rows;
}

} // namespace

// The draws of the latest deletion come back exactly as they were stored, until
// the history changes again; a deletion that removes nothing keeps what can be undone.
TEST(DrawStore, theLatestDeletionCanBeUndoneUntilTheNextChange)
{
    TestEnvironment env;
    Database db(env.dataDirectory());
    const auto lottery = LotteryTable::entry(0);
    DrawStore store(db, lottery);
    const auto draws = DemoHistory::generate(lottery, 2, 11, QDate(2026, 6, 2));
    store.addAll(draws);
    db.sql().exec(QStringLiteral("UPDATE Lishi SET canshu = 2.5 WHERE strQQH = '26060284'")); // work columns too
    const QString firstGone = draws[draws.size() - 10].issue;
    const QList<QVariantList> before = rowsFrom(db, firstGone);

    EXPECT_EQ(store.restoreDeleted(), QStringList());
    EXPECT_EQ(store.deleteLast(10), 10);
    EXPECT_EQ(store.deleteAfter(QStringLiteral("26060284")), 0); // nothing went: the undo stays
    EXPECT_EQ(store.restorableCount(), 10);
    const QStringList restored = store.restoreDeleted();
    ASSERT_EQ(restored.size(), 10);
    EXPECT_EQ(restored.first(), firstGone);
    EXPECT_EQ(rowsFrom(db, firstGone), before);
    EXPECT_EQ(store.restoreDeleted(), QStringList()); // once

    // A later change of the history ends the undo: the rows would no longer fit.
    store.deleteAfter(draws[100].issue);
    store.add(draws[101].issue, draws[101].numbers);
    EXPECT_EQ(store.restorableCount(), 0);
    EXPECT_EQ(store.restoreDeleted(), QStringList());
    store.deleteLast(1);
    store.deleteAll();
    EXPECT_EQ(store.restoreDeleted(), QStringList());
    EXPECT_EQ(store.count(), 0);
}
