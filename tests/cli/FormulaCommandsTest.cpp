#include "support/CliRunner.h"
#include "support/TestEnvironment.h"

#include <QJsonArray>
#include <QJsonObject>
#include <cmath>
#include <gtest/gtest.h>

namespace {

QString s(const char* text) { return QString::fromUtf8(text); }

} // namespace

TEST(FormulaCommands, addScoreListAndDeleteThroughTheCommandLine)
{
    TestEnvironment env;
    const CliRunner cli(QStringLiteral(VELMORA_CLI_PATH), env.dataDirectory());
    ASSERT_EQ(cli.run({s("init"), s("--demo"), s("--days"), s("2"), s("--seed"), s("5")}).exitCode, 0);

    const CliResult translated =
        cli.run({s("formula"), s("translate"), s("和数个位+第五6段=下期生第二组选"), s("--json")});
    ASSERT_EQ(translated.exitCode, 0) << translated.err.toStdString();
    EXPECT_EQ(translated.json().object().value(s("gongshi")).toString(), s("L2L+L5F"));
    EXPECT_EQ(translated.json().object().value(s("table")).toString(), s("Gongshi2G"));
    EXPECT_FALSE(translated.json().object().value(s("bolKill")).toBool());

    for (const char* line : {"第一码+第二码=下期杀第四直选", "第四码*2=下期杀第四直选"})
        ASSERT_EQ(cli.run({s("formula"), s("add"), s(line)}).exitCode, 0) << line;
    // An added formula is not scored yet: its answer shows no statistics, not zeros.
    const CliResult added = cli.run({s("formula"), s("add"), s("和数=下期生第四直选"), s("--json")});
    ASSERT_EQ(added.exitCode, 0) << added.err.toStdString();
    EXPECT_EQ(added.json().object().value(s("idx")).toInt(), 3);
    EXPECT_FALSE(added.json().object().contains(s("sglGsRate")));
    const CliResult refused = cli.run({s("formula"), s("add"), s("第一码+个位=下期杀第四直选")});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(refused.err.contains("无法识别公式"));
    EXPECT_EQ(cli.run({s("formula"), s("add"), s("")}).exitCode, 2);

    const CliResult score =
        cli.run({s("formula"), s("score"), s("--table"), s("Gongshi4D"), s("--flag"), s("kill"), s("--window"),
                 s("100"), s("--exclude-current"), s("true"), s("--weighted"), s("true"), s("--json")});
    ASSERT_EQ(score.exitCode, 0) << score.err.toStdString();
    const QJsonArray formulas = score.json().object().value(s("formulas")).toArray();
    ASSERT_EQ(formulas.size(), 2);
    const QJsonObject first = formulas[0].toObject();
    for (const char* key : {"idx", "gongshiCN", "gongshi", "bolKill", "sglGsRate", "intGsErrCon", "intGsTrueCon",
                            "intGsErrLst", "intGsTrueLst", "rateText", "nextValue", "error", "expected_rate", "z"})
        EXPECT_TRUE(first.contains(QLatin1String(key))) << key;
    // A kill of one number in eleven hits about ten times in eleven by chance.
    EXPECT_NEAR(first.value(s("expected_rate")).toDouble(), 100.0 * 10 / 11, 5.0);
    EXPECT_LT(std::fabs(first.value(s("z")).toDouble()), 6.0);
    EXPECT_TRUE(first.value(s("rateText")).toString().endsWith(s("/338350)")));
    EXPECT_TRUE(first.value(s("error")).isNull());
    EXPECT_EQ(
        cli.run({s("formula"), s("score"), s("--table"), s("Gongshi4D"), s("--flag"), s("kill"), s("--window"), s("7")})
            .exitCode,
        2);

    // Scores were stored in each formula's own row.
    const CliResult listed = cli.run({s("formula"), s("list"), s("--table"), s("Gongshi4D"), s("--json")});
    const QJsonArray rows = listed.json().object().value(s("formulas")).toArray();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_FLOAT_EQ(static_cast<float>(rows[1].toObject().value(s("sglGsRate")).toDouble()),
                    static_cast<float>(formulas[1].toObject().value(s("sglGsRate")).toDouble()));

    const CliResult removed =
        cli.run({s("formula"), s("delete"), s("--table"), s("Gongshi4D"), s("--idx"), s("1"), s("--json")});
    ASSERT_EQ(removed.exitCode, 0) << removed.err.toStdString();
    EXPECT_EQ(removed.json().object().value(s("deleted")).toInt(), 1);
    // --last reads one flag's list (kill by default); the last formula left is the keep one.
    ASSERT_EQ(cli.run({s("formula"), s("delete"), s("--table"), s("Gongshi4D"), s("--last"), s("--flag"), s("keep")})
                  .exitCode,
              0);
    const QJsonArray left = cli.run({s("formula"), s("list"), s("--table"), s("Gongshi4D"), s("--json")})
                                .json()
                                .object()
                                .value(s("formulas"))
                                .toArray();
    ASSERT_EQ(left.size(), 1);
    EXPECT_EQ(left[0].toObject().value(s("idx")).toInt(), 1);
    EXPECT_EQ(left[0].toObject().value(s("gongshi")).toString(), s("L4A*2"));
}

