// formula import|export|fetch and export xlsx, run as a child process.
#include "formula/FormulaFileCodec.h"
#include "support/CliRunner.h"
#include "support/LocalHttpServer.h"
#include "support/TestEnvironment.h"
#include "support/XlsxReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

QString s(const char* text) { return QString::fromUtf8(text); }

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// "Gongshi1D:杀:[第一码]+..." for every formula of every table.
QStringList allFormulas(const CliRunner& cli)
{
    QStringList rows;
    for (int p = 1; p <= 5; ++p)
        for (const char* kind : {"D", "G"}) {
            const QString table = QStringLiteral("Gongshi%1%2").arg(p).arg(QLatin1String(kind));
            const CliResult listed = cli.run({s("formula"), s("list"), s("--table"), table, s("--json")});
            for (const auto& value : listed.json().object().value(s("formulas")).toArray()) {
                const QJsonObject o = value.toObject();
                rows << QStringLiteral("%1:%2:%3")
                            .arg(table, o.value(s("bolKill")).toBool() ? s("杀") : s("生"),
                                 o.value(s("gongshiCN")).toString());
            }
        }
    return rows;
}

} // namespace

TEST(FormulaFileCommands, exportImportAndSpreadsheets)
{
    TestEnvironment env;
    const CliRunner cli(QStringLiteral(VELMORA_CLI_PATH), env.dataDirectory());
    ASSERT_EQ(cli.run({s("init"), s("--demo"), s("--days"), s("2"), s("--seed"), s("5")}).exitCode, 0);
    const QStringList demo = allFormulas(cli);
    ASSERT_EQ(demo.size(), 12);

    const QString all = env.path(s("all.txt"));
    const CliResult exported = cli.run({s("formula"), s("export"), all, s("--json")});
    ASSERT_EQ(exported.exitCode, 0) << exported.err.toStdString();
    EXPECT_EQ(exported.json().object().value(s("formulas")).toInt(), 12);
    EXPECT_EQ(exported.json().object().value(s("encoding")).toString(), s("GB18030"));
    EXPECT_EQ(FormulaFileCodec::decode(readFile(all), all).encoding, TextEncoding::Gb18030);

    const QString keep = env.path(s("keep.txt"));
    ASSERT_EQ(cli.run({s("formula"), s("export"), keep, s("--table"), s("gongshi1d"), s("--flag"), s("keep"),
                       s("--encoding"), s("utf-8")})
                  .exitCode,
              0);
    const QString keepText = QString::fromUtf8(readFile(keep));
    EXPECT_EQ(keepText.count(s("连准：")), 2);
    EXPECT_EQ(keepText.count(s("————————————")), 1);

    TestEnvironment other;
    const CliRunner fresh(QStringLiteral(VELMORA_CLI_PATH), other.dataDirectory());
    const CliResult imported = fresh.run({s("formula"), s("import"), all, s("--json")});
    ASSERT_EQ(imported.exitCode, 0) << imported.err.toStdString();
    const QJsonObject counts = imported.json().object();
    EXPECT_EQ(counts.value(s("read")).toInt(), 2 + 12 + 10);
    EXPECT_EQ(counts.value(s("stored")).toInt(), 12);
    EXPECT_EQ(counts.value(s("unrecognised")).toInt(), 0);
    EXPECT_EQ(counts.value(s("tables")).toObject().value(s("Gongshi1D")).toInt(), 5);
    EXPECT_EQ(allFormulas(fresh), demo);
    // The same file again: each formula is in its table already; none is doubled.
    const CliResult again = fresh.run({s("formula"), s("import"), all, s("--json")});
    ASSERT_EQ(again.exitCode, 0) << again.err.toStdString();
    EXPECT_EQ(again.json().object().value(s("stored")).toInt(), 0);
    EXPECT_EQ(again.json().object().value(s("duplicates")).toInt(), 12);
    EXPECT_EQ(allFormulas(fresh), demo);

    // A file with a line that is no formula: the rest goes in, the line is reported.
    const QString mixed = env.path(s("mixed.txt"));
    writeFile(mixed, s("第一码=下期杀第二直选\r\n这不是公式\r\n").toUtf8());
    const CliResult partly = fresh.run({s("formula"), s("import"), mixed, s("--json")});
    EXPECT_EQ(partly.exitCode, 0);
    EXPECT_EQ(partly.json().object().value(s("unrecognised")).toInt(), 1);
    EXPECT_TRUE(partly.err.contains("无法识别公式"));
    EXPECT_EQ(readFile(other.path(s("无法识别公式.txt"))), s("这不是公式\r\n").toUtf8());
    writeFile(mixed, QByteArray("\xB5\xDA\xB5\x20\r\n")); // a lead byte before a space
    EXPECT_EQ(fresh.run({s("formula"), s("import"), mixed}).exitCode, 2);
    EXPECT_EQ(fresh.run({s("formula"), s("import"), env.path(s("missing.txt"))}).exitCode, 1);
    EXPECT_EQ(cli.run({s("formula"), s("export"), all, s("--encoding"), s("latin1")}).exitCode, 2);

    const QString formulas = env.path(s("gongshi.xlsx"));
    const CliResult grid = cli.run({s("export"), s("xlsx"), s("--formulas"), formulas, s("--table"), s("Gongshi1D"),
                                    s("--flag"), s("keep"), s("--json")});
    ASSERT_EQ(grid.exitCode, 0) << grid.err.toStdString();
    const XlsxReader formulaSheet(formulas);
    ASSERT_TRUE(formulaSheet.ok());
    EXPECT_EQ(formulaSheet.rowCount(), 3);
    EXPECT_EQ(formulaSheet.cell(1, 1).text, s("[第二码]+[第四平方]=下期生第一直选"));
    EXPECT_EQ(formulaSheet.cell(1, 2).text, s("第一直选"));
    EXPECT_EQ(formulaSheet.cell(1, 0).fill, s("0000FF"));

    const QString draws = env.path(s("lishi.xlsx"));
    ASSERT_EQ(cli.run({s("export"), s("xlsx"), s("--history"), draws, s("--table"), s("Gongshi1D")}).exitCode, 0);
    const XlsxReader historySheet(draws);
    ASSERT_TRUE(historySheet.ok());
    const QJsonArray stored = cli.run({s("draw"), s("list"), s("--json")}).json().object().value(s("draws")).toArray();
    EXPECT_EQ(historySheet.rowCount(), stored.size() + 1);
    EXPECT_EQ(historySheet.columnCount(), 6 + 3); // the three kill formulas of Gongshi1D
    EXPECT_EQ(historySheet.cell(1, 0).text, stored[0].toObject().value(s("strQQH")).toString());
    EXPECT_EQ(cli.run({s("export"), s("xlsx"), s("--formulas"), formulas}).exitCode, 2); // which table?
    EXPECT_EQ(cli.run({s("export"), s("xlsx"), s("--history"), draws, s("--formulas"), formulas}).exitCode, 2);
}

