#include "history/Database.h"

#include "formula/FormulaKind.h"
#include "history/AttributeCatalog.h"
#include "history/DatabaseError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QString createLishi()
{
    QString sql = QStringLiteral("CREATE TABLE Lishi (strQQH TEXT NOT NULL");
    for (int i = 0; i < AttributeCatalog::kCount; ++i)
        sql += QStringLiteral(", %1 INTEGER").arg(AttributeCatalog::code(i));
    sql += QStringLiteral(", canshu REAL, PreCanshu INTEGER, GSCS INTEGER, GSZCS REAL, GSGL INTEGER)");
    return sql;
}

QString createFormulaTable(const QString& name)
{
    return QStringLiteral(
               "CREATE TABLE %1 (idx INTEGER, gongshi TEXT, gongshiCN TEXT, bolKill INTEGER NOT NULL DEFAULT 1, "
               "sglGsRate REAL, intGsErrCon INTEGER, intGsTrueCon INTEGER, intGsErrLst INTEGER, intGsTrueLst INTEGER)")
        .arg(name);
}

} // namespace

Database::Database(const QString& dataDirectory) : m_directory(dataDirectory)
{
    QDir().mkpath(m_directory);
    open();
}

QString Database::filePath() const { return QDir(m_directory).filePath(QStringLiteral("formula.mdb")); }
QString Database::workCopyPath() const { return QDir(m_directory).filePath(QStringLiteral("formulaTmp.mdb")); }

void Database::refuseForeignFile(const QString& path)
{
    QFile file(path);
    if (!file.exists() || file.size() == 0)
        return;
    if (!file.open(QIODevice::ReadOnly))
        throw DatabaseError(QStringLiteral("无法读取数据库文件 %1：%2").arg(path, file.errorString()));
    const QByteArray head = file.read(32);
    if (head.startsWith(QByteArray("SQLite format 3\0", 16)))
        return;
    if (head.mid(4, 15) == "Standard Jet DB" || head.mid(4, 15) == "Standard ACE DB")
        throw DatabaseError(QStringLiteral("%1 是旧版 Access（Jet）数据库，本程序无法使用它。文件没有被改动；"
                                           "请把它移走或改名，程序会新建一个空数据库。")
                                .arg(path));
    throw DatabaseError(
        QStringLiteral("%1 不是本程序的数据库文件。文件没有被改动；请把它移走或改名，程序会新建一个空数据库。")
            .arg(path));
}

void Database::open()
{
    refuseForeignFile(filePath());
    m_db = std::make_unique<SqliteDatabase>(filePath());
    migrate();
}

void Database::migrate()
{
    const int version = m_db->scalar(QStringLiteral("PRAGMA user_version")).toInt();
    if (version > kSchemaVersion)
        throw DatabaseError(
            QStringLiteral("数据库 %1 来自更新版本的程序（结构版本 %2），无法使用。").arg(filePath()).arg(version));
    if (version == kSchemaVersion)
        return;
    SqliteDatabase::Transaction transaction(*m_db);
    if (version < 1) {
        m_db->exec(createLishi());
        m_db->exec(QStringLiteral("CREATE UNIQUE INDEX strQQH ON Lishi (strQQH)"));
        for (const FormulaKind& kind : FormulaKind::all())
            m_db->exec(createFormulaTable(kind.tableName()));
        for (const char* table : {"Errarr", "ErrarrLei"}) {
            m_db->exec(
                QStringLiteral("CREATE TABLE %1 (num INTEGER, ETrrcount INTEGER, Errcount INTEGER, Trrcount INTEGER)")
                    .arg(QLatin1String(table)));
            for (int n = 1; n <= 11; ++n)
                m_db->exec(QStringLiteral("INSERT INTO %1 VALUES (%2, 0, 0, 0)").arg(QLatin1String(table)).arg(n));
        }
    }
    m_db->exec(QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion));
    transaction.commit();
}

void Database::compact()
{
    const QString work = workCopyPath();
    if (QFile::exists(work) && !QFile::remove(work))
        throw DatabaseError(QStringLiteral("无法删除旧的工作副本 %1").arg(work));
    SqliteStatement vacuum = m_db->prepare(QStringLiteral("VACUUM INTO ?1"));
    vacuum.bind(1, work);
    vacuum.run();
    // The file itself is compacted in place, never replaced: SQLite holds every
    // other writer out while it runs and journals it, so a failure leaves
    // formula.mdb whole, no committed write is lost, and every open connection
    // (the window's, a worker's, the command line's) keeps working on the same file.
    m_db->exec(QStringLiteral("VACUUM"));
}
