// velmora-cli search and tune, end to end on a demo history.
#include "history/Database.h"
#include "history/SqliteDatabase.h"
#include "support/CliRunner.h"
#include "support/TestEnvironment.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QSet>
#include <gtest/gtest.h>

namespace {} // namespace

TEST(SearchCommands, searchIsReproducibleAcrossThreadCountsAndStoresWhatItFound)
{
    TestEnvironment env;
    const CliRunner cli(QStringLiteral(VELMORA_CLI_PATH), env.dataDirectory());
    ASSERT_EQ(cli.run(cliWords({"init", "--demo", "--days", "4", "--seed", "3"})).exitCode, 0);

    const QStringList search =
        cliWords({"search", "--table", "gongshi3g", "--flag", "kill", "--operands", "5", "--candidates", "3000",
                  "--seed", "17", "--bounds", "60,100,0,6,0,32768,0,0,1,32768", "--json"});
    const CliResult one = cli.run(search + cliWords({"--threads", "1"}));
    const CliResult two = cli.run(search + cliWords({"--threads", "2"}));
    ASSERT_EQ(one.exitCode, 0) << one.err.toStdString();
    ASSERT_EQ(two.exitCode, 0) << two.err.toStdString();
    const QJsonObject a = one.json().object();
    const QJsonArray found = a.value(QStringLiteral("found")).toArray();
    ASSERT_GT(found.size(), 0);
    EXPECT_EQ(found, two.json().object().value(QStringLiteral("found")).toArray());
    EXPECT_EQ(a.value(QStringLiteral("evaluated")).toInt(), 3000);
    EXPECT_GT(a.value(QStringLiteral("candidatesPerSecond")).toDouble(), 0.0);
    const QJsonObject first = found.first().toObject();
    EXPECT_EQ(first.value(QStringLiteral("table")).toString(), QStringLiteral("Gongshi3G"));
    EXPECT_TRUE(first.value(QStringLiteral("bolKill")).toBool());
    EXPECT_GE(first.value(QStringLiteral("sglGsRate")).toDouble(), 60.0 - 0.0001);
    EXPECT_TRUE(first.value(QStringLiteral("gongshiCN")).toString().endsWith(QStringLiteral("=下期杀第三组选")));
    for (const char* column : {"gongshi", "intGsErrCon", "intGsTrueCon", "intGsErrLst", "intGsTrueLst"})
        EXPECT_TRUE(first.contains(QLatin1String(column))) << column;

    // Stored twice: one row per distinct formula, after what the table held, numbered 1..n.
    Database db(env.lotteryFolder());
    const auto rows = [&db] { return db.sql().scalar(QStringLiteral("SELECT COUNT(*) FROM Gongshi3G")).toInt(); };
    const int before = rows();
    QSet<QString> distinct;
    for (const auto& f : found)
        distinct.insert(f.toObject().value(QStringLiteral("gongshi")).toString());
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(cli.run(search + cliWords({"--store", "append"})).exitCode, 0);
        EXPECT_EQ(rows(), before + distinct.size());
    }
    EXPECT_EQ(db.sql().scalar(QStringLiteral("SELECT MAX(idx) FROM Gongshi3G")).toInt(), rows());

    const CliResult bad = cli.run(cliWords({"search", "--table", "Gongshi9D", "--flag", "kill"}));
    EXPECT_EQ(bad.exitCode, 2);
    const CliResult badTrials = cli.run(cliWords({"tune", "--table", "Gongshi1D", "--flag", "kill", "--trials", "30"}));
    EXPECT_EQ(badTrials.exitCode, 2);
}