// A spreadsheet written onto a symbolic link replaces the link's target, as the
// text exports do; a folder in its place is refused and left alone.
TEST(FormulaFileCommands, aSpreadsheetGoesThroughALinkAndNeverReplacesAFolder)
{
    TestEnvironment env;
    const CliRunner cli(QStringLiteral(VELMORA_CLI_PATH), env.dataDirectory());
    ASSERT_EQ(cli.run({s("init"), s("--demo"), s("--days"), s("1")}).exitCode, 0);
    const QString target = env.path(s("kept/lishi.xlsx"));
    ASSERT_TRUE(QDir().mkpath(env.path(s("kept"))));
    writeFile(target, "old");
    const QString link = env.path(s("link.xlsx"));
    ASSERT_TRUE(QFile::link(s("kept/lishi.xlsx"), link)); // relative, as `ln -s` makes it
    const CliResult written = cli.run({s("export"), s("xlsx"), s("--history"), link});
    ASSERT_EQ(written.exitCode, 0) << written.err.toStdString();
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), QFileInfo(target).absoluteFilePath());
    EXPECT_TRUE(XlsxReader(target).ok());
    EXPECT_GT(XlsxReader(target).rowCount(), 1);
    EXPECT_FALSE(QFile::exists(target + s(".part")));

    const QString folder = env.path(s("folder.xlsx"));
    ASSERT_TRUE(QDir().mkpath(folder + s("/inside")));
    const QString folderLink = env.path(s("folder-link.xlsx"));
    ASSERT_TRUE(QFile::link(folder, folderLink));
    for (const QString& path : {folder, folderLink}) {
        const CliResult refused = cli.run({s("export"), s("xlsx"), s("--history"), path});
        EXPECT_EQ(refused.exitCode, 1) << path.toStdString();
        EXPECT_TRUE(QString::fromUtf8(refused.err).contains(s("这是一个文件夹，没有改动它")))
            << refused.err.toStdString();
        EXPECT_TRUE(QFileInfo(folder + s("/inside")).isDir());
    }
    EXPECT_TRUE(QFileInfo(folderLink).isSymLink());
}

