#include "analysis/ErrorValuesTable.h"
#include "analysis/ErrorValuesExport.h"
#include "common/UserError.h"
#include "history/Database.h"
#include "history/SqliteDatabase.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

// Votes at one position: 1 → 2, 3 → 1, 5 → 4, 8 → 1, every other number 0.
CalculationResult sample(bool kill, int range = 11)
{
    CalculationResult result;
    result.range = range;
    result.kill = kill;
    result.leadingPositions = 1;
    for (auto [n, votes] : {std::pair{1, 2}, {3, 1}, {5, 4}, {8, 1}})
        result.tally(1, n) = kill ? NumberTally{votes, votes, 0} : NumberTally{votes, 0, votes};
    return result;
}

std::vector<int> numbers(const std::vector<ErrorValueRow>& rows)
{
    std::vector<int> out;
    for (const auto& row : rows)
        out.push_back(row.number);
    return out;
}

QString unzip(const QString& file, const QString& member)
{
    QProcess process;
    process.start(QStringLiteral("unzip"), {QStringLiteral("-p"), file, member});
    EXPECT_TRUE(process.waitForFinished(20000));
    EXPECT_EQ(process.exitCode(), 0) << member.toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

TEST(ErrorValuesTable, KillListStartsWithTheFewestVotesAndFiltersNamedNumbers)
{
    const CalculationResult result = sample(true);
    const auto rows = ErrorValuesTable::order(result, 1);
    EXPECT_EQ(numbers(rows), (std::vector<int>{2, 4, 6, 7, 9, 10, 11, 3, 8, 1, 5}));
    EXPECT_EQ(rows.front().place, 1);
    EXPECT_EQ(rows.back().place, 11);
    for (const auto& row : rows)
        EXPECT_EQ(row.filtered, row.tally.vote > 0) << row.number;
    EXPECT_EQ(ErrorValuesTable::verdictText(rows.front().filtered), QStringLiteral("保留"));
    EXPECT_EQ(ErrorValuesTable::verdictText(rows.back().filtered), QStringLiteral("滤杀"));

    // Reversed, the kill list runs from the most votes down; by number it is plain order.
    const auto reversed = ErrorValuesTable::order(result, 1, ErrorValueColumn::Vote, true);
    EXPECT_EQ(numbers(reversed), (std::vector<int>{5, 1, 3, 8, 2, 4, 6, 7, 9, 10, 11}));
    EXPECT_EQ(numbers(ErrorValuesTable::order(result, 1, ErrorValueColumn::Number)).front(), 1);
}

TEST(ErrorValuesTable, KeepListStaysDescendingAndFiltersUnnamedNumbers)
{
    const CalculationResult result = sample(false);
    const auto rows = ErrorValuesTable::order(result, 1);
    EXPECT_EQ(numbers(rows), (std::vector<int>{5, 1, 3, 8, 2, 4, 6, 7, 9, 10, 11}));
    for (const auto& row : rows)
        EXPECT_EQ(row.filtered, row.tally.vote == 0) << row.number;
    EXPECT_EQ(numbers(ErrorValuesTable::order(result, 1, ErrorValueColumn::Vote, true)), numbers(rows));
    EXPECT_EQ(numbers(ErrorValuesTable::order(result, 1, ErrorValueColumn::Keep, true)).front(), 5);
}

TEST(ErrorValuesTable, SummaryAndKeptMarksAcrossPositions)
{
    CalculationResult result = sample(true);
    const auto summary = ErrorValuesTable::summary(result, 1);
    // Counts 0, 1, 2 and 4 occur; no number has 3 votes, so 3 has no line.
    ASSERT_EQ(summary.size(), 4u);
    EXPECT_EQ(summary[0].count, 0);
    EXPECT_EQ(summary[0].numbers.size(), 7u);
    EXPECT_EQ(summary[1].numbers, (std::vector<int>{3, 8}));
    EXPECT_EQ(summary[2].count, 2);
    EXPECT_EQ(summary[3].count, 4);
    EXPECT_EQ(summary[3].numbers, std::vector<int>{5});

    // Position 2 keeps 2 and 11: 2 was already kept by position 1, so it is shaded.
    result.leadingPositions = 2;
    result.keepLimit = 2;
    for (int n = 1; n <= 11; ++n)
        result.tally(2, n) = NumberTally{n == 2 || n == 11 ? 0 : 3, n == 2 || n == 11 ? 0 : 3, 0};
    const KeptMarks marks = ErrorValuesTable::keptMarks(result);
    ASSERT_EQ(marks.kept.size(), 2u);
    EXPECT_EQ(marks.kept[0], (std::set<int>{2, 4}));
    EXPECT_TRUE(marks.shaded[0].empty());
    EXPECT_EQ(marks.kept[1], (std::set<int>{2, 11}));
    EXPECT_EQ(marks.shaded[1], std::set<int>{2});
}

TEST(ErrorValuesTable, StoredTableHoldsEveryNumberOfTheRangeAndExportReadsBack)
{
    TestEnvironment env;
    Database db(env.dataDirectory());
    CalculationResult result = sample(true, 12);
    result.tally(1, 12) = NumberTally{3, 3, 0};
    ErrorValuesTable::store(db.sql(), result, 1);
    EXPECT_EQ(db.sql().scalar(QStringLiteral("SELECT COUNT(*) FROM ErrarrLei")).toInt(), 12);
    EXPECT_EQ(db.sql().scalar(QStringLiteral("SELECT ETrrcount FROM ErrarrLei WHERE num = 12")).toInt(), 3);
    EXPECT_EQ(db.sql().scalar(QStringLiteral("SELECT SUM(Trrcount) FROM ErrarrLei")).toInt(), 0);

    const auto rows = ErrorValuesTable::readByKillCount(db.sql(), true);
    ASSERT_EQ(rows.size(), 12u);
    EXPECT_EQ(rows.front().number, 2);
    EXPECT_EQ(rows.back().number, 5);

    const QString path = env.path(ErrorValuesExport::fileName());
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("stale");
    old.close();
    ErrorValuesExport::write(path, rows);

    const QString strings = unzip(path, QStringLiteral("xl/sharedStrings.xml"));
    for (const char* heading : {"排序序号", "号码", "杀留Err值（公式错误值）"})
        EXPECT_TRUE(strings.contains(QString::fromUtf8(heading))) << heading;
    const QString sheet = unzip(path, QStringLiteral("xl/worksheets/sheet1.xml"));
    // Row 2 is the first data row: place 1, number 2, vote 0; row 13 the last: number 5 with 4.
    static const QRegularExpression cellValue(QStringLiteral(R"re(<c r="([A-C]\d+)"[^>]*><v>([^<]*)</v>)re"));
    QMap<QString, QString> cells;
    for (const auto& m : cellValue.globalMatch(sheet))
        cells.insert(m.captured(1), m.captured(2));
    EXPECT_EQ(cells.value(QStringLiteral("A2")), QStringLiteral("1"));
    EXPECT_EQ(cells.value(QStringLiteral("B2")), QStringLiteral("2"));
    EXPECT_EQ(cells.value(QStringLiteral("C2")), QStringLiteral("0"));
    EXPECT_EQ(cells.value(QStringLiteral("A13")), QStringLiteral("12"));
    EXPECT_EQ(cells.value(QStringLiteral("B13")), QStringLiteral("5"));
    EXPECT_EQ(cells.value(QStringLiteral("C13")), QStringLiteral("4"));
    EXPECT_FALSE(cells.contains(QStringLiteral("A14")));
}

TEST(ErrorValuesTable, ExportToAnUnwritablePlaceFailsLoudly)
{
    TestEnvironment env;
    const QString path = env.path(QStringLiteral("missing-folder/ErrarrLei.xlsx"));
    EXPECT_THROW(ErrorValuesExport::write(path, ErrorValuesTable::order(sample(true), 1)), UserError);
    EXPECT_FALSE(QFile::exists(path));
}

} // namespace

// The old spreadsheet stays until the new one is whole; a link is written through.
TEST(ErrorValuesTable, aFailedExportKeepsTheOldFileAndALinkStaysALink)
{
    TestEnvironment env;
    const std::vector<ErrorValueRow> rows = ErrorValuesTable::order(sample(true), 1);
    const QString path = env.path(ErrorValuesExport::fileName());
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    // The workbook cannot be finished where it is staged (a folder is in the way).
    ASSERT_TRUE(QDir().mkpath(path + QStringLiteral(".part/in-the-way")));
    EXPECT_THROW(ErrorValuesExport::write(path, rows), UserError);
    QFile kept(path);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("old"));
    kept.close();
    ASSERT_TRUE(QDir(path + QStringLiteral(".part")).removeRecursively());

    const QString link = env.path(QStringLiteral("link.xlsx"));
    ASSERT_TRUE(QFile::link(path, link));
    ErrorValuesExport::write(link, rows);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_TRUE(unzip(path, QStringLiteral("xl/sharedStrings.xml")).contains(QStringLiteral("排序序号")));
}
