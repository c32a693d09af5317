#include "workbench/BackTestJob.h"

#include "common/UserError.h"
#include "history/Database.h"
#include "history/HistorySnapshot.h"

std::optional<BackTestResult> BackTestJob::run(const QString& folder, BackTestRequest request,
                                               const FormulaSelection& chosen, const std::optional<ShownList>& shown,
                                               const ProgressCallback& progress)
{
    Database db(folder);
    HistorySnapshot history;
    {
        const SqliteDatabase::ReadSnapshot snapshot(db.sql());
        history = HistorySnapshot::load(db.sql());
        request.formulas = FormulaStore(db).list(request.table, request.kill);
    }
    if (shown && FormulaStore::identities(request.formulas) != shown->formulas)
        throw UserError(QStringLiteral("往期结果对照"), QStringLiteral("公式列表已被其他程序改动，请刷新后再查询"),
                        false);
    request.selected.clear();
    for (const FormulaRecord& formula : request.formulas)
        if (chosen.isSelected(formula.idx))
            request.selected.insert(formula.idx);
    // A cancel stops the replay through the progress callback.
    return BackTest::run(history, request, [&progress](int step, int steps) {
        progress(step, steps);
        return true;
    });
}
