#include "history/SqliteDatabase.h"

#include "history/DatabaseError.h"

#include <QStringList>
#include <sqlite3.h>

namespace {

QString between(const QString& text, const QString& prefix)
{
    return text.startsWith(prefix) ? text.mid(prefix.size()).trimmed() : QString();
}

// What went wrong, in the user's words: the cause first, never the statement.
QString causeOf(int code, const QString& message)
{
    switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return QStringLiteral("数据库正被另一个程序使用，等待超时。请稍后再试。");
    case SQLITE_READONLY: return QStringLiteral("数据库文件是只读的（或所在文件夹不可写），无法保存改动。");
    case SQLITE_FULL: return QStringLiteral("磁盘已满，无法写入数据库。");
    case SQLITE_IOERR: return QStringLiteral("读写数据库文件时出错（磁盘或文件系统的问题）。");
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB: return QStringLiteral("数据库文件已损坏，或不是数据库文件。");
    case SQLITE_CANTOPEN: return QStringLiteral("无法打开数据库文件。");
    case SQLITE_PERM:
    case SQLITE_AUTH: return QStringLiteral("没有访问数据库文件的权限。");
    case SQLITE_CONSTRAINT: return QStringLiteral("要保存的数据与已有数据冲突。");
    default: break;
    }
    if (const QString column = between(message, QStringLiteral("no such column:")); !column.isEmpty())
        return QStringLiteral("数据库缺少列 %1：文件不完整或来自其他程序。").arg(column);
    if (const QString table = between(message, QStringLiteral("no such table:")); !table.isEmpty())
        return QStringLiteral("数据库缺少表 %1：文件不完整或来自其他程序。").arg(table);
    return QStringLiteral("数据库操作失败。");
}

[[noreturn]] void fail(sqlite3* db, const QString& sql)
{
    const QString message = QString::fromUtf8(sqlite3_errmsg(db));
    throw DatabaseError(causeOf(sqlite3_extended_errcode(db), message),
                        sql.isEmpty() ? message : QString(message + QStringLiteral("\nSQL: ") + sql.left(200)));
}

} // namespace

