// Loading the history refuses rows no draw can produce.
#include "history/HistorySnapshot.h"
#include "history/AttributeCatalog.h"
#include "history/Database.h"
#include "history/DatabaseError.h"
#include "history/DemoHistory.h"
#include "history/DrawStore.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

TEST(HistorySnapshot, everyComputedAttributeLiesInItsColumnsRange)
{
    // Every lottery over several days: the ranges the loader checks must never
    // refuse a row the program stored itself.
    for (int index = 0; index < LotteryTable::kCount; ++index) {
        const LotteryTable::Entry lottery = LotteryTable::entry(index);
        const HistorySnapshot history =
            DemoHistory::snapshot(lottery, DemoHistory::generate(lottery, 3, 11 + index, QDate(2099, 12, 31)));
        for (int a = 0; a < AttributeCatalog::kCount; ++a) {
            const AttributeCatalog::Range range = AttributeCatalog::valueRange(a);
            ASSERT_LE(range.lowest, range.highest) << AttributeCatalog::code(a).toStdString();
            for (int row = 0; row < history.size(); ++row) {
                const int value = history.value(row, a);
                ASSERT_TRUE(value >= range.lowest && value <= range.highest)
                    << index << ' ' << AttributeCatalog::code(a).toStdString() << '=' << value;
            }
        }
    }
}

TEST(HistorySnapshot, aDamagedRowIsRefusedNamingItsIssueAndColumn)
{
    TestEnvironment env;
    Database db(env.dataDirectory());
    const LotteryTable::Entry lottery = LotteryTable::entry(0);
    DrawStore(db, lottery).addAll(DemoHistory::generate(lottery, 1, 3, QDate(2026, 11, 30)));
    ASSERT_EQ(HistorySnapshot::load(db.sql()).size(), lottery.drawsPerDay);

    // Values edited by hand: each would overflow a sum, shift past a bit mask,
    // or silently read as 0.
    const struct {
        const char* column;
        const char* value;
    } damage[] = {{"L5O", "2147483647"}, {"L1A", "40"},   {"L2A", "0"},   {"L3R", "-1"},
                  {"L1B", "'x'"},        {"L4C", "NULL"}, {"L2G", "4.5"}, {"L1L", "9223372036854775807"}};
    for (const auto& d : damage) {
        SqliteDatabase::Transaction edit(db.sql());
        db.sql().exec(QStringLiteral("UPDATE Lishi SET %1 = %2 WHERE strQQH = '26113007'")
                          .arg(QLatin1String(d.column), QLatin1String(d.value)));
        try {
            HistorySnapshot::load(db.sql());
            ADD_FAILURE() << d.column << " = " << d.value << " was loaded";
        } catch (const DatabaseError& e) {
            EXPECT_TRUE(e.message().contains(QStringLiteral("26113007"))) << e.what();
            EXPECT_TRUE(e.message().contains(QLatin1String(d.column))) << e.what();
        }
        // Not committed: the next case starts from the healthy row again.
    }
    EXPECT_EQ(HistorySnapshot::load(db.sql()).size(), lottery.drawsPerDay);
}
