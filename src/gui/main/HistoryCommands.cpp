#include "gui/main/HistoryCommands.h"

#include "common/Download.h"
#include "common/UserError.h"
#include "gui/main/MainWindow.h"
#include "gui/main/UserPrompts.h"
#include "history/Database.h"
#include "history/HistoryFetch.h"
#include "history/HistoryImport.h"
#include "history/HistorySnapshot.h"
#include "history/HistoryTextFile.h"
#include "history/ResultsPage.h"
#include "workbench/Workbench.h"

#include <QApplication>
#include <QDir>
#include <QPointer>
#include <QProgressDialog>
#include <memory>

namespace {

const QString kUpdateTitle = QStringLiteral("在线更新");

Database& requireDatabase(MainWindow& window, const QString& title)
{
    if (!window.database())
        throw UserError(title, QStringLiteral("没有可用的数据库，请先检查数据目录中的 formula.mdb。"), false);
    return *window.database();
}

// Asks for the results page address; false when the user gives none.
bool askPageAddress(MainWindow& window)
{
    const auto answer = window.prompts().askText(
        QStringLiteral("开奖页面地址"),
        QStringLiteral("请输入开奖页面的地址（http、https 或本机文件）。{code} 代表彩种代码，{rows} 代表需要的行数，"
                       "例如 https://example.org/{code}/?n={rows}"),
        window.settings().historyUrl());
    if (!answer)
        return false;
    window.settings().setHistoryUrl(*answer);
    return true;
}

// One online update at a time: the download runs on the window's event loop while
// the window stays usable, with the busy pointer and a progress dialog that can
// cancel it.
class OnlineUpdate {
public:
    void start(MainWindow& window)
    {
        if (m_download) {
            window.prompts().inform(kUpdateTitle, QStringLiteral("正在在线更新，请等它结束或先取消。"));
            return;
        }
        Database& db = requireDatabase(window, kUpdateTitle);
        if (window.settings().historyUrl().isEmpty() && !askPageAddress(window))
            return;
        m_lottery = window.lottery();
        m_searchDays = window.settings().searchDays();
        m_today = window.today();
        const FetchPlan plan = HistoryFetch(db, m_lottery, m_searchDays, m_today).plan(window.settings().historyUrl());
        QString question = QStringLiteral("确实要在线更新最新历史号码吗？更新可能要花费一段时间，"
                                          "网络不通或者我方服务器更新不及时可能都造成更新失败！");
        if (plan.replaced > 0)
            question += QStringLiteral("\n\n最早的历史号码已超过%1天：更新会用下载的号码替换最早的 %2 期"
                                       "（之后可以用“撤销删除”恢复）。")
                            .arg(m_searchDays)
                            .arg(plan.replaced);
        if (!window.prompts().confirm(kUpdateTitle, question))
            return;

        m_download = new Download(plan.url, {}, &window);
        auto* progress =
            new QProgressDialog(QStringLiteral("正在下载开奖页面……"), QStringLiteral("取消"), 0, 0, &window);
        progress->setObjectName(QStringLiteral("dlgOnlineUpdate"));
        progress->setWindowTitle(kUpdateTitle);
        progress->setWindowModality(Qt::NonModal);
        progress->setAutoClose(false);
        progress->setAutoReset(false);
        progress->setMinimumDuration(0);
        QObject::connect(progress, &QProgressDialog::canceled, m_download, &Download::cancel);
        QObject::connect(m_download, &Download::progress, progress, [progress](qint64 received, qint64 total) {
            if (total > 0) {
                progress->setMaximum(static_cast<int>(total / 1024) + 1);
                progress->setValue(static_cast<int>(received / 1024));
            }
        });
        QPointer<MainWindow> owner(&window);
        QObject::connect(m_download, &Download::finished, &window, [this, owner, progress] {
            QApplication::restoreOverrideCursor();
            progress->disconnect();
            progress->deleteLater();
            if (owner)
                finished(*owner);
        });
        QApplication::setOverrideCursor(Qt::BusyCursor);
        progress->show();
        m_download->start();
    }

private:
    void finished(MainWindow& window)
    {
        Download* download = m_download;
        download->deleteLater();
        if (!download->succeeded()) {
            m_download = nullptr;
            if (download->cancelled())
                window.prompts().inform(kUpdateTitle, QStringLiteral("在线更新已取消，历史号码没有改动。"));
            else
                window.prompts().warn(kUpdateTitle, download->errorMessage() + QStringLiteral("\n历史号码没有改动。"));
            return;
        }
        m_download = nullptr;
        try {
            store(window, download->data(), download->contentType());
        } catch (const UserError& error) {
            window.prompts().warn(error.title(), error.message());
        } catch (const std::exception& error) {
            window.prompts().warn(kUpdateTitle, QString::fromLocal8Bit(error.what()));
        }
    }

