// The load sequence and the settings menus: every preference is applied at
// load and saved the moment it changes.
#include "gui/main/MainWindow.h"

#include "gui/main/DrawEntryWidget.h"
#include "gui/main/FormulaTableModel.h"
#include "gui/main/UserPrompts.h"
#include "workbench/Workbench.h"

#include <QAction>
#include <QCheckBox>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTableView>

void MainWindow::load()
{
    m_loading = true;
    guarded([this] { applySettingsToControls(); });
    m_loading = false;
    m_workbench->setShown(FormulaTarget{currentPosition(), currentGroup(), shownKill()});
    if (!database())
        return;
    // One refresh off this thread; each step on its own, so a formula table that
    // cannot be read still leaves the history grid filled, and the other way round.
    QihaoXianshi();
    AddGongshi();
    AddHaoma();
    Yansuan();
}

void MainWindow::applySettingsToControls()
{
    AppSettings& settings = m_workbench->settings();
    const LotteryTable::Entry& lottery = m_workbench->lottery();
    m_lotteries[static_cast<size_t>(lottery.index)]->setChecked(true);
    setWindowTitle(QStringLiteral("Velmora - %1").arg(lottery.caption));
    const bool selected = settings.calculateSelected();
    QSignalBlocker block0(m_method[0]);
    QSignalBlocker block1(m_method[1]);
    m_method[selected ? 1 : 0]->setChecked(true);
    m_resultColumn[settings.resultOnSameDraw() ? 1 : 0]->setChecked(true);
    m_excludeCurrent->setChecked(settings.excludeCurrent());
    m_weighted->setChecked(settings.weightedRate());
    m_formulaModel->setWeighted(settings.weightedRate());
    m_showChance->setChecked(settings.showChance());
    showChanceColumns(settings.showChance());
    // A stored index off the menu reads as the default, so one entry is always checked.
    const int lookBack = AppSettings::lookBackIndexForDraws(settings.lookBackDraws());
    for (size_t i = 0; i < m_lookBack.size(); ++i)
        m_lookBack[i]->setChecked(static_cast<int>(i) == lookBack);
}

void MainWindow::showChanceColumns(bool show)
{
    m_formulaModel->setShowChance(show);
    for (int column = FormulaGridSheet::kExpectedRateColumn; column <= FormulaGridSheet::kZColumn; ++column)
        m_formulaGrid->setColumnHidden(column, !show);
}

void MainWindow::chooseLottery(int index)
{
    try {
        // Opens the lottery's own data and reads everything again.
        m_workbench->chooseLottery(index);
    } catch (...) {
        // Refused (work is running): the menu shows the lottery still in use.
        m_lotteries[static_cast<size_t>(m_workbench->lottery().index)]->setChecked(true);
        throw;
    }
    for (size_t i = 0; i < m_lotteries.size(); ++i)
        m_lotteries[i]->setChecked(static_cast<int>(i) == index);
    setWindowTitle(QStringLiteral("Velmora - %1").arg(m_workbench->lottery().caption));
    // Numbers typed for the other lottery are no draw of this one.
    m_entry->clearNumbers();
}

void MainWindow::chooseLookBack(int index)
{
    m_workbench->settings().setLookBackIndex(index);
    for (size_t i = 0; i < m_lookBack.size(); ++i)
        m_lookBack[i]->setChecked(static_cast<int>(i) == index);
    Yansuan();
}

void MainWindow::chooseResultColumn(bool sameDraw)
{
    m_workbench->settings().setResultOnSameDraw(sameDraw);
    m_resultColumn[sameDraw ? 1 : 0]->setChecked(true);
    if (m_showResults->isChecked())
        Yansuan();
}

void MainWindow::askSearchDays()
{
    AppSettings& settings = m_workbench->settings();
    QString initial = QString::number(settings.searchDays());
    for (;;) {
        const auto answer =
            m_prompts.askText(QStringLiteral("设置天数"),
                              QStringLiteral("请输入需要统计的历史号码的天数（2~10中的任意自然数）"), initial);
        if (!answer)
            return;
        if (const auto days = AppSettings::parseSearchDays(*answer)) {
            settings.setSearchDays(*days);
            return;
        }
        m_prompts.warn(AppSettings::searchDaysErrorTitle(), AppSettings::searchDaysErrorMessage());
        initial = *answer;
    }
}

// 每天期数 of the current lottery: the next issue and the checks of new draws
// follow it at once; what is stored keeps its issues and attributes.
void MainWindow::askDrawsPerDay()
{
    const LotteryTable::Entry& lottery = m_workbench->lottery();
    const QString title = QStringLiteral("每天期数设置");
    const QString prompt = QStringLiteral("%1每天开奖的期数（%2~%3，彩种表默认%4）。\n"
                                          "修改后，下一期期号、之后输入、导入或在线更新的号码按新的期数计算和检查；"
                                          "已保存的历史号码不会改写。")
                               .arg(lottery.caption)
                               .arg(AppSettings::kMinDrawsPerDay)
                               .arg(AppSettings::kMaxDrawsPerDay)
                               .arg(LotteryTable::entry(lottery.index).drawsPerDay);
    QString initial = QString::number(lottery.drawsPerDay);
    for (;;) {
        const auto answer = m_prompts.askText(title, prompt, initial);
        if (!answer)
            return;
        if (const auto draws = AppSettings::parseDrawsPerDay(*answer)) {
            m_workbench->setDrawsPerDay(*draws);
            return;
        }
        m_prompts.warn(AppSettings::searchDaysErrorTitle(), AppSettings::drawsPerDayErrorMessage());
        initial = *answer;
    }
}

void MainWindow::restoreDefaults()
{
    m_workbench->settings().restoreDefaults();
    applySettingsToControls();
    Yansuan();
}
