#include "search/FoundFormulaStore.h"

#include "history/Database.h"
#include "history/SqliteDatabase.h"

#include <QHash>
#include <QSet>
#include <tuple>

FoundFormulaStore::FoundFormulaStore(Database& db) : m_db(db) {}

QStringList FoundFormulaStore::store(const std::vector<FoundFormula>& found, StoreMode mode)
{
    QStringList tables;
    QHash<QString, std::vector<const FoundFormula*>> byTable;
    for (const FoundFormula& f : found) {
        const QString table = f.target.tableName();
        if (!byTable.contains(table))
            tables << table;
        byTable[table].push_back(&f);
    }
    for (const QString& table : tables)
        storeTable(table, byTable.value(table), mode);
    return tables;
}

void FoundFormulaStore::storeTable(const QString& table, const std::vector<const FoundFormula*>& rows, StoreMode mode)
{
    SqliteDatabase& sql = m_db.sql();
    SqliteDatabase::Transaction transaction(sql);
    if (mode == StoreMode::Replace)
        sql.exec(QStringLiteral("DELETE FROM %1").arg(table));

    // New rows go after the existing ones, carrying the scores the search found
    // (same rule, same window as the list); the main window re-scores anyway.
    const std::int64_t maxIdx =
        sql.scalar(QStringLiteral("SELECT COALESCE(MAX(idx), 0) FROM %1").arg(table)).toLongLong();
    SqliteStatement insert = sql.prepare(
        QStringLiteral("INSERT INTO %1 (idx, gongshi, gongshiCN, bolKill, sglGsRate, intGsErrCon, intGsTrueCon, "
                       "intGsErrLst, intGsTrueLst) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)")
            .arg(table));
    std::int64_t idx = maxIdx;
    for (const FoundFormula* f : rows) {
        insert.bind(1, ++idx)
            .bind(2, f->code)
            .bind(3, f->text)
            .bind(4, f->target.kill ? 1 : 0)
            .bind(5, static_cast<double>(f->statistics.rate))
            .bind(6, f->statistics.longestMissRun)
            .bind(7, f->statistics.longestHitRun)
            .bind(8, f->statistics.lastMissRun)
            .bind(9, f->statistics.lastHitRun);
        insert.run();
    }

    // Keep the first row (in list order) of every kill flag, code and text; renumber the rest 1..n.
    std::vector<std::int64_t> keep;
    std::vector<std::int64_t> drop;
    {
        QSet<QString> seen;
        SqliteStatement walk = sql.prepare(
            QStringLiteral("SELECT rowid, bolKill, gongshi, gongshiCN FROM %1 ORDER BY idx, rowid").arg(table));
        while (walk.next()) {
            const QString key =
                QString::number(walk.integer(1) != 0 ? 1 : 0) + QChar(0x1F) + walk.text(2) + QChar(0x1F) + walk.text(3);
            (seen.contains(key) ? drop : keep).push_back(walk.integer(0));
            seen.insert(key);
        }
    }
    SqliteStatement remove = sql.prepare(QStringLiteral("DELETE FROM %1 WHERE rowid = ?1").arg(table));
    for (std::int64_t rowid : drop) {
        remove.bind(1, rowid);
        remove.run();
    }
    SqliteStatement renumber = sql.prepare(QStringLiteral("UPDATE %1 SET idx = ?1 WHERE rowid = ?2").arg(table));
    std::int64_t next = 0;
    for (std::int64_t rowid : keep) {
        renumber.bind(1, ++next).bind(2, rowid);
        renumber.run();
    }
    transaction.commit();
}

std::array<int, 11> FoundFormulaStore::existingCounts(bool kill)
{
    std::array<int, 11> counts{};
    for (const FormulaKind& kind : FormulaKind::all()) {
        if (!kind.isSearched())
            continue;
        counts[static_cast<size_t>(kind.searchIndex())] =
            m_db.sql()
                .scalar(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE bolKill = %2")
                            .arg(kind.tableName())
                            .arg(kill ? 1 : 0))
                .toInt();
    }
    return counts;
}
