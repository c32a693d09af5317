// Formula text files: encodings, the line format, import into the formula tables
// and export with the list's scores.
#include "formula/FormulaFile.h"
#include "common/UserError.h"
#include "formula/FormulaExport.h"
#include "formula/FormulaFileCodec.h"
#include "formula/FormulaImport.h"
#include "formula/FormulaOnlineUpdate.h"
#include "formula/FormulaStore.h"
#include "formula/FormulaText.h"
#include "formula/TableScorer.h"
#include "history/Database.h"
#include "history/DatabaseError.h"
#include "history/DemoHistory.h"
#include "history/DrawStore.h"
#include "history/HistorySnapshot.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <gtest/gtest.h>

namespace {

QString s(const char* text) { return QString::fromUtf8(text); }

QByteArray gb18030(const QString& text) { return FormulaFileCodec::encode(text, TextEncoding::Gb18030); }

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int lishiRows(Database& db) { return db.sql().scalar(QStringLiteral("SELECT COUNT(*) FROM Lishi")).toInt(); }

// Every formula of every table as "table|idx|kill|chinese".
QStringList everything(Database& db)
{
    QStringList rows;
    FormulaStore store(db);
    for (const QString& table : FormulaKind::tableNames())
        for (const FormulaRecord& r : store.list(table))
            rows << QStringLiteral("%1|%2|%3|%4").arg(table).arg(r.idx).arg(r.kill ? 1 : 0).arg(r.chinese);
    return rows;
}

// Two formulas per table, one kill and one keep, all different.
QStringList tenTableLines()
{
    QStringList lines;
    const QStringList positions = {s("第一"), s("第二"), s("第三"), s("第四"), s("第五")};
    int n = 1;
    for (const QString& position : positions)
        for (const QString& kind : {s("直选"), s("组选")}) {
            lines << QStringLiteral("第一码+%1=下期杀%2%3").arg(n++).arg(position, kind);
            lines << QStringLiteral("和数*%1+第二码=下期生%2%3").arg(n++).arg(position, kind);
        }
    return lines;
}

class FormulaFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = std::make_unique<Database>(env.dataDirectory());
        DrawStore(*db, LotteryTable::entry(0))
            .addAll(DemoHistory::generate(LotteryTable::entry(0), 3, 17, QDate(2026, 4, 2)));
    }

    TestEnvironment env;
    std::unique_ptr<Database> db;
};

} // namespace

TEST_F(FormulaFiles, exportThenImportGivesBackEveryTableWithTheListsRuns)
{
    std::vector<ParsedFormula> parsed;
    for (const QString& line : tenTableLines())
        parsed.push_back(FormulaText::parse(line));
    FormulaStore(*db).addAll(parsed);
    const QStringList before = everything(*db);
    const HistorySnapshot history = HistorySnapshot::load(db->sql());
    const ScoringWindow window{100, true, true};

    for (TextEncoding encoding : {TextEncoding::Gb18030, TextEncoding::Utf8}) {
        const QString path = env.path(QStringLiteral("out.txt"));
        FormulaExportOptions options;
        options.encoding = encoding;
        options.window = window;
        const FormulaExportResult written =
            FormulaExport::write(*db, history, FormulaKind::tableNames(), path, options);
        EXPECT_EQ(written.formulas, 20);
        EXPECT_EQ(written.classes, 10);

        const QByteArray bytes = readFile(path);
        const DecodedText decoded = FormulaFileCodec::decode(bytes, path);
        EXPECT_EQ(decoded.encoding, encoding);
        EXPECT_EQ(bytes.count("\r\n"), 2 + 20 + 10); // header, empty line, formulas, separators
        EXPECT_EQ(bytes.count("\n"), bytes.count("\r\n"));
        EXPECT_EQ(decoded.lines.value(0), FormulaFile::header());
        EXPECT_EQ(decoded.lines.count(FormulaFile::separator()), 10);

        // The written run is the list's 最后连对 for that table and flag.
        const QString first = decoded.lines.value(2);
        EXPECT_TRUE(first.contains(QString(11, QChar(0x3000)) + s("连准："))) << first.toStdString();
        const std::vector<ScoredFormula> listed =
            TableScorer::scoreTable(*db, history, QStringLiteral("Gongshi1D"), true, 11, window);
        EXPECT_TRUE(first.endsWith(QStringLiteral("连准：%1期").arg(listed.front().record.statistics.lastHitRun)));

        TestEnvironment other;
        Database copy(other.dataDirectory());
        const FormulaImportResult imported = FormulaImport::importFile(copy, path, {});
        EXPECT_EQ(imported.stored, 20);
        EXPECT_EQ(imported.unrecognised, 0); // the header, its empty line and the separators are the format
        EXPECT_EQ(everything(copy), before);
    }
}

