#include "history/DrawStore.h"

#include "common/UserError.h"
#include "history/AttributeCatalog.h"
#include "history/Database.h"
#include "history/DatabaseSchema.h"
#include "history/DrawRefused.h"
#include "history/IssueNumbers.h"

namespace {

const QString kDrawColumns = QStringLiteral("SELECT strQQH, L1A, L2A, L3A, L4A, L5A FROM Lishi");

// Writes whole attribute rows; the statements are prepared once per batch.
class RowWriter {
public:
    RowWriter(SqliteDatabase& db, const LotteryTable::Entry& lottery)
        : m_lottery(lottery),
          m_insert(db.prepare(insertSql())),
          m_update(db.prepare(updateSql()))
    {}

    void insert(const StoredDraw& draw, const std::optional<DrawNumbers>& previous)
    {
        bindRow(m_insert, draw, previous);
        m_insert.run();
    }

    // Recomputes a stored draw against a new previous draw.
    void update(const StoredDraw& draw, const std::optional<DrawNumbers>& previous)
    {
        bindRow(m_update, draw, previous);
        m_update.run();
    }

private:
    static QString insertSql()
    {
        QString columns = QStringLiteral("strQQH");
        QString marks = QStringLiteral("?1");
        for (int i = 0; i < AttributeCatalog::kCount; ++i) {
            columns += QStringLiteral(", ") + AttributeCatalog::code(i);
            marks += QStringLiteral(", ?%1").arg(i + 2);
        }
        return QStringLiteral("INSERT INTO Lishi (%1) VALUES (%2)").arg(columns, marks);
    }

    static QString updateSql()
    {
        QStringList assignments;
        for (int i = 0; i < AttributeCatalog::kCount; ++i)
            assignments << QStringLiteral("%1 = ?%2").arg(AttributeCatalog::code(i)).arg(i + 2);
        return QStringLiteral("UPDATE Lishi SET %1 WHERE strQQH = ?1").arg(assignments.join(QStringLiteral(", ")));
    }

    void bindRow(SqliteStatement& statement, const StoredDraw& draw, const std::optional<DrawNumbers>& previous)
    {
        const QDate date = *IssueNumbers::dateOf(draw.issue, m_lottery.longDateIssue);
        const AttributeValues values = DrawAttributes::compute(draw.numbers, IssueNumbers::serialOf(draw.issue),
                                                               m_lottery.drawsPerDay, date, previous);
        statement.bind(1, draw.issue);
        for (int i = 0; i < AttributeCatalog::kCount; ++i)
            statement.bind(i + 2, values[static_cast<size_t>(i)]);
    }

    const LotteryTable::Entry& m_lottery;
    SqliteStatement m_insert;
    SqliteStatement m_update;
};

std::optional<DrawNumbers> numbersOf(const std::optional<StoredDraw>& draw)
{
    return draw ? std::optional<DrawNumbers>(draw->numbers) : std::nullopt;
}

} // namespace

DrawStore::DrawStore(Database& db, LotteryTable::Entry lottery) : m_db(db), m_lottery(std::move(lottery)) {}

std::pair<int, QString> DrawStore::firstProblem(const QString& issue, const DrawNumbers& numbers) const
{
    const QString issueProblem = IssueNumbers::validate(issue, m_lottery.drawsPerDay, m_lottery.longDateIssue);
    if (!issueProblem.isEmpty())
        return {DrawRefused::kIssueBox, issueProblem};
    for (size_t i = 0; i < numbers.size(); ++i) {
        const int box = static_cast<int>(i) + 1;
        if (numbers[i] < 1 || numbers[i] > m_lottery.numberRange)
            return {box,
                    QStringLiteral("第%1个号码%2不在1到%3之间。").arg(box).arg(numbers[i]).arg(m_lottery.numberRange)};
        for (size_t j = 0; j < i; ++j)
            if (numbers[j] == numbers[i])
                return {box, QStringLiteral("号码%1重复出现：五个号码必须各不相同。").arg(numbers[i])};
    }
    return {DrawRefused::kIssueBox, QString()};
}

QString DrawStore::validateDraw(const QString& issue, const DrawNumbers& numbers) const
{
    return firstProblem(issue, numbers).second;
}

QString DrawStore::validate(const QString& issue, const DrawNumbers& numbers) const
{
    return refusal(issue, numbers).second;
}

