#include "gui/main/MainWindowConnections.h"

#include "analysis/NextDrawCalculation.h"
#include "common/UserError.h"
#include "gui/analysis/ErrorValuesWindow.h"
#include "gui/analysis/FilterDialog.h"
#include "gui/analysis/HistoryListWindow.h"
#include "gui/analysis/SortKeysDialog.h"
#include "gui/analysis/TrendWindow.h"
#include "gui/main/BackTestLauncher.h"
#include "gui/main/FormulaFileConnections.h"
#include "gui/main/HistoryCommands.h"
#include "gui/main/MainWindow.h"
#include "gui/main/UserPrompts.h"
#include "gui/search/SearchWindow.h"
#include "history/Database.h"
#include "history/DrawStore.h"
#include "history/HistorySnapshot.h"
#include "history/IssueNumbers.h"
#include "workbench/Workbench.h"

#include <QDate>
#include <QPointer>
#include <QRandomGenerator>
#include <QSettings>
#include <memory>

namespace {

std::shared_ptr<const HistorySnapshot> requireHistory(MainWindow& window, const QString& title)
{
    if (!window.database() || !window.history())
        throw UserError(title, QStringLiteral("没有可用的数据库，请先检查数据目录中的 formula.mdb。"));
    return window.history();
}

void showErrorValues(MainWindow& window, const CalculationResult& result,
                     const std::shared_ptr<QPointer<ErrorValuesWindow>>& shown)
{
    if (*shown) {
        (*shown)->prepare(result);
    } else {
        auto* errorValues = new ErrorValuesWindow(*window.database(), result, &window);
        errorValues->setAttribute(Qt::WA_DeleteOnClose);
        errorValues->setOpenExports([&window] { return window.settings().openExports(); });
        *shown = errorValues;
    }
    (*shown)->show();
    (*shown)->raise();
}

// Command23: each visited table votes with its own selection (the Workbench
// hands them over); the result window opens when the run, off the window's
// thread, is done.
void calculate(MainWindow& window, QSettings& store, const std::shared_ptr<QPointer<ErrorValuesWindow>>& shown)
{
    requireHistory(window, QStringLiteral("计算公式"));
    CalculationRequest request;
    request.leadingPositions = window.currentPosition();
    request.group = window.currentGroup();
    request.kill = window.shownKill();
    request.range = window.lottery().numberRange;
    if (window.verifyHistory()) {
        // An empty box would silently turn the check of a past draw into the coming draw.
        request.verifyIssue = window.verifyIssue().trimmed();
        if (request.verifyIssue.isEmpty())
            throw UserError(QStringLiteral("验证历史结果"),
                            QStringLiteral("请在“验证历史结果”旁的期号框中输入需要验证的期号。"));
    }
    request.bestMethod = !window.settings().calculateSelected();
    request.rescore = window.scoringWindow();
    if (request.bestMethod) {
        SortKeysDialog keys(store, request.range, &window);
        if (keys.exec() != QDialog::Accepted)
            return;
        request.ranking = keys.choice();
    }
    window.workbench().calculate(
        request, [&window, shown](const CalculationResult& result) { showErrorValues(window, result, shown); });
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
    // Scores are unchanged: only the 序号 and 计算值 cells repaint. The chosen
    // formulas are named as the dialog saw them, in case the list was reloaded meanwhile.
    std::vector<ShownFormula> kept;
    for (const FormulaRecord& record : records)
        if (dialog.selection().contains(record.idx))
            kept.emplace_back(record.idx, record.code);
    window.workbench().keepListedSelected(kept);
}

void search(MainWindow& window, QSettings& store)
{
    const auto history = requireHistory(window, QStringLiteral("公式搜索"));
    SearchWindow dialog(*window.database(), *history, window.lottery(), window.scoringWindow(), store, window.prompts(),
                        QRandomGenerator::global()->generate64(), &window);
    QObject::connect(&dialog, &SearchWindow::formulasStored, &window, [&window] {
        // Stored tables may have been renumbered: every table starts afresh.
        window.workbench().resetAllSelections();
        window.reloadAll();
    });
    dialog.exec();
}

// Command3: the latest draw goes; the selection stays as it is, and the focus
// returns to the number boxes for the next draw.
void deleteLastDraw(MainWindow& window)
{
    requireHistory(window, QStringLiteral("删除历史"));
    window.workbench().deleteLastDraw();
    window.focusDrawEntry();
}

// mnuEszhzd: the latest N draws, then the file is compacted.
void deleteLastDraws(MainWindow& window)
{
    requireHistory(window, QStringLiteral("删除历史"));
    const auto answer = window.prompts().askText(
        QStringLiteral("删除期数"),
        QStringLiteral("请输入需要删除最后多少期历史号码（例如输入3，那么就将删除最后的3期历史号码）"),
        QStringLiteral("1"));
    const int count = answer ? answer->trimmed().toInt() : 0;
    if (count > 0)
        window.workbench().deleteLastDraws(count);
}

// mnuDlzd: every draw after the answered issue; that issue and all before it stay.
void deleteToIssue(MainWindow& window)
{
    requireHistory(window, QStringLiteral("删除历史"));
    const QString latest = DrawStore(*window.database(), window.lottery()).lastIssue();
    const QString proposal = latest.isEmpty() ? QString() : QString::number(latest.toLongLong() - 1);
    // The example has the lottery's own issue form: YYMMDD (or YYYYMMDD) and a two-digit serial.
    const QString example = IssueNumbers::format(QDate(2016, 1, 21), 1, window.lottery().longDateIssue);
    const auto answer = window.prompts().askText(
        QStringLiteral("删除期数"), QStringLiteral("请输入需要删除到的期数(保留到该期），例如‘%1’").arg(example),
        proposal);
    if (!answer || answer->trimmed().toLongLong() == 0)
        return;
    window.workbench().deleteDrawsAfter(answer->trimmed());
}

// mnuDlAll: asks first, because nothing brings the draws back.
void deleteAllDraws(MainWindow& window)
{
    requireHistory(window, QStringLiteral("删除历史"));
    if (window.prompts().confirm(QStringLiteral("删除所有历史"),
                                 QStringLiteral("确实要删除所有历史号码吗？删除后无法恢复。")))
        window.workbench().deleteAllDraws();
}

// cmdTrend, mnuTrend: the trend chart opens once and follows every change of the
// history (a typed or deleted draw, another lottery) while it stays open.
void showTrend(MainWindow& window, const std::shared_ptr<QPointer<TrendWindow>>& shown)
{
    if (!*shown) {
        auto* trend = new TrendWindow(&window);
        trend->setAttribute(Qt::WA_DeleteOnClose);
        trend->setClock([&window] { return window.today(); });
        QObject::connect(&window.workbench(), &Workbench::historyChanged, trend,
                         [trend, &window](const std::shared_ptr<const HistorySnapshot>& history) {
                             trend->setExportFolder(window.database() ? window.database()->dataDirectory() : QString());
                             trend->setHistory(history, window.lottery().numberRange, window.lottery().longDateIssue);
                         });
        *shown = trend;
    }
    (*shown)->setExportFolder(window.database() ? window.database()->dataDirectory() : QString());
    (*shown)->setHistory(window.history(), window.lottery().numberRange, window.lottery().longDateIssue);
    (*shown)->show();
    (*shown)->raise();
}

} // namespace

