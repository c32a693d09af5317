// Results pages as real sites lay them out, read into draws, and the draws of
// each stored as a history built one draw at a time would hold them.
#include "history/ResultsPage.h"

#include "common/UserError.h"
#include "history/Database.h"
#include "history/DemoHistory.h"
#include "history/DrawStore.h"
#include "history/HistoryFetch.h"
#include "history/HistorySnapshot.h"
#include "history/ResultsPageRow.h"
#include "history/ResultsPageText.h"
#include "support/ResultsPageHtml.h"
#include "support/StoredHistoryCheck.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

namespace {

const QDate kToday(2026, 12, 8);
const LotteryTable::Entry kGuangdong = LotteryTable::entry(0); // T = 84, YYMMDD issues
const LotteryTable::Entry kZhejiang12 = LotteryTable::entry(26); // 快乐12: T = 80, YYYYMMDD issues

std::vector<QString> issuesOf(const std::vector<ResultsPageReading>& readings)
{
    std::vector<QString> issues;
    for (const ResultsPageReading& reading : readings)
        issues.push_back(reading.issue + (reading.numbers ? QString() : QStringLiteral("!")));
    return issues;
}

QString plainTextPage(const std::vector<StoredDraw>& draws)
{
    // The layout the manual has always described: the issue directly followed by
    // the numbers, oldest first.
    QString text;
    for (const StoredDraw& draw : draws) {
        text += draw.issue;
        for (size_t i = 0; i < draw.numbers.size(); ++i)
            text +=
                (i ? QStringLiteral(" ") : QString()) + QStringLiteral("%1").arg(draw.numbers[i], 2, 10, QChar(u'0'));
        text += u'\n';
    }
    return text;
}

} // namespace

TEST(ResultsPage, rowsAreWhatAReaderSeesOfEachTableRowListItemOrLine)
{
    const QByteArray html = "<html><head><title>2612080101 02 03 04 05</title>"
                            "<script>var s = '2612080101 02 03 04 05';</script></head>\n"
                            "<body><!-- 26120801 01 02 03 04 05 --><table>\n"
                            "<tr><td><div>26120801</div></td><td>01&nbsp;02 03\n   04 05</td></tr>"
                            "<tr><td>26120802</td><td><em>06</em><em>07</em><b>08</b>09<i>10</i></td></tr></table>"
                            "<ul><li>A &amp; B &#21457;<p>x</p></li></ul><p>last<br>line</p></body></html>";
    EXPECT_EQ(ResultsPageText::rows(html),
              (QStringList{QStringLiteral("26120801 01 02 03 04 05"), QStringLiteral("26120802 06 07 08 09 10"),
                           QStringLiteral("A & B 发 x"), QStringLiteral("last"), QStringLiteral("line")}));
    EXPECT_EQ(ResultsPageText::rows("2612080101 02 03 04 05\r\n<not a tag & 26120802\n"),
              (QStringList{QStringLiteral("2612080101 02 03 04 05"), QStringLiteral("<not a tag & 26120802")}));

    // A byte the charset does not allow is one unknown character; the rest of the page is read.
    EXPECT_EQ(ResultsPageText::rows("<meta charset=\"gbk\"><li>\xB5\xDA"
                                    "26120801</li><li>\xFF\n</li><li>26120802</li>"),
              (QStringList{QStringLiteral("第26120801"), QString(QChar(0xFFFD)), QStringLiteral("26120802")}));

    // The charset: the header's, else the page's own declaration, else UTF-8.
    const QByteArray meta = "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=GB2312\">";
    EXPECT_EQ(ResultsPageText::charset(meta, QString()), QByteArray("GB18030"));
    EXPECT_EQ(ResultsPageText::charset(meta, QStringLiteral("text/html; charset=utf-8")), QByteArray("UTF-8"));
    EXPECT_EQ(ResultsPageText::charset("<meta charset='gbk'>", QStringLiteral("text/html")), QByteArray("GB18030"));
    EXPECT_EQ(ResultsPageText::charset("<p>26120801</p>", QString()), QByteArray("UTF-8"));
}

