#include "history/DatabaseSchema.h"

#include "history/AttributeCatalog.h"
#include "history/Database.h"
#include "history/DatabaseError.h"
#include "history/SqliteDatabase.h"

#include <QMap>
#include <QSet>
#include <utility>
#include <vector>

namespace {

const QStringList kTallyColumns{QStringLiteral("num"), QStringLiteral("ETrrcount"), QStringLiteral("Errcount"),
                                QStringLiteral("Trrcount")};
const QStringList kLotteryColumns{QStringLiteral("GsZl"), QStringLiteral("onlineCode"), QStringLiteral("caption")};

// What a file holds before anything is written: its versions and its tables
// (lower-case names) with their columns.
struct Contents {
    int version = 0;
    int applicationId = 0;
    QMap<QString, QSet<QString>> tables;

    bool has(const QString& table) const { return tables.contains(table.toLower()); }
};

Contents inspect(SqliteDatabase& db)
{
    Contents contents;
    contents.version = db.scalar(QStringLiteral("PRAGMA user_version")).toInt();
    contents.applicationId = db.scalar(QStringLiteral("PRAGMA application_id")).toInt();
    std::vector<QString> names;
    SqliteStatement tables =
        db.prepare(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%'"));
    while (tables.next())
        names.push_back(tables.text(0));
    for (const QString& name : names) {
        QSet<QString>& columns = contents.tables[name.toLower()];
        SqliteStatement info = db.prepare(QStringLiteral("SELECT name FROM pragma_table_info(?1)"));
        info.bind(1, name);
        while (info.next())
            columns.insert(info.text(0).toLower());
    }
    return contents;
}

// The tables of a version and the columns each must have.
std::vector<std::pair<QString, QStringList>> requiredTables(int version)
{
    std::vector<std::pair<QString, QStringList>> tables{{QStringLiteral("Lishi"), DatabaseSchema::lishiColumns()}};
    for (const QString& name : DatabaseSchema::formulaTableNames())
        tables.emplace_back(name, DatabaseSchema::formulaColumns());
    tables.emplace_back(QStringLiteral("Errarr"), kTallyColumns);
    tables.emplace_back(QStringLiteral("ErrarrLei"), kTallyColumns);
    if (version >= 2) {
        tables.emplace_back(QStringLiteral("Caizhong"), kLotteryColumns);
        tables.emplace_back(QStringLiteral("LishiUndo"), DatabaseSchema::lishiColumns());
    }
    return tables;
}

// "表 Lishi 缺少列 L3R、L2R" / "缺少表 Gongshi4G", at most a few of each.
QStringList missingParts(const Contents& contents, int version)
{
    QStringList missing;
    for (const auto& [table, columns] : requiredTables(version)) {
        if (!contents.has(table)) {
            missing << QStringLiteral("缺少表 %1").arg(table);
            continue;
        }
        QStringList absent;
        for (const QString& column : columns)
            if (!contents.tables.value(table.toLower()).contains(column.toLower()))
                absent << column;
        if (!absent.isEmpty())
            missing << QStringLiteral("表 %1 缺少列 %2")
                           .arg(table, absent.size() > 5 ? QString(absent.mid(0, 5).join(u'、') + QStringLiteral("等"))
                                                         : absent.join(u'、'));
    }
    return missing;
}

bool isOurs(const Contents& contents)
{
    if (contents.has(QStringLiteral("Lishi")))
        return true;
    for (const QString& name : DatabaseSchema::formulaTableNames())
        if (contents.has(name))
            return true;
    return false;
}

const QString kLeftAlone = QStringLiteral("文件没有被改动；请把它移走或改名，程序会新建一个空数据库。");

// Refusals that need no write: a newer version, another program's file.
void refuseForeign(const Contents& contents, const QString& path)
{
    if (contents.version > DatabaseSchema::kVersion)
        throw DatabaseError(QStringLiteral("数据库 %1 来自更新版本的程序（结构版本 %2），无法使用。文件没有被改动。")
                                .arg(path)
                                .arg(contents.version));
    const bool otherProgram =
        (contents.applicationId != 0 && contents.applicationId != DatabaseSchema::kApplicationId) ||
        (contents.version == 0 && !contents.tables.isEmpty() && !isOurs(contents));
    if (otherProgram)
        throw DatabaseError(QStringLiteral("%1 是别的程序的 SQLite 数据库，不是本程序的数据库文件。").arg(path) +
                            kLeftAlone);
}

void requireComplete(const Contents& contents, int version, const QString& path)
{
    const QStringList missing = missingParts(contents, version);
    if (!missing.isEmpty())
        throw DatabaseError(QStringLiteral("数据库 %1 不完整（%2），无法使用。文件没有被改动。")
                                .arg(path, missing.mid(0, 4).join(QStringLiteral("；"))));
}

QString createTable(const QString& name, const QStringList& columns, const QStringList& types)
{
    QStringList parts;
    for (qsizetype i = 0; i < columns.size(); ++i)
        parts << columns[i] + u' ' + types[i];
    return QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (%2)").arg(name, parts.join(QStringLiteral(", ")));
}

QString createLishi(const QString& name)
{
    QStringList types{QStringLiteral("TEXT NOT NULL")};
    for (int i = 0; i < AttributeCatalog::kCount; ++i)
        types << QStringLiteral("INTEGER");
    types << QStringLiteral("REAL") << QStringLiteral("INTEGER") << QStringLiteral("INTEGER") << QStringLiteral("REAL")
          << QStringLiteral("INTEGER");
    return createTable(name, DatabaseSchema::lishiColumns(), types);
}

void createVersion1(SqliteDatabase& db)
{
    db.exec(createLishi(QStringLiteral("Lishi")));
    const QStringList formulaTypes{QStringLiteral("INTEGER"), QStringLiteral("TEXT"),
                                   QStringLiteral("TEXT"),    QStringLiteral("INTEGER NOT NULL DEFAULT 1"),
                                   QStringLiteral("REAL"),    QStringLiteral("INTEGER"),
                                   QStringLiteral("INTEGER"), QStringLiteral("INTEGER"),
                                   QStringLiteral("INTEGER")};
    for (const QString& table : DatabaseSchema::formulaTableNames())
        db.exec(createTable(table, DatabaseSchema::formulaColumns(), formulaTypes));
    for (const char* table : {"Errarr", "ErrarrLei"}) {
        db.exec(createTable(QLatin1String(table), kTallyColumns, QStringList(4, QStringLiteral("INTEGER"))));
        for (int n = 1; n <= 11; ++n)
            db.exec(QStringLiteral("INSERT INTO %1 VALUES (%2, 0, 0, 0)").arg(QLatin1String(table)).arg(n));
    }
}

// Each step may meet a file that already has it (adopted from a dump of a newer one).
void migrateToVersion2(SqliteDatabase& db)
{
    db.exec(QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS strQQH ON Lishi (strQQH)"));
    for (const QString& table : DatabaseSchema::formulaTableNames())
        db.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS %1_idx ON %1 (idx)").arg(table));
    db.exec(createTable(
        QStringLiteral("Caizhong"), kLotteryColumns,
        {QStringLiteral("INTEGER NOT NULL"), QStringLiteral("TEXT NOT NULL"), QStringLiteral("TEXT NOT NULL")}));
    db.exec(createLishi(QStringLiteral("LishiUndo")));
}

} // namespace

QStringList DatabaseSchema::lishiColumns()
{
    QStringList columns{QStringLiteral("strQQH")};
    for (int i = 0; i < AttributeCatalog::kCount; ++i)
        columns << AttributeCatalog::code(i);
    columns << QStringLiteral("canshu") << QStringLiteral("PreCanshu") << QStringLiteral("GSCS")
            << QStringLiteral("GSZCS") << QStringLiteral("GSGL");
    return columns;
}

QStringList DatabaseSchema::formulaColumns()
{
    return {QStringLiteral("idx"),          QStringLiteral("gongshi"),     QStringLiteral("gongshiCN"),
            QStringLiteral("bolKill"),      QStringLiteral("sglGsRate"),   QStringLiteral("intGsErrCon"),
            QStringLiteral("intGsTrueCon"), QStringLiteral("intGsErrLst"), QStringLiteral("intGsTrueLst")};
}

QString DatabaseSchema::formulaTableName(int position, bool group)
{
    return QStringLiteral("Gongshi") + QString::number(position) + (group ? u'G' : u'D');
}

QStringList DatabaseSchema::formulaTableNames()
{
    QStringList names;
    for (int position = 1; position <= 5; ++position)
        names << formulaTableName(position, false) << formulaTableName(position, true);
    return names;
}

void DatabaseSchema::prepare(SqliteDatabase& db, const QString& path)
{
    Contents contents = inspect(db);
    refuseForeign(contents, path);
    // A file of this version that lost a table or column (edited by hand) still
    // opens, so the rest of it can be read; the statement that needs the missing
    // part names it.
    if (contents.version == kVersion)
        return;
    // Read again with the write lock held: another program may be creating or
    // migrating the same file at this moment.
    SqliteDatabase::Transaction transaction(db);
    contents = inspect(db);
    refuseForeign(contents, path);
    if (contents.version < kVersion) {
        if (contents.version == 0 && contents.tables.isEmpty())
            createVersion1(db);
        else
            requireComplete(contents, 1, path); // a complete schema is adopted, whatever its version says
        migrateToVersion2(db);
        db.exec(QStringLiteral("PRAGMA application_id = %1").arg(kApplicationId));
        db.exec(QStringLiteral("PRAGMA user_version = %1").arg(kVersion));
        contents = inspect(db);
    }
    requireComplete(contents, kVersion, path);
    transaction.commit();
}