void MainWindowConnections::connect(MainWindow& window, QSettings& store)
{
    auto shown = std::make_shared<QPointer<ErrorValuesWindow>>();
    window.setHook(MainWindow::Command::Calculate, [&store, shown](MainWindow& w) { calculate(w, store, shown); });
    // The error values belong to the lottery they were calculated for, and the
    // window writes to that lottery's database, which is closed now.
    QObject::connect(&window.workbench(), &Workbench::lotteryChanged, &window, [shown] { delete shown->data(); });
    auto* backTest = new BackTestLauncher(window);
    window.setHook(MainWindow::Command::BackTest, [backTest](MainWindow&) { backTest->start(); });
    auto trend = std::make_shared<QPointer<TrendWindow>>();
    window.setHook(MainWindow::Command::Trend, [trend](MainWindow& w) { showTrend(w, trend); });
    window.setHook(MainWindow::Command::Filter, [](MainWindow& w) { filter(w); });
    window.setHook(MainWindow::Command::Search, [&store](MainWindow& w) { search(w, store); });
    window.setHook(MainWindow::Command::DeleteLastDraw, deleteLastDraw);
    window.setHook(MainWindow::Command::DeleteLastDraws, deleteLastDraws);
    window.setHook(MainWindow::Command::DeleteToIssue, deleteToIssue);
    window.setHook(MainWindow::Command::DeleteAllHistory, deleteAllDraws);
    HistoryCommands::connect(window);
    FormulaFileConnections::connect(window);
}
