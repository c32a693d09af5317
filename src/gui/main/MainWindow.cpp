// The window's state, its shared routines (AddGongshi, AddHaoma, Yansuan,
// QihaoXianshi ...) as calls into the Workbench, and how the window shows what
// the Workbench reports.
#include "gui/main/MainWindow.h"

#include "common/UserError.h"
#include "formula/FormulaRanking.h"
#include "gui/main/DrawEntryWidget.h"
#include "gui/main/FormulaTableModel.h"
#include "gui/main/HistoryTableModel.h"
#include "gui/main/UserPrompts.h"
#include "history/Database.h"
#include "history/HistorySnapshot.h"
#include "scoring/FormulaKind.h"
#include "workbench/Workbench.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QUrl>
#include <algorithm>

namespace {

QString notAvailableMessage() { return QStringLiteral("此功能暂不可用。"); }

} // namespace

MainWindow::MainWindow(std::unique_ptr<Database> database, QSettings& store, UserPrompts& prompts,
                       std::function<QDate()> today, QWidget* parent)
    : QMainWindow(parent),
      m_workbench(std::make_unique<Workbench>(std::move(database), store, std::move(today))),
      m_prompts(prompts)
{
    setObjectName(QStringLiteral("frmMain"));
    m_opener = [](const QString& path) {
        return qEnvironmentVariable("VELMORA_NO_OPEN") == QStringLiteral("1") ||
               QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    };
    buildControls();
    buildMenus();
    connectWorkbench();
    load();
}

MainWindow::~MainWindow()
{
    // The worker must not outlive what it reports to.
    m_workbench->cancel();
    m_workbench.reset();
}

void MainWindow::setHook(Command command, Hook hook) { m_hooks[command] = std::move(hook); }

// ---- state ----------------------------------------------------------------

Database* MainWindow::database() const { return m_workbench->database(); }
AppSettings& MainWindow::settings() { return m_workbench->settings(); }
const LotteryTable::Entry& MainWindow::lottery() const { return m_workbench->lottery(); }
std::shared_ptr<const HistorySnapshot> MainWindow::history() const { return m_workbench->history(); }
FormulaSelection& MainWindow::selection() { return m_workbench->selection(); }
const std::vector<ScoredFormula>& MainWindow::listedFormulas() const { return m_workbench->listed(); }
ScoringWindow MainWindow::scoringWindow() const { return m_workbench->scoringWindow(); }
ScoringRule MainWindow::scoringRule() const { return m_workbench->scoringRule(); }
QDate MainWindow::today() const { return m_workbench->today(); }

int MainWindow::currentPosition() const
{
    for (size_t i = 0; i < m_position.size(); ++i)
        if (m_position[i]->isChecked())
            return static_cast<int>(i) + 1;
    return 1;
}

bool MainWindow::currentGroup() const { return m_kind[1]->isChecked(); }

bool MainWindow::shownKill() const { return !m_killKeep[1]->isChecked(); }

QString MainWindow::currentTable() const { return FormulaKind(currentPosition(), currentGroup()).tableName(); }

QString MainWindow::currentLabel() const
{
    return FormulaTarget{currentPosition(), currentGroup(), shownKill()}.label();
}

bool MainWindow::verifyHistory() const { return m_target[1]->isChecked(); }

QString MainWindow::verifyIssue() const { return m_verifyIssue->text().trimmed(); }

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

QString MainWindow::entryIssue() const { return m_entry->issue(); }

