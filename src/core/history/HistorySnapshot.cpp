#include "history/HistorySnapshot.h"

#include "history/SqliteDatabase.h"

#include <algorithm>

HistorySnapshot HistorySnapshot::load(SqliteDatabase& db)
{
    QString sql = QStringLiteral("SELECT strQQH");
    for (int i = 0; i < AttributeCatalog::kCount; ++i)
        sql += QStringLiteral(", ") + AttributeCatalog::code(i);
    sql += QStringLiteral(" FROM Lishi ORDER BY strQQH");

    HistorySnapshot snapshot;
    snapshot.reserve(db.scalar(QStringLiteral("SELECT COUNT(*) FROM Lishi")).toInt());
    SqliteStatement rows = db.prepare(sql);
    std::array<std::int32_t, AttributeCatalog::kCount> values{};
    while (rows.next()) {
        for (int i = 0; i < AttributeCatalog::kCount; ++i)
            values[static_cast<size_t>(i)] = static_cast<std::int32_t>(rows.integer(i + 1));
        snapshot.append(rows.text(0), values);
    }
    return snapshot;
}

int HistorySnapshot::rowOf(const QString& issue) const
{
    // Issues of one lottery share one length, so text order is time order.
    const auto it = std::lower_bound(m_issues.begin(), m_issues.end(), issue);
    return it != m_issues.end() && *it == issue ? static_cast<int>(it - m_issues.begin()) : -1;
}

void HistorySnapshot::append(const QString& issue, const std::array<std::int32_t, AttributeCatalog::kCount>& values)
{
    m_issues.push_back(issue);
    for (size_t i = 0; i < values.size(); ++i)
        m_columns[i].push_back(values[i]);
}

void HistorySnapshot::reserve(int rows)
{
    m_issues.reserve(static_cast<size_t>(rows));
    for (auto& c : m_columns)
        c.reserve(static_cast<size_t>(rows));
}
