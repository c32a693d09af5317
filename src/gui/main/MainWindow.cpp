// The window's state, its shared routines (AddGongshi, AddHaoma, Yansuan,
// QihaoXianshi ...) and the plumbing that keeps long work off the screen's way.
#include "gui/main/MainWindow.h"

#include "common/UserError.h"
#include "formula/FormulaResultColumns.h"
#include "formula/FormulaScoring.h"
#include "formula/FormulaStore.h"
#include "gui/main/DrawEntryWidget.h"
#include "gui/main/FormulaTableModel.h"
#include "gui/main/HistoryTableModel.h"
#include "gui/main/UserPrompts.h"
#include "history/Database.h"
#include "history/DrawStore.h"
#include "history/HistorySnapshot.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFileInfo>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QTableView>
#include <QThread>
#include <QUrl>
#include <algorithm>

namespace {

QString notAvailableMessage() { return QStringLiteral("此功能暂不可用。"); }

} // namespace

MainWindow::MainWindow(std::unique_ptr<Database> database, QSettings& store, UserPrompts& prompts,
                       std::function<QDate()> today, QWidget* parent)
    : QMainWindow(parent),
      m_database(std::move(database)),
      m_settings(store),
      m_prompts(prompts),
      m_today(std::move(today)),
      m_lottery(LotteryTable::entry(0))
{
    setObjectName(QStringLiteral("frmMain"));
    buildControls();
    buildMenus();
    load();
}

MainWindow::~MainWindow() = default;

void MainWindow::setHook(Command command, Hook hook) { m_hooks[command] = std::move(hook); }

// ---- state ----------------------------------------------------------------

int MainWindow::currentPosition() const
{
    for (size_t i = 0; i < m_position.size(); ++i)
        if (m_position[i]->isChecked())
            return static_cast<int>(i) + 1;
    return 1;
}

bool MainWindow::currentGroup() const { return m_kind[1]->isChecked(); }

bool MainWindow::shownKill() const { return !m_killKeep[1]->isChecked(); }

QString MainWindow::currentTable() const { return Database::formulaTableName(currentPosition(), currentGroup()); }

QString MainWindow::currentLabel() const
{
    return FormulaTarget{currentPosition(), currentGroup(), shownKill()}.label();
}

const std::vector<ScoredFormula>& MainWindow::listedFormulas() const { return m_formulaModel->rows(); }

ScoringWindow MainWindow::scoringWindow() const
{
    return ScoringWindow{m_settings.lookBackDraws(), m_settings.excludeCurrent(), m_settings.weightedRate()};
}

ScoringRule MainWindow::scoringRule() const
{
    return ScoringRule{m_lottery.numberRange, currentPosition(), currentGroup(), shownKill()};
}

bool MainWindow::verifyHistory() const { return m_target[1]->isChecked(); }

QString MainWindow::verifyIssue() const { return m_verifyIssue->text().trimmed(); }

Database& MainWindow::requireDatabase() const
{
    if (!m_database)
        throw UserError(QStringLiteral("数据库错误"), QStringLiteral("数据库没有打开，无法完成此操作。"), false);
    return *m_database;
}

void MainWindow::guarded(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const UserError& error) {
        m_prompts.warn(error.title(), error.message());
    } catch (const std::exception& error) {
        m_prompts.warn(QStringLiteral("错误"), QString::fromLocal8Bit(error.what()));
    }
}

void MainWindow::runBusy(const std::function<void()>& work)
{
    if (m_busy) {
        work();
        return;
    }
    m_busy = true;
    m_progress->setRange(0, 0);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::exception_ptr failure;
    QThread* thread = QThread::create([&work, &failure] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
    });
    QEventLoop loop;
    connect(thread, &QThread::finished, &loop, &QEventLoop::quit);
    thread->start();
    // Paints and timers go on; clicks and keys wait until the work is done.
    if (!thread->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    thread->wait();
    delete thread;
    QCoreApplication::sendPostedEvents(m_progress); // progress posted by the work lands before the reset
    QApplication::restoreOverrideCursor();
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    m_busy = false;
    if (failure)
        std::rethrow_exception(failure);
}

void MainWindow::reportProgress(int done, int total)
{
    QMetaObject::invokeMethod(
        m_progress,
        [bar = m_progress, done, total] {
            bar->setRange(0, std::max(total, 1));
            bar->setValue(std::clamp(done, 0, std::max(total, 1)));
        },
        Qt::QueuedConnection);
}

QString MainWindow::entryIssue() const { return m_entry->issue(); }

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (m_busy)
        event->ignore(); // the worker still uses the database
    else
        QMainWindow::closeEvent(event);
}

// ---- routines -------------------------------------------------------------

void MainWindow::reloadAll()
{
    AddGongshi();
    AddHaoma();
    Yansuan();
    QihaoXianshi();
}

void MainWindow::refreshFormulaModel(std::vector<ScoredFormula> rows)
{
    m_formulaModel->setKindLabel(currentLabel());
    m_formulaModel->setWeighted(m_settings.weightedRate());
    m_formulaModel->setHighlight(std::nullopt);
    m_formulaModel->setRows(std::move(rows));
    m_formulaGrid->scrollToBottom();
}

