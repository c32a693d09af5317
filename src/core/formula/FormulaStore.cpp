#include "formula/FormulaStore.h"

#include "common/UserError.h"
#include "history/Database.h"
#include "scoring/FormulaKind.h"

#include <algorithm>
#include <map>
#include <set>

namespace {

// Only the ten known names ever reach SQL text.
QString checkedTable(const QString& name) { return FormulaKind::ofTable(name).tableName(); }

int nextIdx(SqliteDatabase& sql, const QString& table)
{
    SqliteStatement statement =
        sql.prepare(QStringLiteral("SELECT COUNT(*), COALESCE(MAX(idx), 0) FROM %1").arg(table));
    statement.next();
    // The row count + 1, unless a gap left an idx that high already in use.
    return static_cast<int>(std::max(statement.integer(0), statement.integer(1))) + 1;
}

// idx 1..n in idx order, kill and keep formulas alike. Only the rows whose idx
// changes are written: after the last formula goes, none.
void renumber(SqliteDatabase& sql, const QString& table)
{
    std::vector<std::pair<std::int64_t, std::int64_t>> rows; // rowid, idx
    SqliteStatement walk = sql.prepare(QStringLiteral("SELECT rowid, idx FROM %1 ORDER BY idx, rowid").arg(table));
    while (walk.next())
        rows.emplace_back(walk.integer(0), walk.isNull(1) ? -1 : walk.integer(1));
    SqliteStatement update = sql.prepare(QStringLiteral("UPDATE %1 SET idx = ?1 WHERE rowid = ?2").arg(table));
    for (size_t i = 0; i < rows.size(); ++i) {
        const auto idx = static_cast<std::int64_t>(i + 1);
        if (rows[i].second == idx)
            continue;
        update.bind(1, idx).bind(2, rows[i].first);
        update.run();
    }
}

bool hasGaps(SqliteDatabase& sql, const QString& table)
{
    SqliteStatement statement = sql.prepare(
        QStringLiteral("SELECT COUNT(*), COALESCE(MAX(idx), 0), COUNT(DISTINCT idx), COALESCE(MIN(idx), 1) FROM %1")
            .arg(table));
    statement.next();
    return statement.integer(0) != statement.integer(1) || statement.integer(2) != statement.integer(0) ||
           statement.integer(3) != 1;
}

// Appends to the target tables, one prepared statement and one idx counter per table.
class Inserter {
public:
    // `closeGaps`: a table with gaps in its idx is renumbered before the first append.
    // `skipDuplicates`: a formula whose flag and code the table holds already is not added (insert returns 0).
    Inserter(SqliteDatabase& sql, bool closeGaps, bool skipDuplicates = false)
        : m_sql(sql),
          m_closeGaps(closeGaps),
          m_skipDuplicates(skipDuplicates)
    {}

    int insert(const ParsedFormula& formula)
    {
        Table& table = tableFor(formula.target.tableName());
        if (m_skipDuplicates && !table.held.insert(keyOf(formula.target.kill, formula.code)).second)
            return 0;
        const int idx = table.next++;
        table.statement.bind(1, idx).bind(2, formula.code).bind(3, formula.chinese);
        table.statement.bind(4, formula.target.kill ? 1 : 0);
        table.statement.run();
        return idx;
    }

private:
    struct Table {
        SqliteStatement statement;
        int next;
        std::set<QString> held; // flag and code, when duplicates are skipped
    };

    static QString keyOf(bool kill, const QString& code) { return (kill ? u'1' : u'0') + code; }

