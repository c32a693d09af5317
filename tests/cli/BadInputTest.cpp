// Input the user (or a damaged disk) can give the command line that no normal
// session produces: each case ends in a message and leaves the stored data whole.
#include "history/SqliteDatabase.h"
#include "support/CliRunner.h"
#include "support/TestEnvironment.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

QString text(const QByteArray& bytes) { return QString::fromUtf8(bytes); }

class BadInput : public ::testing::Test {
protected:
    QString databasePath() const { return QDir(env.lotteryFolder()).filePath(QStringLiteral("formula.mdb")); }

    int drawCount() const
    {
        return cli.run(cliWords({"draw", "list", "--json"}))
            .json()
            .object()
            .value(QStringLiteral("draws"))
            .toArray()
            .size();
    }

    QByteArray fileHash() const
    {
        QFile file(databasePath());
        file.open(QIODevice::ReadOnly);
        return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
    }

    TestEnvironment env;
    CliRunner cli{QStringLiteral(VELMORA_CLI_PATH), env.dataDirectory()};
};

} // namespace

TEST_F(BadInput, typedDrawsKeepToTheIssueRange)
{
    ASSERT_EQ(cli.run(cliWords({"init"})).exitCode, 0);
    ASSERT_EQ(cli.run(cliWords({"draw", "add", "99123184", "1", "2", "3", "4", "5"})).exitCode, 0);
    // Nothing can follow the last draw of 2099: no proposal. "00" is 2000, so its
    // draw is a missed one from long before and never becomes the last.
    for (int round = 0; round < 2; ++round) {
        const CliResult next = cli.run(cliWords({"draw", "next", "--json"}));
        ASSERT_EQ(next.exitCode, 0) << next.err.toStdString();
        EXPECT_TRUE(next.json().object().value(QStringLiteral("next")).isNull());
        EXPECT_EQ(next.json().object().value(QStringLiteral("last")).toString(), QStringLiteral("99123184"));
        EXPECT_TRUE(text(cli.run(cliWords({"draw", "next"})).out).contains(QStringLiteral("next -")));
        if (round == 0) {
            ASSERT_EQ(cli.run(cliWords({"draw", "add", "00010101", "1", "2", "3", "4", "5"})).exitCode, 0);
        }
    }
    EXPECT_EQ(drawCount(), 2);
}

TEST_F(BadInput, aDamagedRowOrAForeignFileIsRefusedWithItsCause)
{
    ASSERT_EQ(cli.run(cliWords({"init", "--demo", "--days", "1"})).exitCode, 0);
    {
        SqliteDatabase db(databasePath());
        db.exec(QStringLiteral("UPDATE Lishi SET L5O = 2147483647 WHERE strQQH = '26120705'"));
    }
    for (const QStringList& command :
         {cliWords({"formula", "score", "--table", "Gongshi1D", "--flag", "kill"}),
          cliWords({"search", "--table", "Gongshi1D", "--candidates", "100", "--seed", "1"}),
          cliWords({"backtest", "--table", "Gongshi1D", "--flag", "kill"})}) {
        const CliResult result = cli.run(command);
        EXPECT_EQ(result.exitCode, 1) << command.join(u' ').toStdString();
        EXPECT_TRUE(text(result.err).contains(QStringLiteral("26120705"))) << result.err.toStdString();
        EXPECT_TRUE(text(result.err).contains(QStringLiteral("L5O"))) << result.err.toStdString();
    }

    // Not a database of ours at all: refused, and the file stays as it was.
    QFile::remove(databasePath());
    QFile notes(databasePath());
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("shopping list\n");
    notes.close();
    const QByteArray before = fileHash();
    const CliResult foreign = cli.run(cliWords({"draw", "add", "26120801", "1", "2", "3", "4", "5"}));
    EXPECT_EQ(foreign.exitCode, 1);
    EXPECT_TRUE(text(foreign.err).contains(QStringLiteral("不是本程序的数据库文件"))) << foreign.err.toStdString();
    EXPECT_EQ(fileHash(), before);
}