void MainWindow::AddGongshiZhonglei()
{
    if (!m_database) {
        refreshFormulaModel({});
        return;
    }
    std::vector<ScoredFormula> rows;
    for (FormulaRecord& record : FormulaStore(*m_database).list(currentTable(), shownKill())) {
        ScoredFormula row;
        row.rateText = FormulaScoring::rateCellText(record.statistics);
        row.record = std::move(record);
        rows.push_back(std::move(row));
    }
    refreshFormulaModel(std::move(rows));
}

void MainWindow::AddGongshi()
{
    if (m_database) {
        const auto all = FormulaStore(*m_database).list(currentTable());
        int highest = 0;
        for (const FormulaRecord& record : all)
            highest = std::max(highest, record.idx);
        m_selection.selectFirst(highest);
    }
    AddGongshiZhonglei();
}

void MainWindow::AddHaoma()
{
    if (!m_database) {
        m_historyModel->setHistory(std::make_shared<HistorySnapshot>());
        m_history = std::make_shared<HistorySnapshot>();
        return;
    }
    std::shared_ptr<HistorySnapshot> loaded;
    Database& db = *m_database;
    runBusy([&] { loaded = std::make_shared<HistorySnapshot>(HistorySnapshot::load(db.sql())); });
    m_history = loaded;
    m_historyModel->setHistory(m_history);
    sizeHistoryColumns();
}

void MainWindow::sizeHistoryColumns()
{
    // A model reset gives every column the default width (the narrow result
    // columns); the issue and number columns get theirs back.
    m_historyGrid->setColumnWidth(0, 100);
    for (int c = 1; c < HistoryTableModel::kFixedColumns; ++c)
        m_historyGrid->setColumnWidth(c, 40);
}

void MainWindow::Yansuan()
{
    if (!m_database || !m_history)
        return;
    std::vector<ScoredFormula> scored;
    std::vector<FormulaResultColumn> columns;
    Database& db = *m_database;
    const auto history = m_history;
    const QString table = currentTable();
    const bool kill = shownKill();
    const ScoringRule rule = scoringRule();
    const ScoringWindow window = scoringWindow();
    const bool withColumns = m_showResults->isChecked();
    const bool sameDraw = m_settings.resultOnSameDraw();
    runBusy([&] {
        scored = TableScorer::scoreTable(db, *history, table, kill, rule.range, window);
        if (withColumns) {
            std::vector<FormulaRecord> records;
            records.reserve(scored.size());
            for (const ScoredFormula& formula : scored)
                records.push_back(formula.record);
            columns = FormulaResultColumns::build(*history, records, rule, sameDraw);
        }
    });
    m_historyGrid->setUpdatesEnabled(false);
    m_historyModel->setResultColumns(std::move(columns));
    sizeHistoryColumns();
    m_historyGrid->setUpdatesEnabled(true);
    refreshFormulaModel(std::move(scored));
}

void MainWindow::QihaoXianshi()
{
    if (!m_database)
        return;
    const DrawStore store(*m_database, m_lottery);
    m_entry->setIssue(store.nextIssue(m_today()));
    m_verifyIssue->setText(store.lastIssue());
}

void MainWindow::CompactDb()
{
    Database& db = requireDatabase();
    runBusy([&db] { db.compact(); });
}

void MainWindow::ArrGs()
{
    FormulaStore(requireDatabase()).remove(currentTable(), {});
    AddGongshi();
    Yansuan();
}

QString MainWindow::manualPath() const
{
    const QString appDir = QCoreApplication::applicationDirPath();
    // Installed beside the program, in a build tree below the sources, or in the sources.
    const QStringList candidates = {
        appDir + QStringLiteral("/docs/manual.md"),
        appDir + QStringLiteral("/../docs/manual.md"),
        appDir + QStringLiteral("/../share/velmora/manual.md"),
        QStringLiteral(VELMORA_DOCS_DIR "/manual.md"),
    };
    for (const QString& candidate : candidates)
        if (QFileInfo::exists(candidate))
            return QFileInfo(candidate).canonicalFilePath();
    return {};
}

void MainWindow::openManual()
{
    const QString path = manualPath();
    if (path.isEmpty()) {
        m_prompts.warn(QStringLiteral("使用说明"), QStringLiteral("找不到使用说明文件 manual.md。"));
        return;
    }
    openDocument(path);
}

void MainWindow::openDocument(const QString& path)
{
    m_lastOpened = path;
    if (qEnvironmentVariable("VELMORA_NO_OPEN") != QStringLiteral("1"))
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void MainWindow::runHook(Command command, const QString& caption)
{
    const auto hook = m_hooks.find(command);
    if (hook == m_hooks.end() || !hook->second) {
        m_prompts.inform(QString(caption).remove(u'&'), notAvailableMessage());
        return;
    }
    guarded([this, &hook] { hook->second(*this); });
}