void MainWindow::closeEvent(QCloseEvent* event)
{
    // Closing never waits for the user: running work is stopped at its next
    // check (nothing of it is stored) and the destructor waits for the worker.
    m_workbench->cancel();
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

void MainWindow::AddGongshi()
{
    m_workbench->resetSelection();
    m_workbench->refresh(RefreshPart::Formulas);
}

void MainWindow::AddGongshiZhonglei()
{
    // The list read again, in idx order; a rescore alone keeps the ranking.
    m_rankColumn.reset();
    m_formulaGrid->horizontalHeader()->setSortIndicatorShown(false);
    m_workbench->refresh(RefreshPart::Formulas);
}

void MainWindow::AddHaoma() { m_workbench->refresh(RefreshPart::History); }

void MainWindow::Yansuan() { m_workbench->refresh(RefreshPart::Scores); }

void MainWindow::QihaoXianshi() { m_workbench->refresh(RefreshPart::NextIssue); }

void MainWindow::CompactDb() { m_workbench->compact(); }

void MainWindow::ArrGs() { m_workbench->renumberShownTable(); }

void MainWindow::focusDrawEntry()
{
    if (m_workbench->busy())
        m_focusEntryWhenIdle = true;
    else
        m_entry->box(1)->setFocus(Qt::OtherFocusReason);
}

// ---- what the Workbench reports --------------------------------------------

void MainWindow::connectWorkbench()
{
    Workbench* workbench = m_workbench.get();
    connect(workbench, &Workbench::formulasChanged, this, &MainWindow::showFormulas);
    connect(workbench, &Workbench::historyChanged, this, &MainWindow::showHistory);
    connect(workbench, &Workbench::scoresReady, this, &MainWindow::showScores);
    connect(workbench, &Workbench::nextIssueReady, this, [this](const QString& next, const QString& last) {
        m_entry->setIssue(next);
        m_verifyIssue->setText(last);
    });
    connect(workbench, &Workbench::selectionChanged, m_formulaModel, &FormulaTableModel::selectionChanged);
    connect(workbench, &Workbench::busyChanged, this, &MainWindow::showBusy);
    connect(workbench, &Workbench::progressChanged, this, &MainWindow::showProgress);
    connect(workbench, &Workbench::failed, this,
            [this](const QString& title, const QString& message) { m_prompts.warn(title, message); });
    connect(workbench, &Workbench::changedElsewhere, this, [this] {
        m_keepPlace = true;
        statusBar()->showMessage(QStringLiteral("数据已被其他程序更新"), 10000);
    });
}

void MainWindow::showFormulas(const std::vector<ScoredFormula>& listed)
{
    std::vector<ScoredFormula> rows = listed;
    if (m_rankColumn)
        FormulaRanking::rank(rows, *m_rankColumn);
    m_formulaModel->setKindLabel(currentLabel());
    m_formulaModel->setWeighted(m_workbench->settings().weightedRate());
    m_formulaModel->setHighlight(std::nullopt);
    if (!m_keepPlace) {
        m_formulaModel->setRows(rows);
        sizeFormulaColumns();
        m_formulaGrid->scrollToBottom();
        return;
    }
    // The current formula and the one at the top stay where they were when they
    // are still listed; otherwise the same row numbers do.
    const auto codeAt = [this](const QModelIndex& index) {
        return index.isValid() ? m_formulaModel->rows()[static_cast<size_t>(index.row())].record.code : QString();
    };
    const QModelIndex current = m_formulaGrid->currentIndex();
    const QModelIndex top = m_formulaGrid->indexAt(QPoint(0, 0));
    const QString currentCode = codeAt(current);
    const QString topCode = codeAt(top);
    const int currentRow = current.isValid() ? current.row() : -1;
    const int column = current.isValid() ? current.column() : 0;
    const int scrolled = m_formulaGrid->verticalScrollBar()->value();
    m_formulaModel->setRows(rows);
    sizeFormulaColumns();
    const auto rowOf = [&rows](const QString& code, int fallback) {
        for (size_t i = 0; i < rows.size(); ++i)
            if (!code.isEmpty() && rows[i].record.code == code)
                return static_cast<int>(i);
        return std::min(fallback, static_cast<int>(rows.size()) - 1);
    };
    if (const int row = rowOf(topCode, -1); row >= 0)
        m_formulaGrid->scrollTo(m_formulaModel->index(row, 0), QAbstractItemView::PositionAtTop);
    else
        m_formulaGrid->verticalScrollBar()->setValue(scrolled);
    if (const int row = rowOf(currentCode, currentRow); row >= 0)
        m_formulaGrid->selectionModel()->setCurrentIndex(m_formulaModel->index(row, column),
                                                         QItemSelectionModel::NoUpdate);
}

void MainWindow::sizeFormulaColumns()
{
    // 计算值 and the rate cell are never cut: with every draw counted (前所有期)
    // the rate's weights run to thirteen digits.
    const QString* longest = nullptr;
    for (const ScoredFormula& formula : m_formulaModel->rows())
        if (!longest || formula.rateText.size() > longest->size())
            longest = &formula.rateText;
    const int padding = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_formulaGrid) + 1) + 12;
    const QFontMetrics metrics(m_formulaGrid->font());
    QHeaderView* header = m_formulaGrid->horizontalHeader();
    const int valueWidth =
        std::max(header->sectionSizeHint(4), metrics.horizontalAdvance(QStringLiteral("00")) + padding);
    int rateWidth = header->sectionSizeHint(5);
    if (longest)
        rateWidth = std::max(rateWidth, metrics.horizontalAdvance(*longest) + padding);
    m_formulaGrid->setColumnWidth(4, valueWidth);
    m_formulaGrid->setColumnWidth(5, rateWidth);
    fitFormulaColumn();
}

