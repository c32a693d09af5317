#include "history/HistoryFetch.h"
#include "common/UserError.h"
#include "history/AttributeCatalog.h"
#include "history/Database.h"
#include "history/DemoHistory.h"
#include "history/DrawStore.h"
#include "history/HistorySnapshot.h"
#include "history/ResultsPage.h"
#include "support/LocalHttpServer.h"
#include "support/QtTestApplication.h"
#include "support/StoredHistoryCheck.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

namespace {

const QDate kToday(2026, 12, 8);
const LotteryTable::Entry kGuangdong = LotteryTable::entry(0); // T = 84, YYMMDD issues

// A results page as a site would send it: one table row per draw, in the given order.
QByteArray page(const std::vector<std::pair<QString, QString>>& rows)
{
    QByteArray html = "<html><head><title>results</title></head><body><table>\n";
    for (const auto& [issue, numbers] : rows)
        html += "<tr><td>" + issue.toUtf8() + "</td><td>" + numbers.toUtf8() + "</td></tr>\n";
    return html + "</table></body></html>";
}

QByteArray page(const std::vector<StoredDraw>& draws)
{
    std::vector<std::pair<QString, QString>> rows;
    for (const StoredDraw& draw : draws) {
        QStringList numbers;
        for (int n : draw.numbers)
            numbers << QStringLiteral("%1").arg(n, 2, 10, QChar(u'0'));
        rows.emplace_back(draw.issue, numbers.join(u' '));
    }
    return page(rows);
}

ResultsPage read(const QByteArray& html) { return ResultsPage::read(html, QString(), kGuangdong); }

std::vector<QString> skippedIssues(const DrawBatchReport& report)
{
    std::vector<QString> issues;
    for (const SkippedDraw& draw : report.skipped)
        issues.push_back(draw.issue);
    return issues;
}

} // namespace

TEST(HistoryFetch, badNumbersAreSkippedAndReportedAndTheRestStoredAgainstTheLastStoredDraw)
{
    TestEnvironment env;
    Database db(env.dataDirectory());
    DrawStore store(db, kGuangdong);
    store.add(QStringLiteral("26120780"), {1, 2, 3, 4, 5});
    const QByteArray html = page({{QStringLiteral("26120781"), QStringLiteral("01 02 03 09 10")},
                                  {QStringLiteral("26120782"), QStringLiteral("ab 02 03 04 05")},
                                  {QStringLiteral("26120783"), QStringLiteral("01 02 03 04 12")},
                                  {QStringLiteral("26120784"), QStringLiteral("01 01 03 04 05")},
                                  {QStringLiteral("26120801"), QStringLiteral("01 02 06 07 08")},
                                  {QStringLiteral("26120802"), QStringLiteral("03 04")}});
    const DrawBatchReport report = HistoryFetch(db, kGuangdong, 3, kToday).store(read(html));

    EXPECT_EQ(report.added, (std::vector<QString>{QStringLiteral("26120781"), QStringLiteral("26120801")}));
    EXPECT_EQ(skippedIssues(report), (std::vector<QString>{QStringLiteral("26120782"), QStringLiteral("26120783"),
                                                           QStringLiteral("26120784"), QStringLiteral("26120802")}));
    EXPECT_TRUE(report.skipped[0].reason.contains(QStringLiteral("第1个号码")));
    EXPECT_TRUE(report.skipped[1].reason.contains(QStringLiteral("1到11")));
    EXPECT_TRUE(report.skipped[2].reason.contains(QStringLiteral("重复")));
    EXPECT_TRUE(report.summary().startsWith(QStringLiteral("2 期已更新，4 期跳过")));

    // 26120801 follows 26120781, the last draw actually stored.
    const HistorySnapshot history = HistorySnapshot::load(db.sql());
    ASSERT_EQ(history.size(), 3);
    EXPECT_EQ(history.value(2, AttributeCatalog::indexOf(u"L5N")), 2);
    EXPECT_EQ(history.value(2, AttributeCatalog::indexOf(u"L3R")), 2);
}

TEST(HistoryFetch, twelveNumberLotteriesUseTheLongIssue)
{
    TestEnvironment env;
    Database db(env.dataDirectory());
    const auto zhejiang = LotteryTable::entry(26); // T = 80, numbers 1..12
    DrawStore(db, zhejiang).add(QStringLiteral("2026120779"), {1, 2, 3, 4, 5});
    const QByteArray html = page({{QStringLiteral("2026120780"), QStringLiteral("12 01 02 03 04")},
                                  {QStringLiteral("2026120801"), QStringLiteral("05 06 07 08 12")}});
    const DrawBatchReport report =
        HistoryFetch(db, zhejiang, 3, kToday).store(ResultsPage::read(html, QString(), zhejiang));
    EXPECT_EQ(report.added, (std::vector<QString>{QStringLiteral("2026120780"), QStringLiteral("2026120801")}));
    EXPECT_TRUE(report.skipped.empty());
    EXPECT_EQ(HistorySnapshot::load(db.sql()).number(2, 5), 12);
}