TEST(ResultsPage, everyIssueFormIsReadAsAWholeTokenAndStoredInItsOwnForm)
{
    const auto read = [](const QString& row, const LotteryTable::Entry& lottery = kGuangdong) {
        return issuesOf(ResultsPageRow::read(row, lottery));
    };
    const std::vector<QString> draw = {QStringLiteral("17071806")};
    EXPECT_EQ(read(QStringLiteral("17071806 09 04 01 03 06")), draw);
    EXPECT_EQ(read(QStringLiteral("2017071806 09,04,01,03,06")), draw);
    EXPECT_EQ(read(QStringLiteral("第170718-06期 开奖号码：09，04，01，03，06")), draw);
    EXPECT_EQ(read(QStringLiteral("20170718-06期 2017-07-18 09:10 09 04 01 03 06 和值23")), draw);
    EXPECT_EQ(read(QStringLiteral("20170718-06 | 2017年07月18日 | 09 04 01 03 06")), draw);
    EXPECT_EQ(read(QStringLiteral("1707180609 04 01 03 06")), draw); // the issue joined to the first number
    // A longer number is not the issue it starts with, nor one that ends it.
    EXPECT_TRUE(read(QStringLiteral("170718064期 09 04 01 03 06")).empty());
    EXPECT_TRUE(read(QStringLiteral("917071806 09 04 01 03 06")).empty());
    // Dates that do not exist, and serial 00, are not issues.
    EXPECT_TRUE(read(QStringLiteral("17023006 09 04 01 03 06")).empty());
    EXPECT_TRUE(read(QStringLiteral("17071800 09 04 01 03 06")).empty());
    // 快乐12: ten-digit issues, also written with a three-digit serial.
    const std::vector<QString> longDraw = {QStringLiteral("2017071806")};
    EXPECT_EQ(read(QStringLiteral("20170718-006 12 04 01 03 06"), kZhejiang12), longDraw);
    EXPECT_EQ(read(QStringLiteral("170718006期 12 04 01 03 06"), kZhejiang12), longDraw);
    EXPECT_EQ(read(QStringLiteral("17071806 12 04 01 03 06"), kZhejiang12), longDraw);
    EXPECT_TRUE(read(QStringLiteral("170718106 12 04 01 03 06"), kZhejiang12).empty());

    // Two draws in one row; rows that are no draw name the issue with the reason.
    EXPECT_EQ(read(QStringLiteral("17071806 09 04 01 03 06 17071807 01 02 03 04 05")),
              (std::vector<QString>{QStringLiteral("17071806"), QStringLiteral("17071807")}));
    const auto bad = ResultsPageRow::read(QStringLiteral("17071806 09 04 01 03 12"), kGuangdong);
    ASSERT_EQ(bad.size(), 1u);
    EXPECT_FALSE(bad[0].numbers);
    EXPECT_TRUE(bad[0].problem.contains(QStringLiteral("1到11")));
    EXPECT_EQ(read(QStringLiteral("17071806 09 04 09 03 06")), (std::vector<QString>{QStringLiteral("17071806!")}));
    EXPECT_EQ(read(QStringLiteral("17071806 ab 04 01 03 06")), (std::vector<QString>{QStringLiteral("17071806!")}));
}

TEST(ResultsPage, rowsAreOrderedByIssueAndAnIssueWithTwoDifferentDrawsIsNone)
{
    const ResultsPage page =
        ResultsPage::fromRows({QStringLiteral("26120803 01 02 03 04 05"), QStringLiteral("26120801 06 07 08 09 10"),
                               QStringLiteral("26120801 06 07 08 09 10"), QStringLiteral("26120802 01 02 03 04 05"),
                               QStringLiteral("26120802 01 02 03 04 06"), QStringLiteral("26120804 01 02 03 04 99"),
                               QStringLiteral("26120805 01 02 03 04 99"), QStringLiteral("26120805 11 02 03 04 01")},
                              kGuangdong);
    EXPECT_EQ(page.recognised(), 6);
    EXPECT_EQ(page.oldest(), QStringLiteral("26120801"));
    EXPECT_EQ(page.draw(QStringLiteral("26120801")), (DrawNumbers{6, 7, 8, 9, 10}));
    EXPECT_EQ(page.draw(QStringLiteral("26120805")), (DrawNumbers{11, 2, 3, 4, 1}));

    const HistoryFetch::Walk walk =
        HistoryFetch::walk(page, QStringLiteral("26120801"), QStringLiteral("26120806"), kGuangdong);
    ASSERT_EQ(walk.found.size(), 3u);
    EXPECT_EQ(walk.found[0].issue, QStringLiteral("26120801"));
    EXPECT_EQ(walk.found[1].issue, QStringLiteral("26120803"));
    EXPECT_EQ(walk.found[2].issue, QStringLiteral("26120805"));
    ASSERT_EQ(walk.unreadable.size(), 2u);
    EXPECT_EQ(walk.unreadable[0].issue, QStringLiteral("26120802"));
    EXPECT_TRUE(walk.unreadable[0].reason.contains(QStringLiteral("01 02 03 04 05；01 02 03 04 06")));
    EXPECT_EQ(walk.unreadable[1].issue, QStringLiteral("26120804"));
}

