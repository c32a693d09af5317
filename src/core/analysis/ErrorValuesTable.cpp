#include "analysis/ErrorValuesTable.h"

#include "history/SqliteDatabase.h"

#include <algorithm>
#include <map>

namespace {

int columnValue(const ErrorValueRow& row, ErrorValueColumn column)
{
    switch (column) {
    case ErrorValueColumn::Number: return row.number;
    case ErrorValueColumn::Vote: return row.tally.vote;
    case ErrorValueColumn::Kill: return row.tally.kill;
    case ErrorValueColumn::Keep: return row.tally.keep;
    }
    return 0;
}

} // namespace

QString ErrorValuesTable::verdictText(bool filtered)
{
    return filtered ? QStringLiteral("滤杀") : QStringLiteral("保留");
}

std::vector<ErrorValueRow> ErrorValuesTable::order(const CalculationResult& result, int position,
                                                   ErrorValueColumn column, bool reversed)
{
    std::vector<ErrorValueRow> rows;
    for (int n = 1; n <= result.range; ++n) {
        ErrorValueRow row;
        row.number = n;
        row.tally = result.tally(position, n);
        row.filtered = isFiltered(result.kill, row.tally.vote);
        rows.push_back(row);
    }
    const bool down = descending(result.kill, reversed);
    std::stable_sort(rows.begin(), rows.end(), [column, down](const ErrorValueRow& a, const ErrorValueRow& b) {
        const int va = columnValue(a, column);
        const int vb = columnValue(b, column);
        return down ? va > vb : va < vb;
    });
    for (size_t i = 0; i < rows.size(); ++i)
        rows[i].place = static_cast<int>(i) + 1;
    return rows;
}

std::vector<VoteSummaryRow> ErrorValuesTable::summary(const CalculationResult& result, int position)
{
    // A count no number has tells nothing: only the counts that occur are listed.
    std::map<int, std::vector<int>> byCount;
    for (int n = 1; n <= result.range; ++n)
        byCount[result.tally(position, n).vote].push_back(n);
    std::vector<VoteSummaryRow> rows;
    for (auto& [count, numbers] : byCount)
        rows.push_back({count, std::move(numbers)});
    return rows;
}

KeptMarks ErrorValuesTable::keptMarks(const CalculationResult& result)
{
    KeptMarks marks;
    std::set<int> earlier;
    for (int position : result.shownPositions()) {
        std::set<int> kept;
        std::set<int> shaded;
        const auto rows = order(result, position);
        for (size_t i = 0; i < rows.size() && static_cast<int>(i) < result.keepLimit; ++i) {
            kept.insert(rows[i].number);
            if (earlier.contains(rows[i].number))
                shaded.insert(rows[i].number);
        }
        earlier.insert(kept.begin(), kept.end());
        marks.kept.push_back(kept);
        marks.shaded.push_back(shaded);
    }
    return marks;
}

std::set<int> ErrorValuesTable::drawnAt(const CalculationResult& result, int position)
{
    std::set<int> drawn;
    if (!result.verifiedNumbers)
        return drawn;
    for (int p = result.group ? 1 : position; p <= position; ++p)
        drawn.insert((*result.verifiedNumbers)[static_cast<size_t>(p - 1)]);
    return drawn;
}

void ErrorValuesTable::store(SqliteDatabase& db, const CalculationResult& result, int position)
{
    SqliteDatabase::Transaction transaction(db);
    db.exec(QStringLiteral("DELETE FROM ErrarrLei"));
    SqliteStatement insert =
        db.prepare(QStringLiteral("INSERT INTO ErrarrLei (num, ETrrcount, Errcount, Trrcount) VALUES (?, ?, ?, ?)"));
    for (int n = 1; n <= result.range; ++n) {
        const NumberTally& tally = result.tally(position, n);
        insert.bind(1, n).bind(2, tally.vote).bind(3, tally.kill).bind(4, tally.keep);
        insert.run();
    }
    transaction.commit();
}

std::vector<ErrorValueRow> ErrorValuesTable::readByKillCount(SqliteDatabase& db, bool kill)
{
    std::vector<ErrorValueRow> rows;
    SqliteStatement select =
        db.prepare(QStringLiteral("SELECT num, ETrrcount, Errcount, Trrcount FROM ErrarrLei ORDER BY Errcount, num"));
    while (select.next()) {
        ErrorValueRow row;
        row.place = static_cast<int>(rows.size()) + 1;
        row.number = static_cast<int>(select.integer(0));
        row.tally = {static_cast<int>(select.integer(1)), static_cast<int>(select.integer(2)),
                     static_cast<int>(select.integer(3))};
        row.filtered = isFiltered(kill, row.tally.vote);
        rows.push_back(row);
    }
    return rows;
}
