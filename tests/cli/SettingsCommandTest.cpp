// velmora-cli settings: every setting shown, set with checked values, and 每天期数
// followed by the draw commands of the same lottery.
#include "support/CliRunner.h"
#include "support/TestEnvironment.h"

#include <QJsonArray>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

QJsonObject settingsJson(const CliRunner& cli, const QStringList& extra = {})
{
    const CliResult result = cli.run(QStringList{QStringLiteral("settings"), QStringLiteral("--json")} + extra);
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    return result.json().object();
}

} // namespace

TEST(SettingsCommand, showsEverySettingAndSetsThemAllOrNone)
{
    TestEnvironment env;
    const CliRunner cli(QStringLiteral(VELMORA_CLI_PATH), env.dataDirectory());
    QJsonObject shown = settingsJson(cli);
    for (const char* key : {"lottery", "draws_per_day", "draws_per_day_lottery", "draws_per_day_default", "search_days",
                            "method", "result_on", "window", "exclude_current", "weighted", "show_chance",
                            "formula_encoding", "open_exports", "history_url", "formula_url"})
        EXPECT_TRUE(shown.contains(QString::fromLatin1(key))) << key;
    EXPECT_EQ(shown.value(QStringLiteral("draws_per_day")).toInt(), 84);
    EXPECT_EQ(shown.value(QStringLiteral("search_days")).toInt(), 3);
    EXPECT_EQ(shown.value(QStringLiteral("window")).toInt(), 300);

    shown = settingsJson(cli, cliWords({"--draws-per-day",    "42",
                                        "--search-days",      "7",
                                        "--method",           "best",
                                        "--result-on",        "same",
                                        "--window",           "1000",
                                        "--exclude-current",  "false",
                                        "--weighted",         "no",
                                        "--show-chance",      "false",
                                        "--formula-encoding", "utf-8",
                                        "--open-exports",     "false",
                                        "--history-url",      "https://example.org/{code}",
                                        "--formula-url",      "file:///tmp/f.txt",
                                        "--stored-lottery",   "26"}));
    const QJsonObject expected{{QStringLiteral("lottery"), 26},
                               {QStringLiteral("draws_per_day"), 42},
                               {QStringLiteral("draws_per_day_lottery"), 0},
                               {QStringLiteral("draws_per_day_default"), 84},
                               {QStringLiteral("search_days"), 7},
                               {QStringLiteral("method"), QStringLiteral("best")},
                               {QStringLiteral("result_on"), QStringLiteral("same")},
                               {QStringLiteral("window"), 1000},
                               {QStringLiteral("exclude_current"), false},
                               {QStringLiteral("weighted"), false},
                               {QStringLiteral("show_chance"), false},
                               {QStringLiteral("formula_encoding"), QStringLiteral("utf-8")},
                               {QStringLiteral("open_exports"), false},
                               {QStringLiteral("history_url"), QStringLiteral("https://example.org/{code}")},
                               {QStringLiteral("formula_url"), QStringLiteral("file:///tmp/f.txt")}};
    EXPECT_EQ(shown, expected);
    // Saved: a later run (the stored lottery is 26 now, so ask for lottery 0) reads them back.
    EXPECT_EQ(settingsJson(cli, cliWords({"--lottery", "0"})), expected);
    // Another lottery has its own 每天期数.
    EXPECT_EQ(settingsJson(cli).value(QStringLiteral("draws_per_day")).toInt(), 80);

    // One value out of range: exit 2, nothing saved, not even the good values before it.
    for (const QStringList& bad :
         {cliWords({"--search-days", "5", "--draws-per-day", "100"}), cliWords({"--draws-per-day", "0"}),
          cliWords({"--draws-per-day", "４２"}), cliWords({"--search-days", "11"}), cliWords({"--window", "400"}),
          cliWords({"--stored-lottery", "28"}), cliWords({"--method", "all"}), cliWords({"--weighted", "maybe"}),
          cliWords({"--formula-encoding", "latin1"})}) {
        const CliResult refused =
            cli.run(QStringList{QStringLiteral("settings"), QStringLiteral("--lottery"), QStringLiteral("0")} + bad);
        EXPECT_EQ(refused.exitCode, 2) << bad.join(u' ').toStdString();
        EXPECT_FALSE(refused.err.isEmpty());
    }
    EXPECT_EQ(settingsJson(cli, cliWords({"--lottery", "0"})), expected);

    // The text form names each setting once.
    const CliResult text = cli.run(cliWords({"settings", "--lottery", "0", "--restore-defaults"}));
    ASSERT_EQ(text.exitCode, 0) << text.err.toStdString();
    const QString printed = QString::fromUtf8(text.out);
    EXPECT_TRUE(printed.contains(QStringLiteral("draws_per_day: 42  (每天期数，广东11选5，彩种表84)")))
        << printed.toStdString();
    EXPECT_TRUE(printed.contains(QStringLiteral("search_days: 6 ")));
    EXPECT_TRUE(printed.contains(QStringLiteral("window: 800 ")));
}

TEST(SettingsCommand, drawCommandsFollowTheDrawsPerDayOfTheirLottery)
{
    TestEnvironment env;
    const CliRunner cli(QStringLiteral(VELMORA_CLI_PATH), env.dataDirectory());
    ASSERT_EQ(cli.run(cliWords({"settings", "--draws-per-day", "42"})).exitCode, 0);
    ASSERT_EQ(cli.run(cliWords({"draw", "add", "26120842", "1", "2", "3", "4", "5"})).exitCode, 0);
    CliResult next = cli.run(cliWords({"draw", "next", "--json"}));
    ASSERT_EQ(next.exitCode, 0) << next.err.toStdString();
    EXPECT_EQ(next.json().object().value(QStringLiteral("next")).toString(), QStringLiteral("26120901"));

    const CliResult refused = cli.run(cliWords({"draw", "add", "26120843", "1", "2", "3", "4", "5"}));
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(QString::fromUtf8(refused.err).contains(QStringLiteral("每天期数42"))) << refused.err.toStdString();

    ASSERT_EQ(cli.run(cliWords({"draw", "add", "26120901", "2", "3", "4", "5", "6"})).exitCode, 0);
    const QJsonArray draws =
        cli.run(cliWords({"draw", "list", "--json"})).json().object().value(QStringLiteral("draws")).toArray();
    ASSERT_EQ(draws.size(), 2);
    EXPECT_EQ(draws.at(1).toObject().value(QStringLiteral("L1O")).toInt(), 42);
    EXPECT_EQ(draws.at(1).toObject().value(QStringLiteral("L5K")).toInt(), 41);
}
