#include "support/CliRunner.h"
#include "support/TestEnvironment.h"
#include "support/XlsxReader.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

QStringList words(const char* line) { return QString::fromUtf8(line).split(u' '); }

TEST(TrendCommand, OmissionTableMatchesTheChartAndTheDraws)
{
    TestEnvironment env;
    const CliRunner cli(QStringLiteral(VELMORA_CLI_PATH), env.dataDirectory());
    ASSERT_EQ(cli.run(words("init --demo --days 2 --seed 5")).exitCode, 0);
    const QJsonArray draws = cli.run(words("draw list --json")).json()[QStringLiteral("draws")].toArray();
    ASSERT_EQ(draws.size(), 168);

    const CliResult all = cli.run(words("trend --position 3 --chart --json"));
    ASSERT_EQ(all.exitCode, 0) << all.err.toStdString();
    const QJsonObject doc = all.json().object();
    EXPECT_EQ(doc[QStringLiteral("draws")].toInt(), 168);
    const QJsonArray omission = doc[QStringLiteral("omission")].toArray();
    const QJsonArray chart = doc[QStringLiteral("chart")].toArray();
    ASSERT_EQ(omission.size(), 11);
    ASSERT_EQ(chart.size(), 168);
    int frequencies = 0;
    for (int n = 1; n <= 11; ++n) {
        const QJsonObject row = omission[n - 1].toObject();
        EXPECT_EQ(row[QStringLiteral("num")].toInt(), n);
        // The current omission is the last chart row's; the maximum is the chart's largest.
        EXPECT_EQ(row[QStringLiteral("current")].toInt(), chart.last()[QStringLiteral("omission")][n - 1].toInt());
        int max = 0;
        int drawn = 0;
        for (const QJsonValue& r : chart) {
            max = std::max(max, r[QStringLiteral("omission")][n - 1].toInt());
            drawn += r[QStringLiteral("number")].toInt() == n ? 1 : 0;
        }
        EXPECT_EQ(row[QStringLiteral("max")].toInt(), max);
        EXPECT_EQ(row[QStringLiteral("frequency")].toInt(), drawn);
        EXPECT_DOUBLE_EQ(row[QStringLiteral("average")].toDouble(), (168.0 - drawn) / (drawn + 1));
        EXPECT_DOUBLE_EQ(row[QStringLiteral("expected_frequency")].toDouble(), 168.0 / 11);
        frequencies += drawn;
    }
    EXPECT_EQ(frequencies, 168);
    // The chart's numbers are the stored draws' third numbers.
    EXPECT_EQ(chart[5][QStringLiteral("number")].toInt(), draws[5][QStringLiteral("L3A")].toInt());
    const int last = draws.last()[QStringLiteral("L3A")].toInt();
    EXPECT_EQ(omission[last - 1][QStringLiteral("current")].toInt(), 0);

    // The latest 50 draws, as halves.
    const QJsonObject halves = cli.run(words("trend --position 3 --window 50 --view odd-even --json")).json().object();
    EXPECT_EQ(halves[QStringLiteral("draws")].toInt(), 50);
    const QJsonArray classes = halves[QStringLiteral("omission")].toArray();
    ASSERT_EQ(classes.size(), 2);
    EXPECT_EQ(classes[0][QStringLiteral("class")].toString(), QStringLiteral("单"));
    EXPECT_EQ(classes[0][QStringLiteral("numbers")].toArray().size(), 6);
    EXPECT_DOUBLE_EQ(classes[1][QStringLiteral("expected_frequency")].toDouble(), 50.0 * 5 / 11);
    EXPECT_EQ(classes[0][QStringLiteral("frequency")].toInt() + classes[1][QStringLiteral("frequency")].toInt(), 50);

    const CliResult text = cli.run(words("trend --position 1 --window 100"));
    ASSERT_EQ(text.exitCode, 0);
    const QString out = QString::fromUtf8(text.out);
    EXPECT_TRUE(out.contains(QStringLiteral("号码\t当前遗漏\t最大遗漏\t平均遗漏\t出现次数\t理论次数")));
    EXPECT_TRUE(out.contains(QStringLiteral("100 期")));

    for (const char* bad : {"trend", "trend --position 6", "trend --position 1 --window -5",
                            "trend --position 1 --view colour", "trend --position 1 --window"})
        EXPECT_EQ(cli.run(words(bad)).exitCode, 2) << bad;
}

} // namespace