    Table& tableFor(const QString& name)
    {
        auto found = m_tables.find(name);
        if (found == m_tables.end()) {
            if (m_closeGaps && hasGaps(m_sql, name))
                renumber(m_sql, name);
            SqliteStatement statement = m_sql.prepare(
                QStringLiteral("INSERT INTO %1 (idx, gongshi, gongshiCN, bolKill, sglGsRate, intGsErrCon, "
                               "intGsTrueCon, intGsErrLst, intGsTrueLst) VALUES (?1, ?2, ?3, ?4, 0, 0, 0, 0, 0)")
                    .arg(name));
            found = m_tables.emplace(name, Table{std::move(statement), nextIdx(m_sql, name), {}}).first;
            if (m_skipDuplicates) {
                SqliteStatement held = m_sql.prepare(QStringLiteral("SELECT bolKill, gongshi FROM %1").arg(name));
                while (held.next())
                    found->second.held.insert(keyOf(held.integer(0) != 0, held.text(1)));
            }
        }
        return found->second;
    }

    SqliteDatabase& m_sql;
    bool m_closeGaps;
    bool m_skipDuplicates;
    std::map<QString, Table> m_tables;
};

} // namespace

FormulaStore::FormulaStore(Database& db) : m_db(db) {}

std::vector<FormulaRecord> FormulaStore::list(const QString& table, std::optional<bool> kill) const
{
    QString sql =
        QStringLiteral("SELECT idx, gongshi, gongshiCN, bolKill, sglGsRate, intGsErrCon, intGsTrueCon, intGsErrLst, "
                       "intGsTrueLst FROM %1")
            .arg(checkedTable(table));
    if (kill)
        sql += QStringLiteral(" WHERE bolKill = ?1");
    sql += QStringLiteral(" ORDER BY idx, rowid");
    SqliteStatement rows = m_db.sql().prepare(sql);
    if (kill)
        rows.bind(1, *kill ? 1 : 0);
    std::vector<FormulaRecord> records;
    while (rows.next()) {
        FormulaRecord r;
        r.idx = static_cast<int>(rows.integer(0));
        r.code = rows.text(1);
        r.chinese = rows.text(2);
        r.kill = rows.integer(3) != 0;
        r.statistics.rate = static_cast<float>(rows.real(4));
        r.statistics.longestMissRun = static_cast<int>(rows.integer(5));
        r.statistics.longestHitRun = static_cast<int>(rows.integer(6));
        r.statistics.lastMissRun = static_cast<int>(rows.integer(7));
        r.statistics.lastHitRun = static_cast<int>(rows.integer(8));
        records.push_back(r);
    }
    return records;
}

int FormulaStore::count(const QString& table) const
{
    return m_db.sql().scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(checkedTable(table))).toInt();
}

int FormulaStore::add(const ParsedFormula& formula)
{
    SqliteDatabase::Transaction transaction(m_db.sql());
    const int idx = Inserter(m_db.sql(), false).insert(formula);
    transaction.commit();
    return idx;
}

std::vector<int> FormulaStore::addAll(const std::vector<ParsedFormula>& formulas, AddMode mode,
                                      const std::function<void(int stored)>& stored)
{
    return add(formulas, mode, stored, false);
}

std::vector<int> FormulaStore::addNew(const std::vector<ParsedFormula>& formulas, AddMode mode,
                                      const std::function<void(int stored)>& stored)
{
    return add(formulas, mode, stored, true);
}

std::vector<int> FormulaStore::add(const std::vector<ParsedFormula>& formulas, AddMode mode,
                                   const std::function<void(int stored)>& stored, bool skipDuplicates)
{
    std::vector<int> idxs;
    idxs.reserve(formulas.size());
    SqliteDatabase::Transaction transaction(m_db.sql());
    if (mode == AddMode::ReplaceAll)
        for (const FormulaKind& kind : FormulaKind::all())
            m_db.sql().exec(QStringLiteral("DELETE FROM %1").arg(kind.tableName()));
    Inserter inserter(m_db.sql(), true, skipDuplicates);
    for (const ParsedFormula& formula : formulas) {
        idxs.push_back(inserter.insert(formula));
        if (stored && idxs.size() % 4096 == 0)
            stored(static_cast<int>(idxs.size()));
    }
    transaction.commit();
    if (stored)
        stored(static_cast<int>(idxs.size()));
    return idxs;
}