TEST(FormulaFileCommands, fetchReplacesTheFormulasAndFallsBackOnThePreviousFile)
{
    LocalHttpServer server;
    const QByteArray first =
        FormulaFileCodec::encode(s("第一码=下期杀第一直选\r\n第二码=下期生第三组选\r\n"), TextEncoding::Gb18030);
    server.serve(s("/gs.txt"), first);
    server.hang(s("/silent"));
    server.serve(s("/huge"), QByteArray(10 * 1024 * 1024 + 1, 'x'), false);

    TestEnvironment env;
    const CliRunner cli(QStringLiteral(VELMORA_CLI_PATH), env.dataDirectory());
    ASSERT_EQ(cli.run({s("init"), s("--demo"), s("--days"), s("1"), s("--seed"), s("2")}).exitCode, 0);
    const QString velmora = env.path(s("Velmora.txt"));

    // Nothing fetched before: a failure changes nothing.
    const CliResult none = cli.run({s("formula"), s("fetch"), s("--url"), server.url(s("/absent"))});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_TRUE(none.err.contains("Not Found")) << none.err.toStdString();
    EXPECT_EQ(allFormulas(cli).size(), 12);
    EXPECT_FALSE(QFile::exists(velmora));

    const CliResult fetched = cli.run({s("formula"), s("fetch"), s("--url"), server.url(s("/gs.txt")), s("--json")});
    ASSERT_EQ(fetched.exitCode, 0) << fetched.err.toStdString();
    EXPECT_TRUE(fetched.json().object().value(s("downloaded")).toBool());
    EXPECT_EQ(fetched.json().object().value(s("stored")).toInt(), 2);
    EXPECT_EQ(readFile(velmora), first);
    const QStringList replaced = {s("Gongshi1D:杀:第一码=下期杀第一直选"), s("Gongshi3G:生:第二码=下期生第三组选")};
    EXPECT_EQ(allFormulas(cli), replaced);

    // Each failure says why, keeps Velmora.txt and reads it again.
    const struct {
        QStringList args;
        const char* why;
    } failures[] = {
        {{s("--url"), server.url(s("/absent"))}, "Not Found"},
        {{s("--url"), server.url(s("/silent")), s("--timeout"), s("1")}, "放弃"},
        {{s("--url"), server.url(s("/huge"))}, "上限"},
        {{s("--url"), s("ftp://127.0.0.1/gs.txt")}, "ftp"},
    };
    for (const auto& failure : failures) {
        const CliResult result = cli.run(QStringList{s("formula"), s("fetch"), s("--json")} + failure.args);
        EXPECT_EQ(result.exitCode, 1) << failure.why;
        EXPECT_TRUE(QString::fromUtf8(result.err).contains(s(failure.why))) << result.err.toStdString();
        EXPECT_FALSE(result.json().object().value(s("downloaded")).toBool());
        EXPECT_EQ(readFile(velmora), first);
        EXPECT_EQ(allFormulas(cli), replaced);
    }
}
