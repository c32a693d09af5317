// What the command line does with the user's data: a deletion whose compaction
// fails is still reported as done, deleted draws can be brought back, and each
// lottery keeps its own folder.
#include "common/UserError.h"
#include "history/Database.h"
#include "history/DrawStore.h"
#include "support/CliRunner.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

QStringList words(const char* line) { return QString::fromUtf8(line).split(u' '); }

} // namespace

TEST(DataSafetyCommands, aDeletionWhoseCompactionFailsIsDoneWithAWarningAndCanBeUndone)
{
    TestEnvironment env;
    const CliRunner cli(QStringLiteral(VELMORA_CLI_PATH), env.dataDirectory());
    ASSERT_EQ(cli.run(words("init --demo --days 1")).exitCode, 0);
    const QString work = QDir(env.lotteryFolder()).filePath(QStringLiteral("formulaTmp.mdb"));
    ASSERT_TRUE(QDir().mkpath(work)); // a directory where the work copy goes

    // A user told "failed" would delete again: the deletion is reported done.
    const CliResult draws = cli.run(words("draw delete-last 5 --json"));
    EXPECT_EQ(draws.exitCode, 0) << draws.err.toStdString();
    const QJsonObject deleted = draws.json().object();
    EXPECT_EQ(deleted.value(QStringLiteral("deleted")).toInt(), 5);
    EXPECT_FALSE(deleted.value(QStringLiteral("compacted")).toBool());
    EXPECT_EQ(deleted.value(QStringLiteral("restorable")).toInt(), 5);
    EXPECT_TRUE(deleted.value(QStringLiteral("warning")).toString().startsWith(QStringLiteral("删除已完成")));
    EXPECT_TRUE(QString::fromUtf8(draws.err).startsWith(QStringLiteral("警告")));
    const CliResult formula = cli.run(words("formula delete --table gongshi1d --last --json"));
    EXPECT_EQ(formula.exitCode, 0) << formula.err.toStdString();
    EXPECT_EQ(formula.json().object().value(QStringLiteral("deleted")).toInt(), 1);
    EXPECT_TRUE(formula.json().object().contains(QStringLiteral("warning")));

    // The five draws come back as they were, once.
    const CliResult undone = cli.run(words("draw undo-delete --json"));
    ASSERT_EQ(undone.exitCode, 0) << undone.err.toStdString();
    const QJsonArray restored = undone.json().object().value(QStringLiteral("restored")).toArray();
    ASSERT_EQ(restored.size(), 5);
    EXPECT_EQ(cli.run(words("draw next --json")).json().object().value(QStringLiteral("last")).toString(),
              restored.last().toString());
    const CliResult again = cli.run(words("draw undo-delete"));
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_TRUE(QString::fromUtf8(again.err).contains(QStringLiteral("没有可以撤销的删除")));

    // Nothing deleted, nothing compacted: the work copy is not even looked at.
    QDir(work).removeRecursively();
    const CliResult none = cli.run(
        {QStringLiteral("draw"), QStringLiteral("delete-after"), restored.last().toString(), QStringLiteral("--json")});
    EXPECT_EQ(none.exitCode, 0);
    EXPECT_FALSE(none.json().object().value(QStringLiteral("compacted")).toBool());
    EXPECT_FALSE(QFile::exists(work));
    EXPECT_EQ(cli.run(words("draw delete-last 2 --json")).json().object().value(QStringLiteral("compacted")).toBool(),
              true);
    EXPECT_TRUE(QFile::exists(work));
}

// A formula.mdb from before the lottery folders moves into the folder of the
// lottery of the settings at the first command, said on stderr; --lottery then
// works on each lottery's own data.
TEST(DataSafetyCommands, theTopLevelFileMovesOnceAndEachLotteryKeepsItsOwnData)
{
    TestEnvironment env;
    {
        Database old(env.dataDirectory());
        DrawStore(old, LotteryTable::entry(0)).add(QStringLiteral("26120101"), {1, 2, 3, 4, 5});
    }
    const CliRunner cli(QStringLiteral(VELMORA_CLI_PATH), env.dataDirectory());
    const CliResult first = cli.run(words("--lottery 26 draw list --json"));
    ASSERT_EQ(first.exitCode, 0) << first.err.toStdString();
    EXPECT_TRUE(QString::fromUtf8(first.err).contains(QStringLiteral("广东11选5"))) << first.err.toStdString();
    EXPECT_TRUE(first.json().object().value(QStringLiteral("draws")).toArray().isEmpty());
    EXPECT_FALSE(QFile::exists(env.path(QStringLiteral("formula.mdb"))));

    const CliResult listed = cli.run(words("draw list"));
    EXPECT_TRUE(listed.err.isEmpty()) << listed.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(listed.out).trimmed(), QStringLiteral("26120101 01 02 03 04 05"));

    // A 快乐12 draw in the 11选5 data is refused, naming whose data it is.
    {
        Database gd(env.lotteryFolder(0));
        DrawStore twelve(gd, LotteryTable::entry(26));
        try {
            twelve.add(QStringLiteral("2026120101"), {12, 1, 2, 3, 4});
            ADD_FAILURE() << "another lottery's draw was stored";
        } catch (const UserError& e) {
            EXPECT_TRUE(e.message().contains(QStringLiteral("广东11选5"))) << e.message().toStdString();
        }
    }
    EXPECT_EQ(cli.run(words("--lottery 26 draw add 2026120101 12 1 2 3 4")).exitCode, 0);
    EXPECT_EQ(QString::fromUtf8(cli.run(words("--lottery 26 draw list")).out).trimmed(),
              QStringLiteral("2026120101 12 01 02 03 04"));
    EXPECT_EQ(QString::fromUtf8(cli.run(words("draw list")).out).trimmed(), QStringLiteral("26120101 01 02 03 04 05"));
}
