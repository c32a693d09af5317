// What every command shares: help, version, the global options, refusals of
// malformed input with exit status 2, and the checks of --window and --threads.
#include "support/CliRunner.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

QString text(const QByteArray& bytes) { return QString::fromUtf8(bytes); }

class CommandLine : public ::testing::Test {
protected:
    // Refused as bad input: exit status 2, a message on stderr, nothing on stdout.
    void expectRefused(const QStringList& arguments, const char* inMessage = nullptr) const
    {
        const CliResult result = cli.run(arguments);
        const std::string line = arguments.join(u' ').toStdString();
        EXPECT_EQ(result.exitCode, 2) << line;
        EXPECT_TRUE(result.out.isEmpty()) << line << ": " << result.out.toStdString();
        EXPECT_FALSE(result.err.isEmpty()) << line;
        if (inMessage) {
            EXPECT_TRUE(text(result.err).contains(QString::fromUtf8(inMessage)))
                << line << ": " << result.err.toStdString();
        }
    }

    bool databaseExists() const
    {
        return QFile::exists(QDir(env.lotteryFolder()).filePath(QStringLiteral("formula.mdb")));
    }

    TestEnvironment env;
    CliRunner cli{QStringLiteral(VELMORA_CLI_PATH), env.dataDirectory()};
};

} // namespace

TEST_F(CommandLine, helpListsEveryCommandAndEachCommandItsOwnOptions)
{
    const CliResult overview = cli.run(cliWords({"--help"}));
    ASSERT_EQ(overview.exitCode, 0);
    const QStringList commands =
        cliWords({"init", "draw add", "draw list", "draw next", "draw delete-last", "draw delete-after",
                  "draw delete-all", "formula translate", "formula add", "formula score", "formula list",
                  "formula delete", "predict", "filter", "search", "tune"});
    for (const QString& command : commands)
        EXPECT_TRUE(text(overview.out).contains(QStringLiteral("  ") + command + u' ')) << command.toStdString();

    // Each command's help names its own options and arguments, and not another command's.
    const QList<QPair<QString, QStringList>> expected{
        {QStringLiteral("init"), cliWords({"--demo", "--days", "--seed"})},
        {QStringLiteral("draw add"), cliWords({"ISSUE", "D1 D2 D3 D4 D5"})},
        {QStringLiteral("draw delete-last"), cliWords({"[N]"})},
        {QStringLiteral("formula translate"), cliWords({"TEXT..."})},
        {QStringLiteral("formula score"),
         cliWords({"--table", "--flag", "--window", "--exclude-current", "--weighted"})},
        {QStringLiteral("formula list"), cliWords({"--table", "--flag"})},
        {QStringLiteral("formula delete"), cliWords({"--table", "--idx", "--selected", "--last", "--flag"})},
        {QStringLiteral("predict"),
         cliWords({"--position", "--play", "--flag", "--method", "--verify", "--keys", "--limit", "--select"})},
        {QStringLiteral("filter"), cliWords({"--table", "--flag", "--bounds", "--select"})},
        {QStringLiteral("search"), cliWords({"--table", "--flag", "--operands", "--candidates", "--seed", "--bounds",
                                             "--constant", "--target", "--store", "--threads", "--form", "--plan",
                                             "--mode", "--window", "--exclude-current", "--weighted"})},
        {QStringLiteral("tune"), cliWords({"--table", "--flag", "--trials", "--seed", "--operands", "--constant",
                                           "--save", "--threads", "--window"})}};
    for (const auto& [command, names] : expected) {
        const CliResult help = cli.run(command.split(u' ') + cliWords({"--help"}));
        ASSERT_EQ(help.exitCode, 0) << command.toStdString();
        const QString shown = text(help.out);
        EXPECT_TRUE(shown.startsWith(QStringLiteral("Usage: velmora-cli ") + command)) << shown.toStdString();
        for (const QString& name : names)
            EXPECT_TRUE(shown.contains(name)) << command.toStdString() << " lacks " << name.toStdString();
        for (const QString& global : cliWords({"--data-dir", "--lottery", "--json"}))
            EXPECT_TRUE(shown.contains(global)) << command.toStdString();
    }
    EXPECT_FALSE(text(cli.run(cliWords({"draw", "add", "--help"})).out).contains(QStringLiteral("--table")));
    EXPECT_TRUE(text(cli.run(cliWords({"search", "--help"})).out).contains(QStringLiteral("at most 64")));

    // "draw --help" lists the draw commands only; help and version touch no data.
    const CliResult draw = cli.run(cliWords({"draw", "--help"}));
    ASSERT_EQ(draw.exitCode, 0);
    EXPECT_TRUE(text(draw.out).contains(QStringLiteral("draw delete-after")));
    EXPECT_FALSE(text(draw.out).contains(QStringLiteral("formula score")));
    const CliResult version = cli.run(cliWords({"--version"}));
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^velmora-cli \\d+\\.\\d+(\\.\\d+)?\\n$"))
                    .match(text(version.out))
                    .hasMatch())
        << version.out.toStdString();
    EXPECT_FALSE(databaseExists());

    // No command: the overview on stderr, bad input.
    const CliResult bare = cli.run({});
    EXPECT_EQ(bare.exitCode, 2);
    EXPECT_TRUE(text(bare.err).contains(QStringLiteral("formula score")));
}

