// Storing found formulas: de-duplication, replacing, renumbering, all or nothing.
#include "search/FoundFormulaStore.h"
#include "common/UserError.h"
#include "history/Database.h"
#include "history/DatabaseError.h"
#include "history/SqliteDatabase.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

namespace {

FoundFormula found(const char* code, int position, bool group, bool kill, float rate = 90.0f)
{
    FoundFormula f;
    f.code = QString::fromLatin1(code);
    f.text = QStringLiteral("[text]") + f.code;
    f.target = FormulaTarget{position, group, kill};
    f.statistics.rate = rate;
    f.statistics.longestHitRun = 7;
    return f;
}

// "idx code kill" of every row, in idx order.
QStringList rowsOf(Database& db, const QString& table)
{
    QStringList rows;
    SqliteStatement walk =
        db.sql().prepare(QStringLiteral("SELECT idx, gongshi, bolKill FROM %1 ORDER BY idx").arg(table));
    while (walk.next())
        rows << QStringLiteral("%1 %2 %3").arg(walk.integer(0)).arg(walk.text(1)).arg(walk.integer(2));
    return rows;
}

} // namespace

TEST(FoundFormulaStore, appendingRemovesRepeatsKeepsBothFlagsAndRenumbers)
{
    TestEnvironment env;
    Database db(env.dataDirectory());
    FoundFormulaStore store(db);
    const std::vector<FoundFormula> list{found("L1A+1", 2, false, true), found("L1A+1", 2, false, false),
                                         found("L2B+3", 2, false, true), found("L1A+1", 2, false, true)};
    const FoundStoreResult appended = store.store(list, StoreMode::Append);
    EXPECT_EQ(appended.tables, QStringList{QStringLiteral("Gongshi2D")});
    EXPECT_FALSE(appended.replaced);
    EXPECT_EQ(FoundFormulaStore::messageFor(appended), QStringLiteral("公式追加完毕！"));
    EXPECT_EQ(rowsOf(db, QStringLiteral("Gongshi2D")),
              (QStringList{QStringLiteral("1 L1A+1 1"), QStringLiteral("2 L1A+1 0"), QStringLiteral("3 L2B+3 1")}));
    // Pressing the store button again stores nothing new.
    store.store(list, StoreMode::Append);
    EXPECT_EQ(rowsOf(db, QStringLiteral("Gongshi2D")).size(), 3);
    // New rows go after the existing ones; the search's scores come with them.
    store.store({found("L5Q+0", 2, false, true), found("L3C+2", 2, false, true, 95.5f)}, StoreMode::Append);
    EXPECT_EQ(rowsOf(db, QStringLiteral("Gongshi2D")).last(), QStringLiteral("5 L3C+2 1"));
    EXPECT_DOUBLE_EQ(db.sql().scalar(QStringLiteral("SELECT sglGsRate FROM Gongshi2D WHERE idx = 5")).toDouble(), 95.5);

    // Entries of three kinds touch three tables, each numbered from 1.
    const QStringList tables = store
                                   .store({found("L1A+2", 1, false, true), found("L1A+2", 3, true, true),
                                           found("L2A+2", 3, true, true), found("L1A+2", 5, true, false)},
                                          StoreMode::Append)
                                   .tables;
    EXPECT_EQ(tables,
              (QStringList{QStringLiteral("Gongshi1D"), QStringLiteral("Gongshi3G"), QStringLiteral("Gongshi5G")}));
    EXPECT_EQ(rowsOf(db, QStringLiteral("Gongshi3G")),
              (QStringList{QStringLiteral("1 L1A+2 1"), QStringLiteral("2 L2A+2 1")}));
    const std::array<int, 11> kills = store.existingCounts(true);
    const std::array<int, 11> keeps = store.existingCounts(false);
    EXPECT_EQ(kills[1], 1);
    EXPECT_EQ(kills[2], 4);
    EXPECT_EQ(keeps[2], 1);
    EXPECT_EQ(kills[8], 2);
    EXPECT_EQ(kills[10], 0);
    EXPECT_EQ(keeps[10], 1);
    const FoundStoreResult nothing = store.store({}, StoreMode::Replace);
    EXPECT_TRUE(nothing.tables.isEmpty());
    EXPECT_FALSE(nothing.replaced);
    EXPECT_EQ(rowsOf(db, QStringLiteral("Gongshi2D")).size(), 5);
}