void FormulaStore::storeStatistics(const QString& table,
                                   const std::vector<std::pair<int, FormulaStatistics>>& statistics)
{
    std::vector<std::pair<int, std::optional<FormulaStatistics>>> scores;
    scores.reserve(statistics.size());
    for (const auto& [idx, s] : statistics)
        scores.emplace_back(idx, s);
    storeScores(table, scores);
}

void FormulaStore::storeScores(const QString& table,
                               const std::vector<std::pair<int, std::optional<FormulaStatistics>>>& scores)
{
    SqliteDatabase::Transaction transaction(m_db.sql());
    SqliteStatement update = m_db.sql().prepare(
        QStringLiteral(
            "UPDATE %1 SET sglGsRate = ?1, intGsErrCon = ?2, intGsTrueCon = ?3, intGsErrLst = ?4, intGsTrueLst = ?5 "
            "WHERE idx = ?6")
            .arg(checkedTable(table)));
    for (const auto& [idx, s] : scores) {
        if (s) {
            update.bind(1, static_cast<double>(s->rate)).bind(2, s->longestMissRun).bind(3, s->longestHitRun);
            update.bind(4, s->lastMissRun).bind(5, s->lastHitRun);
        } else {
            for (int column = 1; column <= 5; ++column)
                update.bindNull(column);
        }
        update.bind(6, idx);
        update.run();
    }
    transaction.commit();
}

int FormulaStore::remove(const QString& table, const std::vector<int>& idxs)
{
    const QString name = checkedTable(table);
    SqliteDatabase::Transaction transaction(m_db.sql());
    int removed = 0;
    SqliteStatement erase = m_db.sql().prepare(QStringLiteral("DELETE FROM %1 WHERE idx = ?1").arg(name));
    for (int idx : idxs) {
        erase.bind(1, idx);
        erase.run();
        removed += m_db.sql().changes();
    }
    renumber(m_db.sql(), name);
    transaction.commit();
    return removed;
}

int FormulaStore::removeShown(const QString& table, const std::vector<ShownFormula>& shown)
{
    const QString name = checkedTable(table);
    SqliteDatabase::Transaction transaction(m_db.sql());
    // Checked with the write lock held: no other program can change the table
    // between the check and the deletion.
    SqliteStatement read = m_db.sql().prepare(QStringLiteral("SELECT gongshi FROM %1 WHERE idx = ?1").arg(name));
    for (const auto& [idx, code] : shown) {
        read.bind(1, idx);
        const bool same = read.next() && read.text(0) == code;
        read.reset();
        if (!same)
            throw UserError(QStringLiteral("删除公式"), listChangedMessage(), false);
    }
    std::vector<int> idxs;
    idxs.reserve(shown.size());
    for (const auto& formula : shown)
        idxs.push_back(formula.first);
    const int removed = remove(name, idxs); // nested: one transaction with the check
    transaction.commit();
    return removed;
}

std::vector<ShownFormula> FormulaStore::identities(const std::vector<FormulaRecord>& records)
{
    std::vector<ShownFormula> shown;
    shown.reserve(records.size());
    for (const FormulaRecord& record : records)
        shown.emplace_back(record.idx, record.code);
    return shown;
}

std::vector<ShownFormula> FormulaStore::identities(const QString& table, bool kill) const
{
    SqliteStatement rows = m_db.sql().prepare(
        QStringLiteral("SELECT idx, gongshi FROM %1 WHERE bolKill = ?1 ORDER BY idx, rowid").arg(checkedTable(table)));
    rows.bind(1, kill ? 1 : 0);
    std::vector<ShownFormula> stored;
    while (rows.next())
        stored.emplace_back(static_cast<int>(rows.integer(0)), rows.text(1));
    return stored;
}

bool FormulaStore::holds(const QString& table, bool kill, const std::vector<ShownFormula>& shown) const
{
    return identities(table, kill) == shown;
}

void FormulaStore::clearAll()
{
    SqliteDatabase::Transaction transaction(m_db.sql());
    for (const FormulaKind& kind : FormulaKind::all())
        m_db.sql().exec(QStringLiteral("DELETE FROM %1").arg(kind.tableName()));
    transaction.commit();
}
