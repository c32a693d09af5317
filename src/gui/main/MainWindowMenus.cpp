// The menu bar (设置, 历史管理) and the formula grid's pop-up menu (管理).
#include "gui/main/MainWindow.h"

#include "gui/main/FormulaTableModel.h"
#include "workbench/Workbench.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTableView>

namespace {

const char* const kLookBackCaptions[10] = {"前所有期", "前100期", "前200期",  "前300期",  "前500期",
                                           "前600期",  "前800期", "前1000期", "前1500期", "前3000期"};

} // namespace

QAction* MainWindow::addAction(QMenu* menu, const QString& name, const QString& caption, bool checkable)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    action->setCheckable(checkable);
    return action;
}

void MainWindow::buildMenus()
{
    m_setupMenu = menuBar()->addMenu(QStringLiteral("设置"));
    m_setupMenu->setObjectName(QStringLiteral("mnuSetup"));
    auto* resultGroup = new QActionGroup(this);
    m_resultColumn[0] =
        addAction(m_setupMenu, QStringLiteral("mnuYsXs0"), QStringLiteral("历史列表公式验算结果显示在下期(&N)"), true);
    m_resultColumn[1] =
        addAction(m_setupMenu, QStringLiteral("mnuYsXs1"), QStringLiteral("历史列表公式验算结果显示在当期(&T)"), true);
    for (int i = 0; i < 2; ++i) {
        resultGroup->addAction(m_resultColumn[static_cast<size_t>(i)]);
        connect(m_resultColumn[static_cast<size_t>(i)], &QAction::triggered, this,
                [this, i] { guarded([this, i] { chooseResultColumn(i == 1); }); });
    }
    m_setupMenu->addSeparator();
    buildLookBackMenu(m_setupMenu);
    m_weighted = addAction(m_setupMenu, QStringLiteral("mnuZqlJq"), QStringLiteral("正确率使用期数加权算法(&A)"), true);
    connect(m_weighted, &QAction::triggered, this, [this](bool on) {
        m_workbench->settings().setWeightedRate(on);
        m_formulaModel->setWeighted(on);
        Yansuan();
    });
    m_showChance =
        addAction(m_setupMenu, QStringLiteral("mnuChance"), QStringLiteral("公式列表显示随机期望和超随机Z(&Z)"), true);
    connect(m_showChance, &QAction::triggered, this, [this](bool on) {
        m_workbench->settings().setShowChance(on);
        showChanceColumns(on);
    });
    connect(addAction(m_setupMenu, QStringLiteral("mnuSetDay"), QStringLiteral("历史号码更新检索天数设置(&D)")),
            &QAction::triggered, this, [this] { guarded([this] { askSearchDays(); }); });
    connect(addAction(m_setupMenu, QStringLiteral("mnuDrawsPerDay"), QStringLiteral("每天期数设置(&T)...")),
            &QAction::triggered, this, [this] { guarded([this] { askDrawsPerDay(); }); });
    buildLotteryMenu(m_setupMenu);
    m_setupMenu->addSeparator();
    connect(addAction(m_setupMenu, QStringLiteral("meuHfmr"), QStringLiteral("恢复默认设置(&R)")), &QAction::triggered,
            this, [this] { guarded([this] { restoreDefaults(); }); });
    connect(addAction(m_setupMenu, QStringLiteral("mnuHelp"), QStringLiteral("使用说明(&H)")), &QAction::triggered,
            this, [this] { openManual(); });
    buildHistoryMenu();
    buildManageMenu();
}

// 检索期数设置: how many past draws the scores count, and whether the current one is left out.
void MainWindow::buildLookBackMenu(QMenu* parent)
{
    QMenu* lookBack = parent->addMenu(QStringLiteral("检索期数设置(&Q)"));
    lookBack->setObjectName(QStringLiteral("mnuQsJs"));
    m_excludeCurrent = addAction(lookBack, QStringLiteral("mnuBuhan"), QStringLiteral("检索期数前溯不含当前期"), true);
    connect(m_excludeCurrent, &QAction::triggered, this, [this](bool on) {
        m_workbench->settings().setExcludeCurrent(on);
        Yansuan();
    });
    lookBack->addSeparator();
    auto* group = new QActionGroup(this);
    for (int i = 0; i < 10; ++i) {
        QAction* action =
            addAction(lookBack, QStringLiteral("mnuQs%1").arg(i), QString::fromUtf8(kLookBackCaptions[i]), true);
        group->addAction(action);
        m_lookBack[static_cast<size_t>(i)] = action;
        connect(action, &QAction::triggered, this, [this, i] { guarded([this, i] { chooseLookBack(i); }); });
    }
}

