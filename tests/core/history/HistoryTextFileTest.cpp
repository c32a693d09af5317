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

TEST(HistoryTextFile, importTakesTheFormsResultFeedsGive)
{
    TestEnvironment env;
    Database db(env.dataDirectory());
    HistoryImport import(db, kGuangdong);
    // Each form on a line of its own, each stored in the short form of this lottery.
    const DrawBatchReport report = import.importText(QStringLiteral("2014121101 01 02 03 04 05\n"
                                                                    "20141211-02 06 07 08 09 10\n"
                                                                    "141211-03 11 10 09 08 07\n"
                                                                    "14121104 06,11,08,10,04\n"
                                                                    "14121105 06, 11, 08, 10, 04\n"
                                                                    "2014121106\t01 ,02 ,03 ,04 ,05\n"));
    EXPECT_EQ(report.added, (std::vector<QString>{QStringLiteral("14121101"), QStringLiteral("14121102"),
                                                  QStringLiteral("14121103"), QStringLiteral("14121104"),
                                                  QStringLiteral("14121105"), QStringLiteral("14121106")}));
    EXPECT_EQ(DrawStore(db, kGuangdong).find(QStringLiteral("14121104"))->numbers, (DrawNumbers{6, 11, 8, 10, 4}));

    // Two-column CSV, with any heading that names the two columns or none, quoted or not.
    int file = 0;
    for (const char* heading : {"期号,开奖号码\n", "\"开奖期号\",\"开奖号码\"\r\n", ""}) {
        Database csvDb(env.path(QStringLiteral("csv%1").arg(++file)));
        const DrawBatchReport csv =
            HistoryImport(csvDb, kGuangdong)
                .importText(QString::fromUtf8(heading) + QStringLiteral("17071806,\"09,04,01,03,06\"\n"
                                                                        "\"20170718-07\",\"01, 02, 03, 04, 05\"\n"
                                                                        "2017071808,09 04 01 03 06\n"));
        EXPECT_EQ(csv.added, (std::vector<QString>{QStringLiteral("17071806"), QStringLiteral("17071807"),
                                                   QStringLiteral("17071808")}))
            << heading;
        EXPECT_EQ(DrawStore(csvDb, kGuangdong).find(QStringLiteral("17071806"))->numbers, (DrawNumbers{9, 4, 1, 3, 6}));
    }

    // A 快乐12 lottery keeps its long form whatever the file wrote.
    Database twelveDb(env.path(QStringLiteral("twelve")));
    const auto zhejiang = LotteryTable::entry(26);
    EXPECT_EQ(HistoryImport(twelveDb, zhejiang)
                  .importText(QStringLiteral("17071806 12 01 02 03 04\n"
                                             "20170718-007,\"01,02,03,04,05\"\n"))
                  .added,
              (std::vector<QString>{QStringLiteral("2017071806"), QStringLiteral("2017071807")}));
}

TEST(HistoryTextFile, refusedFormsNameTheirLinesAndStoreNothing)
{
    TestEnvironment env;
    Database db(env.dataDirectory());
    HistoryImport import(db, kGuangdong);
    const QString message = importRefusal(import, QStringLiteral("期号,开奖号码\n"
                                                                 "20170718-06,\"09,04,01,03,06\"\n" // fine
                                                                 "20170230-01,\"09,04,01,03,06\"\n" // no such day
                                                                 "2017071890 01 02 03 04 05\n" // above 84 a day
                                                                 "17071807,\"09,04,01,03\"\n" // four numbers
                                                                 "17071808 01,,02,03,04,05\n" // an empty field
                                                                 "21170718-09 01 02 03 04 05\n" // beyond 2099
                                                                 "17-0718-10 01 02 03 04 05\n" // two dashes
                                                                 "2017071811 01 02 03 04 05\n" // fine
                                                                 "17071806 01 02 03 04 05\n")); // again, other numbers
    EXPECT_TRUE(message.startsWith(QStringLiteral("有7行无法导入，没有导入任何号码："))) << message.toStdString();
    const QStringList expected = {
        QStringLiteral("第3行：期号20170230-01中的日期不存在。"),
        QStringLiteral("第4行：期号17071890的期序90大于每天期数84"),
        QStringLiteral("第5行：应有期号和五个号码，现在有5项"),
        QStringLiteral("第6行：两个逗号之间是空的"),
        QStringLiteral("第7行：期号21170718-09的年份不在2000到2099年之间。"),
        QStringLiteral("第8行：期号“17-0718-10”不是数字。"),
        QStringLiteral("第10行：期号17071806与第2行重复。"),
    };
    for (const QString& line : expected)
        EXPECT_TRUE(message.contains(line)) << line.toStdString() << "\n" << message.toStdString();
    EXPECT_FALSE(message.contains(QStringLiteral("第2行：")));
    EXPECT_FALSE(message.contains(QStringLiteral("第9行：")));
    EXPECT_EQ(DrawStore(db, kGuangdong).count(), 0);

    // More bad lines than the message lists: it says how many more there are.
    QString many;
    for (int i = 0; i < 25; ++i)
        many += QStringLiteral("bad line %1\n").arg(i);
    EXPECT_TRUE(importRefusal(import, many).endsWith(QStringLiteral("……另有5行未列出。")));
}

TEST(HistoryTextFile, aUtf16FileIsNamedAsSuch)
{
    TestEnvironment env;
    Database db(env.dataDirectory());
    HistoryImport import(db, kGuangdong);
    const QString text = QStringLiteral("26120801 01 02 03 04 05\r\n");
    const QByteArray little(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    for (const QByteArray& content : {QByteArray(QByteArray("\xFF\xFE") + little), little}) {
        const QString path = env.path(QStringLiteral("utf16.txt"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        try {
            import.importFile(path);
            ADD_FAILURE() << "a UTF-16 file was read";
        } catch (const UserError& e) {
            EXPECT_TRUE(e.message().contains(QStringLiteral("UTF-16"))) << e.message().toStdString();
        }
    }
    EXPECT_EQ(DrawStore(db, kGuangdong).count(), 0);
}
