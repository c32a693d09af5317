#include "analysis/ChiSquareTest.h"
#include "support/CliRunner.h"
#include "support/TestEnvironment.h"

#include <QJsonArray>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

QStringList words(const char* line) { return QString::fromUtf8(line).split(u' '); }

TEST(BackTestSignificance, ChiSquareOfTheRankHistogramAndItsPValue)
{
    TestEnvironment env;
    const CliRunner cli(QStringLiteral(VELMORA_CLI_PATH), env.dataDirectory());
    ASSERT_EQ(cli.run(words("init --demo --days 3 --seed 5")).exitCode, 0);
    const CliResult run = cli.run(words("backtest --table Gongshi1D --json"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject doc = run.json().object();

    // Recomputed by hand from the printed histogram.
    const QJsonArray counts = doc[QStringLiteral("rank_histogram")].toArray();
    double rows = 0;
    for (const QJsonValue& c : counts)
        rows += c.toInt();
    const double expected = rows / counts.size();
    double chiSquare = 0;
    for (const QJsonValue& c : counts)
        chiSquare += (c.toInt() - expected) * (c.toInt() - expected) / expected;
    EXPECT_NEAR(doc[QStringLiteral("chi_square")].toDouble(), chiSquare, 1e-9);
    EXPECT_EQ(doc[QStringLiteral("degrees_of_freedom")].toInt(), 10);
    const double p = doc[QStringLiteral("p_value")].toDouble();
    EXPECT_DOUBLE_EQ(p, ChiSquareTest::survival(chiSquare, 10));
    EXPECT_GT(p, 0.0);
    EXPECT_LE(p, 1.0);
    EXPECT_TRUE(QString::fromUtf8(cli.run(words("backtest --table Gongshi1D")).out).contains(QStringLiteral("卡方")));

    // No draw to compare: no test, and the fields say so.
    ASSERT_EQ(cli.run(words("draw delete-all")).exitCode, 0);
    const QJsonObject empty = cli.run(words("backtest --table Gongshi1D --json")).json().object();
    EXPECT_TRUE(empty[QStringLiteral("chi_square")].isNull());
    EXPECT_TRUE(empty[QStringLiteral("p_value")].isNull());
}

} // namespace