TEST(HistoryFetch, emptyOutdatedAndYoungHistoriesFetchTheRightDays)
{
    ensureQtApplication();
    LocalHttpServer server;
    // Four whole days up to today's last serial; the fetch needs three of them.
    server.serve(QStringLiteral("/gd11x5"), page(DemoHistory::generate(kGuangdong, 4, 7, kToday)));
    const QString url = server.url(QStringLiteral("/{code}?n={rows}"));
    constexpr int kSearchDays = 2;

    TestEnvironment env;
    Database db(env.dataDirectory());
    DrawStore store(db, kGuangdong);
    HistoryFetch fetch(db, kGuangdong, kSearchDays, kToday);

    // Empty: S days before today, serial 01, up to today's serial T.
    DrawBatchReport report = fetch.run(url);
    EXPECT_EQ(server.lastRequest(), QStringLiteral("/gd11x5?n=252")); // (S + 1) × T rows
    ASSERT_EQ(report.added.size(), 3u * 84);
    EXPECT_EQ(report.added.front(), QStringLiteral("26120601"));
    EXPECT_EQ(report.added.back(), QStringLiteral("26120884"));
    EXPECT_FALSE(report.deletedFirst);

    // Young (first draw one day old): kept and extended from its last issue.
    store.deleteAll();
    store.addAll(DemoHistory::generate(kGuangdong, 1, 3, kToday.addDays(-1)));
    store.deleteAfter(QStringLiteral("26120710"));
    EXPECT_EQ(fetch.plan(url).days, 2);
    report = fetch.run(url);
    EXPECT_FALSE(report.deletedFirst);
    EXPECT_EQ(report.added.front(), QStringLiteral("26120711"));
    EXPECT_EQ(store.count(), 10 + 74 + 84);
    EXPECT_EQ(store.find(QStringLiteral("26120701"))->numbers,
              DemoHistory::generate(kGuangdong, 1, 3, kToday.addDays(-1)).front().numbers);

    // Outdated (first draw more than S days old): replaced by the last S days.
    store.deleteAll();
    store.add(QStringLiteral("26120401"), {1, 2, 3, 4, 5}); // older than the page
    EXPECT_TRUE(fetch.plan(url).deleteFirst);
    EXPECT_EQ(fetch.plan(url).replaced, 1);
    report = fetch.run(url);
    EXPECT_TRUE(report.deletedFirst);
    EXPECT_EQ(report.deleted, 1);
    EXPECT_EQ(report.recognised, 4 * 84);
    EXPECT_EQ(store.count(), 3 * 84);
    EXPECT_EQ(store.first()->issue, QStringLiteral("26120601"));
}

TEST(HistoryFetch, aPageThatFailsOrHoldsNoDrawLeavesTheHistoryAsItWas)
{
    ensureQtApplication();
    LocalHttpServer server;
    server.hang(QStringLiteral("/silent"));
    server.serve(QStringLiteral("/maintenance"), "<html><body><p>系统维护中</p></body></html>");
    TestEnvironment env;
    Database db(env.dataDirectory());
    DrawStore store(db, kGuangdong);
    store.addAll(DemoHistory::generate(kGuangdong, 1, 5, QDate(2026, 11, 1))); // long outdated
    HistoryFetch fetch(db, kGuangdong, 3, kToday);

    EXPECT_THROW(fetch.run(server.url(QStringLiteral("/silent")), {300, 1024 * 1024}), UserError);
    EXPECT_THROW(fetch.run(server.url(QStringLiteral("/gone"))), UserError);
    EXPECT_THROW(fetch.run(QString()), UserError);
    EXPECT_EQ(store.count(), 84);

    EXPECT_THROW(fetch.run(server.url(QStringLiteral("/maintenance"))), UserError);
    EXPECT_EQ(store.count(), 84);
}

