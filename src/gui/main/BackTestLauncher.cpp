#include "gui/main/BackTestLauncher.h"

#include "analysis/BackTest.h"
#include "analysis/MethodVerdict.h"
#include "analysis/WalkForward.h"
#include "common/AppSettings.h"
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
    const int position = m_window.currentPosition();
    m_window.workbench().backTest(
        requestOfShownTable(),
        [this, position](std::shared_ptr<const BackTestResult> result) { finish(std::move(result), position); });
}

BackTestRequest BackTestLauncher::requestOfShownTable() const
{
    BackTestRequest request;
    request.table = m_window.currentTable();
    request.kill = m_window.shownKill();
    request.range = m_window.lottery().numberRange;
    // The formulas, their selection and the history are read by the job, in one snapshot.
    return request;
}

void BackTestLauncher::replay(const ReplayChoice& choice)
{
    if (!m_window.database() || !m_window.history())
        throw UserError(kTitle, QStringLiteral("没有可用的数据库，请先检查数据目录中的 formula.mdb。"));
    const int position = m_list ? m_list->chosenPosition() : m_window.currentPosition();
    if (!choice.walkForward) {
        m_window.workbench().backTest(
            requestOfShownTable(),
            [this, position](std::shared_ptr<const BackTestResult> result) { finish(std::move(result), position); });
        return;
    }
    WalkForwardRequest request;
    request.backTest = requestOfShownTable();
    request.kind = FormulaKind::ofTable(request.backTest.table);
    request.lookBack = choice.lookBack;
    request.weighted = m_window.settings().weightedRate();
    request.rankBy = choice.rankBy;
    request.top = choice.top;
    const FormulaSelection chosen = m_window.selection();
    struct Outcome {
        std::shared_ptr<const BackTestResult> result;
        QString verdict;
    };
    auto outcome = std::make_shared<Outcome>();
    m_window.workbench().run(
        [chosen, request, position, outcome](Database& db, const ProgressCallback& progress) mutable {
            // Draws and formulas from one read of the file, whatever another program did since.
            HistorySnapshot history;
            {
                const SqliteDatabase::ReadSnapshot snapshot(db.sql());
                history = HistorySnapshot::load(db.sql());
                request.backTest.formulas = FormulaStore(db).list(request.backTest.table, request.backTest.kill);
            }
            for (const FormulaRecord& formula : request.backTest.formulas)
                if (chosen.isSelected(formula.idx))
                    request.backTest.selected.insert(formula.idx);
            const auto walk = WalkForward::run(history, request, [&progress](int step, int steps) {
                progress(step, steps);
                return true;
            });
            if (!walk)
                return;
            const auto plain = BackTest::run(history, request.backTest);
            outcome->verdict = MethodVerdict::backTestText(MethodVerdict::check(*plain, position, walk->firstRow),
                                                           MethodVerdict::check(walk->backTest, position));
            outcome->result = std::make_shared<const BackTestResult>(walk->backTest);
        },
        [this, outcome, position] {
            if (outcome->result)
                showWalkForward(outcome->result, position, outcome->verdict);
        });
}

void BackTestLauncher::showWalkForward(std::shared_ptr<const BackTestResult> result, int position,
                                       const QString& verdict)
{
    m_list->showResult(std::move(result), position);
    m_list->setVerdict(verdict);
    m_list->show();
    m_list->raise();
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
        ReplayChoice defaults;
        defaults.lookBack = m_window.settings().lookBackDraws();
        m_list->setReplayDefaults(defaults);
        connect(m_list, &HistoryListWindow::replayRequested, this, [this](const ReplayChoice& choice) {
            try {
                replay(choice);
            } catch (const UserError& e) {
                m_window.prompts().warn(e.title(), e.message());
            }
        });
    }
    m_list->showResult(std::move(result), position);
    m_list->setVerdict({});
    m_list->show();
    m_list->raise();
}
