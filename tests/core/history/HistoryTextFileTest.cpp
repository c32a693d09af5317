#include "history/HistoryTextFile.h"
#include "common/UserError.h"
#include "history/AttributeCatalog.h"
#include "history/Database.h"
#include "history/DemoHistory.h"
#include "history/DrawStore.h"
#include "history/HistoryImport.h"
#include "history/HistorySnapshot.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

const LotteryTable::Entry kGuangdong = LotteryTable::entry(0);

QString importRefusal(HistoryImport& import, const QString& text)
{
    try {
        import.importText(text);
    } catch (const UserError& e) {
        EXPECT_TRUE(e.isBadInput());
        return e.message();
    }
    return {};
}

} // namespace

TEST(HistoryTextFile, lineAndFileNameFollowTheExportLayout)
{
    EXPECT_EQ(HistoryTextFile::line(QStringLiteral("26120801"), {3, 7, 1, 11, 5}),
              QStringLiteral("26120801 03 07 01 11 05 "));
    EXPECT_EQ(HistoryTextFile::fileName(QStringLiteral("26120884")), QStringLiteral("更新至26120884期历史号码.txt"));
    EXPECT_EQ(HistoryTextFile::fileName(QStringLiteral("../26")), QStringLiteral("更新至26期历史号码.txt"));
}

TEST(HistoryTextFile, exportThenImportGivesTheSameHistoryAndASecondImportChangesNothing)
{
    TestEnvironment env;
    Database source(env.path(QStringLiteral("source")));
    DrawStore(source, kGuangdong).addAll(DemoHistory::generate(kGuangdong, 3, 21, QDate(2026, 12, 7)));
    const HistorySnapshot expected = HistorySnapshot::load(source.sql());
    const QString file = env.path(HistoryTextFile::fileName(expected.issue(expected.size() - 1)));
    HistoryTextFile::write(file, expected);

    Database target(env.path(QStringLiteral("target")));
    HistoryImport import(target, kGuangdong);
    DrawBatchReport report = import.importFile(file);
    EXPECT_EQ(report.added.size(), 3u * 84);
    const HistorySnapshot actual = HistorySnapshot::load(target.sql());
    ASSERT_EQ(actual.size(), expected.size());
    for (int row = 0; row < expected.size(); ++row) {
        ASSERT_EQ(actual.issue(row), expected.issue(row));
        for (int a = 0; a < AttributeCatalog::kCount; ++a)
            ASSERT_EQ(actual.value(row, a), expected.value(row, a));
    }

    report = import.importFile(file);
    EXPECT_TRUE(report.added.empty());
    EXPECT_EQ(report.skipped.size(), 3u * 84);
}

TEST(HistoryTextFile, importTakesPlainAndCsvLinesInAnyOrderAndFillsGaps)
{
    TestEnvironment env;
    Database db(env.dataDirectory());
    DrawStore store(db, kGuangdong);
    store.add(QStringLiteral("26120801"), {1, 2, 3, 4, 5});
    store.add(QStringLiteral("26120804"), {1, 2, 3, 4, 6});
    HistoryImport import(db, kGuangdong);
    const DrawBatchReport report = import.importText(QStringLiteral("\xFEFF"
                                                                    "期号,第一,第二,第三,第四,第五\r\n"
                                                                    "26120805,1,2,3,4,7\r\n"
                                                                    "\r\n"
                                                                    "\"26120802\", 06 ,07,08,09,10,\r\n"
                                                                    "26120803\t11  10 9 8 7\r\n"));
    EXPECT_EQ(report.added, (std::vector<QString>{QStringLiteral("26120802"), QStringLiteral("26120803"),
                                                  QStringLiteral("26120805")}));
    EXPECT_EQ(store.count(), 5);
    // 26120804 now follows 26120803 (11 10 9 8 7): nothing in common, no number in place.
    const HistorySnapshot history = HistorySnapshot::load(db.sql());
    EXPECT_EQ(history.value(3, AttributeCatalog::indexOf(u"L5N")), 0);
    EXPECT_EQ(history.value(3, AttributeCatalog::indexOf(u"L3R")), 0);
    EXPECT_EQ(history.value(4, AttributeCatalog::indexOf(u"L5N")), 4);
}

TEST(HistoryTextFile, oneBadLineStoresNothingAndEveryBadLineIsNamed)
{
    TestEnvironment env;
    Database db(env.dataDirectory());
    DrawStore store(db, kGuangdong);
    store.add(QStringLiteral("26120801"), {1, 2, 3, 4, 5});
    HistoryImport import(db, kGuangdong);
    const QString message = importRefusal(import, QStringLiteral("26120802 01 02 03 04 05\n"
                                                                 "26120803 01 02 03 04 12\n"
                                                                 "26120804 01 02 03 04\n"
                                                                 "26120801 05 04 03 02 01\n"
                                                                 "26120802 06 07 08 09 10\n"
                                                                 "２6120805 01 02 03 04 05\n"
                                                                 "26120806 01 02 03 04 05\n"));
    EXPECT_TRUE(message.contains(QStringLiteral("没有导入任何号码"))) << message.toStdString();
    for (int line : {2, 3, 4, 5, 6})
        EXPECT_TRUE(message.contains(QStringLiteral("第%1行：").arg(line))) << line;
    EXPECT_FALSE(message.contains(QStringLiteral("第1行：")));
    EXPECT_FALSE(message.contains(QStringLiteral("第7行：")));
    EXPECT_EQ(store.count(), 1);

    EXPECT_FALSE(importRefusal(import, QString()).isEmpty());
    EXPECT_THROW(import.importFile(env.path(QStringLiteral("missing.txt"))), UserError);
}