    // The page is stored by a Workbench job: after any work already running,
    // over the worker's own connection, all or nothing.
    void store(MainWindow& window, const QByteArray& page, const QString& contentType)
    {
        if (window.lottery().index != m_lottery.index)
            throw UserError(kUpdateTitle, QStringLiteral("下载期间彩种已改为%1，%2的开奖页面没有保存。")
                                              .arg(window.lottery().caption, m_lottery.caption));
        requireDatabase(window, kUpdateTitle);
        auto report = std::make_shared<DrawBatchReport>();
        window.workbench().run(
            [report, page, contentType, lottery = m_lottery, days = m_searchDays,
             today = m_today](Database& db, const ProgressCallback&) {
                *report = HistoryFetch(db, lottery, days, today).store(ResultsPage::read(page, contentType, lottery));
            },
            [&window, report] {
                window.reloadAll();
                window.prompts().inform(kUpdateTitle, report->summary());
            });
    }

    QPointer<Download> m_download;
    LotteryTable::Entry m_lottery;
    int m_searchDays = 0;
    QDate m_today;
};

// cmdLsdcTxt: "更新至" + latest issue + "期历史号码.txt" in the data directory.
void exportText(MainWindow& window)
{
    const QString title = QStringLiteral("历史号码导出");
    Database& db = requireDatabase(window, title);
    const auto history = window.history() ? window.history() : std::make_shared<HistorySnapshot>();
    const QString latest = history->empty() ? QString() : history->issue(history->size() - 1);
    const QString path = QDir(db.dataDirectory()).filePath(HistoryTextFile::fileName(latest));
    window.workbench().run(
        [path, history](Database&, const ProgressCallback&) { HistoryTextFile::write(path, *history); },
        [&window, path] { window.openDocument(path); });
}

// mnuDrls: a history text file back into the database, all or nothing.
void importText(MainWindow& window)
{
    const QString title = QStringLiteral("导入历史号码");
    Database& db = requireDatabase(window, title);
    const auto path = window.prompts().chooseFileToOpen(title, db.dataDirectory(),
                                                        QStringLiteral("历史号码文本 (*.txt *.csv);;所有文件 (*)"));
    if (!path)
        return;
    auto report = std::make_shared<DrawBatchReport>();
    window.workbench().run(
        [report, lottery = window.lottery(), file = *path](Database& worker, const ProgressCallback&) {
            *report = HistoryImport(worker, lottery).importFile(file);
        },
        [&window, report, title] {
            window.reloadAll();
            window.prompts().inform(title, report->summary());
        });
}

} // namespace

void HistoryCommands::connect(MainWindow& window)
{
    auto update = std::make_shared<OnlineUpdate>();
    window.setHook(MainWindow::Command::OnlineHistory, [update](MainWindow& w) { update->start(w); });
    window.setHook(MainWindow::Command::ExportHistoryText, exportText);
    window.setHook(MainWindow::Command::ImportHistory, importText);
    window.setHook(MainWindow::Command::HistoryPageAddress, [](MainWindow& w) { askPageAddress(w); });
}