SqliteDatabase::SqliteDatabase(const QString& path) : m_path(path)
{
    const QByteArray file = path.toUtf8();
    if (sqlite3_open_v2(file.constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        const QString message = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("out of memory");
        sqlite3_close(m_db);
        m_db = nullptr;
        throw DatabaseError(QStringLiteral("无法打开数据库 %1。").arg(path), message);
    }
    sqlite3_busy_timeout(m_db, 5000);
    exec(QStringLiteral("PRAGMA foreign_keys = ON"));
}

SqliteDatabase::~SqliteDatabase() { sqlite3_close_v2(m_db); }

void SqliteDatabase::exec(const QString& sql)
{
    if (sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(m_db, sql);
}

SqliteStatement SqliteDatabase::prepare(const QString& sql) { return SqliteStatement(m_db, sql); }

QVariant SqliteDatabase::scalar(const QString& sql)
{
    SqliteStatement statement(m_db, sql);
    if (!statement.next())
        return {};
    return statement.value(0);
}

std::int64_t SqliteDatabase::lastInsertRowId() const { return sqlite3_last_insert_rowid(m_db); }
int SqliteDatabase::changes() const { return sqlite3_changes(m_db); }

void SqliteDatabase::checkBeforeWriting()
{
    if (m_checked)
        return;
    // A page the check cannot read at all raises the same error from here.
    SqliteStatement check(m_db, QStringLiteral("PRAGMA quick_check(5)"));
    QStringList problems;
    while (check.next())
        problems << check.text(0);
    if (problems != QStringList{QStringLiteral("ok")})
        throw DatabaseError(causeOf(SQLITE_CORRUPT, {}),
                            QStringLiteral("写入前的检查发现文件有错，没有写入任何内容：") +
                                problems.join(QStringLiteral("; ")));
    m_checked = true;
}

SqliteDatabase::Transaction::Transaction(SqliteDatabase& db)
    : m_db(db),
      m_nested(sqlite3_get_autocommit(db.handle()) == 0)
{
    if (!m_nested)
        m_db.checkBeforeWriting();
    // Inside another transaction this one is a savepoint: its statements stand or
    // fall together, and the outer transaction decides for all of them.
    m_db.exec(m_nested ? QStringLiteral("SAVEPOINT nested") : QStringLiteral("BEGIN IMMEDIATE"));
}

SqliteDatabase::Transaction::~Transaction()
{
    if (!m_done)
        sqlite3_exec(m_db.handle(), m_nested ? "ROLLBACK TO nested; RELEASE nested" : "ROLLBACK", nullptr, nullptr,
                     nullptr);
}

void SqliteDatabase::Transaction::commit()
{
    m_db.exec(m_nested ? QStringLiteral("RELEASE nested") : QStringLiteral("COMMIT"));
    m_done = true;
}

SqliteDatabase::ReadSnapshot::ReadSnapshot(SqliteDatabase& db)
    : m_db(db),
      m_nested(sqlite3_get_autocommit(db.handle()) == 0)
{
    if (!m_nested)
        m_db.exec(QStringLiteral("BEGIN DEFERRED"));
}

SqliteDatabase::ReadSnapshot::~ReadSnapshot()
{
    // Only reads were made: ending it can lose nothing.
    if (!m_nested)
        sqlite3_exec(m_db.handle(), "COMMIT", nullptr, nullptr, nullptr);
}

SqliteStatement::SqliteStatement(sqlite3* db, const QString& sql) : m_db(db)
{
    if (sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &m_stmt, nullptr) != SQLITE_OK)
        fail(m_db, sql);
}

SqliteStatement::~SqliteStatement() { sqlite3_finalize(m_stmt); }

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept : m_db(other.m_db), m_stmt(other.m_stmt)
{
    other.m_stmt = nullptr;
}

SqliteStatement& SqliteStatement::bind(int index, std::int64_t value)
{
    if (sqlite3_bind_int64(m_stmt, index, value) != SQLITE_OK)
        fail(m_db, {});
    return *this;
}

SqliteStatement& SqliteStatement::bind(int index, double value)
{
    if (sqlite3_bind_double(m_stmt, index, value) != SQLITE_OK)
        fail(m_db, {});
    return *this;
}

SqliteStatement& SqliteStatement::bind(int index, const QString& value)
{
    const QByteArray utf8 = value.toUtf8();
    if (sqlite3_bind_text(m_stmt, index, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT) !=
        SQLITE_OK)
        fail(m_db, {});
    return *this;
}

SqliteStatement& SqliteStatement::bindNull(int index)
{
    if (sqlite3_bind_null(m_stmt, index) != SQLITE_OK)
        fail(m_db, {});
    return *this;
}

bool SqliteStatement::next()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    fail(m_db, QString::fromUtf8(sqlite3_sql(m_stmt)));
}

void SqliteStatement::run()
{
    while (next()) {}
    reset();
}

void SqliteStatement::reset()
{
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

int SqliteStatement::columnCount() const { return sqlite3_column_count(m_stmt); }
QString SqliteStatement::columnName(int column) const { return QString::fromUtf8(sqlite3_column_name(m_stmt, column)); }
bool SqliteStatement::isNull(int column) const { return sqlite3_column_type(m_stmt, column) == SQLITE_NULL; }
bool SqliteStatement::isInteger(int column) const { return sqlite3_column_type(m_stmt, column) == SQLITE_INTEGER; }
std::int64_t SqliteStatement::integer(int column) const { return sqlite3_column_int64(m_stmt, column); }
double SqliteStatement::real(int column) const { return sqlite3_column_double(m_stmt, column); }

QString SqliteStatement::text(int column) const
{
    const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
    return data ? QString::fromUtf8(data, sqlite3_column_bytes(m_stmt, column)) : QString();
}

QVariant SqliteStatement::value(int column) const
{
    switch (sqlite3_column_type(m_stmt, column)) {
    case SQLITE_INTEGER: return QVariant::fromValue<qlonglong>(integer(column));
    case SQLITE_FLOAT: return real(column);
    case SQLITE_NULL: return {};
    default: return text(column);
    }
}
