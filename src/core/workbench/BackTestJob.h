#pragma once

#include "analysis/BackTest.h"
#include "common/Progress.h"
#include "formula/FormulaSelection.h"
#include "formula/FormulaStore.h"

#include <QString>
#include <optional>

// The back-test as the Workbench runs it, on a worker thread over a connection of
// its own: the history and the request's table are read in one snapshot, so the
// replay sees one state; the formulas that vote are those `chosen` selects.
class BackTestJob {
public:
    // `shown`: the list the window showed of that table, when it did; a table
    // changed since is refused (UserError). Nothing when the run was stopped.
    static std::optional<BackTestResult> run(const QString& folder, BackTestRequest request,
                                             const FormulaSelection& chosen, const std::optional<ShownList>& shown,
                                             const ProgressCallback& progress);
};
