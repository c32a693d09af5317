#include "analysis/HistoryList.h"
#include "analysis/BackTest.h"
#include "analysis/HistoryListExport.h"
#include "analysis/RankHistogram.h"
#include "common/UserError.h"
#include "history/DemoHistory.h"
#include "history/IssueNumbers.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

std::shared_ptr<const BackTestResult> backTest(const std::vector<DrawNumbers>& numbers,
                                               const std::vector<const char*>& killFormulas, int lottery = 0)
{
    const LotteryTable::Entry entry = LotteryTable::entry(lottery);
    std::vector<StoredDraw> draws;
    for (size_t i = 0; i < numbers.size(); ++i)
        draws.push_back(
            {IssueNumbers::format(QDate(2025, 3, 1), static_cast<int>(i) + 1, entry.longDateIssue), numbers[i]});
    BackTestRequest request;
    request.range = entry.numberRange;
    for (const char* code : killFormulas) {
        FormulaRecord record;
        record.idx = static_cast<int>(request.formulas.size()) + 1;
        record.code = QString::fromLatin1(code);
        request.formulas.push_back(record);
        request.selected.insert(record.idx);
    }
    return std::make_shared<const BackTestResult>(*BackTest::run(DemoHistory::snapshot(entry, draws), request));
}

// Votes on the first draw: 3 → 2, 1 and 5 → 1; on the second: 3 → 3, 5 → 1.
// The second draw has 3 at position 1, the third 11.
std::shared_ptr<const BackTestResult> sample()
{
    return backTest({{1, 2, 3, 4, 5}, {3, 7, 8, 9, 10}, {11, 1, 2, 3, 4}}, {"3", "3", "5", "L1A"});
}

