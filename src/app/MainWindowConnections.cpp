#include "app/MainWindowConnections.h"

#include "analysis/ErrorValuesWindow.h"
#include "analysis/FilterDialog.h"
#include "analysis/NextDrawCalculation.h"
#include "analysis/SortKeysDialog.h"
#include "app/MainWindow.h"
#include "app/UserError.h"
#include "app/UserPrompts.h"
#include "history/HistorySnapshot.h"
#include "search/SearchWindow.h"

#include <QPointer>
#include <QRandomGenerator>
#include <QSettings>
#include <memory>
#include <numeric>

namespace {

std::shared_ptr<const HistorySnapshot> requireHistory(MainWindow& window, const QString& title)
{
    if (!window.database() || !window.history())
        throw UserError(title, QStringLiteral("没有可用的数据库，请先检查数据目录中的 formula.mdb。"));
    return window.history();
}

// The selection flags are kept by idx; every table the calculation visits reads
// the same flags, as the list shows them.
std::set<int> selectedIdxs(MainWindow& window)
{
    std::vector<int> all(FormulaSelection::kMaxIdx);
    std::iota(all.begin(), all.end(), 1);
    const std::vector<int> chosen = window.selection().selected(all);
    return {chosen.begin(), chosen.end()};
}

void calculate(MainWindow& window, QSettings& store, const std::shared_ptr<QPointer<ErrorValuesWindow>>& shown)
{
    const auto history = requireHistory(window, QStringLiteral("计算公式"));
    CalculationRequest request;
    request.leadingPositions = window.currentPosition();
    request.group = window.currentGroup();
    request.kill = window.shownKill();
    request.range = window.lottery().numberRange;
    request.verifyIssue = window.verifyHistory() ? window.verifyIssue() : QString();
    request.bestMethod = !window.settings().calculateSelected();
    request.selected = selectedIdxs(window);
    if (request.bestMethod) {
        SortKeysDialog keys(store, request.range, &window);
        if (keys.exec() != QDialog::Accepted)
            return;
        request.ranking = keys.choice();
    }
    CalculationResult result;
    window.runBusy([&] { result = NextDrawCalculation::run(*window.database(), *history, request); });
    if (*shown) {
        (*shown)->prepare(result);
    } else {
        auto* errorValues = new ErrorValuesWindow(*window.database(), result, &window);
        errorValues->setAttribute(Qt::WA_DeleteOnClose);
        *shown = errorValues;
    }
    (*shown)->show();
    (*shown)->raise();
}

void filter(MainWindow& window)
{
    std::vector<FormulaRecord> records;
    std::vector<int> listed;
    for (const ScoredFormula& formula : window.listedFormulas()) {
        records.push_back(formula.record);
        listed.push_back(formula.record.idx);
    }
    const std::vector<int> chosen = window.selection().selected(listed);
    FilterDialog dialog(records, std::set<int>(chosen.begin(), chosen.end()), &window);
    if (dialog.exec() != QDialog::Accepted)
        return;
    for (int idx : listed)
        window.selection().setSelected(idx, dialog.selection().count(idx) > 0);
    window.Yansuan();
}

void search(MainWindow& window, QSettings& store)
{
    const auto history = requireHistory(window, QStringLiteral("公式搜索"));
    SearchWindow dialog(*window.database(), *history, window.lottery(), window.scoringWindow(), store, window.prompts(),
                        QRandomGenerator::global()->generate64(), &window);
    QObject::connect(&dialog, &SearchWindow::formulasStored, &window, [&window] { window.reloadAll(); });
    dialog.exec();
}

} // namespace

void MainWindowConnections::connect(MainWindow& window, QSettings& store)
{
    auto shown = std::make_shared<QPointer<ErrorValuesWindow>>();
    window.setHook(MainWindow::Command::Calculate, [&store, shown](MainWindow& w) { calculate(w, store, shown); });
    window.setHook(MainWindow::Command::Filter, [](MainWindow& w) { filter(w); });
    window.setHook(MainWindow::Command::Search, [&store](MainWindow& w) { search(w, store); });
}