TEST(SearchCommands, tuneEvaluatesTheTrialsAndSavesTheKindsBounds)
{
    TestEnvironment env;
    const CliRunner cli(QStringLiteral(VELMORA_CLI_PATH), env.dataDirectory());
    ASSERT_EQ(cli.run(cliWords({"init", "--demo", "--days", "4", "--seed", "3"})).exitCode, 0);
    const CliResult tune = cli.run(cliWords(
        {"tune", "--table", "Gongshi2D", "--flag", "keep", "--trials", "40", "--seed", "8", "--save", "--json"}));
    ASSERT_EQ(tune.exitCode, 0) << tune.err.toStdString();
    const QJsonObject result = tune.json().object();
    EXPECT_EQ(result.value(QStringLiteral("evaluated")).toInt(), 40);
    const QJsonArray bounds = result.value(QStringLiteral("bounds")).toArray();
    ASSERT_EQ(bounds.size(), 10);
    EXPECT_GE(bounds.at(8).toString().toInt(), 1);
    // The saved bounds are what a later search of that kind starts from.
    const CliResult again = cli.run(
        cliWords({"search", "--table", "Gongshi2D", "--flag", "keep", "--candidates", "200", "--seed", "1", "--json"}));
    ASSERT_EQ(again.exitCode, 0) << again.err.toStdString();
    for (const auto& f : again.json().object().value(QStringLiteral("found")).toArray())
        EXPECT_GE(f.toObject().value(QStringLiteral("sglGsRate")).toDouble(),
                  bounds.at(0).toString().toDouble() - 0.0001);
}

TEST(SearchCommands, holdOutScoresTheFoundFormulasOnTheNewestDraws)
{
    TestEnvironment env;
    const CliRunner cli(QStringLiteral(VELMORA_CLI_PATH), env.dataDirectory());
    ASSERT_EQ(cli.run(cliWords({"init", "--demo", "--days", "4", "--seed", "3"})).exitCode, 0);
    const QStringList search =
        cliWords({"search", "--table", "Gongshi2D", "--flag", "kill", "--candidates", "1500", "--seed", "5", "--window",
                  "300", "--bounds", "92,100,0,32768,0,32768,0,32768,0,32768", "--json"});
    const CliResult held = cli.run(search + cliWords({"--holdout", "auto"}));
    ASSERT_EQ(held.exitCode, 0) << held.err.toStdString();
    const QJsonObject result = held.json().object();
    const QJsonArray found = result.value(QStringLiteral("found")).toArray();
    ASSERT_GT(found.size(), 0);
    for (const char* key : {"holdout_rate", "holdout_z", "holdout_expected_rate"})
        EXPECT_TRUE(found.first().toObject().value(QLatin1String(key)).isDouble()) << key;
    const QJsonObject summary = result.value(QStringLiteral("holdout_summary")).toObject();
    EXPECT_EQ(summary.value(QStringLiteral("held_out")).toInt(), 60); // a fifth of the window
    EXPECT_EQ(summary.value(QStringLiteral("formulas")).toInt(), found.size());
    // Chosen for their rate on the older draws, they average at least 92 there.
    EXPECT_GE(summary.value(QStringLiteral("mean_in_sample_rate")).toDouble(), 92.0 - 0.0001);
    EXPECT_NEAR(summary.value(QStringLiteral("chance_rate")).toDouble(), 100.0 * 10 / 11, 5.0);

    // The same seed and split give the same list; an explicit count gives that split.
    const QJsonObject again = cli.run(search + cliWords({"--holdout", "60"})).json().object();
    EXPECT_EQ(again.value(QStringLiteral("found")), result.value(QStringLiteral("found")));
    EXPECT_EQ(again.value(QStringLiteral("holdout_summary")), result.value(QStringLiteral("holdout_summary")));
    const CliResult plain = cli.run(search);
    ASSERT_EQ(plain.exitCode, 0);
    EXPECT_FALSE(plain.json().object().contains(QStringLiteral("holdout_summary")));
    EXPECT_FALSE(plain.json()
                     .object()
                     .value(QStringLiteral("found"))
                     .toArray()
                     .first()
                     .toObject()
                     .contains(QStringLiteral("holdout_rate")));
    EXPECT_EQ(cli.run(search + cliWords({"--holdout", "100000"})).exitCode, 2);
    EXPECT_EQ(cli.run(search + cliWords({"--holdout", "0"})).exitCode, 2);
}
