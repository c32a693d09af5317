#pragma once

#include <QString>
#include <QVariant>
#include <cstdint>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;

class SqliteStatement;

// One open SQLite connection. Every failure raises DatabaseError with SQLite's message.
class SqliteDatabase {
public:
    explicit SqliteDatabase(const QString& path);
    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;

    void exec(const QString& sql);
    SqliteStatement prepare(const QString& sql);
    // First column of the first row, or an invalid QVariant when there is no row.
    QVariant scalar(const QString& sql);
    std::int64_t lastInsertRowId() const;
    int changes() const;
    sqlite3* handle() const { return m_db; }

    // Refuses to write into a damaged file: before the connection's first write
    // the whole file is checked (PRAGMA quick_check, once per connection) and a
    // fault raises the DatabaseError a read of the damaged part would raise, so
    // nothing is written into it. Every outermost Transaction calls it.
    void checkBeforeWriting();
    QString path() const { return m_path; }

    // All-or-nothing scope: rolls back unless commit() was called. Opened inside
    // another transaction it nests (a savepoint) and the outer one has the last word.
    class Transaction {
    public:
        explicit Transaction(SqliteDatabase& db);
        ~Transaction();
        Transaction(const Transaction&) = delete;
        Transaction& operator=(const Transaction&) = delete;
        void commit();

    private:
        SqliteDatabase& m_db;
        bool m_nested;
        bool m_done = false;
    };

    // One consistent view for several reads: what other connections commit
    // meanwhile is seen only after it ends. Inside a transaction it adds nothing.
    class ReadSnapshot {
    public:
        explicit ReadSnapshot(SqliteDatabase& db);
        ~ReadSnapshot();
        ReadSnapshot(const ReadSnapshot&) = delete;
        ReadSnapshot& operator=(const ReadSnapshot&) = delete;

    private:
        SqliteDatabase& m_db;
        bool m_nested;
    };

private:
    sqlite3* m_db = nullptr;
    QString m_path;
    bool m_checked = false;
};

class SqliteStatement {
public:
    SqliteStatement(sqlite3* db, const QString& sql);
    ~SqliteStatement();
    SqliteStatement(SqliteStatement&& other) noexcept;
    SqliteStatement& operator=(SqliteStatement&&) = delete;
    SqliteStatement(const SqliteStatement&) = delete;

    // Binding is 1-based, as in SQLite.
    SqliteStatement& bind(int index, std::int64_t value);
    SqliteStatement& bind(int index, int value) { return bind(index, static_cast<std::int64_t>(value)); }
    SqliteStatement& bind(int index, double value);
    SqliteStatement& bind(int index, const QString& value);
    SqliteStatement& bindNull(int index);

    // Steps once; true while a row is available.
    bool next();
    // Runs a statement that returns no rows, then resets it for reuse.
    void run();
    void reset();

    int columnCount() const;
    QString columnName(int column) const;
    bool isNull(int column) const;
    bool isInteger(int column) const; // stored as an integer (not null, text or real)
    std::int64_t integer(int column) const;
    double real(int column) const;
    QString text(int column) const;
    QVariant value(int column) const;

private:
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
};
