// The load sequence and the settings menus: every preference is applied at
// load and saved the moment it changes.
#include "gui/main/MainWindow.h"

#include "gui/main/FormulaTableModel.h"
#include "gui/main/UserPrompts.h"

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
    if (!m_database)
        return;
    // Each step on its own: a formula table that cannot be read still leaves the
    // history grid filled, and the other way round.
    guarded([this] { QihaoXianshi(); });
    guarded([this] { AddGongshi(); });
    guarded([this] { AddHaoma(); });
    guarded([this] { Yansuan(); });
    m_historyGrid->scrollToBottom();
}

void MainWindow::applySettingsToControls()
{
    const int lottery = m_settings.lotteryIndex();
    m_lottery = LotteryTable::entry(lottery);
    m_lotteries[static_cast<size_t>(LotteryTable::isValidIndex(lottery) ? lottery : 0)]->setChecked(true);
    setWindowTitle(QStringLiteral("Velmora - %1").arg(m_lottery.caption));
    const bool selected = m_settings.calculateSelected();
    QSignalBlocker block0(m_method[0]);
    QSignalBlocker block1(m_method[1]);
    m_method[selected ? 1 : 0]->setChecked(true);
    m_resultColumn[m_settings.resultOnSameDraw() ? 1 : 0]->setChecked(true);
    m_excludeCurrent->setChecked(m_settings.excludeCurrent());
    m_weighted->setChecked(m_settings.weightedRate());
    m_formulaModel->setWeighted(m_settings.weightedRate());
    // An index off the menu counts every draw, so "前所有期" is the entry in effect.
    const int lookBack = AppSettings::lookBackIndexForDraws(m_settings.lookBackDraws());
    for (size_t i = 0; i < m_lookBack.size(); ++i)
        m_lookBack[i]->setChecked(static_cast<int>(i) == lookBack);
}

void MainWindow::chooseLottery(int index)
{
    m_settings.setLotteryIndex(index);
    m_lottery = LotteryTable::entry(index);
    for (size_t i = 0; i < m_lotteries.size(); ++i)
        m_lotteries[i]->setChecked(static_cast<int>(i) == index);
    setWindowTitle(QStringLiteral("Velmora - %1").arg(m_lottery.caption));
    QihaoXianshi();
    Yansuan();
}

void MainWindow::chooseLookBack(int index)
{
    m_settings.setLookBackIndex(index);
    for (size_t i = 0; i < m_lookBack.size(); ++i)
        m_lookBack[i]->setChecked(static_cast<int>(i) == index);
    Yansuan();
}

void MainWindow::chooseResultColumn(bool sameDraw)
{
    m_settings.setResultOnSameDraw(sameDraw);
    m_resultColumn[sameDraw ? 1 : 0]->setChecked(true);
    if (m_showResults->isChecked())
        Yansuan();
}

void MainWindow::askSearchDays()
{
    QString initial = QString::number(m_settings.searchDays());
    for (;;) {
        const auto answer =
            m_prompts.askText(QStringLiteral("设置天数"),
                              QStringLiteral("请输入需要统计的历史号码的天数（2~10中的任意自然数）"), initial);
        if (!answer)
            return;
        if (const auto days = AppSettings::parseSearchDays(*answer)) {
            m_settings.setSearchDays(*days);
            return;
        }
        m_prompts.warn(AppSettings::searchDaysErrorTitle(), AppSettings::searchDaysErrorMessage());
        initial = *answer;
    }
}

void MainWindow::restoreDefaults()
{
    m_settings.restoreDefaults();
    applySettingsToControls();
    Yansuan();
}
