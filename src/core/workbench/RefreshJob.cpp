#include "workbench/RefreshJob.h"

#include "common/UserError.h"
#include "formula/FormulaScoring.h"
#include "formula/FormulaStore.h"
#include "history/Database.h"
#include "history/DrawStore.h"
#include "history/HistorySnapshot.h"

namespace {

constexpr int kSteps = 1000;

// Maps one step's own progress onto its share [from, to) of the whole refresh.
ProgressCallback share(const ProgressCallback& progress, int from, int to)
{
    return [progress, from, to](int done, int total) {
        reportProgress(progress, from + (total > 0 ? (to - from) * done / total : to - from), kSteps);
    };
}

// Runs one step; a failure is recorded and the refresh goes on.
template <typename Step>
void guarded(RefreshOutput& output, Step step)
{
    try {
        step();
    } catch (const WorkCancelled&) {
        throw;
    } catch (const UserError& error) {
        output.failures.emplace_back(error.title(), error.message());
    } catch (const std::exception& error) {
        output.failures.emplace_back(QStringLiteral("错误"), QString::fromLocal8Bit(error.what()));
    }
}

std::vector<ScoredFormula> storedList(Database& db, const FormulaTarget& shown)
{
    std::vector<ScoredFormula> rows;
    for (FormulaRecord& record : FormulaStore(db).list(shown.tableName(), shown.kill)) {
        ScoredFormula row;
        row.rateText = FormulaScoring::rateCellText(record.statistics);
        row.record = std::move(record);
        rows.push_back(std::move(row));
    }
    return rows;
}

void score(Database& db, const RefreshInput& input, const HistorySnapshot& history, const ProgressCallback& progress,
           RefreshOutput& output)
{
    const QString table = input.shown.tableName();
    // The statistics and the grid's result columns come from one evaluation.
    const ResultColumnForm columns = !input.resultColumns ? ResultColumnForm::None
                                     : input.sameDraw     ? ResultColumnForm::SameDraw
                                                          : ResultColumnForm::NextDraw;
    TableScore scored = TableScorer::score(history, FormulaStore(db).list(table, input.shown.kill),
                                           input.shown.rule(input.lottery.numberRange), input.window, columns,
                                           share(progress, 100, 950));
    output.columns = std::move(scored.columns);
    // Stored last, after one more check made with the write lock held: a cancel
    // that lands during the scoring, the columns or a wait for another writer
    // writes nothing.
    reportProgress(progress, kSteps, kSteps);
    SqliteDatabase::Transaction transaction(db.sql());
    reportProgress(progress, kSteps, kSteps);
    std::vector<FormulaRecord> records;
    records.reserve(scored.formulas.size());
    for (const ScoredFormula& f : scored.formulas)
        records.push_back(f.record);
    // Scores go by idx: into a table another program changed meanwhile they would
    // land on other formulas. The next refresh scores what is there now.
    if (FormulaStore(db).holds(table, input.shown.kill, FormulaStore::identities(records)))
        TableScorer::store(db, table, scored.formulas);
    transaction.commit();
    output.scored = std::move(scored.formulas);
}

} // namespace

RefreshOutput RefreshJob::run(const RefreshInput& input, const ProgressCallback& progress)
{
    RefreshOutput output;
    Database db(input.folder, input.dataDirectory);
    std::shared_ptr<const HistorySnapshot> history = input.history;
    // Only the scoring reports (and so can be stopped): the quick steps before it
    // always run, so what is shown stays current.
    {
        const SqliteDatabase::ReadSnapshot snapshot(db.sql());
        if (input.parts.testFlag(RefreshPart::Formulas))
            guarded(output, [&] { output.formulas = storedList(db, input.shown); });
        if (input.parts.testFlag(RefreshPart::History)) {
            guarded(output, [&] {
                output.history = std::make_shared<const HistorySnapshot>(HistorySnapshot::load(db.sql()));
                output.historyStamp = historyStamp(db.sql());
                history = output.history;
            });
        }
        if (input.parts.testFlag(RefreshPart::NextIssue)) {
            guarded(output, [&] {
                const DrawStore store(db, input.lottery);
                output.issues = std::make_pair(store.nextIssue(input.today), store.lastIssue());
            });
        }
    }
    if (input.parts.testFlag(RefreshPart::Scores) && history) {
        try {
            guarded(output, [&] { score(db, input, *history, progress, output); });
        } catch (const WorkCancelled&) {
            output.cancelled = true;
            output.columns.clear();
        }
    }
    return output;
}

QString RefreshJob::historyStamp(SqliteDatabase& db)
{
    SqliteStatement stamp =
        db.prepare(QStringLiteral("SELECT COUNT(*), COALESCE(MIN(strQQH), ''), COALESCE(MAX(strQQH), ''), "
                                  "TOTAL((L1A + 3 * L2A + 7 * L3A + 13 * L4A + 17 * L5A) * "
                                  "(CAST(substr(strQQH, -4) AS INTEGER) + 1)) FROM Lishi"));
    stamp.next();
    return QStringLiteral("%1|%2|%3|%4")
        .arg(stamp.integer(0))
        .arg(stamp.text(1), stamp.text(2))
        .arg(stamp.real(3), 0, 'f', 0);
}