std::pair<int, QString> DrawStore::refusal(const QString& issue, const DrawNumbers& numbers) const
{
    const auto problem = firstProblem(issue, numbers);
    if (!problem.second.isEmpty())
        return problem;
    SqliteStatement same = m_db.sql().prepare(QStringLiteral("SELECT COUNT(*) FROM Lishi WHERE strQQH = ?1"));
    same.bind(1, issue);
    if (same.next() && same.integer(0) > 0)
        return {DrawRefused::kIssueBox, QStringLiteral("期号%1已经存在。").arg(issue)};
    return {DrawRefused::kIssueBox, QString()};
}

void DrawStore::add(const QString& issue, const DrawNumbers& numbers) { addAll({StoredDraw{issue, numbers}}); }

void DrawStore::addAll(const std::vector<StoredDraw>& draws)
{
    SqliteDatabase::Transaction transaction(m_db.sql());
    addWithinTransaction(draws);
    transaction.commit();
}

void DrawStore::requireOwnLottery()
{
    SqliteStatement recorded =
        m_db.sql().prepare(QStringLiteral("SELECT GsZl, caption FROM Caizhong ORDER BY rowid LIMIT 1"));
    if (!recorded.next()) {
        m_db.recordLottery(m_lottery);
        return;
    }
    if (recorded.integer(0) != m_lottery.index)
        throw DrawRefused(DrawRefused::kIssueBox, QStringLiteral("这个数据库保存的是%1的历史号码，不能存入%2的号码"
                                                                 "（每个彩种的数据各在自己的文件夹里）。")
                                                      .arg(recorded.text(1), m_lottery.caption));
}

void DrawStore::addWithinTransaction(const std::vector<StoredDraw>& draws)
{
    requireOwnLottery();
    if (!draws.empty())
        m_db.sql().exec(QStringLiteral("DELETE FROM LishiUndo"));
    RowWriter writer(m_db.sql(), m_lottery);
    std::optional<StoredDraw> latest = last();
    for (const StoredDraw& draw : draws) {
        // Checked inside the transaction so a refused draw leaves the whole batch unstored.
        const auto [box, problem] = refusal(draw.issue, draw.numbers);
        if (!problem.isEmpty())
            throw DrawRefused(box, problem);
        if (!latest || draw.issue > latest->issue) {
            writer.insert(draw, numbersOf(latest));
            latest = draw;
            continue;
        }
        // A missed draw filled in later: it takes its place between its neighbours,
        // and the draw after it now has it as its previous draw.
        const auto before =
            readOne(kDrawColumns + QStringLiteral(" WHERE strQQH < ?1 ORDER BY strQQH DESC LIMIT 1"), draw.issue);
        const auto after =
            readOne(kDrawColumns + QStringLiteral(" WHERE strQQH > ?1 ORDER BY strQQH LIMIT 1"), draw.issue);
        writer.insert(draw, numbersOf(before));
        if (after)
            writer.update(*after, draw.numbers);
    }
}

std::optional<StoredDraw> DrawStore::readOne(const QString& sql, const QString& issue) const
{
    SqliteStatement row = m_db.sql().prepare(sql);
    if (!issue.isNull())
        row.bind(1, issue);
    if (!row.next())
        return std::nullopt;
    StoredDraw draw;
    draw.issue = row.text(0);
    for (int i = 0; i < 5; ++i)
        draw.numbers[static_cast<size_t>(i)] = static_cast<int>(row.integer(i + 1));
    return draw;
}

int DrawStore::count() const { return m_db.sql().scalar(QStringLiteral("SELECT COUNT(*) FROM Lishi")).toInt(); }

std::optional<StoredDraw> DrawStore::first() const
{
    return readOne(kDrawColumns + QStringLiteral(" ORDER BY strQQH LIMIT 1"));
}

std::optional<StoredDraw> DrawStore::last() const
{
    return readOne(kDrawColumns + QStringLiteral(" ORDER BY strQQH DESC LIMIT 1"));
}

std::optional<StoredDraw> DrawStore::find(const QString& issue) const
{
    return readOne(kDrawColumns + QStringLiteral(" WHERE strQQH = ?1"), issue);
}

QString DrawStore::lastIssue() const
{
    const auto latest = last();
    return latest ? latest->issue : QString();
}

QString DrawStore::nextIssue(const QDate& today) const
{
    return IssueNumbers::next(lastIssue(), m_lottery.drawsPerDay, m_lottery.longDateIssue, today);
}

