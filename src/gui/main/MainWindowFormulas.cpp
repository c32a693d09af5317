// Draw entry and the formula list: adding, selecting, ranking and deleting.
#include "gui/main/MainWindow.h"

#include "formula/FormulaError.h"
#include "formula/FormulaRanking.h"
#include "formula/FormulaStore.h"
#include "formula/FormulaText.h"
#include "gui/main/AttributeHelpWindow.h"
#include "gui/main/DrawEntryWidget.h"
#include "gui/main/FormulaDetailDialog.h"
#include "gui/main/FormulaTableModel.h"
#include "gui/main/HistoryTableModel.h"
#include "gui/main/UserPrompts.h"
#include "history/DrawStore.h"

#include <QCheckBox>
#include <QEvent>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QTableView>
#include <algorithm>

// ---- draw entry -----------------------------------------------------------

void MainWindow::saveTypedDraw()
{
    guarded([this] {
        DrawStore store(requireDatabase(), m_lottery);
        store.add(m_entry->issue(), m_entry->numbers()); // a refused draw raises and stores nothing
        m_historyChanged = true;
        m_historyGrid->setUpdatesEnabled(false);
        AddHaoma();
        Yansuan();
        QihaoXianshi();
        m_entry->clearNumbers();
        m_entry->box(1)->setFocus(Qt::OtherFocusReason);
        m_historyGrid->setUpdatesEnabled(true);
        if (m_historyModel->rowCount() + 1 > 29)
            m_historyGrid->scrollToBottom();
    });
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_verifyIssue && event->type() == QEvent::FocusIn)
        m_target[1]->setChecked(true); // typing an issue here means verifying it
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
    ParsedFormula parsed;
    try {
        parsed = FormulaText::parse(m_formulaInput->text());
    } catch (const FormulaError& error) {
        m_prompts.warn(error.title(), error.message() + QStringLiteral("\n\n") + error.detail());
        return;
    }
    FormulaStore(requireDatabase()).add(parsed);
    // Show the table the formula went to; the kill/keep filter stays as chosen.
    {
        for (QRadioButton* b : m_position)
            b->blockSignals(true);
        for (QRadioButton* b : m_kind)
            b->blockSignals(true);
        m_position[static_cast<size_t>(parsed.target.position - 1)]->setChecked(true);
        m_kind[parsed.target.group ? 1 : 0]->setChecked(true);
        for (QRadioButton* b : m_position)
            b->blockSignals(false);
        for (QRadioButton* b : m_kind)
            b->blockSignals(false);
    }
    m_formulaInput->clear();
    AddGongshi();
    AddHaoma();
    Yansuan();
}

void MainWindow::showTableChoice()
{
    if (m_loading)
        return;
    guarded([this] {
        AddGongshi();
        if (m_showResults->isChecked())
            AddHaoma();
        Yansuan();
    });
}

void MainWindow::formulaClicked(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    if (index.column() == 1) {
        m_selection.toggle(m_formulaModel->idxAt(index.row()));
        m_formulaModel->selectionChanged();
    } else if (index.column() == 4) {
        const QString kind = m_formulaModel->index(index.row(), 2).data().toString();
        const QString value = m_formulaModel->index(index.row(), 4).data().toString();
        m_formulaModel->setHighlight(std::make_pair(kind, value));
    }
}

void MainWindow::formulaDoubleClicked(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    // Statistic columns re-order the list; the others refill it as it stands.
    std::vector<ScoredFormula> rows = m_formulaModel->rows();
    FormulaRanking::rank(rows, index.column());
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

void MainWindow::deleteOne(int idx)
{
    if (FormulaStore(requireDatabase()).remove(currentTable(), {idx}) > 0)
        m_selection.removeAndShift(idx);
    AddGongshiZhonglei();
    AddHaoma();
    Yansuan();
    // Last: a compaction that fails leaves the list already showing what is stored.
    CompactDb();
}

void MainWindow::deleteCurrentFormula()
{
    const QModelIndex current = m_formulaGrid->currentIndex();
    if (!current.isValid())
        return;
    deleteOne(m_formulaModel->idxAt(current.row()));
}

void MainWindow::deleteLastFormula()
{
    const std::vector<int> listed = m_formulaModel->idxs();
    if (listed.empty())
        return;
    deleteOne(*std::max_element(listed.begin(), listed.end()));
}

void MainWindow::deleteFormulas(bool selected)
{
    // Only listed formulas: those of the other kill/keep flag are not on screen,
    // so their selection state cannot have been the user's choice.
    const std::vector<int> listed = m_formulaModel->idxs();
    const std::vector<int> doomed = selected ? m_selection.selected(listed) : m_selection.unselected(listed);
    if (doomed.empty())
        return;
    const QString question = selected ? QStringLiteral("确实要删除选中的所有公式(公式列表序号蓝色表示)吗?")
                                      : QStringLiteral("确实要删除选未中的所有公式(公式列表序号灰色表示)吗?");
    if (!m_prompts.confirm(QStringLiteral("删除公式"), question))
        return;
    FormulaStore(requireDatabase()).remove(currentTable(), doomed);
    AddGongshi();
    AddHaoma();
    Yansuan();
    CompactDb();
}

void MainWindow::clearAllFormulas()
{
    if (!m_prompts.confirm(QStringLiteral("清空所有公式"),
                           QStringLiteral("清空所有公式后将无法恢复，是否清空所有类别的公式？")))
        return;
    FormulaStore(requireDatabase()).clearAll();
    AddGongshi();
    AddHaoma();
    Yansuan();
}

void MainWindow::selectAllFormulas()
{
    m_selection.selectAll(m_formulaModel->idxs());
    m_formulaModel->selectionChanged();
}

void MainWindow::showSelection() { m_formulaModel->selectionChanged(); }

void MainWindow::invertSelection()
{
    m_selection.invert(m_formulaModel->idxs());
    m_formulaModel->selectionChanged();
}

void MainWindow::showFormulaDetail()
{
    const QModelIndex current = m_formulaGrid->currentIndex();
    if (!current.isValid() || !m_history)
        return;
    const FormulaRecord& record = m_formulaModel->rows()[static_cast<size_t>(current.row())].record;
    auto* dialog = new FormulaDetailDialog(m_history, record, scoringRule(), this);
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