void MainWindow::fitFormulaColumn()
{
    int others = 0;
    for (int c = 0; c < FormulaTableModel::kColumns; ++c)
        if (c != 1)
            others += m_formulaGrid->columnWidth(c);
    m_formulaGrid->setColumnWidth(1, std::max(kFormulaColumnWidth, m_formulaGrid->viewport()->width() - others));
}

void MainWindow::showHistory(const std::shared_ptr<const HistorySnapshot>& history)
{
    m_historyModel->setHistory(history);
    sizeHistoryColumns();
    m_historyGrid->scrollToBottom();
}

void MainWindow::showScores(const std::vector<ScoredFormula>& rows, const std::vector<FormulaResultColumn>& columns)
{
    m_historyGrid->setUpdatesEnabled(false);
    m_historyModel->setResultColumns(columns);
    sizeHistoryColumns();
    m_historyGrid->setUpdatesEnabled(true);
    showFormulas(rows);
}

void MainWindow::sizeHistoryColumns()
{
    // A model reset gives every column the default width (the narrow result
    // columns); the issue and number columns get theirs back.
    m_historyGrid->setColumnWidth(0, 100);
    for (int c = 1; c < HistoryTableModel::kFixedColumns; ++c)
        m_historyGrid->setColumnWidth(c, 40);
}

void MainWindow::showBusy(bool busy)
{
    for (QWidget* widget : m_dataWidgets)
        widget->setEnabled(!busy);
    for (QAction* action : m_dataActions)
        action->setEnabled(!busy);
    m_cancel->setEnabled(busy);
    if (busy) {
        m_progress->setRange(0, 0); // moving until the work tells how far it is
        return;
    }
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    m_keepPlace = false;
    if (m_focusEntryWhenIdle) {
        m_focusEntryWhenIdle = false;
        m_entry->box(1)->setFocus(Qt::OtherFocusReason);
    }
}

void MainWindow::showProgress(int done, int total)
{
    if (!m_workbench->busy() || total <= 0)
        return;
    m_progress->setRange(0, total);
    m_progress->setValue(done);
}

// ---- plumbing ---------------------------------------------------------------

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
    openDocument(path, QStringLiteral("使用说明"));
}

bool MainWindow::openDocument(const QString& path, const QString& title)
{
    m_lastOpened = path;
    if (m_opener(path))
        return true;
    m_prompts.inform(
        title, QStringLiteral("没有找到可以打开这个文件的程序。文件在：\n%1").arg(QDir::toNativeSeparators(path)));
    return false;
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