// A replace removes only the formulas of the searched flag: the other flag's
// formulas of that table, and every other table, stay.
TEST(FoundFormulaStore, replaceRemovesOnlyTheSearchedFlagAndAFailureLeavesTheTableAsItWas)
{
    TestEnvironment env;
    Database db(env.dataDirectory());
    FoundFormulaStore store(db);
    store.store({found("L1A+1", 4, false, true), found("L1B+1", 4, false, false), found("L1C+1", 4, false, true),
                 found("L1D+1", 2, false, true)},
                StoreMode::Append);
    const std::vector<FoundFormula> kills{found("L5A+5", 4, false, true), found("L5A+5", 4, false, true),
                                          found("L4A+4", 4, false, true)};
    const std::vector<ReplacedFormulas> asked = store.replacedBy(kills);
    ASSERT_EQ(asked.size(), 1U);
    EXPECT_EQ(asked[0].target.tableName(), QStringLiteral("Gongshi4D"));
    EXPECT_EQ(asked[0].count, 2);
    const QString question = FoundFormulaStore::replaceQuestion(asked, 3);
    EXPECT_TRUE(question.contains(QStringLiteral("第四直选杀公式（Gongshi4D）：2 个"))) << question.toStdString();

    const FoundStoreResult replaced = store.store(kills, StoreMode::Replace);
    EXPECT_TRUE(replaced.replaced);
    EXPECT_EQ(replaced.removed, 2);
    EXPECT_EQ(FoundFormulaStore::messageFor(replaced), QStringLiteral("公式已替换"));
    EXPECT_EQ(rowsOf(db, QStringLiteral("Gongshi4D")),
              (QStringList{QStringLiteral("1 L1B+1 0"), QStringLiteral("2 L5A+5 1"), QStringLiteral("3 L4A+4 1")}));
    EXPECT_EQ(rowsOf(db, QStringLiteral("Gongshi2D")).size(), 1);

    // A row fails half-way through the store: nothing of it remains, replaced or appended.
    const QStringList before = rowsOf(db, QStringLiteral("Gongshi4D"));
    db.sql().exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON Gongshi4D WHEN NEW.gongshi = 'L2A+2' "
                                 "BEGIN SELECT RAISE(ABORT, 'disk full'); END"));
    for (StoreMode mode : {StoreMode::Append, StoreMode::Replace}) {
        EXPECT_THROW(store.store({found("L2A+1", 4, false, true), found("L2A+2", 4, false, true)}, mode),
                     DatabaseError);
        EXPECT_EQ(rowsOf(db, QStringLiteral("Gongshi4D")), before);
    }
    db.sql().exec(QStringLiteral("DROP TRIGGER refuse"));
    // The database is still usable afterwards.
    store.store({found("L2A+1", 4, false, true)}, StoreMode::Append);
    EXPECT_EQ(rowsOf(db, QStringLiteral("Gongshi4D")).size(), 4);
}

// A replace names what it removes in its question; a table another program
// changed before the answer is left alone.
TEST(FoundFormulaStore, aReplaceAfterTheTableChangedWritesNothing)
{
    TestEnvironment env;
    Database db(env.dataDirectory());
    FoundFormulaStore store(db);
    store.store({found("L1A", 1, false, true), found("L2A", 1, false, true)}, StoreMode::Append);
    const std::vector<FoundFormula> next = {found("L3A", 1, false, true)};
    const std::vector<ReplacedFormulas> asked = store.replacedBy(next);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].count, 2);
    db.sql().exec(
        QStringLiteral("INSERT INTO Gongshi1D (idx, gongshi, gongshiCN, bolKill) VALUES (3, 'L4A', 'other', 1)"));
    const QStringList before = rowsOf(db, QStringLiteral("Gongshi1D"));
    EXPECT_THROW(store.store(next, StoreMode::Replace, asked), UserError);
    EXPECT_EQ(rowsOf(db, QStringLiteral("Gongshi1D")), before);
    // Asked again, it replaces what it named.
    store.store(next, StoreMode::Replace, store.replacedBy(next));
    EXPECT_EQ(rowsOf(db, QStringLiteral("Gongshi1D")), QStringList{QStringLiteral("1 L3A 1")});
}
