#include "history/Database.h"
#include "formula/FormulaStore.h"
#include "history/AttributeCatalog.h"
#include "history/DatabaseError.h"
#include "history/DatabaseSchema.h"
#include "history/DemoHistory.h"
#include "history/DrawStore.h"
#include "history/HistorySnapshot.h"
#include "scoring/FormulaKind.h"
#include "support/TestEnvironment.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

QStringList columnsOf(SqliteDatabase& db, const QString& table)
{
    QStringList names;
    SqliteStatement info = db.prepare(QStringLiteral("PRAGMA table_info(%1)").arg(table));
    while (info.next())
        names << info.text(1);
    return names;
}

QByteArray fileHash(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

QList<QStringList> dumpHistory(const QString& path)
{
    SqliteDatabase db(path);
    QList<QStringList> rows;
    SqliteStatement all = db.prepare(QStringLiteral("SELECT * FROM Lishi ORDER BY strQQH"));
    while (all.next()) {
        QStringList row;
        for (int c = 0; c < all.columnCount(); ++c)
            row << all.value(c).toString();
        rows << row;
    }
    return rows;
}

} // namespace

TEST(Database, freshFileHasEveryTableAndColumn)
{
    TestEnvironment env;
    Database db(env.dataDirectory());
    EXPECT_TRUE(QFile::exists(env.path(QStringLiteral("formula.mdb"))));
    const QStringList lishi = columnsOf(db.sql(), QStringLiteral("Lishi"));
    EXPECT_EQ(lishi.size(), 1 + 88 + 5);
    EXPECT_EQ(lishi.first(), QStringLiteral("strQQH"));
    for (int i = 0; i < AttributeCatalog::kCount; ++i)
        EXPECT_TRUE(lishi.contains(AttributeCatalog::code(i))) << AttributeCatalog::code(i).toStdString();
    for (const char* work : {"canshu", "PreCanshu", "GSCS", "GSZCS", "GSGL"})
        EXPECT_TRUE(lishi.contains(QLatin1String(work))) << work;
    EXPECT_FALSE(lishi.contains(QStringLiteral("L4R")));
    EXPECT_EQ(db.sql()
                  .scalar(QStringLiteral("SELECT name FROM sqlite_master WHERE type='index' AND tbl_name='Lishi'"))
                  .toString(),
              QStringLiteral("strQQH"));

    const QStringList expected{
        QStringLiteral("idx"),          QStringLiteral("gongshi"),     QStringLiteral("gongshiCN"),
        QStringLiteral("bolKill"),      QStringLiteral("sglGsRate"),   QStringLiteral("intGsErrCon"),
        QStringLiteral("intGsTrueCon"), QStringLiteral("intGsErrLst"), QStringLiteral("intGsTrueLst")};
    ASSERT_EQ(FormulaKind::tableNames().size(), 10);
    for (const QString& table : FormulaKind::tableNames())
        EXPECT_EQ(columnsOf(db.sql(), table), expected) << table.toStdString();
    for (const char* table : {"Errarr", "ErrarrLei"})
        EXPECT_EQ(
            db.sql().scalar(QStringLiteral("SELECT COUNT(DISTINCT num) FROM %1").arg(QLatin1String(table))).toInt(),
            11);
    EXPECT_EQ(db.sql().scalar(QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE name='Tmp'")).toInt(), 0);
}

TEST(Database, foreignFilesAreRefusedAndLeftUntouched)
{
    TestEnvironment env;
    const QString path = env.path(QStringLiteral("formula.mdb"));
    for (const QByteArray& content :
         {QByteArray(QByteArray("\x00\x01\x00\x00Standard Jet DB\x00\x01\x00\x00\x00", 24) + QByteArray(2000, 'j')),
          QByteArray("this is a text file, not a database\n")}) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
        f.close();
        const QByteArray before = fileHash(path);
        try {
            Database db(env.dataDirectory());
            FAIL() << "a foreign file was opened";
        } catch (const DatabaseError& e) {
            EXPECT_TRUE(e.message().contains(QStringLiteral("没有被改动")));
        }
        EXPECT_EQ(fileHash(path), before);
        EXPECT_EQ(QFileInfo(path).size(), content.size());
    }
}

TEST(Database, compactionKeepsBothFilesWithTheSameDataAndStaysWritable)
{
    TestEnvironment env;
    Database db(env.dataDirectory());
    const auto lottery = LotteryTable::entry(0);
    DrawStore store(db, lottery);
    store.addAll(DemoHistory::generate(lottery, 2, 7, QDate(2026, 1, 10)));
    store.deleteLast(30);
    db.compact();
    const QString main = env.path(QStringLiteral("formula.mdb"));
    const QString work = env.path(QStringLiteral("formulaTmp.mdb"));
    ASSERT_TRUE(QFile::exists(main));
    ASSERT_TRUE(QFile::exists(work));
    EXPECT_EQ(dumpHistory(main), dumpHistory(work));
    EXPECT_EQ(dumpHistory(main).size(), 2 * 84 - 30);
    EXPECT_FALSE(QFile::exists(main + QStringLiteral(".part")));

    // The reopened connection reads and writes.
    DrawStore after(db, lottery);
    after.add(after.nextIssue(QDate(2026, 1, 10)), {1, 2, 3, 4, 5});
    EXPECT_EQ(HistorySnapshot::load(db.sql()).size(), 2 * 84 - 29);
    // A second compaction replaces the old work copy.
    db.compact();
    EXPECT_EQ(dumpHistory(work).size(), 2 * 84 - 29);
}

TEST(Database, aTransactionInsideAnotherNestsAndTheOuterOneDecides)
{
    TestEnvironment env;
    Database db(env.dataDirectory());
    const auto count = [&db] { return db.sql().scalar(QStringLiteral("SELECT COUNT(*) FROM Gongshi1D")).toInt(); };
    {
        SqliteDatabase::Transaction outer(db.sql());
        db.sql().exec(QStringLiteral("INSERT INTO Gongshi1D (idx) VALUES (1)"));
        {
            SqliteDatabase::Transaction inner(db.sql());
            db.sql().exec(QStringLiteral("INSERT INTO Gongshi1D (idx) VALUES (2)"));
        } // not committed: only its own row goes
        SqliteDatabase::Transaction kept(db.sql());
        db.sql().exec(QStringLiteral("INSERT INTO Gongshi1D (idx) VALUES (3)"));
        kept.commit();
        EXPECT_EQ(count(), 2);
    } // the outer one is not committed: nothing stays
    EXPECT_EQ(count(), 0);
    {
        SqliteDatabase::Transaction outer(db.sql());
        SqliteDatabase::Transaction inner(db.sql());
        db.sql().exec(QStringLiteral("INSERT INTO Gongshi1D (idx) VALUES (4)"));
        inner.commit();
        outer.commit();
    }
    EXPECT_EQ(count(), 1);
}

namespace {

// A copy of the file as `sqlite3 .dump` piped into a new file gives it: every
// table, index and row, but no version numbers.
QString unversionedCopy(Database& db, const QString& folder)
{
    QDir().mkpath(folder);
    const QString copy = QDir(folder).filePath(QStringLiteral("formula.mdb"));
    SqliteStatement vacuum = db.sql().prepare(QStringLiteral("VACUUM INTO ?1"));
    vacuum.bind(1, copy);
    vacuum.run();
    SqliteDatabase raw(copy);
    raw.exec(QStringLiteral("PRAGMA user_version = 0"));
    raw.exec(QStringLiteral("PRAGMA application_id = 0"));
    return copy;
}

QString refusalOf(const QString& folder)
{
    try {
        Database db(folder);
    } catch (const DatabaseError& e) {
        return e.message();
    }
    return {};
}

} // namespace

// A healthy file without its version (rebuilt from a dump, or written before
// indexes existed) is adopted and brought up to date; a file that is not ours, or
// ours with a table or column missing, is refused with the cause first and is
// left exactly as it was.
TEST(Database, aCompleteSchemaWithoutVersionIsAdoptedAndOtherFilesAreRefusedUntouched)
{
    TestEnvironment env;
    const auto lottery = LotteryTable::entry(0);
    Database original(env.dataDirectory());
    DrawStore(original, lottery).addAll(DemoHistory::generate(lottery, 1, 4, QDate(2026, 3, 1)));
    original.sql().exec(
        QStringLiteral("INSERT INTO Gongshi1D (idx, gongshi, gongshiCN, bolKill) VALUES (1, 'L1A', 'x', 1)"));

    const QString dumped = unversionedCopy(original, env.path(QStringLiteral("dumped")));
    // As a file of the first version would be: no idx index, no Caizhong, no LishiUndo.
    const QString older = unversionedCopy(original, env.path(QStringLiteral("older")));
    {
        SqliteDatabase raw(older);
        raw.exec(QStringLiteral("DROP TABLE Caizhong"));
        raw.exec(QStringLiteral("DROP TABLE LishiUndo"));
        raw.exec(QStringLiteral("DROP INDEX Gongshi1D_idx"));
    }
    for (const QString& folder : {env.path(QStringLiteral("dumped")), env.path(QStringLiteral("older"))}) {
        Database adopted(folder);
        EXPECT_EQ(adopted.sql().scalar(QStringLiteral("PRAGMA user_version")).toInt(), DatabaseSchema::kVersion);
        EXPECT_EQ(DrawStore(adopted, lottery).count(), 84);
        EXPECT_EQ(adopted.sql()
                      .scalar(QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE name = 'Gongshi1D_idx'"))
                      .toInt(),
                  1);
        DrawStore(adopted, lottery).add(QStringLiteral("26030201"), {1, 2, 3, 4, 5});
    }
    EXPECT_NE(fileHash(dumped), QByteArray());

    // Another program's SQLite file, and ours with a table or a column missing.
    const auto prepared = [&env](const QString& name, const QStringList& statements) {
        QDir().mkpath(env.path(name));
        const QString path = QDir(env.path(name)).filePath(QStringLiteral("formula.mdb"));
        SqliteDatabase raw(path);
        for (const QString& sql : statements)
            raw.exec(sql);
        return path;
    };
    const QString foreign = prepared(QStringLiteral("foreign"), {QStringLiteral("CREATE TABLE notes (body TEXT)"),
                                                                 QStringLiteral("INSERT INTO notes VALUES ('mine')")});
    const QString noTable = unversionedCopy(original, env.path(QStringLiteral("notable")));
    SqliteDatabase(noTable).exec(QStringLiteral("DROP TABLE Gongshi3G"));
    const QString noColumn = unversionedCopy(original, env.path(QStringLiteral("nocolumn")));
    SqliteDatabase(noColumn).exec(QStringLiteral("ALTER TABLE Lishi DROP COLUMN L3R"));
    const std::pair<QString, QString> refused[] = {{foreign, QStringLiteral("别的程序")},
                                                   {noTable, QStringLiteral("缺少表 Gongshi3G")},
                                                   {noColumn, QStringLiteral("表 Lishi 缺少列 L3R")}};
    for (const auto& [path, cause] : refused) {
        const QByteArray before = fileHash(path);
        const QString message = refusalOf(QFileInfo(path).path());
        EXPECT_TRUE(message.contains(cause)) << message.toStdString();
        EXPECT_TRUE(message.contains(QStringLiteral("没有被改动"))) << message.toStdString();
        EXPECT_FALSE(message.contains(QStringLiteral("CREATE"))) << message.toStdString();
        EXPECT_EQ(fileHash(path), before) << path.toStdString();
    }

    // A file of this version that lost a column opens (the rest of it stays
    // readable); the statement that needs the column names the cause first,
    // SQLite's words and the SQL follow as details.
    original.sql().exec(QStringLiteral("ALTER TABLE Gongshi2D DROP COLUMN intGsTrueLst"));
    Database damaged(env.dataDirectory());
    EXPECT_EQ(DrawStore(damaged, lottery).count(), 84);
    try {
        FormulaStore(damaged).list(QStringLiteral("Gongshi2D"));
        FAIL() << "a missing column was not reported";
    } catch (const DatabaseError& e) {
        EXPECT_EQ(e.cause(), QStringLiteral("数据库缺少列 intGsTrueLst：文件不完整或来自其他程序。"));
        EXPECT_TRUE(e.message().startsWith(e.cause()));
        EXPECT_TRUE(e.details().contains(QStringLiteral("SELECT idx, gongshi")));
    }
}

// Compaction holds every other connection out from its start until the copy is
// written, so formulaTmp.mdb holds exactly what formula.mdb holds; a connection
// that stays open keeps working afterwards, and no committed write is lost.
TEST(Database, compactionHoldsOtherWritersOutForItsWholeDuration)
{
    TestEnvironment env;
    const auto lottery = LotteryTable::entry(0);
    Database db(env.dataDirectory());
    DrawStore(db, lottery).addAll(DemoHistory::generate(lottery, 2, 9, QDate(2026, 4, 1)));
    DrawStore(db, lottery).deleteLast(50);
    Database other(env.dataDirectory()); // as the window keeps one
    sqlite3_busy_timeout(other.sql().handle(), 0);
    const auto insertFormula = [&other](int idx) {
        other.sql().exec(
            QStringLiteral("INSERT INTO Gongshi2D (idx, gongshi, gongshiCN, bolKill) VALUES (%1, 'L1A', 'x', 1)")
                .arg(idx));
    };
    bool heldOut = false;
    db.compact([&] {
        try {
            insertFormula(1);
        } catch (const DatabaseError& e) {
            heldOut = e.cause().contains(QStringLiteral("另一个程序"));
        }
    });
    EXPECT_TRUE(heldOut);
    const QString main = env.path(QStringLiteral("formula.mdb"));
    const QString work = env.path(QStringLiteral("formulaTmp.mdb"));
    EXPECT_EQ(dumpHistory(main), dumpHistory(work));

    insertFormula(2); // the long-lived connection writes again at once
    db.compact();
    insertFormula(3);
    EXPECT_EQ(db.sql().scalar(QStringLiteral("SELECT COUNT(*) FROM Gongshi2D")).toInt(), 2);
    EXPECT_EQ(SqliteDatabase(work).scalar(QStringLiteral("SELECT COUNT(*) FROM Gongshi2D")).toInt(), 1);

    // A directory where the work copy goes: refused before anything is done.
    QFile::remove(work);
    QDir().mkpath(work);
    try {
        db.compact();
        FAIL() << "compaction ran with a directory in the way";
    } catch (const DatabaseError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("formulaTmp.mdb")));
    }
    insertFormula(4);
    EXPECT_EQ(db.sql().scalar(QStringLiteral("SELECT COUNT(*) FROM Gongshi2D")).toInt(), 3);
}
