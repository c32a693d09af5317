#include "history/HistorySnapshot.h"

#include "common/LotteryTable.h"
#include "history/DatabaseError.h"
#include "history/SqliteDatabase.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

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

// A drawn number beyond the file's own lottery (a 12 in an 11选5 file) is as
// damaged as any other impossible value, and says which lottery's range it left.
[[noreturn]] void refuseForeignNumber(const SqliteStatement& rows, int position, const LotteryTable::Entry& lottery)
{
    const int column = AttributeCatalog::numberColumn(position) + 1;
    throw DatabaseError(QStringLiteral("历史数据第%1期已损坏：第%2个号码（%3列）是%4，不在%5的号码范围1到%6之间。"
                                       "请删除这一期后重新录入。")
                            .arg(rows.text(0))
                            .arg(position)
                            .arg(AttributeCatalog::code(column - 1), rows.text(column), lottery.caption)
                            .arg(lottery.numberRange));
}

// The lottery the file records (table Caizhong), if it records one.
std::optional<LotteryTable::Entry> recordedLottery(SqliteDatabase& db)
{
    if (db.scalar(QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type = 'table' AND name = 'Caizhong'"))
            .toInt() == 0)
        return std::nullopt;
    const QVariant index = db.scalar(QStringLiteral("SELECT GsZl FROM Caizhong ORDER BY rowid LIMIT 1"));
    if (!index.isValid() || !LotteryTable::isValidIndex(index.toInt()))
        return std::nullopt;
    return LotteryTable::entry(index.toInt());
}

} // namespace

HistorySnapshot HistorySnapshot::load(SqliteDatabase& db)
{
    const std::optional<LotteryTable::Entry> lottery = recordedLottery(db);
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
        if (lottery) {
            for (int p = 1; p <= 5; ++p)
                if (values[static_cast<size_t>(AttributeCatalog::numberColumn(p))] > lottery->numberRange)
                    refuseForeignNumber(rows, p, *lottery);
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