TEST_F(CommandLine, malformedInputIsRefusedWithStatusTwo)
{
    ASSERT_EQ(cli.run(cliWords({"init"})).exitCode, 0);
    expectRefused(cliWords({"draw", "list", "--bogus"}), "bogus");
    expectRefused(cliWords({"--bogus", "draw", "list"}), "bogus");
    expectRefused(cliWords({"draw", "remove"}), "draw remove");
    expectRefused(cliWords({"frobnicate"}), "frobnicate");
    expectRefused(cliWords({"draw"}));
    expectRefused(cliWords({"formula", "score", "--flag", "kill", "--table"}), "--table");
    expectRefused(cliWords({"formula", "score", "--table=", "--flag", "kill"}), "--table");
    expectRefused(cliWords({"formula", "score", "--table", "Gongshi1D"}), "--flag");
    expectRefused(cliWords({"draw", "list", "extra"}));
    expectRefused(cliWords({"draw", "add", "26120801", "1", "2"}));
    expectRefused(cliWords({"draw", "add", "26120801", "1", "2", "3", "4", "5", "6"}));
    expectRefused(cliWords({"draw", "delete-last", "two"}), "two");
    expectRefused(cliWords({"draw", "list", "--json=yes"}));
    // ASCII digits only: Arabic-Indic and full-width digits are not numbers here.
    expectRefused(cliWords({"draw", "delete-last", "٣"}));
    expectRefused(cliWords({"draw", "add", "26120801", "1", "2", "3", "4", "５"}), "不是数字");
    expectRefused(cliWords({"draw", "add", "２６１２０８０１", "1", "2", "3", "4", "5"}), "ISSUE");
    expectRefused(cliWords({"--lottery", "２６", "draw", "list"}), "--lottery");
    expectRefused(cliWords({"--lottery", "28", "draw", "list"}), "--lottery");
    expectRefused(cliWords({"formula", "delete", "--table", "Gongshi1D", "--idx", "99999999999"}), "--idx");
    expectRefused(cliWords({"filter", "--table", "Gongshi1D", "--select", "1,x"}), "--select");
    expectRefused(cliWords({"filter", "--table", "Gongshi1D", "--bounds", "0,100,0,9,0,9,0,9,0,٩"}), "--bounds");
    expectRefused(cliWords({"search", "--table", "Gongshi1D", "--bounds", "60,100,0,6,0,abc,0,0,1,32768"}), "--bounds");
    expectRefused(cliWords({"search", "--table", "Gongshi1D", "--seed", "-1"}), "--seed");
    expectRefused(cliWords({"formula", "score", "--table", "Gongshi1D", "--flag", "kill", "--weighted", "maybe"}),
                  "--weighted");
    const CliResult list = cli.run(cliWords({"draw", "list", "--json"}));
    EXPECT_EQ(list.json().object().value(QStringLiteral("draws")).toArray().size(), 0);
}

