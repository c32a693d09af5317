// Draw entry and the formula list: adding, selecting, ranking and deleting.
// The rules live in the Workbench; these handlers read the widgets and ask.
#include "gui/main/MainWindow.h"

#include "formula/FormulaError.h"
#include "formula/FormulaRanking.h"
#include "gui/main/AttributeHelpWindow.h"
#include "gui/main/DrawEntryWidget.h"
#include "gui/main/FormulaDetailDialog.h"
#include "gui/main/FormulaTableModel.h"
#include "gui/main/UserPrompts.h"
#include "history/DrawRefused.h"
#include "workbench/Workbench.h"

#include <QCheckBox>
#include <QEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTableView>

// ---- draw entry -----------------------------------------------------------

void MainWindow::saveTypedDraw()
{
    guarded([this] {
        try {
            // A stored draw brings AddHaoma, Yansuan and QihaoXianshi.
            m_workbench->addDraw(m_entry->issue(), m_entry->numbers());
        } catch (const DrawRefused& refused) {
            // Nothing is stored; the user corrects the first wrong box by typing over it.
            m_prompts.warn(refused.title(), refused.message());
            m_entry->selectBox(refused.box());
            return;
        }
        m_entry->clearNumbers();
        focusDrawEntry();
    });
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_verifyIssue && event->type() == QEvent::FocusIn)
        m_target[1]->setChecked(true); // typing an issue here means verifying it
    if (watched == m_formulaGrid->viewport() && event->type() == QEvent::Resize)
        fitFormulaColumn();
    return QMainWindow::eventFilter(watched, event);
}

// ---- formula list ---------------------------------------------------------

void MainWindow::addTypedFormula()
{
    if (m_formulaInput->text().trimmed().isEmpty()) {
        m_prompts.warn(QStringLiteral("添加公式失败"), QStringLiteral("请在左边文本框输入需要添加的公式"));
        m_formulaInput->setFocus();
        return;
    }
    const bool killBefore = shownKill();
    FormulaTarget target;
    try {
        target = m_workbench->addFormula(m_formulaInput->text()); // AddGongshi, AddHaoma, Yansuan follow
    } catch (const FormulaError& error) {
        // A typed line is no file: the reason is the message.
        m_prompts.warn(error.title(), QStringLiteral("无法识别公式：%1").arg(error.detail()));
        return;
    }
    showTarget(target);
    m_formulaInput->clear();
    QString message = QStringLiteral("公式已添加到%1%2公式").arg(target.label(), target.killWord());
    if (target.kill != killBefore)
        message += QStringLiteral("，列表已切换到“%1”").arg(target.killWord());
    statusBar()->showMessage(message, 10000);
}

// Checks the buttons of the table and flag the Workbench now shows, without
// asking for another refresh.
void MainWindow::showTarget(const FormulaTarget& target)
{
    std::vector<QRadioButton*> buttons(m_position.begin(), m_position.end());
    buttons.insert(buttons.end(), {m_kind[0], m_kind[1], m_killKeep[0], m_killKeep[1]});
    std::vector<QSignalBlocker> blockers;
    for (QRadioButton* b : buttons)
        blockers.emplace_back(b);
    m_position[static_cast<size_t>(target.kind.position() - 1)]->setChecked(true);
    m_kind[target.kind.group() ? 1 : 0]->setChecked(true);
    m_killKeep[target.kill ? 0 : 1]->setChecked(true);
}

void MainWindow::showTableChoice()
{
    if (m_loading)
        return;
    m_workbench->setShown(FormulaTarget{currentPosition(), currentGroup(), shownKill()});
    // Each table keeps its own selection, so the list is reread without resetting it.
    AddGongshiZhonglei();
    if (m_showResults->isChecked())
        AddHaoma();
    Yansuan();
}

void MainWindow::formulaClicked(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    if (index.column() == 1) {
        m_workbench->toggleSelected(m_formulaModel->idxAt(index.row()));
    } else if (index.column() == 4) {
        const QString kind = m_formulaModel->index(index.row(), 2).data().toString();
        const QString value = m_formulaModel->index(index.row(), 4).data().toString();
        m_formulaModel->setHighlight(std::make_pair(kind, value));
    }
}

void MainWindow::rankBy(int column)
{
    // Statistic columns re-order the list; the others refill it as it stands.
    // The order holds for the lists that follow (a rescore, a reload) and the
    // header shows its key.
    if (FormulaRanking::isStatisticColumn(column)) {
        m_rankColumn = column;
        m_formulaGrid->horizontalHeader()->setSortIndicatorShown(true);
        m_formulaGrid->horizontalHeader()->setSortIndicator(column, Qt::AscendingOrder);
    }
    std::vector<ScoredFormula> rows = m_formulaModel->rows();
    FormulaRanking::rank(rows, column);
    m_formulaModel->setRows(std::move(rows));
    m_formulaGrid->scrollToBottom();
}

void MainWindow::formulaContextMenu(const QPoint& pos)
{
    // The menu's per-formula entries act on the row under the pointer; below the
    // last row there is none, so they must not fall back on an earlier current row.
    const QModelIndex index = m_formulaGrid->indexAt(pos);
    m_formulaGrid->setCurrentIndex(index.isValid() ? m_formulaModel->index(index.row(), 0) : QModelIndex());
    m_manageMenu->popup(m_formulaGrid->viewport()->mapToGlobal(pos));
}

void MainWindow::deleteCurrentFormula()
{
    const QModelIndex current = m_formulaGrid->currentIndex();
    if (!current.isValid())
        return;
    const FormulaRecord& record = m_formulaModel->rows()[static_cast<size_t>(current.row())].record;
    m_keepPlace = true; // the list stays where it was
    m_workbench->deleteFormula({record.idx, record.code});
}

void MainWindow::deleteFormulas(bool selected)
{
    // Only listed formulas: those of the other kill/keep flag are not on screen,
    // so their selection state cannot have been the user's choice.
    // Named as listed now: a list another program changes while the question is
    // open makes the deletion refuse rather than take other formulas.
    const FormulaSelection& selection = m_workbench->selection();
    std::vector<ShownFormula> doomed;
    for (const ShownFormula& formula : m_workbench->shownList().formulas)
        if (selection.isSelected(formula.first) == selected)
            doomed.push_back(formula);
    if (doomed.empty())
        return;
    const QString question = selected ? QStringLiteral("确实要删除选中的所有公式（公式列表序号为蓝色）吗？")
                                      : QStringLiteral("确实要删除未选中的所有公式（公式列表序号为白色）吗？");
    if (m_prompts.confirm(QStringLiteral("删除公式"), question))
        m_workbench->deleteFormulas(doomed);
}

void MainWindow::clearAllFormulas()
{
    if (m_prompts.confirm(QStringLiteral("清空所有公式"),
                          QStringLiteral("清空所有公式后将无法恢复，是否清空所有类别的公式？")))
        m_workbench->clearAllFormulas();
}

void MainWindow::showFormulaDetail()
{
    const QModelIndex current = m_formulaGrid->currentIndex();
    const auto history = m_workbench->history();
    if (!current.isValid() || !history)
        return;
    const FormulaRecord& record = m_formulaModel->rows()[static_cast<size_t>(current.row())].record;
    auto* dialog = new FormulaDetailDialog(history, record, scoringRule(), scoringWindow(), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
}

void MainWindow::showAttributeHelp()
{
    if (!m_attributeHelp)
        m_attributeHelp = new AttributeHelpWindow(this);
    m_attributeHelp->show();
    m_attributeHelp->raise();
}