int DrawStore::moveToUndo(const QString& where, const QString& issue)
{
    SqliteDatabase& sql = m_db.sql();
    SqliteStatement count = sql.prepare(QStringLiteral("SELECT COUNT(*) FROM Lishi WHERE ") + where);
    count.bind(1, issue);
    if (!count.next() || count.integer(0) == 0)
        return 0; // nothing changes, so the latest deletion can still be undone
    const QString columns = DatabaseSchema::lishiColumns().join(QStringLiteral(", "));
    sql.exec(QStringLiteral("DELETE FROM LishiUndo"));
    SqliteStatement keep =
        sql.prepare(QStringLiteral("INSERT INTO LishiUndo (%1) SELECT %1 FROM Lishi WHERE %2").arg(columns, where));
    keep.bind(1, issue);
    keep.run();
    SqliteStatement remove = sql.prepare(QStringLiteral("DELETE FROM Lishi WHERE ") + where);
    remove.bind(1, issue);
    remove.run();
    return sql.changes();
}

int DrawStore::deleteLast(int count)
{
    if (count <= 0)
        return 0;
    SqliteDatabase::Transaction transaction(m_db.sql());
    // The earliest issue that goes: the count-th from the end, or the first of all.
    SqliteStatement boundary =
        m_db.sql().prepare(QStringLiteral("SELECT strQQH FROM Lishi ORDER BY strQQH DESC LIMIT 1 OFFSET ?1"));
    boundary.bind(1, count - 1);
    const int removed = boundary.next() ? moveToUndo(QStringLiteral("strQQH >= ?1"), boundary.text(0))
                                        : moveToUndo(QStringLiteral("strQQH >= ?1"), QStringLiteral(""));
    transaction.commit();
    return removed;
}

int DrawStore::deleteAfter(const QString& issue)
{
    SqliteDatabase::Transaction transaction(m_db.sql());
    const int removed = moveToUndo(QStringLiteral("strQQH > ?1"), issue);
    transaction.commit();
    return removed;
}

int DrawStore::deleteAll()
{
    SqliteDatabase::Transaction transaction(m_db.sql());
    m_db.sql().exec(QStringLiteral("DELETE FROM Lishi"));
    const int removed = m_db.sql().changes();
    m_db.sql().exec(QStringLiteral("DELETE FROM LishiUndo"));
    transaction.commit();
    return removed;
}

int DrawStore::deleteBeforeWithinTransaction(const QString& issue)
{
    const int removed = moveToUndo(QStringLiteral("strQQH < ?1"), issue);
    if (removed > 0)
        if (const auto now = first())
            RowWriter(m_db.sql(), m_lottery).update(*now, std::nullopt);
    return removed;
}

int DrawStore::countBefore(const QString& issue) const
{
    SqliteStatement count = m_db.sql().prepare(QStringLiteral("SELECT COUNT(*) FROM Lishi WHERE strQQH < ?1"));
    count.bind(1, issue);
    return count.next() ? static_cast<int>(count.integer(0)) : 0;
}

int DrawStore::restorableCount() const
{
    return m_db.sql().scalar(QStringLiteral("SELECT COUNT(*) FROM LishiUndo")).toInt();
}

QStringList DrawStore::restoreDeleted()
{
    SqliteDatabase& sql = m_db.sql();
    SqliteDatabase::Transaction transaction(sql);
    QStringList issues;
    SqliteStatement kept = sql.prepare(QStringLiteral("SELECT strQQH FROM LishiUndo ORDER BY strQQH"));
    while (kept.next())
        issues << kept.text(0);
    if (issues.isEmpty())
        return issues;
    // Every change of the history ends the undo; this guards against a writer
    // that bypassed this class. The rows' attributes hold only on the history they left.
    // The rows go back at the end (deleteLast, deleteAfter) or at the start (a fetch).
    const auto latest = last();
    const auto earliest = first();
    const auto following = earliest && earliest->issue > issues.last() ? earliest : std::nullopt;
    if (latest && latest->issue >= issues.first() && !following)
        throw UserError(QStringLiteral("撤销删除"), QStringLiteral("删除之后历史号码已经改变，无法撤销。"), false);
    const QString columns = DatabaseSchema::lishiColumns().join(QStringLiteral(", "));
    sql.exec(QStringLiteral("INSERT INTO Lishi (%1) SELECT %1 FROM LishiUndo ORDER BY strQQH").arg(columns));
    sql.exec(QStringLiteral("DELETE FROM LishiUndo"));
    if (following)
        RowWriter(sql, m_lottery).update(*following, find(issues.last())->numbers);
    transaction.commit();
    return issues;
}