TEST_F(CommandLine, aLoneDoubleDashEndsTheOptions)
{
    // Without "--" a text that looks like an option is refused, never read as the text.
    expectRefused(cliWords({"formula", "translate", "--第一码"}), "第一码");
    const CliResult text = cli.run(cliWords({"formula", "translate", "--json", "--", "-第一码+第二码"}));
    ASSERT_EQ(text.exitCode, 0) << text.err.toStdString();
    EXPECT_EQ(text.json().object().value(QStringLiteral("gongshi")).toString(), QStringLiteral("-L1A+L2A"));
    // After "--" even a global option's name is text.
    const CliResult json = cli.run(cliWords({"formula", "translate", "--", "第一码", "--json"}));
    EXPECT_NE(json.exitCode, 0);
    EXPECT_FALSE(json.json().isObject());
}

TEST_F(CommandLine, globalOptionsWorkBeforeAndAfterTheCommand)
{
    // The runner puts --data-dir before the command; the one after it wins.
    TestEnvironment other;
    ASSERT_EQ(cli.run(cliWords({"init"})).exitCode, 0);
    const CliResult after = cli.run(cliWords({"draw", "next", "--lottery", "26", "--json", "--data-dir"}) +
                                    QStringList{other.dataDirectory()});
    ASSERT_EQ(after.exitCode, 0) << after.err.toStdString();
    const QJsonObject next = after.json().object();
    EXPECT_EQ(next.value(QStringLiteral("next")).toString().size(), 10); // YYYYMMDD + serial
    EXPECT_TRUE(QFile::exists(QDir(other.lotteryFolder(26)).filePath(QStringLiteral("formula.mdb"))));

    const CliResult before = cli.run(cliWords({"--json", "draw", "next"}));
    ASSERT_EQ(before.exitCode, 0) << before.err.toStdString();
    EXPECT_EQ(before.json().object().value(QStringLiteral("next")).toString().size(), 8);
    EXPECT_NE(before.json().object().value(QStringLiteral("lottery")), next.value(QStringLiteral("lottery")));

    // A global option without its value is an error, never the default.
    expectRefused(cliWords({"draw", "next", "--lottery"}), "--lottery");
    expectRefused(cliWords({"draw", "next", "--data-dir"}), "--data-dir");
    expectRefused(cliWords({"draw", "next", "--data-dir="}), "--data-dir");
}

TEST_F(CommandLine, windowAndThreadsAreCheckedAlikeByEveryCommand)
{
    ASSERT_EQ(cli.run(cliWords({"init", "--demo", "--days", "2", "--seed", "5"})).exitCode, 0);
    const QStringList score = cliWords({"formula", "score", "--table", "Gongshi1D", "--flag", "kill"});
    const QStringList search = cliWords({"search", "--table", "Gongshi1D", "--candidates", "20", "--seed", "1"});
    const QStringList tune = cliWords({"tune", "--table", "Gongshi1D", "--trials", "20", "--seed", "1"});
    for (const QStringList& command : {score, search, tune}) {
        for (const char* window : {"7", "-100", "2147483647", "4294967396", "１００"})
            expectRefused(command + cliWords({"--window"}) + QStringList{QString::fromUtf8(window)}, "--window");
        EXPECT_EQ(cli.run(command + cliWords({"--window", "100"})).exitCode, 0) << command.first().toStdString();
    }
    for (const QStringList& command : {search, tune}) {
        for (const char* threads : {"65", "-1", "1000000"})
            expectRefused(command + cliWords({"--threads"}) + QStringList{QString::fromUtf8(threads)}, "--threads");
        const CliResult most = cli.run(command + cliWords({"--threads", "64", "--json"}));
        EXPECT_EQ(most.exitCode, 0) << most.err.toStdString();
    }
    const CliResult threads = cli.run(search + cliWords({"--threads", "64", "--json"}));
    EXPECT_EQ(threads.json().object().value(QStringLiteral("threads")).toInt(), 64);
}
