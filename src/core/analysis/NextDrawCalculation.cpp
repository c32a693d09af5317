#include "analysis/NextDrawCalculation.h"

#include "common/UserError.h"
#include "formula/CompiledFormula.h"
#include "formula/FormulaError.h"
#include "formula/FormulaScoring.h"
#include "formula/FormulaStore.h"
#include "formula/TableScorer.h"
#include "history/Database.h"
#include "history/HistorySnapshot.h"
#include "scoring/FormulaKind.h"

#include <algorithm>

namespace {

const QString kTitle = QStringLiteral("计算公式");

void validate(const CalculationRequest& request)
{
    if (request.leadingPositions < 1 || request.leadingPositions > 5)
        throw UserError(kTitle, QStringLiteral("位置必须是 1 到 5（收到 %1）").arg(request.leadingPositions));
    if (request.range != 11 && request.range != CalculationResult::kMaxNumber)
        throw UserError(kTitle, QStringLiteral("号码范围必须是 11 或 12（收到 %1）").arg(request.range));
    if (request.bestMethod && (request.ranking.keepLimit < 1 || request.ranking.keepLimit > request.range))
        throw UserError(kTitle, QStringLiteral("保留个数限额必须在 1 到 %1 之间（收到 %2）")
                                    .arg(request.range)
                                    .arg(request.ranking.keepLimit));
    if (request.bestMethod && request.ranking.keys.empty())
        throw UserError(kTitle, QStringLiteral("最优公式法至少需要一个排序项目"));
}

// Walks one table's formulas in the given order, tallying at `position`.
// `target` > 0 stops the walk once that many distinct numbers are named here.
void walk(const HistorySnapshot& history, int row, const QString& table, int position,
          const std::vector<FormulaRecord>& formulas, const CalculationRequest& request, int target,
          CalculationResult& result)
{
    std::array<bool, CalculationResult::kMaxNumber + 1> marked{};
    int distinct = 0;
    const auto own = request.tableSelections.find(table);
    const auto chosen = [&](int idx) {
        return own != request.tableSelections.end() ? own->second.isSelected(idx) : request.selected.contains(idx);
    };
    for (const FormulaRecord& formula : formulas) {
        if (target > 0 && distinct >= target)
            break;
        if (!chosen(formula.idx))
            continue;
        double value = 0.0;
        try {
            value = CompiledFormula::compile(formula.code).evaluateRow(history, row);
        } catch (const FormulaError& e) {
            // A formula that cannot be read must not vote with someone else's value.
            result.skipped.push_back({position, table, formula.idx, e.detail().isEmpty() ? e.message() : e.detail()});
            continue;
        }
        const int number = FormulaScoring::namedNumber(value, request.range);
        result.used.push_back({position, table, formula.idx, formula.chinese, formula.code, value, number});
        if (number == 0)
            continue;
        NumberTally& tally = result.tally(position, number);
        ++tally.vote;
        if (request.kill)
            ++tally.kill;
        else
            ++tally.keep;
        if (!marked[static_cast<size_t>(number)]) {
            marked[static_cast<size_t>(number)] = true;
            ++distinct;
        }
    }
}

} // namespace

int NextDrawCalculation::referenceRow(const HistorySnapshot& history, const QString& verifyIssue)
{
    if (history.empty())
        throw UserError(kTitle, QStringLiteral("历史数据为空，无法计算"));
    if (verifyIssue.trimmed().isEmpty())
        return history.size() - 1;
    const int row = history.rowOf(verifyIssue.trimmed());
    if (row < 0)
        throw UserError(QStringLiteral("验证历史结果"),
                        QStringLiteral("历史数据中没有第 %1 期").arg(verifyIssue.trimmed()));
    if (row == 0)
        throw UserError(QStringLiteral("验证历史结果"),
                        QStringLiteral("第 %1 期是最早的一期，之前没有数据可以验证").arg(verifyIssue.trimmed()));
    return row - 1;
}

std::vector<std::pair<QString, int>> NextDrawCalculation::visitedTables(int leadingPositions, bool group)
{
    std::vector<std::pair<QString, int>> tables;
    if (group) {
        tables.emplace_back(FormulaKind(leadingPositions, true).tableName(), leadingPositions);
    } else {
        for (int p = 1; p <= leadingPositions; ++p)
            tables.emplace_back(FormulaKind(p, false).tableName(), p);
    }
    return tables;
}

void NextDrawCalculation::rank(std::vector<FormulaRecord>& formulas, const std::vector<StatisticKey>& keys)
{
    std::stable_sort(formulas.begin(), formulas.end(), [&keys](const FormulaRecord& a, const FormulaRecord& b) {
        for (StatisticKey key : keys) {
            const double va = a.statistics.value(key);
            const double vb = b.statistics.value(key);
            if (va != vb)
                return va > vb;
        }
        return a.idx < b.idx;
    });
}