TEST(ResultsPage, eachLayoutStoresEveryDrawAsAHistoryBuiltOneDrawAtATime)
{
    // Yesterday's first ten draws stored; the page holds yesterday and today.
    const std::vector<StoredDraw> draws = DemoHistory::generate(kGuangdong, 2, 21, kToday);
    const std::vector<StoredDraw> stored(draws.begin(), draws.begin() + 10);
    const struct {
        const char* name;
        QByteArray body;
        QString contentType;
    } layouts[] = {
        {"the manual's table", resultsPageOf(draws), QString()},
        {"plain text", plainTextPage(draws).toUtf8(), QStringLiteral("text/plain")},
        {"trend table with dashed issues", ResultsPageLayouts::trendTable(draws), QString()},
        {"several games, newest first", ResultsPageLayouts::multiGame(draws), QString()},
        {"GBK list declaring its charset", ResultsPageLayouts::gbkList(draws), QStringLiteral("text/html")},
        {"GBK list named by the header", ResultsPageLayouts::gbkList(draws), QStringLiteral("text/html; charset=GBK")},
    };
    for (const auto& layout : layouts) {
        SCOPED_TRACE(layout.name);
        TestEnvironment env;
        Database db(env.dataDirectory());
        DrawStore(db, kGuangdong).addAll(stored);
        const ResultsPage page = ResultsPage::read(layout.body, layout.contentType, kGuangdong);
        EXPECT_EQ(page.recognised(), static_cast<int>(draws.size()));
        const DrawBatchReport report = HistoryFetch(db, kGuangdong, 3, kToday).store(page);
        EXPECT_EQ(report.added.size(), draws.size() - stored.size());
        EXPECT_TRUE(report.skipped.empty()) << report.summary().toStdString();
        EXPECT_EQ(DrawStore(db, kGuangdong).last()->issue, draws.back().issue);
        EXPECT_EQ(DrawStore(db, kGuangdong).find(draws[100].issue)->numbers, draws[100].numbers);
        expectStoredAsBuiltOneByOne(db, kGuangdong);
    }
}

TEST(ResultsPage, aPageWithNoDrawOfThisLotterySaysSoAndChangesNothing)
{
    TestEnvironment env;
    Database db(env.dataDirectory());
    DrawStore store(db, kGuangdong);
    store.addAll(DemoHistory::generate(kGuangdong, 1, 5, QDate(2026, 11, 1))); // long outdated
    // 快乐12 draws (a twelve) and another game's numbers are nothing of 广东11选5.
    const QByteArray other = ResultsPageLayouts::trendTable({{QStringLiteral("26120801"), {12, 1, 2, 3, 4}}}) +
                             "<p>第261208014期 03 15 17 20 21</p>";
    for (const QByteArray& body : {QByteArray("<html><body><p>系统维护中</p></body></html>"), other, QByteArray()}) {
        try {
            HistoryFetch(db, kGuangdong, 3, kToday).store(ResultsPage::read(body, QString(), kGuangdong));
            ADD_FAILURE() << "no refusal for " << body.toStdString();
        } catch (const UserError& error) {
            EXPECT_TRUE(error.message().startsWith(QStringLiteral("页面中没有找到本彩种的开奖号码")));
            EXPECT_FALSE(error.isBadInput());
        }
    }
    EXPECT_EQ(store.count(), 84);
    EXPECT_EQ(store.restorableCount(), 0);
}