QString unzip(const QString& file, const QString& member)
{
    QProcess process;
    process.start(QStringLiteral("unzip"), {QStringLiteral("-p"), file, member});
    EXPECT_TRUE(process.waitForFinished(20000));
    EXPECT_EQ(process.exitCode(), 0) << member.toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

TEST(HistoryList, EachRankingIsSetAgainstTheNumberDrawnNext)
{
    const auto result = sample();
    const HistoryList list(result, 1);
    ASSERT_EQ(list.rowCount(), 2); // the last draw has nothing after it
    EXPECT_EQ(list.text(0, 0), result->issue(1));
    EXPECT_EQ(list.text(1, 0), result->issue(2));

    const HistoryListRow& first = list.row(0);
    EXPECT_EQ(first.actual, 3);
    EXPECT_EQ(first.rank, 11);
    EXPECT_EQ(first.vote, 2);
    EXPECT_EQ(first.groups, 3);
    EXPECT_EQ(first.group, 3);
    EXPECT_EQ(first.groupSize, 1);
    const HistoryListRow& second = list.row(1);
    EXPECT_EQ(second.actual, 11);
    EXPECT_EQ(second.rank, 9); // after 1 2 4 6 7 8 9 10, all without votes
    EXPECT_EQ(second.vote, 0);
    EXPECT_EQ(second.group, 1);
    EXPECT_EQ(second.groupSize, 9);

    // 排列 and Err值 columns, with the actual number's two cells marked.
    EXPECT_EQ(list.columnCount(), 7 + 22 + 3);
    EXPECT_EQ(list.header(7), QStringLiteral("排列1"));
    EXPECT_EQ(list.header(18), QStringLiteral("Err值1"));
    EXPECT_EQ(list.text(0, 17), QStringLiteral("3"));
    EXPECT_EQ(list.text(0, 28), QStringLiteral("2"));
    for (int c = 0; c < list.columnCount(); ++c)
        EXPECT_EQ(list.marked(0, c), c == 17 || c == 28) << c;

    // Count columns from the smallest count up to one below the largest (3).
    EXPECT_EQ(list.smallestCount(), 0);
    EXPECT_EQ(list.largestCount(), 3);
    EXPECT_EQ(list.header(29), QStringLiteral("0次"));
    EXPECT_EQ(list.header(31), QStringLiteral("2次"));
    EXPECT_EQ(list.text(0, 29), QStringLiteral("02 04 06 07 08 09 10 11 "));
    EXPECT_EQ(list.text(0, 30), QStringLiteral("01 05 "));
    EXPECT_EQ(list.text(0, 31), QStringLiteral("03 "));
    EXPECT_EQ(list.text(1, 31), QString());

    // Another position compares other numbers with the same rankings.
    EXPECT_EQ(HistoryList(result, 2).row(0).actual, 7);

    const RankHistogram histogram = RankHistogram::of(list);
    EXPECT_EQ(histogram.counts, (std::vector<int>{0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1}));
    EXPECT_EQ(histogram.rows, 2);
    EXPECT_DOUBLE_EQ(histogram.expectedPerRank(), 2.0 / 11);
    EXPECT_EQ(histogram.lowestGroupHits, 1);
    EXPECT_DOUBLE_EQ(histogram.lowestGroupExpected, 8.0 / 11 + 9.0 / 11);
}

TEST(HistoryList, EqualCountsFormOneGroupAndAddNoCountColumns)
{
    for (int lottery : {0, 25}) {
        const int range = LotteryTable::entry(lottery).numberRange;
        const auto result = backTest({{1, 2, 3, 4, 5}, {range, 7, 8, 9, 10}}, {}, lottery);
        const HistoryList list(result, 1);
        ASSERT_EQ(list.rowCount(), 1);
        EXPECT_EQ(list.columnCount(), 7 + 2 * range); // largest = smallest
        EXPECT_EQ(list.row(0).groups, 1);
        EXPECT_EQ(list.row(0).groupSize, range);
        EXPECT_EQ(list.row(0).rank, list.row(0).actual); // ties stand in number order
        EXPECT_EQ(list.header(7 + range - 1), QStringLiteral("排列%1").arg(range));
    }
    EXPECT_EQ(HistoryList(backTest({{1, 2, 3, 4, 5}}, {"3"}), 1).rowCount(), 0);
}

TEST(HistoryList, ANumberOutsideTheRankingLeavesItsCellsEmpty)
{
    auto result = std::make_shared<BackTestResult>(*sample());
    result->numbers[1][0] = 12; // not among the eleven ranked numbers
    const HistoryList list(result, 1);
    EXPECT_FALSE(list.row(0).rank);
    EXPECT_FALSE(list.row(0).groupSize);
    EXPECT_EQ(list.text(0, 2), QString());
    EXPECT_EQ(list.text(0, 3), QString());
    EXPECT_EQ(list.text(0, 4), QStringLiteral("3"));
    EXPECT_EQ(RankHistogram::of(list).rows, 1);
}

TEST(HistoryList, TheExportedSheetHoldsTheTextsOfTheGrid)
{
    TestEnvironment env;
    const HistoryList list(sample(), 1);
    const QString path = env.path(HistoryListExport::listFileName());
    HistoryListExport::write(path, list);

    const QString sheet = unzip(path, QStringLiteral("xl/worksheets/sheet1.xml"));
    static const QRegularExpression cellPattern(
        QStringLiteral(R"re(<c r="([A-Z]+)(\d+)"( s="\d+")?[^>]*>(?:<v>([^<]*)</v>|<is><t[^>]*>([^<]*)</t></is>))re"));
    QMap<std::pair<int, int>, QString> cells;
    QSet<std::pair<int, int>> styled;
    for (const auto& m : cellPattern.globalMatch(sheet)) {
        int column = 0;
        for (QChar letter : m.captured(1))
            column = column * 26 + (letter.unicode() - u'A' + 1);
        const std::pair<int, int> at{m.captured(2).toInt() - 1, column - 1};
        cells.insert(at, m.captured(4) + m.captured(5));
        if (!m.captured(3).isEmpty())
            styled.insert(at);
    }
    for (int c = 0; c < list.columnCount(); ++c)
        EXPECT_EQ(cells.value({0, c}), list.header(c)) << c;
    for (int r = 0; r < list.rowCount(); ++r)
        for (int c = 0; c < list.columnCount(); ++c) {
            EXPECT_EQ(cells.value({r + 1, c}), list.text(r, c)) << r << ',' << c;
            EXPECT_EQ(styled.contains({r + 1, c}), list.marked(r, c)) << r << ',' << c;
        }

    const QString nowhere = env.path(QStringLiteral("missing-folder/Print.xlsx"));
    EXPECT_THROW(HistoryListExport::write(nowhere, list), UserError);
    EXPECT_FALSE(QFile::exists(nowhere));
}

} // namespace
