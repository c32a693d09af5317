#include "common/LotteryTable.h"
#include "history/Database.h"
#include "history/DemoHistory.h"
#include "history/DrawStore.h"
#include "support/CliRunner.h"
#include "support/LocalHttpServer.h"
#include "support/ResultsPageHtml.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

namespace {

QStringList issuesOf(const QJsonValue& array)
{
    QStringList issues;
    for (const QJsonValue& v : array.toArray())
        issues << (v.isObject() ? v.toObject().value(QStringLiteral("strQQH")).toString() : v.toString());
    return issues;
}

void writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

int storedDraws(const TestEnvironment& env)
{
    Database db(env.lotteryFolder());
    EXPECT_EQ(db.sql().scalar(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
    return DrawStore(db, LotteryTable::entry(0)).count();
}

} // namespace

TEST(DrawTransferCommands, fetchReadsTheSamplePageAndReportsWhatItSkipped)
{
    TestEnvironment env;
    const CliRunner cli(QStringLiteral(VELMORA_CLI_PATH), env.dataDirectory());
    ASSERT_EQ(cli.run({QStringLiteral("draw"), QStringLiteral("add"), QStringLiteral("26120779"), QStringLiteral("1"),
                       QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("5")})
                  .exitCode,
              0);
    const QString sample = QStringLiteral("file://" VELMORA_TEST_DATA_DIR "/results-page-gd11x5.html");
    CliResult fetched = cli.run({QStringLiteral("draw"), QStringLiteral("fetch"), QStringLiteral("--url"), sample,
                                 QStringLiteral("--today"), QStringLiteral("2026-12-08"), QStringLiteral("--json")});
    ASSERT_EQ(fetched.exitCode, 0) << fetched.err.toStdString();
    QJsonObject report = fetched.json().object();
    EXPECT_EQ(issuesOf(report.value(QStringLiteral("added"))),
              (QStringList{QStringLiteral("26120780"), QStringLiteral("26120781"), QStringLiteral("26120782"),
                           QStringLiteral("26120783"), QStringLiteral("26120784"), QStringLiteral("26120801"),
                           QStringLiteral("26120802"), QStringLiteral("26120803"), QStringLiteral("26120804"),
                           QStringLiteral("26120805")}));
    EXPECT_TRUE(report.value(QStringLiteral("skipped")).toArray().isEmpty());
    EXPECT_FALSE(report.value(QStringLiteral("deleted_first")).toBool(true));

    LocalHttpServer server;
    server.serve(QStringLiteral("/gd11x5"), "<p>2612080601 02 03 04 05</p><p>26120807x1 02 03 04 05</p>");
    fetched = cli.run({QStringLiteral("draw"), QStringLiteral("fetch"), QStringLiteral("--url"),
                       server.url(QStringLiteral("/{code}?n={rows}")), QStringLiteral("--json")});
    ASSERT_EQ(fetched.exitCode, 0) << fetched.err.toStdString();
    report = fetched.json().object();
    EXPECT_EQ(server.lastRequest(), QStringLiteral("/gd11x5?n=168")); // D = 1: (1 + 1) × 84
    EXPECT_EQ(issuesOf(report.value(QStringLiteral("added"))), QStringList{QStringLiteral("26120806")});
    const QJsonArray skipped = report.value(QStringLiteral("skipped")).toArray();
    ASSERT_EQ(skipped.size(), 1);
    EXPECT_EQ(skipped[0].toObject().value(QStringLiteral("strQQH")).toString(), QStringLiteral("26120807"));
    EXPECT_FALSE(skipped[0].toObject().value(QStringLiteral("reason")).toString().isEmpty());

    // No page address anywhere is a usage error; a page that does not load is a failure.
    EXPECT_EQ(cli.run({QStringLiteral("draw"), QStringLiteral("fetch")}).exitCode, 2);
    const CliResult missing = cli.run(
        {QStringLiteral("draw"), QStringLiteral("fetch"), QStringLiteral("--url"), server.url(QStringLiteral("/x"))});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(QString::fromUtf8(missing.err).contains(QStringLiteral("无法下载")));
    EXPECT_EQ(storedDraws(env), 12);
}

// A page laid out newest first, in GBK, over HTTP: an outdated history loses only
// its draws before the first day fetched, and `draw undo-delete` brings them back.
TEST(DrawTransferCommands, fetchReplacingAnOutdatedHistoryIsUndoneAndAPageWithoutDrawsChangesNothing)
{
    TestEnvironment env;
    const CliRunner cli(QStringLiteral(VELMORA_CLI_PATH), env.dataDirectory());
    const auto lottery = LotteryTable::entry(0);
    const QDate today(2026, 12, 8);
    ASSERT_EQ(cli.run({QStringLiteral("init")}).exitCode, 0);
    const auto week = DemoHistory::generate(lottery, 7, 41, today); // 12-02 .. 12-08
    {
        Database db(env.lotteryFolder());
        DrawStore(db, lottery).addAll({week.begin(), week.begin() + 5 * 84}); // up to 12-06
    }
    LocalHttpServer server;
    server.serveTyped(QStringLiteral("/gd11x5"), ResultsPageLayouts::gbkList({week.begin() + 4 * 84, week.end()}),
                      "text/html"); // 12-06 .. 12-08
    server.serve(QStringLiteral("/other"),
                 ResultsPageLayouts::trendTable({{QStringLiteral("26120801"), {12, 1, 2, 3, 4}}}));

    const QStringList fetch = {QStringLiteral("draw"),   QStringLiteral("fetch"),   QStringLiteral("--days"),
                               QStringLiteral("3"),      QStringLiteral("--today"), QStringLiteral("2026-12-08"),
                               QStringLiteral("--json"), QStringLiteral("--url")};
    const CliResult nothing = cli.run(fetch + QStringList{server.url(QStringLiteral("/other"))});
    EXPECT_EQ(nothing.exitCode, 1);
    EXPECT_TRUE(QString::fromUtf8(nothing.err).contains(QStringLiteral("页面中没有找到本彩种的开奖号码")));
    EXPECT_EQ(storedDraws(env), 5 * 84);

    const CliResult fetched = cli.run(fetch + QStringList{server.url(QStringLiteral("/{code}"))});
    ASSERT_EQ(fetched.exitCode, 0) << fetched.err.toStdString();
    const QJsonObject report = fetched.json().object();
    EXPECT_EQ(report.value(QStringLiteral("recognised")).toInt(), 3 * 84);
    EXPECT_EQ(report.value(QStringLiteral("added")).toArray().size(), 2 * 84); // 12-07, 12-08
    EXPECT_TRUE(report.value(QStringLiteral("skipped")).toArray().isEmpty());
    EXPECT_TRUE(report.value(QStringLiteral("deleted_first")).toBool());
    // 12-02 .. 12-04; 12-05, the first day fetched, and 12-06 stay.
    EXPECT_EQ(report.value(QStringLiteral("deleted")).toInt(), 3 * 84);
    EXPECT_EQ(storedDraws(env), 4 * 84);

    const CliResult undone = cli.run({QStringLiteral("draw"), QStringLiteral("undo-delete"), QStringLiteral("--json")});
    ASSERT_EQ(undone.exitCode, 0) << undone.err.toStdString();
    const QStringList restored = issuesOf(undone.json().object().value(QStringLiteral("restored")));
    ASSERT_EQ(restored.size(), 3 * 84);
    EXPECT_EQ(restored.first(), QStringLiteral("26120201"));
    EXPECT_EQ(storedDraws(env), 7 * 84);
}

TEST(DrawTransferCommands, exportThenImportRoundTrip)
{
    TestEnvironment env;
    const CliRunner cli(QStringLiteral(VELMORA_CLI_PATH), env.dataDirectory());
    ASSERT_EQ(cli.run({QStringLiteral("init"), QStringLiteral("--demo"), QStringLiteral("--days"), QStringLiteral("2")})
                  .exitCode,
              0);
    const QString file = env.path(QStringLiteral("history.txt"));
    const CliResult exported =
        cli.run({QStringLiteral("draw"), QStringLiteral("export"), file, QStringLiteral("--json")});
    ASSERT_EQ(exported.exitCode, 0) << exported.err.toStdString();
    EXPECT_EQ(exported.json().object().value(QStringLiteral("draws")).toInt(), 168);
    QFile text(file);
    ASSERT_TRUE(text.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = text.readAll().split('\n');
    EXPECT_EQ(lines.size(), 169); // a line break after every draw
    EXPECT_TRUE(lines.first().startsWith("26120601 ") && lines.first().endsWith(' ') && lines.first().size() == 24);

    ASSERT_EQ(cli.run({QStringLiteral("draw"), QStringLiteral("delete-all")}).exitCode, 0);

    CliResult imported = cli.run({QStringLiteral("draw"), QStringLiteral("import"), file, QStringLiteral("--json")});
    ASSERT_EQ(imported.exitCode, 0) << imported.err.toStdString();
    EXPECT_EQ(imported.json().object().value(QStringLiteral("added")).toArray().size(), 168);
    imported = cli.run({QStringLiteral("draw"), QStringLiteral("import"), file, QStringLiteral("--json")});
    EXPECT_EQ(imported.json().object().value(QStringLiteral("skipped")).toArray().size(), 168);

    writeFile(env.path(QStringLiteral("bad.txt")), "26120901 01 02 03 04 05\n26120902 01 02 03 04 05 06\n");
    const CliResult bad =
        cli.run({QStringLiteral("draw"), QStringLiteral("import"), env.path(QStringLiteral("bad.txt"))});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_TRUE(QString::fromUtf8(bad.err).contains(QStringLiteral("第2行")));
    EXPECT_EQ(storedDraws(env), 168);
}

// The fetch's store is one transaction: a process killed while it writes leaves
// the history as it was, or with every draw of the fetch.
TEST(DrawTransferCommands, killDuringAFetchLeavesAllOrNoneOfItsDraws)
{
    TestEnvironment pageFolder;
    const auto lottery = LotteryTable::entry(0);
    const QDate today(2026, 12, 8);
    const QString pagePath = pageFolder.path(QStringLiteral("page.html"));
    writeFile(pagePath, resultsPageOf(DemoHistory::generate(lottery, 11, 3, today)));
    constexpr int kAll = 11 * 84; // S = 10: serial 01 ten days ago up to today's 84

    int killedWhileWriting = 0;
    int keptNone = 0;
    for (int run = 0; run < 10; ++run) {
        TestEnvironment env;
        const CliRunner cli(QStringLiteral(VELMORA_CLI_PATH), env.dataDirectory());
        ASSERT_EQ(cli.run({QStringLiteral("init")}).exitCode, 0);
        QProcess child;
        QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
        variables.insert(QStringLiteral("XDG_CONFIG_HOME"), env.dataDirectory() + QStringLiteral("/config"));
        child.setProcessEnvironment(variables);
        child.start(QStringLiteral(VELMORA_CLI_PATH),
                    {QStringLiteral("--data-dir"), env.dataDirectory(), QStringLiteral("draw"), QStringLiteral("fetch"),
                     QStringLiteral("--url"), QStringLiteral("file://") + pagePath, QStringLiteral("--days"),
                     QStringLiteral("10"), QStringLiteral("--today"), today.toString(Qt::ISODate)});
        ASSERT_TRUE(child.waitForStarted());
        // The journal exists while the transaction writes; the kill lands at a
        // different point of the write on every run. The last run is not killed.
        const QString journal = QDir(env.lotteryFolder()).filePath(QStringLiteral("formula.mdb-journal"));
        while (run < 9 && child.state() == QProcess::Running && !QFile::exists(journal))
            QThread::usleep(100);
        if (run < 9 && child.state() == QProcess::Running) {
            QThread::usleep(static_cast<unsigned long>(run) * 3000);
            killedWhileWriting += child.state() == QProcess::Running && QFile::exists(journal) ? 1 : 0;
            child.kill();
        }
        child.waitForFinished();
        const int stored = storedDraws(env);
        EXPECT_TRUE(stored == 0 || stored == kAll) << "run " << run << ": " << stored << " draws";
        keptNone += stored == 0 ? 1 : 0;
        if (run == 9) {
            EXPECT_EQ(stored, kAll) << child.readAllStandardError().toStdString();
        }
    }
    EXPECT_GT(killedWhileWriting, 0);
    RecordProperty("killed_while_writing", killedWhileWriting);
    RecordProperty("left_without_the_fetch", keptNone);
}