TEST_F(FormulaFiles, utf8WithAndWithoutMarkAndGb18030ImportIdentically)
{
    const QString text = s("本组公式由《另一个程序》软件搜索而来\r\n\r\n第一码+第二码=下期杀第三直选　　连准：3期\r\n"
                           "[第二组选杀]和数\r\n大小+1=下期生第五组选\n————————————\r\n");
    const QByteArray mark("\xEF\xBB\xBF");
    const QByteArray variants[] = {text.toUtf8(), mark + text.toUtf8(), gb18030(text), mark + mark + text.toUtf8()};
    QStringList first;
    for (const QByteArray& bytes : variants) {
        const DecodedText decoded = FormulaFileCodec::decode(bytes, QStringLiteral("f.txt"));
        EXPECT_EQ(decoded.lines.size(), 6);
        EXPECT_EQ(decoded.lines.value(2), s("第一码+第二码=下期杀第三直选　　连准：3期"));

        TestEnvironment other;
        Database target(other.dataDirectory());
        const FormulaImportResult result = FormulaImport::importBytes(target, bytes, QStringLiteral("f.txt"), {});
        EXPECT_EQ(result.stored, 2);
        EXPECT_EQ(result.unrecognised, 1); // 大小+1: 大小 needs a position
        if (first.isEmpty())
            first = everything(target);
        EXPECT_EQ(everything(target), first);
    }
    EXPECT_EQ(first,
              (QStringList{s("Gongshi2G|1|1|[第二组选杀]和数"), s("Gongshi3D|1|1|第一码+第二码=下期杀第三直选")}));
    EXPECT_EQ(FormulaFileCodec::decode(variants[2], {}).encoding, TextEncoding::Gb18030);
    EXPECT_TRUE(FormulaFileCodec::decode(variants[1], {}).byteOrderMark);
    // Marks and nothing else: every raw line still has its decoded line.
    for (const QByteArray& marks : {QByteArray(mark + mark), QByteArray(mark + mark + "\r\n" + mark)}) {
        const DecodedText decoded = FormulaFileCodec::decode(marks, {});
        EXPECT_EQ(decoded.lines.size(), static_cast<qsizetype>(decoded.rawLines.size())) << marks.toHex().constData();
    }
}

TEST_F(FormulaFiles, aBadByteSequenceIsReportedWithItsLineAndNothingIsStored)
{
    const QString text = s("第一码=下期杀第一直选\r\n第二码=下期杀第一直选\r\n第三码=下期杀第一直选\r\n");
    QByteArray badGb = gb18030(text);
    badGb.insert(badGb.indexOf("\r\n") + 2, '\x80'); // a lone 0x80 opens line 2
    QByteArray cutUtf8 = text.toUtf8();
    cutUtf8.remove(cutUtf8.lastIndexOf("\r\n") - 1, 1); // the last character of line 3 loses a byte

    const struct {
        QByteArray bytes;
        const char* line;
        const char* encoding;
    } cases[] = {{badGb, "第 2 行", "GB18030"}, {cutUtf8, "第 3 行", "UTF-8"}};
    for (const auto& c : cases) {
        try {
            FormulaImport::importBytes(*db, c.bytes, QStringLiteral("bad.txt"), {});
            ADD_FAILURE() << "accepted " << c.encoding;
        } catch (const UserError& e) {
            EXPECT_TRUE(e.message().contains(s(c.line))) << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(QLatin1String(c.encoding))) << e.message().toStdString();
        }
    }
    EXPECT_TRUE(everything(*db).isEmpty());
    EXPECT_THROW(FormulaFileCodec::decode(QByteArray("\xFF\xFE\x31\x00", 4), {}), UserError);
}