TEST(FormulaCommands, deleteNamedSelectionRenumbersTheRest)
{
    TestEnvironment env;
    const CliRunner cli(QStringLiteral(VELMORA_CLI_PATH), env.dataDirectory());
    ASSERT_EQ(cli.run({s("init")}).exitCode, 0);
    for (const char* line :
         {"第一码=下期杀第二直选", "第二码=下期杀第二直选", "第三码=下期杀第二直选", "第四码=下期杀第二直选"})
        ASSERT_EQ(cli.run({s("formula"), s("add"), s(line)}).exitCode, 0) << line;
    const CliResult removed =
        cli.run({s("formula"), s("delete"), s("--table"), s("Gongshi2D"), s("--selected"), s("1,3"), s("--json")});
    ASSERT_EQ(removed.exitCode, 0) << removed.err.toStdString();
    EXPECT_EQ(removed.json().object().value(s("deleted")).toInt(), 2);
    const QJsonArray left = cli.run({s("formula"), s("list"), s("--table"), s("Gongshi2D"), s("--json")})
                                .json()
                                .object()
                                .value(s("formulas"))
                                .toArray();
    ASSERT_EQ(left.size(), 2);
    EXPECT_EQ(left[0].toObject().value(s("gongshi")).toString(), s("L2A"));
    EXPECT_EQ(left[1].toObject().value(s("idx")).toInt(), 2);
    EXPECT_EQ(cli.run({s("formula"), s("delete"), s("--table"), s("Gongshi2D"), s("--selected"), s("1"), s("--last")})
                  .exitCode,
              2);
}

TEST(FormulaCommands, deleteLastTakesTheHighestIdxOfTheNamedFlag)
{
    TestEnvironment env;
    const CliRunner cli(QStringLiteral(VELMORA_CLI_PATH), env.dataDirectory());
    ASSERT_EQ(cli.run({s("init")}).exitCode, 0);
    // idx 1 kill, 2 keep, 3 kill, 4 kill
    for (const char* line :
         {"第一码=下期杀第三直选", "第二码=下期生第三直选", "第三码=下期杀第三直选", "第四码=下期杀第三直选"})
        ASSERT_EQ(cli.run({s("formula"), s("add"), s(line)}).exitCode, 0) << line;
    const auto codes = [&cli] {
        QStringList list;
        for (const auto& f : cli.run({s("formula"), s("list"), s("--table"), s("Gongshi3D"), s("--json")})
                                 .json()
                                 .object()
                                 .value(s("formulas"))
                                 .toArray())
            list << f.toObject().value(s("gongshi")).toString();
        return list;
    };

    const CliResult keep = cli.run(
        {s("formula"), s("delete"), s("--table"), s("Gongshi3D"), s("--last"), s("--flag"), s("keep"), s("--json")});
    ASSERT_EQ(keep.exitCode, 0) << keep.err.toStdString();
    EXPECT_EQ(keep.json().object().value(s("deleted")).toInt(), 1);
    EXPECT_EQ(codes(), QStringList({s("L1A"), s("L3A"), s("L4A")}));
    // No keep formula is left: nothing to delete, and that is no error.
    const CliResult none = cli.run(
        {s("formula"), s("delete"), s("--table"), s("Gongshi3D"), s("--last"), s("--flag"), s("生"), s("--json")});
    ASSERT_EQ(none.exitCode, 0) << none.err.toStdString();
    EXPECT_EQ(none.json().object().value(s("deleted")).toInt(), 0);
    // Without --flag, --last reads the kill list.
    ASSERT_EQ(cli.run({s("formula"), s("delete"), s("--table"), s("Gongshi3D"), s("--last")}).exitCode, 0);
    EXPECT_EQ(codes(), QStringList({s("L1A"), s("L3A")}));

    // With --flag, --idx and --selected must name formulas of that flag; nothing is deleted otherwise.
    EXPECT_EQ(cli.run({s("formula"), s("delete"), s("--table"), s("Gongshi3D"), s("--selected"), s("1,2"), s("--flag"),
                       s("keep")})
                  .exitCode,
              2);
    EXPECT_EQ(codes(), QStringList({s("L1A"), s("L3A")}));
    EXPECT_EQ(
        cli.run({s("formula"), s("delete"), s("--table"), s("Gongshi3D"), s("--idx"), s("2"), s("--flag"), s("kill")})
            .exitCode,
        0);
    EXPECT_EQ(codes(), QStringList({s("L1A")}));
}
