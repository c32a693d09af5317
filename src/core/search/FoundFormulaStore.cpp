#include "search/FoundFormulaStore.h"

#include "common/UserError.h"
#include "history/Database.h"
#include "history/SqliteDatabase.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <tuple>

FoundFormulaStore::FoundFormulaStore(Database& db) : m_db(db) {}

namespace {

// The kill/keep flags among a table's found formulas.
std::vector<bool> flagsOf(const std::vector<const FoundFormula*>& rows)
{
    std::vector<bool> flags;
    for (const FoundFormula* f : rows)
        if (std::find(flags.begin(), flags.end(), f->target.kill) == flags.end())
            flags.push_back(f->target.kill);
    return flags;
}

} // namespace

FoundStoreResult FoundFormulaStore::store(const std::vector<FoundFormula>& found, StoreMode mode)
{
    FoundStoreResult result;
    QHash<QString, std::vector<const FoundFormula*>> byTable;
    for (const FoundFormula& f : found) {
        const QString table = f.target.tableName();
        if (!byTable.contains(table))
            result.tables << table;
        byTable[table].push_back(&f);
    }
    // One transaction for every table: a plan's store, a replace above all, is
    // wholly done or not at all, even when the program dies between two tables.
    SqliteDatabase::Transaction transaction(m_db.sql());
    for (const QString& table : result.tables)
        result.removed += storeTable(table, byTable.value(table), mode);
    transaction.commit();
    result.replaced = mode == StoreMode::Replace && !found.empty();
    return result;
}

FoundStoreResult FoundFormulaStore::store(const std::vector<FoundFormula>& found, StoreMode mode,
                                          const std::vector<ReplacedFormulas>& asked)
{
    SqliteDatabase::Transaction transaction(m_db.sql());
    FormulaStore formulas(m_db);
    for (const ReplacedFormulas& r : asked)
        if (!formulas.holds(r.target.tableName(), r.target.kill, r.formulas))
            throw UserError(replaceTitle(), FormulaStore::listChangedMessage(), false);
    FoundStoreResult result = store(found, mode);
    transaction.commit();
    return result;
}

std::vector<ReplacedFormulas> FoundFormulaStore::replacedBy(const std::vector<FoundFormula>& found)
{
    std::vector<ReplacedFormulas> removed;
    for (const FoundFormula& f : found) {
        const bool seen = std::any_of(removed.begin(), removed.end(), [&f](const ReplacedFormulas& r) {
            return r.target.tableName() == f.target.tableName() && r.target.kill == f.target.kill;
        });
        if (seen)
            continue;
        std::vector<ShownFormula> formulas =
            FormulaStore::identities(FormulaStore(m_db).list(f.target.tableName(), f.target.kill));
        const auto count = static_cast<int>(formulas.size());
        removed.push_back({f.target, count, std::move(formulas)});
    }
    return removed;
}

QString FoundFormulaStore::replaceQuestion(const std::vector<ReplacedFormulas>& removed, int found)
{
    QStringList lines;
    for (const ReplacedFormulas& r : removed)
        lines << QStringLiteral("%1%2公式（%3）：%4 个")
                     .arg(r.target.label(), r.target.killWord(), r.target.tableName())
                     .arg(r.count);
    return QStringLiteral(
               "将先删除数据库中以下公式，再存入找到的 %1 个公式：\n%2\n另一种（杀/生）公式和其他公式表不受影响。"
               "删除的公式无法恢复，是否继续？")
        .arg(found)
        .arg(lines.join(u'\n'));
}

int FoundFormulaStore::storeTable(const QString& table, const std::vector<const FoundFormula*>& rows, StoreMode mode)
{
    SqliteDatabase& sql = m_db.sql();
    int removed = 0;
    if (mode == StoreMode::Replace) {
        // Only the searched flag's formulas make way; the other flag's stay.
        SqliteStatement remove = sql.prepare(QStringLiteral("DELETE FROM %1 WHERE bolKill = ?1").arg(table));
        for (bool kill : flagsOf(rows)) {
            remove.bind(1, kill ? 1 : 0);
            remove.run();
            removed += sql.changes();
        }
    }

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
    std::vector<std::pair<std::int64_t, std::int64_t>> keep; // rowid, idx
    std::vector<std::int64_t> drop;
    {
        QSet<QString> seen;
        seen.reserve(static_cast<qsizetype>(rows.size()) * 2);
        SqliteStatement walk = sql.prepare(
            QStringLiteral("SELECT rowid, idx, bolKill, gongshi, gongshiCN FROM %1 ORDER BY idx, rowid").arg(table));
        while (walk.next()) {
            const QString key =
                QString::number(walk.integer(2) != 0 ? 1 : 0) + QChar(0x1F) + walk.text(3) + QChar(0x1F) + walk.text(4);
            if (seen.contains(key)) {
                drop.push_back(walk.integer(0));
                continue;
            }
            seen.insert(key);
            keep.emplace_back(walk.integer(0), walk.isNull(1) ? -1 : walk.integer(1));
        }
    }
    SqliteStatement remove = sql.prepare(QStringLiteral("DELETE FROM %1 WHERE rowid = ?1").arg(table));
    for (std::int64_t rowid : drop) {
        remove.bind(1, rowid);
        remove.run();
    }
    // Only the rows whose idx changes are written.
    SqliteStatement renumber = sql.prepare(QStringLiteral("UPDATE %1 SET idx = ?1 WHERE rowid = ?2").arg(table));
    std::int64_t next = 0;
    for (const auto& [rowid, stored] : keep) {
        if (++next == stored)
            continue;
        renumber.bind(1, next).bind(2, rowid);
        renumber.run();
    }
    return removed;
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