TEST_F(FormulaFiles, unrecognisedLinesAreReportedUnchangedAndNothingElseChanges)
{
    FormulaStore(*db).add(FormulaText::parse(s("第五码=下期杀第一直选")));
    const int draws = lishiRows(*db);
    const QStringList lines = {
        s("第一码+第二码=下期杀第一直选　　　连准：12期"), // cut at 连准
        s("第一码 连准 第二码=下期杀第一直选"), // cut at 连准 leaves no target
        s("  第三码*2=下期生第一直选  "), // no 连准: parsed whole
        QString(),
        s("L1A; DROP TABLE Lishi"),
        s("L1A+(SELECT 1)=下期杀第一直选"),
        s("第一码');DELETE FROM Gongshi1D;--=下期杀第一直选"),
        s("第六码=下期杀第六直选"),
        s("   "),
    };
    const QByteArray bytes = gb18030(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
    const FormulaImportResult result = FormulaImport::importBytes(*db, bytes, QStringLiteral("mixed.txt"), {});

    EXPECT_EQ(result.lines, 9);
    EXPECT_EQ(result.stored, 2);
    EXPECT_EQ(result.unrecognised, 7);
    EXPECT_EQ(result.encoding, TextEncoding::Gb18030);
    EXPECT_EQ(everything(*db),
              (QStringList{s("Gongshi1D|1|1|第五码=下期杀第一直选"), s("Gongshi1D|2|1|第一码+第二码=下期杀第一直选"),
                           s("Gongshi1D|3|0|第三码*2=下期生第一直选")}));
    EXPECT_EQ(lishiRows(*db), draws);

    // The report holds the refused lines as they were: same bytes, same encoding, CR LF.
    const QStringList refused = {lines[1], lines[3], lines[4], lines[5], lines[6], lines[7], lines[8]};
    EXPECT_EQ(result.reportPath, env.path(FormulaImport::reportFileName()));
    EXPECT_EQ(readFile(result.reportPath), gb18030(refused.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")));
    EXPECT_TRUE(
        FormulaImport::unrecognisedMessage(result).startsWith(s("公式文本文件中含有无法识别公式，无法添加到软件")));

    // An import without unrecognised lines leaves no report of an earlier one.
    FormulaImport::importBytes(*db, s("[第一直选杀]L1A").toUtf8(), QStringLiteral("one.txt"), {});
    EXPECT_FALSE(QFile::exists(result.reportPath));
}

// A report that cannot be written (a read-only folder, here a folder in its place)
// stops the import under the import's own title, not the one of a bad formula.
TEST_F(FormulaFiles, aReportThatCannotBeWrittenStopsTheImportUnderItsOwnTitle)
{
    ASSERT_TRUE(QDir().mkpath(env.path(FormulaImport::reportFileName()) + QStringLiteral("/in-the-way")));
    try {
        // The second line is unreadable, so a report has to be written.
        FormulaImport::importBytes(*db, s("第一码=下期杀第一直选\r\n第一码=\r\n").toUtf8(), QStringLiteral("one.txt"),
                                   {});
        ADD_FAILURE() << "imported without its report";
    } catch (const UserError& e) {
        EXPECT_EQ(e.title(), s("导入公式"));
        EXPECT_TRUE(e.message().contains(s("公式没有导入"))) << e.message().toStdString();
    }
    EXPECT_TRUE(everything(*db).isEmpty());
}

TEST_F(FormulaFiles, replacingKeepsTheOldFormulasWhenTheImportFails)
{
    FormulaStore(*db).addAll(
        {FormulaText::parse(s("第五码=下期杀第一直选")), FormulaText::parse(s("第四码=下期杀第二组选"))});
    const QStringList before = everything(*db);
    FormulaImportOptions replacing;
    replacing.replaceAll = true;

    // Not one formula recognised: the tables are not emptied.
    EXPECT_THROW(
        FormulaImport::importBytes(*db, QByteArray("<html>gone</html>\r\n"), QStringLiteral("x.txt"), replacing),
        UserError);
    EXPECT_EQ(everything(*db), before);

    // A write that fails half-way leaves every table as it was, emptied ones included.
    db->sql().exec(
        QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON Gongshi3D BEGIN SELECT RAISE(ABORT, 'full'); END"));
    const QByteArray file = s("第一码=下期杀第一直选\r\n第二码=下期杀第三直选\r\n").toUtf8();
    EXPECT_THROW(FormulaImport::importBytes(*db, file, QStringLiteral("y.txt"), replacing), DatabaseError);
    EXPECT_EQ(everything(*db), before);
    db->sql().exec(QStringLiteral("DROP TRIGGER refuse"));

    // The online update replaces everything with what Velmora.txt holds.
    EXPECT_THROW(FormulaOnlineUpdate::importStored(*db, {}), UserError); // nothing downloaded yet
    FormulaOnlineUpdate::storeDownload(env.dataDirectory(), gb18030(s("第二码=下期生第四组选\r\n")));
    EXPECT_EQ(FormulaOnlineUpdate::importStored(*db, {}).stored, 1);
    EXPECT_EQ(everything(*db), QStringList{s("Gongshi4G|1|0|第二码=下期生第四组选")});
}

TEST_F(FormulaFiles, exportFileNamesKeepTheIssuesDigits)
{
    EXPECT_EQ(FormulaExport::allTablesFileName(QStringLiteral("26040301")), s("26040301期11选5公式.txt"));
    EXPECT_EQ(FormulaExport::tableFileName(QStringLiteral("../2604/0302"), s("第三组选")),
              s("26040302期11选5第三组选公式.txt"));
}

TEST_F(FormulaFiles, appendingClosesGapsSoTheTableRunsOneToN)
{
    FormulaStore store(*db);
    store.addAll({FormulaText::parse(s("第一码=下期杀第一直选")), FormulaText::parse(s("第二码=下期杀第一直选"))});
    db->sql().exec(QStringLiteral("UPDATE Gongshi1D SET idx = 7 WHERE idx = 2")); // a gap left by hand
    FormulaImport::importBytes(*db, s("第三码=下期杀第一直选\r\n").toUtf8(), QStringLiteral("z.txt"), {});
    QStringList idxs;
    for (const FormulaRecord& r : store.list(QStringLiteral("Gongshi1D")))
        idxs << QStringLiteral("%1:%2").arg(r.idx).arg(r.code);
    EXPECT_EQ(idxs, (QStringList{s("1:L1A"), s("2:L2A"), s("3:L3A")}));
}
