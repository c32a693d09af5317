#include "history/DrawStore.h"

#include "common/UserError.h"
#include "history/AttributeCatalog.h"
#include "history/Database.h"
#include "history/IssueNumbers.h"

#include <algorithm>

DrawStore::DrawStore(Database& db, LotteryTable::Entry lottery) : m_db(db), m_lottery(std::move(lottery)) {}

QString DrawStore::validate(const QString& issue, const DrawNumbers& numbers) const
{
    const QString issueProblem = IssueNumbers::validate(issue, m_lottery.drawsPerDay, m_lottery.longDateIssue);
    if (!issueProblem.isEmpty())
        return issueProblem;
    for (size_t i = 0; i < numbers.size(); ++i) {
        if (numbers[i] < 1 || numbers[i] > m_lottery.numberRange)
            return QStringLiteral("第%1个号码%2不在1到%3之间。").arg(i + 1).arg(numbers[i]).arg(m_lottery.numberRange);
        for (size_t j = 0; j < i; ++j)
            if (numbers[j] == numbers[i])
                return QStringLiteral("号码%1重复出现：五个号码必须各不相同。").arg(numbers[i]);
    }
    SqliteStatement same = m_db.sql().prepare(QStringLiteral("SELECT COUNT(*) FROM Lishi WHERE strQQH = ?1"));
    same.bind(1, issue);
    if (same.next() && same.integer(0) > 0)
        return QStringLiteral("期号%1已经存在。").arg(issue);
    return {};
}

void DrawStore::add(const QString& issue, const DrawNumbers& numbers) { addAll({StoredDraw{issue, numbers}}); }

void DrawStore::addAll(const std::vector<StoredDraw>& draws)
{
    std::optional<StoredDraw> latest = last();
    SqliteDatabase::Transaction transaction(m_db.sql());
    for (const StoredDraw& draw : draws) {
        // Checked inside the transaction so a refused draw leaves the whole batch unstored.
        const QString problem = validate(draw.issue, draw.numbers);
        if (!problem.isEmpty())
            throw UserError(QStringLiteral("号码输入有误"), problem);
        if (latest && latest->issue > draw.issue)
            throw UserError(QStringLiteral("号码输入有误"),
                            QStringLiteral("期号%1早于已存的最后一期%2：新开奖号码只能加在历史末尾。")
                                .arg(draw.issue, latest->issue));
        insert(draw, latest ? std::optional<DrawNumbers>(latest->numbers) : std::nullopt);
        latest = draw;
    }
    transaction.commit();
}

void DrawStore::insert(const StoredDraw& draw, const std::optional<DrawNumbers>& previous)
{
    const QDate date = *IssueNumbers::dateOf(draw.issue, m_lottery.longDateIssue);
    const AttributeValues values = DrawAttributes::compute(draw.numbers, IssueNumbers::serialOf(draw.issue),
                                                           m_lottery.drawsPerDay, date, previous);
    QString columns = QStringLiteral("strQQH");
    QString marks = QStringLiteral("?1");
    for (int i = 0; i < AttributeCatalog::kCount; ++i) {
        columns += QStringLiteral(", ") + AttributeCatalog::code(i);
        marks += QStringLiteral(", ?%1").arg(i + 2);
    }
    SqliteStatement statement =
        m_db.sql().prepare(QStringLiteral("INSERT INTO Lishi (%1) VALUES (%2)").arg(columns, marks));
    statement.bind(1, draw.issue);
    for (int i = 0; i < AttributeCatalog::kCount; ++i)
        statement.bind(i + 2, values[static_cast<size_t>(i)]);
    statement.run();
}

int DrawStore::count() const { return m_db.sql().scalar(QStringLiteral("SELECT COUNT(*) FROM Lishi")).toInt(); }

std::optional<StoredDraw> DrawStore::last() const
{
    SqliteStatement row = m_db.sql().prepare(
        QStringLiteral("SELECT strQQH, L1A, L2A, L3A, L4A, L5A FROM Lishi ORDER BY strQQH DESC LIMIT 1"));
    if (!row.next())
        return std::nullopt;
    StoredDraw draw;
    draw.issue = row.text(0);
    for (int i = 0; i < 5; ++i)
        draw.numbers[static_cast<size_t>(i)] = static_cast<int>(row.integer(i + 1));
    return draw;
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

int DrawStore::deleteLast(int count)
{
    if (count <= 0)
        return 0;
    SqliteDatabase::Transaction transaction(m_db.sql());
    SqliteStatement remove = m_db.sql().prepare(
        QStringLiteral("DELETE FROM Lishi WHERE strQQH IN (SELECT strQQH FROM Lishi ORDER BY strQQH DESC LIMIT ?1)"));
    remove.bind(1, count);
    remove.run();
    const int removed = m_db.sql().changes();
    transaction.commit();
    return removed;
}

int DrawStore::deleteAfter(const QString& issue)
{
    SqliteDatabase::Transaction transaction(m_db.sql());
    SqliteStatement remove = m_db.sql().prepare(QStringLiteral("DELETE FROM Lishi WHERE strQQH > ?1"));
    remove.bind(1, issue);
    remove.run();
    const int removed = m_db.sql().changes();
    transaction.commit();
    return removed;
}

int DrawStore::deleteAll()
{
    SqliteDatabase::Transaction transaction(m_db.sql());
    m_db.sql().exec(QStringLiteral("DELETE FROM Lishi"));
    const int removed = m_db.sql().changes();
    transaction.commit();
    return removed;
}