CalculationResult NextDrawCalculation::run(const HistorySnapshot& history, const FormulaLister& formulas,
                                           const CalculationRequest& request, const ProgressCallback& progress)
{
    validate(request);
    const int row = referenceRow(history, request.verifyIssue);

    CalculationResult result;
    result.range = request.range;
    result.leadingPositions = request.leadingPositions;
    result.group = request.group;
    result.kill = request.kill;
    result.bestMethod = request.bestMethod;
    result.keepLimit = request.bestMethod ? request.ranking.keepLimit : 1;
    result.referenceIssue = history.issue(row);
    result.verifiedIssue = request.verifyIssue.trimmed();
    if (!result.verifiedIssue.isEmpty()) {
        // The reference is the draw before the verified one, so this is its row.
        std::array<int, 5> drawn{};
        for (int p = 1; p <= 5; ++p)
            drawn[static_cast<size_t>(p - 1)] = history.number(row + 1, p);
        result.verifiedNumbers = drawn;
    }

    const int target = request.bestMethod ? targetCount(request.kill, request.range, request.ranking.keepLimit) : 0;
    const auto tables = visitedTables(request.leadingPositions, request.group);
    const int steps = static_cast<int>(tables.size()) * 100;
    int step = 0;
    for (const auto& [table, position] : tables) {
        reportProgress(progress, step, steps);
        step += 100;
        std::vector<FormulaRecord> list = formulas(table, request.kill);
        if (request.bestMethod) {
            rank(list, request.ranking.keys);
            // A target of 0 means no number is wanted at all: nothing is used.
            if (target <= 0)
                continue;
        } else {
            std::stable_sort(list.begin(), list.end(),
                             [](const FormulaRecord& a, const FormulaRecord& b) { return a.idx < b.idx; });
        }
        walk(history, row, table, position, list, request, target, result);
    }
    reportProgress(progress, steps, steps);
    return result;
}

namespace {

// The best method with a scoring window scores each visited table afresh; the
// scores are stored once the whole run is through, and only in a table that
// still holds the formulas scored.
CalculationResult runOver(Database& db, const HistorySnapshot& history,
                          const NextDrawCalculation::FormulaLister& lister, const CalculationRequest& request,
                          const ProgressCallback& progress)
{
    if (!request.bestMethod || !request.rescore)
        return NextDrawCalculation::run(history, lister, request, progress);
    const int tables =
        static_cast<int>(NextDrawCalculation::visitedTables(request.leadingPositions, request.group).size());
    std::vector<std::pair<QString, std::vector<ScoredFormula>>> rescored;
    const auto scoring = [&](const QString& table, bool kill) {
        const int first = static_cast<int>(rescored.size()) * 100;
        const ProgressCallback within = [&progress, first, tables](int done, int total) {
            reportProgress(progress, first + (total > 0 ? done * 100 / total : 100), tables * 100);
        };
        std::vector<ScoredFormula> scored =
            TableScorer::score(history, lister(table, kill), FormulaKind::ofTable(table).rule(request.range, kill),
                               *request.rescore, within);
        std::vector<FormulaRecord> records;
        records.reserve(scored.size());
        for (const ScoredFormula& f : scored)
            records.push_back(f.record);
        rescored.emplace_back(table, std::move(scored));
        return records;
    };
    CalculationResult result = NextDrawCalculation::run(history, scoring, request, progress);
    // All tables or none; the last check for a cancel is made with the write lock held.
    SqliteDatabase::Transaction transaction(db.sql());
    reportProgress(progress, tables * 100, tables * 100);
    FormulaStore store(db);
    for (const auto& [table, scored] : rescored) {
        std::vector<FormulaRecord> records;
        records.reserve(scored.size());
        for (const ScoredFormula& f : scored)
            records.push_back(f.record);
        // Scores stored by idx into a table another program changed would land on other formulas.
        if (store.holds(table, request.kill, FormulaStore::identities(records)))
            TableScorer::store(db, table, scored);
    }
    transaction.commit();
    return result;
}

} // namespace

CalculationResult NextDrawCalculation::run(Database& db, const HistorySnapshot& history,
                                           const CalculationRequest& request, const ProgressCallback& progress)
{
    FormulaStore store(db);
    return runOver(
        db, history, [&store](const QString& table, bool kill) { return store.list(table, kill); }, request, progress);
}

CalculationResult NextDrawCalculation::run(Database& db, const CalculationRequest& request,
                                           const ProgressCallback& progress, const std::optional<ShownList>& shown)
{
    HistorySnapshot history;
    std::map<QString, std::vector<FormulaRecord>> lists;
    {
        const SqliteDatabase::ReadSnapshot snapshot(db.sql());
        history = HistorySnapshot::load(db.sql());
        FormulaStore store(db);
        for (const auto& visited : visitedTables(request.leadingPositions, request.group))
            lists[visited.first] = store.list(visited.first, request.kill);
    }
    if (shown && shown->kill == request.kill) {
        const auto listed = lists.find(FormulaKind::ofTable(shown->table).tableName());
        if (listed != lists.end() && FormulaStore::identities(listed->second) != shown->formulas)
            throw UserError(kTitle, listChangedMessage(), false);
    }
    return runOver(
        db, history, [&lists](const QString& table, bool) { return lists[table]; }, request, progress);
}
