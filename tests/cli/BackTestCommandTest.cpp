#include "support/CliRunner.h"
#include "support/TestEnvironment.h"

#include <QJsonArray>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

QStringList words(const char* line) { return QString::fromUtf8(line).split(u' '); }

TEST(BackTestCommand, ListsEveryDrawsRankingTheRowsAndTheRankHistogram)
{
    TestEnvironment env;
    const CliRunner cli(QStringLiteral(VELMORA_CLI_PATH), env.dataDirectory());
    ASSERT_EQ(cli.run(words("init --demo --days 2 --seed 5")).exitCode, 0);

    // Gongshi1D holds three kill formulas (idx 1..3) and two keep formulas (4, 5).
    const CliResult kill = cli.run(words("backtest --table gongshi1d --flag kill --json"));
    ASSERT_EQ(kill.exitCode, 0) << kill.err.toStdString();
    const QJsonObject doc = kill.json().object();
    EXPECT_EQ(doc[QStringLiteral("usedFormulas")].toInt(), 3);
    EXPECT_EQ(doc[QStringLiteral("position")].toInt(), 1);
    const QJsonArray draws = doc[QStringLiteral("draws")].toArray();
    ASSERT_EQ(draws.size(), 168);
    for (const QJsonValue& draw : draws) {
        const QJsonArray ranking = draw[QStringLiteral("ranking")].toArray();
        ASSERT_EQ(ranking.size(), 11);
        int votes = 0;
        int previous = 0;
        for (const QJsonValue& entry : ranking) {
            const int vote = entry[QStringLiteral("ETrrcount")].toInt();
            EXPECT_GE(vote, previous);
            EXPECT_EQ(entry[QStringLiteral("Errcount")].toInt(), vote);
            EXPECT_EQ(entry[QStringLiteral("Trrcount")].toInt(), 0);
            votes += vote;
            previous = vote;
        }
        EXPECT_LE(votes, 3);
    }
    const QJsonArray rows = doc[QStringLiteral("rows")].toArray();
    ASSERT_EQ(rows.size(), 167);
    const QJsonObject first = rows[0].toObject();
    EXPECT_EQ(first.keys().size(), 7);
    EXPECT_EQ(first[QStringLiteral("期号")].toString(), draws[1][QStringLiteral("strQQH")].toString());
    EXPECT_EQ(first[QStringLiteral("开奖结果")].toInt(), draws[1][QStringLiteral("L1A")].toInt());
    int counted = 0;
    for (const QJsonValue& c : doc[QStringLiteral("rank_histogram")].toArray())
        counted += c.toInt();
    EXPECT_EQ(counted, 167);

    // One selected keep formula, compared at another position.
    const CliResult keep = cli.run(words("backtest --table Gongshi1D --flag keep --select 4 --position 2 --json"));
    ASSERT_EQ(keep.exitCode, 0) << keep.err.toStdString();
    const QJsonObject keepDoc = keep.json().object();
    EXPECT_EQ(keepDoc[QStringLiteral("usedFormulas")].toInt(), 1);
    const QJsonArray keepDraws = keepDoc[QStringLiteral("draws")].toArray();
    EXPECT_EQ(keepDoc[QStringLiteral("rows")][0][QStringLiteral("开奖结果")].toInt(),
              keepDraws[1][QStringLiteral("L2A")].toInt());
    const QJsonArray ranking = keepDraws[0][QStringLiteral("ranking")].toArray();
    EXPECT_EQ(ranking[0][QStringLiteral("Trrcount")].toInt(), 2);
    EXPECT_EQ(ranking[1][QStringLiteral("ETrrcount")].toInt(), 1);

    const CliResult text = cli.run(words("backtest --table Gongshi1D"));
    ASSERT_EQ(text.exitCode, 0);
    EXPECT_TRUE(
        QString::fromUtf8(text.out).contains(QStringLiteral("期号\t开奖结果\t排位名次\tErr值\t总位次\t位次\t位码数")));

    EXPECT_EQ(cli.run(words("backtest --table Gongshi9D")).exitCode, 2);
    EXPECT_EQ(cli.run(words("backtest --table Gongshi1D --position 6")).exitCode, 2);
    EXPECT_EQ(cli.run(words("backtest --table Gongshi1D --flag maybe")).exitCode, 2);
}

} // namespace
