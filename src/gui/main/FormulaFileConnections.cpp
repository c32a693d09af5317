#include "gui/main/FormulaFileConnections.h"

#include "analysis/FormulaGridSheet.h"
#include "analysis/HistoryGridSheet.h"
#include "common/Download.h"
#include "common/UserError.h"
#include "formula/FormulaExport.h"
#include "formula/FormulaImport.h"
#include "formula/FormulaOnlineUpdate.h"
#include "formula/FormulaSelection.h"
#include "gui/main/FormulaTableModel.h"
#include "gui/main/HistoryTableModel.h"
#include "gui/main/MainWindow.h"
#include "gui/main/UserPrompts.h"
#include "history/Database.h"
#include "history/HistorySnapshot.h"
#include "scoring/FormulaKind.h"
#include "workbench/Workbench.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QProgressDialog>
#include <QTableView>
#include <QTimer>
#include <QUrl>

namespace {

const QString kDownloadName = QStringLiteral("formulaDownload");

Database& requireDatabase(MainWindow& window, const QString& title)
{
    if (!window.database() || !window.history())
        throw UserError(title, QStringLiteral("没有可用的数据库，请先检查数据目录中的 formula.mdb。"));
    return *window.database();
}

QString dataPath(MainWindow& window, const QString& name)
{
    return QDir(window.database()->dataDirectory()).filePath(name);
}

// Shows a written file with the desktop's program for it, unless that is switched
// off; then the user is told where the file is.
void showWritten(MainWindow& window, const QString& title, const QString& path)
{
    if (window.settings().openExports() && qEnvironmentVariable("VELMORA_NO_OPEN") != u"1")
        window.openDocument(path);
    else
        window.prompts().inform(title, QStringLiteral("已写入 %1").arg(path));
}

// For slots that run outside the window's command hooks: failures become messages.
void reported(MainWindow& window, const std::function<void()>& work)
{
    try {
        work();
    } catch (const UserError& error) {
        window.prompts().warn(error.title(), error.message());
    } catch (const std::exception& error) {
        window.prompts().warn(FormulaOnlineUpdate::title(), QString::fromLocal8Bit(error.what()));
    }
}

// The spreadsheet writer is not built to stop half-way: it reports its progress
// and always runs to its end.
ProgressCallback uninterrupted(const ProgressCallback& progress)
{
    return [progress](int done, int total) {
        try {
            progress(done, total);
        } catch (const WorkCancelled&) {}
    };
}

// Runs an import as a Workbench job (ProgressBar1 counts, "取消" undoes it whole),
// then rebuilds the list, the history grid and the scores, and says how many
// formulas went in, were skipped as duplicates and were unrecognised (with no
// `title`, only when some line was unrecognised: the update says its own). Every
// table may have changed: each starts its selection afresh.
using ImportWork = std::function<FormulaImportResult(Database& db, const FormulaImportOptions& options)>;
void runImport(MainWindow& window, const QString& title, ImportWork work)
{
    auto result = std::make_shared<FormulaImportResult>();
    window.workbench().run(
        [work = std::move(work), result](Database& db, const ProgressCallback& progress) {
            FormulaImportOptions options;
            options.progress = progress;
            *result = work(db, options);
        },
        [&window, title, result] {
            window.workbench().resetAllSelections();
            window.reloadAll();
            if (result->unrecognised > 0)
                window.prompts().warn(FormulaImport::unrecognisedTitle(), FormulaImport::summary(*result));
            else if (!title.isEmpty())
                window.prompts().inform(title, FormulaImport::summary(*result));
        });
}

// Command10 "读取公式文本(N)"
void importFile(MainWindow& window)
{
    const QString title = QStringLiteral("读取公式文本");
    Database& db = requireDatabase(window, title);
    const auto path = window.prompts().chooseFileToOpen(title, db.dataDirectory(), QStringLiteral("Text(*.txt)"));
    if (!path)
        return;
    if (path->right(3).toLower() != u"txt") {
        window.prompts().inform(title, QStringLiteral("只能读取扩展名为 txt 的公式文本文件。"));
        return;
    }
    runImport(window, title, [file = *path](Database& worker, const FormulaImportOptions& options) {
        return FormulaImport::importFile(worker, file, options);
    });
}

// Command11 (every class) and Command20 (the shown class).
void exportFormulas(MainWindow& window, bool allClasses)
{
    const QString title = allClasses ? QStringLiteral("所有类公式中文导出") : QStringLiteral("所选类公式中文导出");
    requireDatabase(window, title);
    const auto history = window.history();
    const QString issue = window.entryIssue();
    const QString path = dataPath(window, allClasses ? FormulaExport::allTablesFileName(issue)
                                                     : FormulaExport::tableFileName(issue, window.currentLabel()));
    FormulaExportOptions options;
    options.encoding = window.settings().formulaFilesUtf8() ? TextEncoding::Utf8 : TextEncoding::Gb18030;
    options.range = window.lottery().numberRange;
    options.window = window.scoringWindow();
    const QStringList tables = allClasses ? FormulaKind::tableNames() : QStringList{window.currentTable()};
    window.workbench().run(
        [history, tables, path, options](Database& worker, const ProgressCallback& progress) mutable {
            options.progress = progress;
            FormulaExport::write(worker, *history, tables, path, options);
        },
        [&window, title, path] { showWritten(window, title, path); });
}

// mnuExl: the formula grid as it is shown, to gongshi.xlsx.
void exportFormulaGrid(MainWindow& window)
{
    const QString title = QStringLiteral("导出到EXCEL表格");
    requireDatabase(window, title);
    auto* grid = window.findChild<QTableView*>(QStringLiteral("MSFlexGrid2"));
    const auto* model = grid ? qobject_cast<const FormulaTableModel*>(grid->model()) : nullptr;
    if (!model)
        throw UserError(title, QStringLiteral("找不到公式列表。"), false);
    // The worker writes from copies: the list and its selection may change meanwhile.
    auto rows = std::make_shared<const std::vector<ScoredFormula>>(model->rows());
    FormulaGridView view = model->view();
    auto selection = std::make_shared<const FormulaSelection>(view.selection ? *view.selection : FormulaSelection());
    view.selection = selection.get();
    const QString path = dataPath(window, FormulaGridSheet::fileName());
    window.workbench().run(
        [rows, view, selection, path, title](Database&, const ProgressCallback& progress) {
            GridSpreadsheet::write(path, FormulaGridSheet(*rows, view), title, uninterrupted(progress));
        },
        [&window, title, path] { showWritten(window, title, path); });
}

// cmdDcexl, mnuDcls: the history grid with its green result cells, to lishi.xlsx.
void exportHistoryGrid(MainWindow& window)
{
    const QString title = QStringLiteral("导出列表到Excel");
    requireDatabase(window, title);
    if (!window.prompts().confirm(HistoryGridSheet::questionTitle(), HistoryGridSheet::question()))
        return;
    auto* grid = window.findChild<QTableView*>(QStringLiteral("MSFlexGrid1"));
    const auto* model = grid ? qobject_cast<const HistoryTableModel*>(grid->model()) : nullptr;
    if (!model)
        throw UserError(title, QStringLiteral("找不到历史列表。"), false);
    const auto history = window.history();
    auto columns = std::make_shared<const std::vector<FormulaResultColumn>>(model->resultColumns());
    const QString path = dataPath(window, HistoryGridSheet::fileName());
    window.workbench().run(
        [history, columns, path, title](Database&, const ProgressCallback& progress) {
            GridSpreadsheet::write(path, HistoryGridSheet(*history, *columns), title, uninterrupted(progress));
        },
        [&window, title, path] { showWritten(window, title, path); });
}

// What follows a download: keep the bytes as Velmora.txt, or say why not and fall
// back on the file fetched last time; then replace the formulas with its content.
void afterDownload(MainWindow& window, const Download& download)
{
    reported(window, [&window, &download] {
        const QString title = FormulaOnlineUpdate::title();
        Database& db = requireDatabase(window, title);
        if (download.cancelled()) {
            window.prompts().inform(title, QStringLiteral("下载已取消，公式没有改变。"));
            return;
        }
        if (download.succeeded()) {
            FormulaOnlineUpdate::storeDownload(db.dataDirectory(), download.data());
        } else {
            const QString previous = FormulaOnlineUpdate::storedPath(db.dataDirectory());
            if (!QFileInfo::exists(previous)) {
                window.prompts().warn(title, QStringLiteral("%1\n没有以前下载的 %2，公式没有更新。")
                                                 .arg(download.errorMessage(), FormulaOnlineUpdate::fileName()));
                return;
            }
            window.prompts().warn(title,
                                  QStringLiteral("%1\n将读取以前下载的 %2。").arg(download.errorMessage(), previous));
        }
        runImport(window, QString(), [](Database& worker, const FormulaImportOptions& options) {
            return FormulaOnlineUpdate::importStored(worker, options);
        });
    });
}

// cmdGsgx "公式在线更新（&W)": the download runs while the window stays usable; a
// small progress window offers to cancel it.
void onlineUpdate(MainWindow& window)
{
    const QString title = FormulaOnlineUpdate::title();
    requireDatabase(window, title);
    if (window.findChild<Download*>(kDownloadName)) {
        window.prompts().inform(title, QStringLiteral("公式文件正在下载，请稍候。"));
        return;
    }
    if (!window.prompts().confirm(title, FormulaOnlineUpdate::question()))
        return;
    const QString address = window.settings().formulaUrl();
    auto* download =
        new Download(address.isEmpty() ? QUrl() : QUrl::fromUserInput(address, QString(), QUrl::AssumeLocalFile),
                     Download::Limits{}, &window);
    download->setObjectName(kDownloadName);
    auto* dialog = new QProgressDialog(QStringLiteral("正在下载公式文件……"), QStringLiteral("取消"), 0, 0, &window);
    dialog->setObjectName(QStringLiteral("dlgGsgx"));
    dialog->setWindowTitle(title);
    dialog->setWindowModality(Qt::NonModal);
    dialog->setAutoReset(false);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(dialog, &QProgressDialog::canceled, download, &Download::cancel);
    QObject::connect(download, &Download::progress, dialog, [dialog](qint64 received, qint64 total) {
        dialog->setMaximum(total > 0 ? 1000 : 0);
        if (total > 0)
            dialog->setValue(static_cast<int>(received * 1000 / total));
    });
    QObject::connect(download, &Download::finished, dialog, &QWidget::close);
    QObject::connect(download, &Download::finished, &window, [&window, download] {
        download->setObjectName(QString()); // a new update may start from here on
        // After the progress window has closed and the transfer is wound up; the
        // import waits behind any work already running.
        QTimer::singleShot(0, &window, [&window, download] {
            afterDownload(window, *download);
            download->deleteLater();
        });
    });
    dialog->show();
    download->start();
}

// Settings of this group of commands, in the settings menu before 恢复默认设置.
void addSettings(MainWindow& window)
{
    auto* menu = window.findChild<QMenu*>(QStringLiteral("mnuSetup"));
    if (!menu)
        return;
    QAction* before = nullptr;
    for (QAction* action : menu->actions())
        if (action->objectName() == u"meuHfmr")
            before = action;
    const auto add = [&](const QString& name, const QString& caption, bool checked, bool checkable) {
        auto* action = new QAction(caption, menu);
        action->setObjectName(name);
        action->setCheckable(checkable);
        action->setChecked(checked);
        menu->insertAction(before, action);
        return action;
    };
    AppSettings& settings = window.settings();
    QObject::connect(add(QStringLiteral("mnuGsUtf8"), QStringLiteral("公式文本导出使用UTF-8编码"),
                         settings.formulaFilesUtf8(), true),
                     &QAction::toggled, &window, [&settings](bool on) { settings.setFormulaFilesUtf8(on); });
    QObject::connect(
        add(QStringLiteral("mnuOpenExports"), QStringLiteral("导出后打开文件"), settings.openExports(), true),
        &QAction::toggled, &window, [&settings](bool on) { settings.setOpenExports(on); });
    QObject::connect(add(QStringLiteral("mnuGsUrl"), QStringLiteral("公式在线更新地址(&U)..."), false, false),
                     &QAction::triggered, &window, [&window, &settings] {
                         const auto answer = window.prompts().askText(
                             QStringLiteral("公式在线更新地址"),
                             QStringLiteral("公式文件的下载地址（http、https 或 file:// 地址）："),
                             settings.formulaUrl());
                         if (answer)
                             settings.setFormulaUrl(*answer);
                     });
    menu->insertSeparator(before);
}

} // namespace

void FormulaFileConnections::connect(MainWindow& window)
{
    window.setHook(MainWindow::Command::ImportFormulas, importFile);
    window.setHook(MainWindow::Command::ExportAllChinese, [](MainWindow& w) { exportFormulas(w, true); });
    window.setHook(MainWindow::Command::ExportTableChinese, [](MainWindow& w) { exportFormulas(w, false); });
    window.setHook(MainWindow::Command::OnlineFormulas, onlineUpdate);
    window.setHook(MainWindow::Command::ExportFormulaGrid, exportFormulaGrid);
    window.setHook(MainWindow::Command::ExportExcel, exportHistoryGrid);
    window.setHook(MainWindow::Command::ExportHistory, exportHistoryGrid);
    addSettings(window);
}
