// A file the program reads as damaged is never written to: every writing
// command refuses with the message a read gives and leaves each byte as it was.
// A stored number beyond the file's own lottery is damage as well.
#include "history/SqliteDatabase.h"
#include "support/CliRunner.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <gtest/gtest.h>
#include <random>

namespace {

QByteArray bytesOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeText(const QString& path, const QByteArray& text)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

QString text(const QByteArray& bytes) { return QString::fromUtf8(bytes); }

} // namespace

TEST(DamagedFile, everyWriteIsRefusedWithTheReadsMessageAndChangesNoByte)
{
    TestEnvironment env;
    const CliRunner cli(QStringLiteral(VELMORA_CLI_PATH), env.dataDirectory());
    ASSERT_EQ(cli.run(cliWords({"init", "--demo", "--days", "40"})).exitCode, 0);
    ASSERT_EQ(cli.run(cliWords({"formula", "add", "第一码+1=下期杀第一直选"})).exitCode, 0);
    const QString next = cli.run(cliWords({"draw", "next", "--json"})).json().object().value(u"next").toString();
    const QJsonArray draws = cli.run(cliWords({"draw", "list", "--json"})).json().object().value(u"draws").toArray();
    ASSERT_GT(draws.size(), 100);
    const QString kept = draws[draws.size() - 20].toObject().value(u"strQQH").toString();
    writeText(env.path(QStringLiteral("draws.txt")), next.toUtf8() + " 01 02 03 04 05\n");
    writeText(env.path(QStringLiteral("formulas.txt")), QStringLiteral("第二码+2=下期杀第二直选\r\n").toUtf8());

    // 4 KiB of noise in the middle of the file, where the history's pages lie.
    const QString database = QDir(env.lotteryFolder()).filePath(QStringLiteral("formula.mdb"));
    {
        QFile file(database);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        QByteArray noise(4096, '\0');
        std::mt19937 random(27);
        for (char& c : noise)
            c = static_cast<char>(random() & 0xFF);
        ASSERT_TRUE(file.seek(file.size() / 2));
        ASSERT_EQ(file.write(noise), noise.size());
    }
    const QByteArray damaged = bytesOf(database);
    const QString message = QStringLiteral("数据库文件已损坏");
    const CliResult read = cli.run(cliWords({"draw", "list"}));
    ASSERT_EQ(read.exitCode, 1);
    ASSERT_TRUE(text(read.err).contains(message)) << read.err.toStdString();

    const QList<QStringList> writes = {
        cliWords({"draw", "add"}) << next << cliWords({"01", "02", "03", "04", "05"}),
        cliWords({"draw", "delete-last"}),
        cliWords({"draw", "delete-last", "5"}),
        cliWords({"draw", "delete-after"}) << kept,
        cliWords({"draw", "delete-all"}),
        cliWords({"draw", "undo-delete"}),
        cliWords({"draw", "import"}) << env.path(QStringLiteral("draws.txt")),
        cliWords({"formula", "add", "第三码+1=下期杀第三直选"}),
        cliWords({"formula", "delete", "--table", "gongshi1d", "--last"}),
        cliWords({"formula", "delete", "--table", "gongshi1d", "--idx", "1"}),
        cliWords({"formula", "import"}) << env.path(QStringLiteral("formulas.txt")),
        cliWords({"formula", "score", "--table", "gongshi1d", "--flag", "kill"}),
    };
    for (const QStringList& command : writes) {
        const CliResult result = cli.run(command);
        const std::string name = command.join(u' ').toStdString();
        EXPECT_EQ(result.exitCode, 1) << name << ": " << result.err.toStdString();
        EXPECT_TRUE(text(result.err).contains(message)) << name << ": " << result.err.toStdString();
        EXPECT_TRUE(bytesOf(database) == damaged) << name << " changed the file";
        EXPECT_FALSE(QFile::exists(database + QStringLiteral("-journal"))) << name;
    }
}

TEST(DamagedFile, aNumberBeyondTheLotteryIsRefusedNamingTheLotterysRange)
{
    TestEnvironment env;
    const CliRunner cli(QStringLiteral(VELMORA_CLI_PATH), env.dataDirectory());
    ASSERT_EQ(cli.run(cliWords({"init", "--demo", "--days", "2"})).exitCode, 0);
    ASSERT_EQ(cli.run(cliWords({"formula", "add", "第一码+1=下期杀第一直选"})).exitCode, 0);
    QString issue;
    {
        // A 12 in a 广东11选5 file: within what any lottery draws, not within this one.
        SqliteDatabase db(QDir(env.lotteryFolder()).filePath(QStringLiteral("formula.mdb")));
        issue = db.scalar(QStringLiteral("SELECT MAX(strQQH) FROM Lishi")).toString();
        db.exec(QStringLiteral("UPDATE Lishi SET L3A = 12 WHERE strQQH = '%1'").arg(issue));
    }
    const QString expected =
        QStringLiteral("历史数据第%1期已损坏：第3个号码（L3A列）是12，不在广东11选5的号码范围1到11之间").arg(issue);
    for (const QStringList& command : {cliWords({"draw", "list"}), cliWords({"draw", "list", "--json"}),
                                       cliWords({"formula", "score", "--table", "gongshi1d", "--flag", "kill"}),
                                       cliWords({"predict", "--position", "1"})}) {
        const CliResult result = cli.run(command);
        const std::string name = command.join(u' ').toStdString();
        EXPECT_EQ(result.exitCode, 1) << name;
        EXPECT_TRUE(text(result.err).contains(expected)) << name << ": " << result.err.toStdString();
        EXPECT_TRUE(result.out.isEmpty()) << name << " showed " << result.out.toStdString();
    }
    // Deleting the damaged draw, as the message says, brings the rest back.
    ASSERT_EQ(cli.run(cliWords({"draw", "delete-last"})).exitCode, 0);
    EXPECT_EQ(cli.run(cliWords({"draw", "list"})).exitCode, 0);
}