namespace {

QStringList twelve(const char* line)
{
    return words(line) + QStringList{QStringLiteral("--lottery"), QStringLiteral("26")};
}

TEST(TrendCommand, EveryViewOnAHappyTwelveHistoryByDaysAndIssues)
{
    TestEnvironment env;
    const CliRunner cli(QStringLiteral(VELMORA_CLI_PATH), env.dataDirectory());
    ASSERT_EQ(cli.run(twelve("init")).exitCode, 0);
    // Three draws on 1 March, two on 2 March.
    for (const char* add : {"draw add 2025030101 12 11 10 09 08", "draw add 2025030102 01 12 02 03 04",
                            "draw add 2025030103 05 06 07 01 02", "draw add 2025030201 03 05 07 09 11",
                            "draw add 2025030202 12 01 06 04 10"})
        ASSERT_EQ(cli.run(twelve(add)).exitCode, 0) << add;

    // Today is 2 March: its two draws; yesterday's three come in with two days.
    const QJsonObject today = cli.run(twelve("trend --view sum --days 1 --today 2025-03-02 --json")).json().object();
    EXPECT_EQ(today[QStringLiteral("draws")].toInt(), 2);
    EXPECT_EQ(today[QStringLiteral("first_issue")].toString(), QStringLiteral("2025030201"));
    EXPECT_TRUE(today[QStringLiteral("position")].isNull());
    EXPECT_EQ(
        cli.run(twelve("trend --view sum --days 2 --today 2025-03-02 --json")).json()[QStringLiteral("draws")].toInt(),
        5);
    EXPECT_EQ(
        cli.run(twelve("trend --view sum --days 1 --today 2025-03-03 --json")).json()[QStringLiteral("draws")].toInt(),
        0);
    const QJsonObject between =
        cli.run(twelve("trend --view span --from 2025030103 --to 2025030201 --json")).json().object();
    EXPECT_EQ(between[QStringLiteral("draws")].toInt(), 2);
    // Spans 6 (05 06 07 01 02) and 8 (03 .. 11); 4 .. 11 are the columns.
    const QJsonArray spans = between[QStringLiteral("omission")].toArray();
    ASSERT_EQ(spans.size(), 8);
    EXPECT_EQ(spans[2][QStringLiteral("key")].toString(), QStringLiteral("6"));
    EXPECT_EQ(spans[2][QStringLiteral("current")].toInt(), 1);
    EXPECT_EQ(spans[4][QStringLiteral("current")].toInt(), 0);

    const int columns[] = {12, 2, 2, 2, 3, 12, 36, 10, 8, 6, 6, 6, 66, 66, 220};
    const int hits[] = {1, 1, 1, 1, 1, 5, 1, 1, 1, 1, 1, 1, 10, 1, 1};
    const char* const views[] = {
        "number", "big-small",    "odd-even",    "prime-composite", "route012",       "distribution",
        "sum",    "sum-tail",     "span",        "ratio-big-small", "ratio-odd-even", "ratio-prime-composite",
        "pairs",  "front2-group", "front3-group"};
    for (int v = 0; v < 15; ++v) {
        const bool perPosition = v < 5;
        const QString line = QStringLiteral("trend --view %1 --chart --json").arg(QString::fromLatin1(views[v])) +
                             (perPosition ? QStringLiteral(" --position 2") : QString());
        const CliResult result =
            cli.run(line.split(u' ') + QStringList{QStringLiteral("--lottery"), QStringLiteral("26")});
        ASSERT_EQ(result.exitCode, 0) << views[v] << result.err.toStdString();
        const QJsonObject doc = result.json().object();
        EXPECT_EQ(doc[QStringLiteral("view")].toString(), QString::fromLatin1(views[v]));
        EXPECT_EQ(doc[QStringLiteral("position")].isNull(), !perPosition);
        EXPECT_EQ(doc[QStringLiteral("range")].toInt(), 12);
        const QJsonArray omission = doc[QStringLiteral("omission")].toArray();
        ASSERT_EQ(omission.size(), columns[v]) << views[v];
        int frequencies = 0;
        double expected = 0.0;
        for (const QJsonValue& row : omission) {
            frequencies += row[QStringLiteral("frequency")].toInt();
            expected += row[QStringLiteral("expected_frequency")].toDouble();
            EXPECT_LE(row[QStringLiteral("max_run")].toInt(), row[QStringLiteral("frequency")].toInt());
        }
        EXPECT_EQ(frequencies, 5 * hits[v]) << views[v];
        EXPECT_NEAR(expected, 5.0 * hits[v], 1e-9) << views[v];
        EXPECT_EQ(doc[QStringLiteral("degrees_of_freedom")].toInt(), columns[v] - 1);
        EXPECT_GE(doc[QStringLiteral("p_value")].toDouble(), 0.0);
        EXPECT_LE(doc[QStringLiteral("p_value")].toDouble(), 1.0);
        const QJsonArray chart = doc[QStringLiteral("chart")].toArray();
        ASSERT_EQ(chart.size(), 5);
        EXPECT_EQ(chart[0][QStringLiteral("drawn")].toArray().size(), hits[v]);
    }
    // The keys as scripts read them.
    auto keys = [&cli](const char* view) {
        QStringList list;
        for (const QJsonValue& row : cli.run(twelve(view)).json()[QStringLiteral("omission")].toArray())
            list << row[QStringLiteral("key")].toString();
        return list;
    };
    EXPECT_EQ(keys("trend --view number --position 1 --json").first(), QStringLiteral("01"));
    EXPECT_EQ(keys("trend --view sum --json").last(), QStringLiteral("50"));
    EXPECT_EQ(keys("trend --view ratio-odd-even --json").at(3), QStringLiteral("3:2"));
    EXPECT_EQ(keys("trend --view pairs --json").at(1), QStringLiteral("01-03"));
    EXPECT_EQ(keys("trend --view front3-group --json").first(), QStringLiteral("01-02-03"));
    EXPECT_EQ(keys("trend --view route012 --position 5 --json"),
              (QStringList{QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2")}));
    const QJsonObject number = cli.run(twelve("trend --position 1 --json")).json().object();
    EXPECT_EQ(number[QStringLiteral("omission")][11][QStringLiteral("num")].toInt(), 12);
    EXPECT_EQ(number[QStringLiteral("omission")][11][QStringLiteral("max_run")].toInt(), 1);

    const CliResult text = cli.run(twelve("trend --view distribution"));
    EXPECT_TRUE(QString::fromUtf8(text.out).contains(QStringLiteral("这张表与随机开奖相符的程度")));

    for (const char* bad :
         {"trend --view sum --position 1", "trend --view sum --window 5 --days 2", "trend --view sum --from 2025030101",
          "trend --view sum --today 2025-03-02", "trend --view sum --days 1 --today 2025-13-01",
          "trend --view sum --from 2025030201 --to 2025030101", "trend --view route012"})
        EXPECT_EQ(cli.run(twelve(bad)).exitCode, 2) << bad;
}

} // namespace

namespace {

TEST(TrendCommand, ExportsTheChartAndTableAsASpreadsheet)
{
    TestEnvironment env;
    const CliRunner cli(QStringLiteral(VELMORA_CLI_PATH), env.dataDirectory());
    ASSERT_EQ(cli.run(words("init")).exitCode, 0);
    for (const char* add :
         {"draw add 25030101 01 02 03 04 05", "draw add 25030102 03 07 01 11 09", "draw add 25030103 08 02 03 10 06"})
        ASSERT_EQ(cli.run(words(add)).exitCode, 0) << add;
    const QString path = QDir(env.dataDirectory()).filePath(QStringLiteral("span.xlsx"));
    const CliResult result = cli.run(words("export xlsx --view span --window 2 --json --trend") + QStringList{path});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(result.json()[QStringLiteral("rows")].toInt(), 2 + 6 + 1);
    const XlsxReader sheet(path);
    ASSERT_TRUE(sheet.ok());
    // 期号 and the spans 4 .. 10; the draws' spans are 10 and 8.
    EXPECT_EQ(sheet.columnCount(), 8);
    EXPECT_EQ(sheet.cell(0, 1).text, QStringLiteral("4"));
    EXPECT_EQ(sheet.cell(1, 0).text, QStringLiteral("25030102"));
    EXPECT_EQ(sheet.cell(1, 7).text, QStringLiteral("10"));
    EXPECT_FALSE(sheet.cell(1, 7).fill.isEmpty());
    EXPECT_EQ(sheet.cell(2, 7).text, QStringLiteral("1"));
    EXPECT_EQ(sheet.cell(2, 5).text, QStringLiteral("8"));
    // Under the chart the table: 出现次数 and 最大连出 of span 8.
    EXPECT_EQ(sheet.cell(6, 0).text, QStringLiteral("出现次数"));
    EXPECT_EQ(sheet.cell(6, 5).text, QStringLiteral("1"));
    EXPECT_EQ(sheet.cell(8, 0).text, QStringLiteral("最大连出"));
    EXPECT_TRUE(sheet.cell(9, 1).text.contains(QStringLiteral("这张表与随机开奖相符的程度")));

    EXPECT_EQ(cli.run(words("export xlsx --view span --position 1 --trend") + QStringList{path}).exitCode, 2);
}

} // namespace
