#include "gui/main/BackTestLauncher.h"

#include "analysis/BackTest.h"
#include "common/UserError.h"
#include "gui/analysis/HistoryListWindow.h"
#include "gui/main/MainWindow.h"
#include "gui/main/UserPrompts.h"
#include "history/Database.h"
#include "history/HistorySnapshot.h"
#include "workbench/Workbench.h"

namespace {

const QString kTitle = QStringLiteral("往期结果对照");

} // namespace

BackTestLauncher::BackTestLauncher(MainWindow& window) : QObject(&window), m_window(window) {}

void BackTestLauncher::start()
{
    if (!m_window.database() || !m_window.history())
        throw UserError(kTitle, QStringLiteral("没有可用的数据库，请先检查数据目录中的 formula.mdb。"));
    if (!m_window.prompts().confirm(
            QStringLiteral("查询等待确认"),
            QStringLiteral("往期结果对照需要计算每一期的运算结果还要与开奖结果比较，所以运算比较复杂过程比较长，"
                           "可能花费数十分钟，继续查询吗？")))
        return;
    BackTestRequest request;
    request.table = m_window.currentTable();
    request.kill = m_window.shownKill();
    request.range = m_window.lottery().numberRange;
    // The formulas, their selection and the history are read by the job, in one snapshot.
    const int position = m_window.currentPosition();
    m_window.workbench().backTest(std::move(request), [this, position](std::shared_ptr<const BackTestResult> result) {
        finish(std::move(result), position);
    });
}

void BackTestLauncher::finish(std::shared_ptr<const BackTestResult> result, int position)
{
    try {
        BackTest::storeLastDraw(m_window.database()->sql(), *result);
    } catch (const std::exception& e) {
        // The list is still worth seeing; the user learns that Errarr was not written.
        m_window.prompts().warn(kTitle, QStringLiteral("Errarr 未能写入：%1").arg(QString::fromLocal8Bit(e.what())));
    }
    if (!m_list) {
        m_list = new HistoryListWindow(m_window.database()->dataDirectory(), &m_window);
        m_list->setAttribute(Qt::WA_DeleteOnClose);
        m_list->setOpenExports([this] { return m_window.settings().openExports(); });
    }
    m_list->showResult(std::move(result), position);
    m_list->show();
    m_list->raise();
}
