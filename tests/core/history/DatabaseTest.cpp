#include "history/Database.h"
#include "formula/FormulaKind.h"
#include "history/AttributeCatalog.h"
#include "history/DatabaseError.h"
#include "history/DemoHistory.h"
#include "history/DrawStore.h"
#include "history/HistorySnapshot.h"
#include "support/TestEnvironment.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

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
