#include "support/CliRunner.h"
#include "support/TestEnvironment.h"

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