void MainWindow::buildLotteryMenu(QMenu* parent)
{
    QMenu* lotteries = parent->addMenu(QStringLiteral("彩种选择"));
    lotteries->setObjectName(QStringLiteral("mnuCaizhong"));
    auto* group = new QActionGroup(this);
    for (int i = 0; i < LotteryTable::kCount; ++i) {
        QAction* action =
            addAction(lotteries, QStringLiteral("mnu11S5%1").arg(i), LotteryTable::entry(i).caption, true);
        group->addAction(action);
        m_lotteries[static_cast<size_t>(i)] = action;
        connect(action, &QAction::triggered, this, [this, i] { guarded([this, i] { chooseLottery(i); }); });
    }
}

void MainWindow::buildHistoryMenu()
{
    QMenu* history = menuBar()->addMenu(QStringLiteral("历史管理"));
    history->setObjectName(QStringLiteral("mnuLsgl"));
    const std::pair<const char*, std::pair<const char*, Command>> kHistoryItems[] = {
        {"mnuDcls", {"导出历史号码(&O)", Command::ExportHistory}},
        {"mnuDlAll", {"删除所有历史(&A）", Command::DeleteAllHistory}},
        {"mnuDlzd", {"删除到选定期(&D)", Command::DeleteToIssue}},
        {"mnuEszhzd", {"删除最后指定数量期历史(&E)", Command::DeleteLastDraws}},
        {"mnuDrls", {"从文本文件导入历史号码(&I)", Command::ImportHistory}},
        {"mnuLsUrl", {"开奖页面地址设置(&U)", Command::HistoryPageAddress}},
        {"mnuTrend", {"号码走势图(&Z)", Command::Trend}},
    };
    for (const auto& [name, item] : kHistoryItems) {
        QAction* action = addAction(history, QString::fromLatin1(name), QString::fromUtf8(item.first));
        const Command command = item.second;
        connect(action, &QAction::triggered, this, [this, action, command] { runHook(command, action->text()); });
        if (command != Command::HistoryPageAddress && command != Command::Trend) // a setting, a view
            m_dataActions.push_back(action);
    }
    // The draws of the latest deletion come back until the next change of the
    // history; Ctrl+Z does the same while the history grid has the focus.
    QAction* undo = addAction(history, QStringLiteral("mnuUndoDel"), QStringLiteral("撤销删除(&R)"));
    undo->setShortcut(QKeySequence::Undo);
    undo->setShortcutContext(Qt::WidgetShortcut);
    m_historyGrid->addAction(undo);
    connect(undo, &QAction::triggered, this, [this] {
        guarded([this] {
            const int restored = m_workbench->undoDrawDeletion();
            statusBar()->showMessage(QStringLiteral("已恢复 %1 期历史号码").arg(restored), 8000);
        });
    });
    m_dataActions.push_back(undo);
}

// The formula grid's pop-up menu; it is not on the menu bar.
void MainWindow::buildManageMenu()
{
    m_manageMenu = new QMenu(QStringLiteral("管理"), this);
    m_manageMenu->setObjectName(QStringLiteral("mnuMang"));
    QAction* excel = addAction(m_manageMenu, QStringLiteral("mnuExl"), QStringLiteral("导出到EXCEL表格(&E)"));
    connect(excel, &QAction::triggered, this, [this, excel] { runHook(Command::ExportFormulaGrid, excel->text()); });
    connect(addAction(m_manageMenu, QStringLiteral("mnuCulate"), QStringLiteral("查询该公式历史计算式(&U)")),
            &QAction::triggered, this, [this] { guarded([this] { showFormulaDetail(); }); });
    m_manageMenu->addSeparator();
    const std::pair<const char*, const char*> kDeletions[] = {
        {"mnuDelGS", "删除该公式(&D)"},
        {"mnuDelXzGS", "删除选中所有公式(&C)"},
        {"mnuDelLst", "删除最后公式(&E)"},
        {"mnuDelNXzGS", "删除未选中公式(&X)"},
    };
    const std::function<void()> handlers[] = {
        [this] { deleteCurrentFormula(); },
        [this] { deleteFormulas(true); },
        [this] { m_workbench->deleteLastFormula(); }, // the highest idx of the listed flag
        [this] { deleteFormulas(false); },
    };
    for (size_t i = 0; i < std::size(kDeletions); ++i) {
        QAction* action =
            addAction(m_manageMenu, QString::fromLatin1(kDeletions[i].first), QString::fromUtf8(kDeletions[i].second));
        connect(action, &QAction::triggered, this, [this, run = handlers[i]] { guarded(run); });
        m_dataActions.push_back(action);
    }
    m_dataActions.push_back(excel);
}