TEST_F(BadInput, handEditedSettingsFallBackToDefaults)
{
    ASSERT_EQ(cli.run(cliWords({"init", "--demo", "--days", "1"})).exitCode, 0);
    const QString folder = QDir(env.dataDirectory()).filePath(QStringLiteral("config/Velmora"));
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile ini(QDir(folder).filePath(QStringLiteral("Velmora.ini")));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[IniSetting]\nGsZl=99\nJSQS=42\nIniSerchDay=0\nSyBq=perhaps\n");
    ini.close();
    const CliResult next = cli.run(cliWords({"draw", "next", "--json"}));
    ASSERT_EQ(next.exitCode, 0) << next.err.toStdString();
    EXPECT_EQ(next.json().object().value(QStringLiteral("lottery")).toString(), QStringLiteral("广东11选5"));
    const CliResult score = cli.run(cliWords({"formula", "score", "--table", "Gongshi1D", "--flag", "kill", "--json"}));
    ASSERT_EQ(score.exitCode, 0) << score.err.toStdString();
    EXPECT_EQ(score.json().object().value(QStringLiteral("window")).toInt(), 300);
    EXPECT_TRUE(score.json().object().value(QStringLiteral("excludeCurrent")).toBool());
}

TEST_F(BadInput, aFullReadOnlyOrMissingDataDirectoryRefusesWritesAndKeepsTheData)
{
    ASSERT_EQ(cli.run(cliWords({"init", "--demo", "--days", "1"})).exitCode, 0);
    const int draws = drawCount();
    const QStringList add = cliWords({"draw", "add", "26120801", "1", "2", "3", "4", "5"});

    // A full disk, as a file-size limit: every write fails, the file stays consistent.
    const QStringList full{QStringLiteral("sh"), QStringLiteral("-c"),
                           QStringLiteral("trap '' XFSZ; ulimit -f 1; exec \"$0\" \"$@\"")};
    for (const QStringList& command : {add, cliWords({"formula", "add", "第一码+1=下期杀第一直选"})}) {
        const CliResult result = cli.runWrapped(full, command);
        EXPECT_EQ(result.exitCode, 1) << command.join(u' ').toStdString() << result.err.toStdString();
        EXPECT_FALSE(result.err.isEmpty());
    }
    EXPECT_EQ(drawCount(), draws);
    {
        SqliteDatabase db(databasePath());
        EXPECT_EQ(db.scalar(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
    }

    // A read-only directory: reading works, writing says why. Permissions do not
    // stop root, so root gets a read-only mount of its own where it may make one.
    QStringList readOnly;
    if (geteuid() != 0) {
        QFile::setPermissions(databasePath(), QFile::ReadOwner);
        QFile::setPermissions(env.dataDirectory(), QFile::ReadOwner | QFile::ExeOwner);
    } else if (QProcess::execute(QStringLiteral("unshare"), {QStringLiteral("-m"), QStringLiteral("true")}) == 0) {
        readOnly =
            QStringList{QStringLiteral("unshare"), QStringLiteral("-m"), QStringLiteral("sh"), QStringLiteral("-c"),
                        QStringLiteral("mount --bind \"$2\" \"$2\" && mount -o remount,bind,ro \"$2\" && "
                                       "exec \"$0\" \"$@\"")};
    } else {
        GTEST_SKIP() << "running as root without mount namespaces: no read-only directory to test";
    }
    const CliResult list = cli.runWrapped(readOnly, cliWords({"draw", "list", "--json"}));
    EXPECT_EQ(list.exitCode, 0) << list.err.toStdString();
    EXPECT_EQ(list.json().object().value(QStringLiteral("draws")).toArray().size(), draws);
    const CliResult refused = cli.runWrapped(readOnly, add);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(text(refused.err).contains(QStringLiteral("readonly"))) << refused.err.toStdString();
    QFile::setPermissions(env.dataDirectory(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile::setPermissions(databasePath(), QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(drawCount(), draws);

    // A data directory that cannot exist (below a plain file).
    const CliRunner nowhere(QStringLiteral(VELMORA_CLI_PATH), databasePath() + QStringLiteral("/data"));
    const CliResult missing = nowhere.run(cliWords({"draw", "list"}));
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(text(missing.err).contains(QStringLiteral("无法打开数据库"))) << missing.err.toStdString();
}
