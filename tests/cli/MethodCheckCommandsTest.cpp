// backtest --walk-forward and search --null-runs, end to end on a demo history.
#include "support/CliRunner.h"
#include "support/TestEnvironment.h"

#include <QJsonArray>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

QStringList words(const char* line) { return QString::fromUtf8(line).split(u' '); }

} // namespace

TEST(MethodCheckCommands, walkForwardAddsItsSettingsTheVotersAndTheVerdict)
{
    TestEnvironment env;
    const CliRunner cli(QStringLiteral(VELMORA_CLI_PATH), env.dataDirectory());
    ASSERT_EQ(cli.run(words("init --demo --days 2 --seed 5")).exitCode, 0);

    const CliResult walk =
        cli.run(words("backtest --table Gongshi1D --walk-forward --lookback 30 --rank-by errcon --top 2 --json"));
    ASSERT_EQ(walk.exitCode, 0) << walk.err.toStdString();
    const QJsonObject doc = walk.json().object();
    const QJsonObject settings = doc[QStringLiteral("walk_forward")].toObject();
    EXPECT_EQ(settings[QStringLiteral("lookback")].toInt(), 30);
    EXPECT_EQ(settings[QStringLiteral("rank_by")].toString(), QStringLiteral("errcon"));
    EXPECT_EQ(settings[QStringLiteral("top")].toInt(), 2);
    const QJsonArray draws = doc[QStringLiteral("draws")].toArray();
    // 168 draws; the first replayed is the 32nd, voted on from the 31st on.
    ASSERT_EQ(draws.size(), 168 - 30);
    EXPECT_EQ(settings[QStringLiteral("from")].toString(), draws[1][QStringLiteral("strQQH")].toString());
    for (const QJsonValue& draw : draws) {
        const QJsonArray voters = draw[QStringLiteral("voters")].toArray();
        ASSERT_EQ(voters.size(), 2);
        EXPECT_LT(voters[0].toInt(), voters[1].toInt());
        EXPECT_LE(voters[1].toInt(), 3);
    }
    EXPECT_EQ(doc[QStringLiteral("rows")].toArray().size(), 168 - 31);
    for (const char* key : {"rank_histogram", "lowest_group", "chi_square", "p_value", "usedFormulas"})
        EXPECT_TRUE(doc.contains(QLatin1String(key))) << key;
    const QJsonObject verdict = doc[QStringLiteral("verdict")].toObject();
    EXPECT_EQ(verdict[QStringLiteral("title")].toString(), QStringLiteral("方法检验"));
    EXPECT_EQ(verdict[QStringLiteral("plain")][QStringLiteral("rows")].toInt(), 168 - 31);
    EXPECT_EQ(verdict[QStringLiteral("walk_forward")][QStringLiteral("rows")].toInt(), 168 - 31);
    EXPECT_TRUE(verdict[QStringLiteral("text")].toString().contains(QStringLiteral("每一期只用它之前的开奖数据")));

    // With every formula voting it is the plain back-test over the same draws.
    const QJsonObject all =
        cli.run(words("backtest --table Gongshi1D --walk-forward --lookback 30 --top 100 --json")).json().object();
    const QJsonArray plain =
        cli.run(words("backtest --table Gongshi1D --json")).json().object()[QStringLiteral("draws")].toArray();
    const QJsonArray replayed = all[QStringLiteral("draws")].toArray();
    for (int j = 0; j < replayed.size(); ++j)
        EXPECT_EQ(replayed[j][QStringLiteral("ranking")], plain[j + 30][QStringLiteral("ranking")]);

    const CliResult text = cli.run(words("backtest --table Gongshi1D --walk-forward --lookback 30"));
    ASSERT_EQ(text.exitCode, 0);
    EXPECT_TRUE(QString::fromUtf8(text.out).contains(QStringLiteral("每一期只用它之前的开奖数据")));
    EXPECT_TRUE(QString::fromUtf8(text.out).contains(QStringLiteral("方法检验")));

    EXPECT_EQ(cli.run(words("backtest --table Gongshi1D --walk-forward --rank-by luck")).exitCode, 2);
    EXPECT_EQ(cli.run(words("backtest --table Gongshi1D --walk-forward --top 0")).exitCode, 2);
    EXPECT_EQ(cli.run(words("backtest --table Gongshi1D --walk-forward --lookback 500")).exitCode, 2);
    EXPECT_EQ(cli.run(words("backtest --table Gongshi1D --walk-forward --from 1")).exitCode, 2);
}

TEST(MethodCheckCommands, nullRunsRepeatTheSearchOnShuffledHistory)
{
    TestEnvironment env;
    const CliRunner cli(QStringLiteral(VELMORA_CLI_PATH), env.dataDirectory());
    ASSERT_EQ(cli.run(words("init --demo --days 3 --seed 3")).exitCode, 0);
    const QString search = QStringLiteral("search --table Gongshi2D --candidates 1000 --seed 5 --window 200 --weighted "
                                          "false --threads 1 --bounds 94,100,0,32768,0,32768,0,32768,0,32768 --json");
    const CliResult plain = cli.run(search.split(u' '));
    ASSERT_EQ(plain.exitCode, 0) << plain.err.toStdString();
    const QJsonObject plainDoc = plain.json().object();
    EXPECT_NEAR(plainDoc[QStringLiteral("chance_best_z")].toDouble(), 3.717, 0.001);
    EXPECT_TRUE(plainDoc[QStringLiteral("best_z")].isDouble());
    EXPECT_FALSE(plainDoc.contains(QStringLiteral("null")));

    const CliResult nulls = cli.run(QString(search + QStringLiteral(" --null-runs 3")).split(u' '));
    ASSERT_EQ(nulls.exitCode, 0) << nulls.err.toStdString();
    const QJsonObject doc = nulls.json().object();
    EXPECT_EQ(doc[QStringLiteral("found")], plainDoc[QStringLiteral("found")]);
    const QJsonObject null = doc[QStringLiteral("null")].toObject();
    EXPECT_EQ(null[QStringLiteral("runs")].toInt(), 3);
    const QJsonArray counts = null[QStringLiteral("found_per_run")].toArray();
    ASSERT_EQ(counts.size(), 3);
    double sum = 0;
    for (const QJsonValue& c : counts)
        sum += c.toInt();
    EXPECT_DOUBLE_EQ(null[QStringLiteral("mean_found")].toDouble(), sum / 3);
    EXPECT_TRUE(null.contains(QStringLiteral("mean_rate")));
    EXPECT_TRUE(null.contains(QStringLiteral("best_z")));
    const QJsonObject verdict = doc[QStringLiteral("verdict")].toObject();
    EXPECT_TRUE(
        verdict[QStringLiteral("text")].toString().contains(QStringLiteral("在打乱顺序的历史上，同样的搜索平均找到")));
    EXPECT_TRUE(verdict[QStringLiteral("p_value")].isDouble());
    // The same seed shuffles the same way.
    EXPECT_EQ(
        cli.run(QString(search + QStringLiteral(" --null-runs 3")).split(u' ')).json().object()[QStringLiteral("null")],
        doc[QStringLiteral("null")]);

    EXPECT_EQ(cli.run(words("search --plan --null-runs 2 --candidates 10")).exitCode, 2);
    EXPECT_EQ(cli.run(words("search --table Gongshi2D --null-runs -1")).exitCode, 2);
}
