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

std::vector<QString> issuesOf(const std::vector<StoredDraw>& draws)
{
    std::vector<QString> issues;
    for (const StoredDraw& draw : draws)
        issues.push_back(draw.issue);
    return issues;
}

std::vector<QString> skippedIssues(const DrawBatchReport& report)
{
    std::vector<QString> issues;
    for (const SkippedDraw& draw : report.skipped)
        issues.push_back(draw.issue);
    return issues;
}

} // namespace

TEST(ResultsPage, bodyTextIsWhatABrowserShows)
{
    const QByteArray html = "<html><head><title>2612080101 02 03 04 05</title>"
                            "<script>var s = '2612080101 02 03 04 05';</script></head>\n"
                            "<body><!-- 2612080101 02 03 04 05 --><table>\n"
                            "<tr><td>26120801</td><td>01&nbsp;02 03\n   04 05</td></tr>"
                            "<tr><td>26120802</td><td>06 07 08 09 10</td></tr></table>"
                            "<p>A &amp; B &#21457;</p></body></html>";
    const QString text = ResultsPage::text(html);
    EXPECT_EQ(text, QStringLiteral("2612080101 02 03 04 05\n2612080206 07 08 09 10\nA & B 发"));
    EXPECT_EQ(ResultsPage::text("2612080101 02 03 04 05\r\n"), QStringLiteral("2612080101 02 03 04 05\n"));

    const auto numbers = ResultsPage::numbersAt(text, ResultsPage::find(text, QStringLiteral("26120801"), 0), 8);
    ASSERT_TRUE(numbers);
    EXPECT_EQ(*numbers, (DrawNumbers{1, 2, 3, 4, 5}));
    // An issue is never matched inside a longer run of digits (a long-format issue).
    EXPECT_EQ(ResultsPage::find(QStringLiteral("2026120801 01 02 03 04 05"), QStringLiteral("26120801"), 0), -1);
}

TEST(HistoryFetch, walkRollsOverTheDayAndSearchesOnePastTheLastHitOrFromTheStart)
{
    // After serial T (84) comes serial 01 of the next day.
    auto walk =
        HistoryFetch::walk(ResultsPage::text(page({{QStringLiteral("26120784"), QStringLiteral("01 02 03 04 05")},
                                                   {QStringLiteral("26120801"), QStringLiteral("06 07 08 09 10")}})),
                           QStringLiteral("26120784"), QStringLiteral("26120802"), kGuangdong);
    EXPECT_EQ(issuesOf(walk.found), (std::vector<QString>{QStringLiteral("26120784"), QStringLiteral("26120801")}));

    // 02 is missing, so the search for 03 starts again at the top of the page,
    // where 03 stands before the hit for 01.
    walk = HistoryFetch::walk(ResultsPage::text(page({{QStringLiteral("26120803"), QStringLiteral("11 10 09 08 07")},
                                                      {QStringLiteral("26120801"), QStringLiteral("01 02 03 04 05")}})),
                              QStringLiteral("26120801"), QStringLiteral("26120803"), kGuangdong);
    EXPECT_EQ(issuesOf(walk.found), (std::vector<QString>{QStringLiteral("26120801"), QStringLiteral("26120803")}));

    // After a hit the search goes on one character past it: the 02 below the hit
    // for 01 is taken, not the one above.
    walk = HistoryFetch::walk(ResultsPage::text(page({{QStringLiteral("26120802"), QStringLiteral("01 02 03 04 05")},
                                                      {QStringLiteral("26120801"), QStringLiteral("01 02 03 04 05")},
                                                      {QStringLiteral("26120802"), QStringLiteral("09 08 07 06 05")}})),
                              QStringLiteral("26120801"), QStringLiteral("26120802"), kGuangdong);
    ASSERT_EQ(walk.found.size(), 2u);
    EXPECT_EQ(walk.found[1].numbers, (DrawNumbers{9, 8, 7, 6, 5}));
}

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
    const DrawBatchReport report = HistoryFetch(db, kGuangdong, 3, kToday).store(ResultsPage::text(html));

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
    const DrawBatchReport report = HistoryFetch(db, zhejiang, 3, kToday).store(ResultsPage::text(html));
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

    // Outdated (first draw S days old): replaced by the last S days.
    store.deleteAll();
    store.add(QStringLiteral("26120601"), {1, 2, 3, 4, 5});
    EXPECT_TRUE(fetch.plan(url).deleteFirst);
    report = fetch.run(url);
    EXPECT_TRUE(report.deletedFirst);
    EXPECT_EQ(store.count(), 3 * 84);
    EXPECT_NE(store.first()->numbers, (DrawNumbers{1, 2, 3, 4, 5}));
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

    const DrawBatchReport report = fetch.run(server.url(QStringLiteral("/maintenance")));
    EXPECT_TRUE(report.added.empty());
    EXPECT_FALSE(report.deletedFirst);
    EXPECT_EQ(store.count(), 84);
}
