#include "history/HistorySnapshot.h"

#include "history/DatabaseError.h"
#include "history/SqliteDatabase.h"

#include <algorithm>
#include <cstdlib>

namespace {

// A stored value the draw attributes can never produce means the row was
// damaged or edited by hand. Refusing it here keeps every evaluation and
// scoring path within the values it was built for.
[[noreturn]] void refuseDamagedRow(const SqliteStatement& rows, int attribute, const AttributeCatalog::Range& range)
{
    const int column = attribute + 1;
    const QString value = rows.isNull(column) ? QStringLiteral("（空）") : rows.text(column);
    throw DatabaseError(
        QStringLiteral("历史数据第%1期已损坏：%2列（%3）的值%4不在%5到%6之间。"
                       "请删除这一期后重新录入。")
            .arg(rows.text(0), AttributeCatalog::code(attribute), AttributeCatalog::displayName(attribute), value)
            .arg(range.lowest)
            .arg(range.highest));
}

} // namespace

HistorySnapshot HistorySnapshot::load(SqliteDatabase& db)
{
    QString sql = QStringLiteral("SELECT strQQH");
    for (int i = 0; i < AttributeCatalog::kCount; ++i)
        sql += QStringLiteral(", ") + AttributeCatalog::code(i);
    sql += QStringLiteral(" FROM Lishi ORDER BY strQQH");

    HistorySnapshot snapshot;
    snapshot.reserve(db.scalar(QStringLiteral("SELECT COUNT(*) FROM Lishi")).toInt());
    SqliteStatement rows = db.prepare(sql);
    std::array<AttributeCatalog::Range, AttributeCatalog::kCount> ranges{};
    for (int i = 0; i < AttributeCatalog::kCount; ++i)
        ranges[static_cast<size_t>(i)] = AttributeCatalog::valueRange(i);
    std::array<std::int32_t, AttributeCatalog::kCount> values{};
    while (rows.next()) {
        for (int i = 0; i < AttributeCatalog::kCount; ++i) {
            const AttributeCatalog::Range& range = ranges[static_cast<size_t>(i)];
            // The type first: reading a text as a number would convert it.
            if (!rows.isInteger(i + 1))
                refuseDamagedRow(rows, i, range);
            const std::int64_t value = rows.integer(i + 1);
            if (value < range.lowest || value > range.highest)
                refuseDamagedRow(rows, i, range);
            values[static_cast<size_t>(i)] = static_cast<std::int32_t>(value);
        }
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
    for (size_t i = 0; i < values.size(); ++i) {
        m_columns[i].push_back(values[i]);
        m_largestMagnitude = std::max(m_largestMagnitude, std::abs(static_cast<std::int64_t>(values[i])));
    }
}

void HistorySnapshot::reserve(int rows)
{
    m_issues.reserve(static_cast<size_t>(rows));
    for (auto& c : m_columns)
        c.reserve(static_cast<size_t>(rows));
}
