#include "workbench/Workbench.h"

#include "common/UserError.h"
#include "history/Database.h"
#include "scoring/FormulaKind.h"
#include "workbench/BackTestJob.h"
#include "workbench/WorkbenchDelivery.h"

// The long work the Workbench queues: compaction, the calculation, the back-test
// and any other job, each started on the runner when its turn comes. The queue
// itself is in Workbench.cpp.

using WorkbenchDelivery::deliver;

void Workbench::compact() { startCompaction(false); }

void Workbench::compactAfterDeletion() { startCompaction(true); }

void Workbench::startCompaction(bool afterDeletion)
{
    const QString folder = requireDatabase().folder();
    enqueue([this, folder, afterDeletion] {
        // Not cancellable once begun; a cancel before it starts skips it.
        m_runner.start([folder](const ProgressCallback&) { Database(folder).compact(); },
                       [this, afterDeletion](const JobRunner::Outcome& outcome) {
                           if (outcome.failure && afterDeletion) {
                               // The deletion was committed before: a user told it failed would
                               // delete again.
                               deliver(*this, [&outcome] {
                                   try {
                                       std::rethrow_exception(outcome.failure);
                                   } catch (const UserError& error) {
                                       throw UserError(
                                           QStringLiteral("压缩数据库"),
                                           QStringLiteral("删除已完成，但压缩数据库失败：") + error.message(), false);
                                   }
                               });
                               startNext();
                               return;
                           }
                           finished(outcome);
                       });
    });
}

void Workbench::run(Work work, std::function<void()> done)
{
    const QString folder = requireDatabase().folder();
    const QString directory = requireDatabase().dataDirectory();
    enqueue([this, folder, directory, work, done] {
        m_runner.start(
            [folder, directory, work](const ProgressCallback& progress) {
                Database db(folder, directory);
                work(db, progress);
            },
            [this, done](const JobRunner::Outcome& outcome) {
                if (!outcome.failure && !outcome.cancelled && done)
                    deliver(*this, done);
                finished(outcome);
            });
    });
}

void Workbench::calculate(CalculationRequest request, CalculationDone done)
{
    const QString folder = requireDatabase().folder();
    enqueue([this, folder, request, done]() mutable {
        // Read when the job starts, after every refresh asked for before it.
        for (const auto& visited : NextDrawCalculation::visitedTables(request.leadingPositions, request.group))
            request.tableSelections[visited.first] = selection(visited.first);
        // Only a list the window has read can be out of date.
        std::optional<ShownList> shown;
        if (m_listedRead)
            shown = shownList();
        auto result = std::make_shared<CalculationResult>();
        m_runner.start(
            [folder, shown, request, result](const ProgressCallback& progress) {
                Database db(folder);
                // The history and the formulas of one state, read by the job itself.
                *result = NextDrawCalculation::run(db, request, progress, shown);
            },
            [this, result, done](const JobRunner::Outcome& outcome) {
                if (!outcome.failure && !outcome.cancelled && done)
                    deliver(*this, [&] { done(*result); });
                finished(outcome);
            });
    });
}

void Workbench::backTest(BackTestRequest request, BackTestDone done)
{
    const QString folder = requireDatabase().folder();
    enqueue([this, folder, request, done] {
        const FormulaSelection chosen = selection(request.table);
        std::optional<ShownList> shown;
        if (m_listedRead && FormulaKind::ofTable(request.table).tableName() == shownTable() &&
            request.kill == m_shown.kill)
            shown = shownList();
        auto result = std::make_shared<std::optional<BackTestResult>>();
        m_runner.start(
            [folder, chosen, shown, request, result](const ProgressCallback& progress) {
                *result = BackTestJob::run(folder, request, chosen, shown, progress);
            },
            [this, result, done](const JobRunner::Outcome& outcome) {
                if (!outcome.failure && !outcome.cancelled && *result && done)
                    deliver(*this, [&] { done(std::make_shared<const BackTestResult>(std::move(**result))); });
                finished(outcome);
            });
    });
}
