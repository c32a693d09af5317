#include "support/CliRunner.h"
#include "support/TestEnvironment.h"

#include <QJsonArray>
#include <QJsonObject>
#include <gtest/gtest.h>

TEST(DrawCommands, demoHistoryListsEveryColumnAndProposesTheNextIssue)
{
    TestEnvironment env;
    const CliRunner cli(QStringLiteral(VELMORA_CLI_PATH), env.dataDirectory());
    const CliResult init =
        cli.run({QStringLiteral("init"), QStringLiteral("--demo"), QStringLiteral("--days"), QStringLiteral("2"),
                 QStringLiteral("--seed"), QStringLiteral("5"), QStringLiteral("--json")});
    ASSERT_EQ(init.exitCode, 0) << init.err.toStdString();
    EXPECT_EQ(init.json().object().value(QStringLiteral("demoDraws")).toInt(), 168);

    const CliResult list = cli.run({QStringLiteral("draw"), QStringLiteral("list"), QStringLiteral("--json")});
    ASSERT_EQ(list.exitCode, 0);
    const QJsonArray draws = list.json().object().value(QStringLiteral("draws")).toArray();
    ASSERT_EQ(draws.size(), 168);
    const QJsonObject first = draws.first().toObject();
    EXPECT_EQ(first.size(), 1 + 88 + 5); // the work columns too
    EXPECT_TRUE(first.value(QStringLiteral("canshu")).isNull());
    EXPECT_EQ(first.value(QStringLiteral("strQQH")).toString(), QStringLiteral("26120601"));
    EXPECT_EQ(first.value(QStringLiteral("L1O")).toInt(), 84);
    EXPECT_EQ(first.value(QStringLiteral("L5N")).toInt(), 0);
    int sum = 0;
    for (const char* c : {"L1A", "L2A", "L3A", "L4A", "L5A"})
        sum += first.value(QLatin1String(c)).toInt();
    EXPECT_EQ(first.value(QStringLiteral("L1L")).toInt(), sum);

    const CliResult next = cli.run({QStringLiteral("draw"), QStringLiteral("next"), QStringLiteral("--json")});
    ASSERT_EQ(next.exitCode, 0);
    EXPECT_EQ(next.json().object().value(QStringLiteral("last")).toString(), QStringLiteral("26120784"));
    EXPECT_EQ(next.json().object().value(QStringLiteral("next")).toString(), QStringLiteral("26120801"));
}

TEST(DrawCommands, refusedDrawExitsWithTwoAndStoresNothing)
{
    TestEnvironment env;
    const CliRunner cli(QStringLiteral(VELMORA_CLI_PATH), env.dataDirectory());
    ASSERT_EQ(cli.run({QStringLiteral("init")}).exitCode, 0);
    const CliResult bad =
        cli.run({QStringLiteral("draw"), QStringLiteral("add"), QStringLiteral("26120801"), QStringLiteral("1"),
                 QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("3"), QStringLiteral("5")});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_TRUE(QString::fromUtf8(bad.err).contains(QStringLiteral("重复")));
    const CliResult good =
        cli.run({QStringLiteral("--lottery"), QStringLiteral("26"), QStringLiteral("draw"), QStringLiteral("add"),
                 QStringLiteral("2026120801"), QStringLiteral("12"), QStringLiteral("2"), QStringLiteral("3"),
                 QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("--json")});
    ASSERT_EQ(good.exitCode, 0) << good.err.toStdString();
    EXPECT_EQ(good.json().object().value(QStringLiteral("L1F")).toInt(), 6);
    // Each lottery has its own history.
    const auto listed = [&cli](const QStringList& lottery) {
        const CliResult list =
            cli.run(lottery + QStringList{QStringLiteral("draw"), QStringLiteral("list"), QStringLiteral("--json")});
        return list.json().object().value(QStringLiteral("draws")).toArray().size();
    };
    EXPECT_EQ(listed({QStringLiteral("--lottery"), QStringLiteral("26")}), 1);
    EXPECT_EQ(listed({}), 0);
    // An issue with no date in it is refused in the user's language, naming the lottery.
    const CliResult noIssue = cli.run(cliWords({"draw", "delete-after", "26133001"}));
    EXPECT_EQ(noIssue.exitCode, 2);
    EXPECT_TRUE(QString::fromUtf8(noIssue.err).contains(QStringLiteral("26133001 不是广东11选5的期号")))
        << noIssue.err.toStdString();
    const CliResult deleted = cli.run({QStringLiteral("--lottery"), QStringLiteral("26"), QStringLiteral("draw"),
                                       QStringLiteral("delete-last"), QStringLiteral("--json")});
    EXPECT_EQ(deleted.json().object().value(QStringLiteral("deleted")).toInt(), 1);
}