TEST(HistoryFetch, walkRollsOverTheDay)
{
    // After serial T (84) comes serial 01 of the next day.
    const auto walk = HistoryFetch::walk(read(page({{QStringLiteral("26120801"), QStringLiteral("06 07 08 09 10")},
                                                    {QStringLiteral("26120784"), QStringLiteral("01 02 03 04 05")}})),
                                         QStringLiteral("26120784"), QStringLiteral("26120802"), kGuangdong);
    ASSERT_EQ(walk.found.size(), 2u);
    EXPECT_EQ(walk.found[0].issue, QStringLiteral("26120784"));
    EXPECT_EQ(walk.found[1].issue, QStringLiteral("26120801"));
}

// An outdated history loses only what the page brings back, and 撤销删除 puts it
// back with every attribute as a history built one draw at a time holds it.
TEST(HistoryFetch, anOutdatedHistoryKeepsItsNewerDrawsAndTheReplacedOnesComeBack)
{
    ensureQtApplication();
    const auto older = DemoHistory::generate(kGuangdong, 5, 31, kToday.addDays(-1)); // 12-03 .. 12-07
    const auto todays = DemoHistory::generate(kGuangdong, 1, 32, kToday);
    auto withAFourDayOldOne = todays;
    withAFourDayOldOne.insert(withAFourDayOldOne.begin(), older[84]); // 26120401
    LocalHttpServer server;
    server.serve(QStringLiteral("/today"), page(todays));
    server.serve(QStringLiteral("/reaching-back"), page(withAFourDayOldOne));
    constexpr int kSearchDays = 2; // the first day fetched is 12-06

    for (const bool reachingBack : {false, true}) {
        SCOPED_TRACE(reachingBack ? "the page reaches back before the first day fetched" : "today's page");
        TestEnvironment env;
        Database db(env.dataDirectory());
        DrawStore store(db, kGuangdong);
        store.addAll(older);
        HistoryFetch fetch(db, kGuangdong, kSearchDays, kToday);
        const QString url = server.url(reachingBack ? QStringLiteral("/reaching-back") : QStringLiteral("/today"));
        const FetchPlan plan = fetch.plan(url);
        EXPECT_TRUE(plan.deleteFirst);
        EXPECT_EQ(plan.replaced, 3 * 84); // 12-03 .. 12-05: before the first day fetched

        const DrawBatchReport report = fetch.run(url);
        EXPECT_EQ(report.added.size(), 84u);
        // Nothing from the page's oldest draw on goes: 12-06 and 12-07, which the
        // page does not hold, stay; so does 12-04 where the page holds one of its draws.
        const int deleted = reachingBack ? 84 : 3 * 84;
        EXPECT_EQ(report.deleted, deleted);
        EXPECT_TRUE(report.summary().contains(QStringLiteral("可用“撤销删除”恢复")));
        EXPECT_EQ(store.count(), 5 * 84 - deleted + 84);
        EXPECT_EQ(store.first()->issue, reachingBack ? QStringLiteral("26120401") : QStringLiteral("26120601"));
        EXPECT_EQ(store.find(QStringLiteral("26120784"))->numbers, older.back().numbers);
        expectStoredAsBuiltOneByOne(db, kGuangdong);

        EXPECT_EQ(store.restorableCount(), deleted);
        EXPECT_EQ(store.restoreDeleted().size(), deleted);
        EXPECT_EQ(store.count(), 6 * 84);
        EXPECT_EQ(store.first()->issue, QStringLiteral("26120301"));
        expectStoredAsBuiltOneByOne(db, kGuangdong);
    }
}

TEST(HistoryFetch, aPageDrawBeyondTheDrawsPerDaySettingIsRefusedNamingIt)
{
    TestEnvironment env;
    Database db(env.dataDirectory());
    LotteryTable::Entry fortyTwo = kGuangdong;
    fortyTwo.drawsPerDay = 42;
    DrawStore(db, fortyTwo).add(QStringLiteral("26120741"), {1, 2, 3, 4, 5});
    const QByteArray html = page({{QStringLiteral("26120742"), QStringLiteral("01 02 03 09 10")},
                                  {QStringLiteral("26120743"), QStringLiteral("02 03 04 05 06")},
                                  {QStringLiteral("26120801"), QStringLiteral("01 02 06 07 08")}});
    const DrawBatchReport report =
        HistoryFetch(db, fortyTwo, 3, kToday).store(ResultsPage::read(html, QString(), fortyTwo));

    EXPECT_EQ(report.added, (std::vector<QString>{QStringLiteral("26120742"), QStringLiteral("26120801")}));
    ASSERT_EQ(skippedIssues(report), (std::vector<QString>{QStringLiteral("26120743")}));
    EXPECT_TRUE(report.skipped[0].reason.contains(QStringLiteral("每天期数42")))
        << report.skipped[0].reason.toStdString();
}
