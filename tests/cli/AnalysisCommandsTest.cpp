#include "formula/FormulaStore.h"
#include "history/Database.h"
#include "history/DrawStore.h"
#include "support/TestEnvironment.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

struct CliRun {
    int exitCode = -1;
    QJsonObject json;
    QString errors;
};

class AnalysisCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Database db(env.lotteryFolder());
        DrawStore draws(db, LotteryTable::entry(0));
        draws.add(QStringLiteral("24010101"), {1, 2, 3, 4, 5});
        draws.add(QStringLiteral("24010102"), {6, 7, 8, 9, 10});
        FormulaStore formulas(db);
        for (const char* code : {"3", "3", "L1A", "0"})
            formulas.add({QString::fromLatin1(code), QString::fromLatin1(code), FormulaTarget{1, false, true}});
        formulas.add({QStringLiteral("4"), QStringLiteral("4"), FormulaTarget{2, false, true}});
        FormulaStatistics good;
        good.rate = 80.0f;
        good.longestHitRun = 6;
        formulas.storeStatistics(QStringLiteral("Gongshi1D"), {{1, good}, {3, good}});
    }

    CliRun cli(const char* line) { return cli(QString::fromUtf8(line).split(u' ')); }

    CliRun cli(QStringList args)
    {
        QProcess process;
        process.start(QStringLiteral(VELMORA_CLI_PATH),
                      QStringList{QStringLiteral("--data-dir"), env.dataDirectory(), QStringLiteral("--json")} + args);
        EXPECT_TRUE(process.waitForFinished(30000));
        CliRun run;
        run.exitCode = process.exitCode();
        run.json = QJsonDocument::fromJson(process.readAllStandardOutput()).object();
        run.errors = QString::fromUtf8(process.readAllStandardError());
        return run;
    }

    TestEnvironment env;
};

TEST_F(AnalysisCommandsTest, PredictPrintsTalliesVerdictsAndUsedFormulas)
{
    const CliRun run = cli("predict --position 2 --play direct --flag kill --method selected");
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    const QJsonObject first = run.json[QStringLiteral("positions")][QStringLiteral("1")].toObject();
    EXPECT_EQ(first[QStringLiteral("3")][QStringLiteral("vote")].toInt(), 2);
    EXPECT_EQ(first[QStringLiteral("6")][QStringLiteral("kill")].toInt(), 1);
    EXPECT_EQ(first[QStringLiteral("6")][QStringLiteral("keep")].toInt(), 0);
    EXPECT_EQ(
        run.json[QStringLiteral("positions")][QStringLiteral("2")][QStringLiteral("4")][QStringLiteral("vote")].toInt(),
        1);
    EXPECT_EQ(run.json[QStringLiteral("verdicts")][QStringLiteral("1")][QStringLiteral("3")].toString(),
              QStringLiteral("滤杀"));
    EXPECT_EQ(run.json[QStringLiteral("verdicts")][QStringLiteral("1")][QStringLiteral("5")].toString(),
              QStringLiteral("保留"));
    EXPECT_EQ(run.json[QStringLiteral("usedCount")].toInt(), 5);
    EXPECT_EQ(run.json[QStringLiteral("keepLimit")].toInt(), 1);
    EXPECT_EQ(run.json[QStringLiteral("used")].toArray().at(2)[QStringLiteral("number")].toInt(), 6);

    // Best method, keep limit 10: one number is enough; --select narrows the formulas.
    // The planted statistics favour idx 3, but they are stale: scored afresh, 2 and 3
    // both hit the one counted draw, and the tie keeps idx order.
    const CliRun best = cli("predict --position 1 --method best --keys truecon --limit 10 --select 2,3");
    ASSERT_EQ(best.exitCode, 0) << best.errors.toStdString();
    EXPECT_EQ(best.json[QStringLiteral("usedCount")].toInt(), 1);
    EXPECT_EQ(best.json[QStringLiteral("used")].toArray().at(0)[QStringLiteral("idx")].toInt(), 2);
    EXPECT_EQ(best.json[QStringLiteral("keepLimit")].toInt(), 10);

    // A past draw: the vote read on the draw before it, and what it really drew.
    const CliRun verified = cli("predict --position 1 --verify 24010102");
    ASSERT_EQ(verified.exitCode, 0) << verified.errors.toStdString();
    EXPECT_EQ(verified.json[QStringLiteral("reference")].toString(), QStringLiteral("24010101"));
    EXPECT_EQ(verified.json[QStringLiteral("drawn")].toArray(), (QJsonArray{6, 7, 8, 9, 10}));
    EXPECT_TRUE(run.json[QStringLiteral("drawn")].isNull());

    const CliRun missing = cli("predict --position 1 --verify 24010101");
    EXPECT_EQ(missing.exitCode, 2);
    // A past-draw check without its issue must not quietly become a coming-draw one.
    const CliRun noIssue = cli("predict --position 1 --verify");
    EXPECT_EQ(noIssue.exitCode, 2);
    EXPECT_TRUE(noIssue.json.isEmpty());
    const CliRun badKey = cli("predict --position 1 --method best --keys speed");
    EXPECT_EQ(badKey.exitCode, 2);
}

TEST_F(AnalysisCommandsTest, FilterPrintsWhatRemainsSelected)
{
    const CliRun prefill = cli("filter --table gongshi1d --flag kill");
    ASSERT_EQ(prefill.exitCode, 0) << prefill.errors.toStdString();
    EXPECT_EQ(prefill.json[QStringLiteral("count")].toInt(), 4);
    EXPECT_EQ(prefill.json[QStringLiteral("prefill")].toArray().at(1).toDouble(), 80.0);

    const CliRun filtered = cli("filter --table Gongshi1D --flag kill --select 1,2,4 --bounds 50,100,0,0,0,99,0,0,0,0");
    ASSERT_EQ(filtered.exitCode, 0) << filtered.errors.toStdString();
    EXPECT_EQ(filtered.json[QStringLiteral("selected")].toArray(), QJsonArray{1});

    // Idx that are not in the list cannot be selected: nothing selected, start bounds, count 0.
    const CliRun absent = cli("filter --table Gongshi1D --flag kill --select 9");
    ASSERT_EQ(absent.exitCode, 0) << absent.errors.toStdString();
    EXPECT_EQ(absent.json[QStringLiteral("count")].toInt(), 0);
    EXPECT_EQ(absent.json[QStringLiteral("prefill")].toArray().at(0).toDouble(), 100.0);

    const CliRun badBounds = cli("filter --table Gongshi1D --bounds 1,2,3");
    EXPECT_EQ(badBounds.exitCode, 2);
}

} // namespace
